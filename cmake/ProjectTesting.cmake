# roadplayer_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l1 l2] [ENVIRONMENT V=1] [RUN_SERIAL])
# One GoogleTest executable; every test case becomes its own CTest test so ctest -j runs them
# side by side. Qt code runs offscreen; TEST_TOOLS_DIR / TEST_PROGRAM_DIR point at built tools.
function(roadplayer_add_test name)
    cmake_parse_arguments(ARG "RUN_SERIAL" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} test_support GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        TEST_TOOLS_DIR="${ROADPLAYER_TOOLS_DIR}"
        TEST_PROGRAM_DIR="${ROADPLAYER_PROGRAM_DIR}"
        TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    roadplayer_warnings(${name})
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${name}_TESTS)
    # Discovery hands PROPERTIES through scripts that split lists (two labels, two variables),
    # so the properties are set by a script of ours that runs after the discovered tests exist.
    set(properties ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
    set(labels)
    if(ARG_LABELS)
        set(labels "LABELS \"${ARG_LABELS}\"")
    endif()
    if(ARG_RUN_SERIAL)
        string(APPEND labels " RUN_SERIAL TRUE")
    endif()
    file(WRITE ${properties}
        "if(${name}_TESTS)\n"
        "    set_tests_properties(\${${name}_TESTS} PROPERTIES\n"
        "        ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}\" ${labels} TIMEOUT 300)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties})
endfunction()
