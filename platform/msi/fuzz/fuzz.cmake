# Fuzz targets of the engine. With VSB_FUZZ (clang) each target is a libFuzzer
# program (scripts/fuzz runs them); otherwise each is linked with a replay
# driver and every corpus is replayed as a test: the seeds made at test time
# by make_fuzz_seeds and the inputs kept in fuzz/corpus/<target>/ (among them
# every input that once found a fault).
set(msi_fuzz_targets compound_file database sql idt_import transform summary)
set(msi_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})

add_library(msi_fuzz_support STATIC ${msi_fuzz_dir}/fuzz_support.cpp)
target_include_directories(msi_fuzz_support PUBLIC ${msi_fuzz_dir} ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(msi_fuzz_support PUBLIC msi)

if(VSB_FUZZ)
    foreach(target ${msi_fuzz_targets})
        add_executable(msi_fuzz_${target} ${msi_fuzz_dir}/${target}_fuzz.cpp)
        target_link_libraries(msi_fuzz_${target} PRIVATE msi_fuzz_support)
        target_link_options(msi_fuzz_${target} PRIVATE -fsanitize=fuzzer)
    endforeach()
endif()

# The seed maker is built in both modes: scripts/fuzz seeds its runs with it.
add_executable(make_fuzz_seeds ${msi_fuzz_dir}/make_fuzz_seeds.cpp)
target_link_libraries(make_fuzz_seeds PRIVATE msi_fuzz_support)
if(VSB_FUZZ)
    # libFuzzer's instrumentation needs its runtime in every program.
    target_link_options(make_fuzz_seeds PRIVATE -fsanitize=fuzzer-no-link)
    return()
endif()

set(msi_fuzz_seeds ${CMAKE_CURRENT_BINARY_DIR}/fuzz-seeds)
add_test(NAME msi_fuzz_make_seeds COMMAND make_fuzz_seeds ${msi_fuzz_seeds})
set_tests_properties(msi_fuzz_make_seeds PROPERTIES FIXTURES_SETUP msi_fuzz_seeds
    ENVIRONMENT "TMPDIR=${CMAKE_CURRENT_BINARY_DIR}")
foreach(target ${msi_fuzz_targets})
    add_executable(msi_fuzz_replay_${target}
        ${msi_fuzz_dir}/${target}_fuzz.cpp ${msi_fuzz_dir}/replay_main.cpp)
    target_link_libraries(msi_fuzz_replay_${target} PRIVATE msi_fuzz_support)
    add_test(NAME msi_fuzz_replay_${target}
        COMMAND msi_fuzz_replay_${target} ${msi_fuzz_seeds}/${target} ${msi_fuzz_dir}/corpus/${target})
    set_tests_properties(msi_fuzz_replay_${target} PROPERTIES FIXTURES_REQUIRED msi_fuzz_seeds
        ENVIRONMENT "TMPDIR=${CMAKE_CURRENT_BINARY_DIR}")
endforeach()
