cmake_minimum_required(VERSION 3.25)
# Every shell and Python script of the repository parses (a C++ formatter run over one by
# mistake leaves it unreadable, and CI would only find out when it runs it):
#   cmake -DSOURCE_DIR=<repository> -P scripts/checks/Scripts.cmake

file(GLOB_RECURSE shells RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/scripts/*.sh ${SOURCE_DIR}/tests/*.sh)
list(APPEND shells .ci/run)
file(GLOB_RECURSE pythons RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/scripts/*.py ${SOURCE_DIR}/tests/*.py ${SOURCE_DIR}/bench/*.py)
set(broken)
foreach(script IN LISTS shells)
    execute_process(COMMAND bash -n ${script} WORKING_DIRECTORY ${SOURCE_DIR}
        RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(NOT result EQUAL 0)
        list(APPEND broken ${script})
    endif()
endforeach()
foreach(script IN LISTS pythons)
    execute_process(
        COMMAND python3 -c "import ast, sys; ast.parse(open(sys.argv[1]).read(), sys.argv[1])"
                ${script}
        WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(NOT result EQUAL 0)
        list(APPEND broken ${script})
    endif()
endforeach()
if(broken)
    list(JOIN broken "\n  " listed)
    message(FATAL_ERROR "scripts that do not parse:\n  ${listed}")
endif()
list(LENGTH shells shellCount)
list(LENGTH pythons pythonCount)
message(STATUS "scripts: ${shellCount} shell and ${pythonCount} Python scripts parse")
