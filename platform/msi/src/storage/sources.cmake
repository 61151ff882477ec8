# Compound-file storage: the container the database engine stands on.
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/compound_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sibling_tree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stream_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/write_plan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cfb_header.cpp
    ${CMAKE_CURRENT_LIST_DIR}/compound_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/directory_entry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/entry_name.cpp
    ${CMAKE_CURRENT_LIST_DIR}/random_access_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sector_chain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stream_reader.cpp
)

vsb_add_test(msi_storage_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/../common/huge_page_pool_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../common/status_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/atomic_file_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/cfb_header_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/compound_file_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/compound_writer_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/directory_entry_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fixtures_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/peer_check_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/robustness_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/scattered_file.cpp
        ${CMAKE_CURRENT_LIST_DIR}/scattered_file_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sibling_tree_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/storage_test_util.cpp
        ${CMAKE_CURRENT_LIST_DIR}/write_plan_test.cpp
    LIBS msi vsb_testing)
# The tests include the engine's private headers ("storage/...", "common/...").
target_include_directories(msi_storage_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
