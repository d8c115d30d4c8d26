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

# The fonts every test sees: only DejaVu, the one font the package depends on, through a
# fontconfig configuration of the build tree's own (cmake/testfonts.conf.in). Row heights and
# screenshots then do not change with the fonts a machine has; varnel_test_fonts() gives it to
# tests added with add_test, varnel_add_test to its own.
set(VARNEL_TEST_FONT_DIR /usr/share/fonts/truetype/dejavu CACHE PATH "The one font folder the tests see")
if(NOT EXISTS "${VARNEL_TEST_FONT_DIR}/DejaVuSansMono.ttf")
    message(WARNING "${VARNEL_TEST_FONT_DIR} holds no DejaVuSansMono.ttf: the window tests need fonts-dejavu-core")
endif()
set(VARNEL_TEST_FONT_CACHE ${PROJECT_BINARY_DIR}/test-fonts/cache)
set(VARNEL_TEST_FONTCONFIG ${PROJECT_BINARY_DIR}/test-fonts/fonts.conf)
configure_file(${CMAKE_CURRENT_LIST_DIR}/testfonts.conf.in ${VARNEL_TEST_FONTCONFIG} @ONLY)
set(VARNEL_TEST_FONTS "FONTCONFIG_FILE=set:${VARNEL_TEST_FONTCONFIG}")

function(varnel_test_fonts)
    set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT_MODIFICATION "${VARNEL_TEST_FONTS}")
endfunction()

function(varnel_add_test)
    cmake_parse_arguments(ARG "OWN_MAIN" "NAME;THREADS" "SOURCES;LIBS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${ARG_NAME} PRIVATE GTest::gtest_main)
    endif()
    # Tests spell their expectations as plain string literals.
    target_compile_options(${ARG_NAME} PRIVATE -UQT_NO_CAST_FROM_ASCII)
    # One variable each: a list would not reach the discovered tests whole.
    set(environment ENVIRONMENT QT_QPA_PLATFORM=offscreen ENVIRONMENT_MODIFICATION "${VARNEL_TEST_FONTS}")
    if(NOT ARG_THREADS)
        gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${environment})
        return()
    endif()
    # Two discoveries of one executable: the threaded cases with the label, the rest without.
    gtest_discover_tests(${ARG_NAME}
        DISCOVERY_TIMEOUT 60
        TEST_FILTER "${ARG_THREADS}"
        PROPERTIES ${environment} LABELS threads)
    if(NOT ARG_THREADS STREQUAL "*")
        gtest_discover_tests(${ARG_NAME}
            DISCOVERY_TIMEOUT 60
            TEST_FILTER "-${ARG_THREADS}"
            PROPERTIES ${environment})
    endif()
endfunction()
