# ROADPLAYER_SANITIZE=address gives ASan+UBSan, =thread gives TSan, for every target.
if(ROADPLAYER_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(ROADPLAYER_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(ROADPLAYER_SANITIZE)
    message(FATAL_ERROR "ROADPLAYER_SANITIZE must be address or thread")
endif()

# The build's own picture generators run under the same sanitizer, but they are not what is
# under test: their commands take this environment (cmake -E env ...).
set(ROADPLAYER_GENERATOR_ENV QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
    TSAN_OPTIONS=report_bugs=0)
