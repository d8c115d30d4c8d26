# SPDX-License-Identifier: GPL-3.0-or-later

# One helper for every test target: GoogleTest, discovered by CTest.
#
#   varnel_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [OWN_MAIN]
#                   [THREADS <gtest filter>])
#
# OWN_MAIN: the sources define main() themselves (for example to create a
# QGuiApplication first).
# THREADS: the cases that start threads ("*" for all of them), labelled "threads" so that
# `tools/dev.sh tsan` runs them under ThreadSanitizer. The set is declared here, beside the
# tests, and nowhere else.
find_package(GTest REQUIRED)
include(GoogleTest)

function(varnel_add_test)
    cmake_parse_arguments(ARG "OWN_MAIN" "NAME;THREADS" "SOURCES;LIBS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${ARG_NAME} PRIVATE GTest::gtest_main)
    endif()
    # Tests spell their expectations as plain string literals.
    target_compile_options(${ARG_NAME} PRIVATE -UQT_NO_CAST_FROM_ASCII)
    set(environment "QT_QPA_PLATFORM=offscreen")
    if(NOT ARG_THREADS)
        gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT ${environment})
        return()
    endif()
    # Two discoveries of one executable: the threaded cases with the label, the rest without.
    gtest_discover_tests(${ARG_NAME}
        DISCOVERY_TIMEOUT 60
        TEST_FILTER "${ARG_THREADS}"
        PROPERTIES ENVIRONMENT ${environment} LABELS threads)
    if(NOT ARG_THREADS STREQUAL "*")
        gtest_discover_tests(${ARG_NAME}
            DISCOVERY_TIMEOUT 60
            TEST_FILTER "-${ARG_THREADS}"
            PROPERTIES ENVIRONMENT ${environment})
    endif()
endfunction()
