# One helper for every test target: GoogleTest, discovered by CTest.
#
#   varnel_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [OWN_MAIN])
#
# OWN_MAIN: the sources define main() themselves (for example to create a
# QGuiApplication first).
find_package(GTest REQUIRED)
include(GoogleTest)

function(varnel_add_test)
    cmake_parse_arguments(ARG "OWN_MAIN" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${ARG_NAME} PRIVATE GTest::gtest_main)
    endif()
    # Tests spell their expectations as plain string literals.
    target_compile_options(${ARG_NAME} PRIVATE -UQT_NO_CAST_FROM_ASCII)
    gtest_discover_tests(${ARG_NAME}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
