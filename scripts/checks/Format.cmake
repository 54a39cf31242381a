cmake_minimum_required(VERSION 3.25)
# Every C++ file of the repository as clang-format (.clang-format) writes it:
#   cmake -DSOURCE_DIR=<repository> -DCLANG_FORMAT=<program> -P scripts/checks/Format.cmake
# Lists each file that differs; `clang-format -i FILE` puts it right.

if(NOT CLANG_FORMAT)
    message(FATAL_ERROR "clang-format is not installed (scripts/install-deps.sh installs it)")
endif()
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp
    ${SOURCE_DIR}/player/*.h ${SOURCE_DIR}/player/*.cpp
    ${SOURCE_DIR}/settings/*.h ${SOURCE_DIR}/settings/*.cpp
    ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp
    ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.cpp
    ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp
    ${SOURCE_DIR}/fuzz/*.h ${SOURCE_DIR}/fuzz/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${files}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE result
    ERROR_VARIABLE diagnostics)
list(LENGTH files count)
if(NOT result EQUAL 0)
    string(REGEX MATCHALL "[^\n]+: error: code should be clang-formatted" lines "${diagnostics}")
    set(misformatted)
    foreach(line IN LISTS lines)
        string(REGEX REPLACE ":[0-9]+:[0-9]+: error: code should be clang-formatted$" "" file
               "${line}")
        list(APPEND misformatted ${file})
    endforeach()
    list(REMOVE_DUPLICATES misformatted)
    list(JOIN misformatted "\n  " listed)
    message(FATAL_ERROR "not formatted as .clang-format says (clang-format -i FILE):\n  ${listed}")
endif()
message(STATUS "format: ${count} files as clang-format writes them")
