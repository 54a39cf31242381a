# The layering of the product's folders, checked on every #include:
#   cmake -DSOURCE_DIR=<repository> -P scripts/checks/Layering.cmake
# A folder may include its own headers and those of the folders in its row, nothing else;
# player/* and settings/* include no FFmpeg, Qt Multimedia or Linux header directly. Every
# folder that holds C++ needs a row, so a new folder is placed in the layering before it builds.
# The rows follow what each folder's targets link (the system's layers: platform/* at the
# bottom, never reaching up; player/* over platform/*; settings beside the player, never in it).

cmake_minimum_required(VERSION 3.25)

set(platform "platform/system;platform/gfx;platform/window;platform/media")
set(player_base "player/common;player/pack;player/profile;player/skin;player/playback;player/telemetry")

set(allowed_platform/system "")
set(allowed_platform/gfx "")
set(allowed_platform/window "platform/gfx;platform/system")
set(allowed_platform/media "platform/system")
set(allowed_player/common "")
set(allowed_player/pack "player/common;platform/system")
set(allowed_player/skin "player/common;player/pack;platform/gfx;platform/window")
set(allowed_player/resources "platform/window")
# The message and about boxes are skinned windows, so the profile sits over the skin.
set(allowed_player/profile
    "player/common;player/pack;player/skin;player/resources;platform/gfx;platform/window")
# The telemetry store reads through the engine; its views (G-sensor window, map) are skinned;
# incident thresholds and how values are shown (speed unit, camera time zone) come from the
# settings store, and bookmarks are written atomically.
set(allowed_player/telemetry
    "player/common;player/pack;player/skin;platform/media;platform/system;platform/gfx;platform/window")
# The graph owner knows the engine and the settings store, and no window.
set(allowed_player/playback "platform/media;platform/system")
set(allowed_player/catalogue "${player_base};${platform}")
set(allowed_player/shell "${player_base};player/catalogue;player/resources;${platform}")
set(allowed_player/resources "platform/window")
set(allowed_settings "${platform}")
set(allowed_tools/drives "platform/system")
set(allowed_tools/make-icons "")
set(allowed_tools/make-sample-card "platform/media;platform/system")
set(allowed_tools/mkpack "player/common;player/pack;player/profile;player/skin;platform/system")
set(allowed_tools/recording-info
    "player/playback;player/telemetry;player/catalogue;platform/media;platform/system")
set(allowed_tools/skin-art "")
set(allowed_tools/skin-preview
    "player/common;player/pack;player/profile;player/skin;platform/gfx;platform/window;platform/system")

# Angle-bracket headers the system itself never includes: it reaches them through platform/*.
set(system_forbidden "^(libav|libsw|QAudio|QMediaDevices|QtMultimedia|sys/|linux/|unistd\\.h|fcntl\\.h)")

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repository> -P Layering.cmake")
endif()

# The layer a repository path belongs to: settings, or the first two parts of the path.
function(layer_of path out)
    if(path MATCHES "^settings(/|$)")
        set(${out} "settings" PARENT_SCOPE)
    elseif(path MATCHES "^((platform|player|tools)/[^/]+)/")
        set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    else()
        set(${out} "" PARENT_SCOPE)
    endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp
    ${SOURCE_DIR}/player/*.h ${SOURCE_DIR}/player/*.cpp
    ${SOURCE_DIR}/settings/*.h ${SOURCE_DIR}/settings/*.cpp
    ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp)

set(breaches 0)
set(checked 0)
foreach(source IN LISTS sources)
    layer_of("${source}" layer)
    if(NOT DEFINED allowed_${layer})
        message(SEND_ERROR "${source}: the folder ${layer} has no row in the layering table "
                           "(scripts/checks/Layering.cmake)")
        math(EXPR breaches "${breaches} + 1")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        math(EXPR checked "${checked} + 1")
        if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
            set(included "${CMAKE_MATCH_1}")
            layer_of("${included}" target)
            if(target STREQUAL "" OR target STREQUAL layer)
                continue()  # a header beside the file, or of its own folder
            endif()
            if(NOT target IN_LIST allowed_${layer})
                message(SEND_ERROR "${source}: includes \"${included}\", but ${layer} may use "
                                   "only: ${allowed_${layer}}")
                math(EXPR breaches "${breaches} + 1")
            endif()
        elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
            set(included "${CMAKE_MATCH_1}")
            if((layer MATCHES "^player/" OR layer STREQUAL "settings")
               AND included MATCHES "${system_forbidden}")
                message(SEND_ERROR "${source}: includes <${included}> directly; ${layer} reaches "
                                   "FFmpeg, sound and the kernel only through platform/*")
                math(EXPR breaches "${breaches} + 1")
            endif()
        endif()
    endforeach()
endforeach()

list(LENGTH sources files)
if(breaches GREATER 0)
    message(FATAL_ERROR "${breaches} layering breach(es) in ${files} files")
endif()
message(STATUS "layering: ${checked} includes in ${files} files, no breach")
