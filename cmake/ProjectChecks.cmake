# Style and structure checks, run by ctest beside the tests so CI fails on them:
# clang-format over the tree, the scripts' syntax, the layering of every #include, and clang-tidy per folder (one
# test each, so ctest -j spreads them). Label "style".
find_program(ROADPLAYER_CLANG_FORMAT NAMES clang-format clang-format-14)
find_program(ROADPLAYER_CLANG_TIDY NAMES clang-tidy clang-tidy-14)

add_test(NAME style_format
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
            -DCLANG_FORMAT=${ROADPLAYER_CLANG_FORMAT}
            -P ${CMAKE_SOURCE_DIR}/scripts/checks/Format.cmake)
add_test(NAME structure_layering
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
            -P ${CMAKE_SOURCE_DIR}/scripts/checks/Layering.cmake)
add_test(NAME style_scripts
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
            -P ${CMAKE_SOURCE_DIR}/scripts/checks/Scripts.cmake)
set_tests_properties(style_format structure_layering style_scripts PROPERTIES LABELS style
                     TIMEOUT 120)

# Our own sources only: the product's folders and the tools (tests, benchmarks and generated
# code are left out).
function(roadplayer_add_tidy_test folder)
    string(REPLACE "/" "_" name "${folder}")
    add_test(NAME style_tidy_${name}
        COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                -DFOLDER=${folder} -DCLANG_TIDY=${ROADPLAYER_CLANG_TIDY}
                -P ${CMAKE_SOURCE_DIR}/scripts/checks/Tidy.cmake)
    set_tests_properties(style_tidy_${name} PROPERTIES LABELS style TIMEOUT 1200)
endfunction()
