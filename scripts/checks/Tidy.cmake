cmake_minimum_required(VERSION 3.25)
# clang-tidy with the project's checks (.clang-tidy) over one folder's sources and headers,
# every finding an error:
#   cmake -DSOURCE_DIR=<repository> -DBUILD_DIR=<built tree> -DFOLDER=<folder>
#         -DCLANG_TIDY=<program> -P scripts/checks/Tidy.cmake
# Needs the built tree: its compile_commands.json and the headers the build generates.

if(NOT CLANG_TIDY)
    message(FATAL_ERROR "clang-tidy is not installed (scripts/install-deps.sh installs it)")
endif()
file(GLOB_RECURSE sources ${SOURCE_DIR}/${FOLDER}/*.cpp)
if(NOT sources)
    message(STATUS "tidy: ${FOLDER} has no sources")
    return()
endif()
execute_process(
    COMMAND ${CLANG_TIDY} -p ${BUILD_DIR} --quiet --warnings-as-errors=*
            --header-filter=^${SOURCE_DIR}/${FOLDER}/ ${sources}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE findings
    ERROR_QUIET)
list(LENGTH sources count)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "clang-tidy findings in ${FOLDER}:\n${findings}")
endif()
message(STATUS "tidy: ${count} sources of ${FOLDER}, no finding")
