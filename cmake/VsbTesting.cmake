# vsb_add_test(NAME SOURCES src... LIBS lib...)
# One GoogleTest executable per folder of tests; every TEST becomes a CTest test.
# Each test runs with its own private TMPDIR below the build folder so that
# tests that look at the temporary folder never see each other's files.
function(vsb_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE VSB_SHARED_DIR="${VSB_SHARED_DIR}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "VSB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")
endfunction()

# vsb_add_gui_test(NAME SOURCES src... LIBS lib...)
# A test program on real widgets: Qt on its offscreen platform, started by
# the framework's test main.
function(vsb_add_gui_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} vsb_framework_window_testing GTest::gtest)
    target_compile_definitions(${name} PRIVATE VSB_SHARED_DIR="${VSB_SHARED_DIR}")
    set(environment "VSB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp" "QT_QPA_PLATFORM=offscreen")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "${environment}")
endfunction()
