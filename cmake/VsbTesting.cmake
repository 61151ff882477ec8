# Test programs compile as unity builds: their files share GoogleTest's heavy
# headers, which are then parsed once per batch of files instead of once per
# file (the suite's compile time is mostly test files).
option(VSB_UNITY_TESTS "Compile each test program's files in unity batches" ON)

function(vsb_unity_test target)
    if(VSB_UNITY_TESTS)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON)
    endif()
endfunction()

# vsb_add_test(NAME SOURCES src... LIBS lib...)
# One GoogleTest executable per folder of tests; every TEST becomes a CTest test.
# Each test runs with its own private TMPDIR below the build folder so that
# tests that look at the temporary folder never see each other's files.
function(vsb_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    vsb_unity_test(${name})
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
    vsb_unity_test(${name})
    target_compile_definitions(${name} PRIVATE VSB_SHARED_DIR="${VSB_SHARED_DIR}")
    set(environment "VSB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp" "QT_QPA_PLATFORM=offscreen")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "${environment}")
endfunction()
