# Interop, robustness and fuzz tests of the whole engine through its public
# C interface, against msitools and the oracle (Wine's msi.dll).
vsb_add_test(msi_interop_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/interop_util.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fixture_reading_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/write_interop_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/commit_preservation_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/commit_kill_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/hostile_files_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/damage_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/scattered_package_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../src/storage/scattered_file.cpp
        ${CMAKE_CURRENT_LIST_DIR}/oracle_behaviour_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/wild_package_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/c_program.c
        ${CMAKE_CURRENT_LIST_DIR}/c_program_test.cpp
    LIBS msi vsb_testing
)
# The commit and damage tests read files with the storage layer ("storage/...").
target_include_directories(msi_interop_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../src)
