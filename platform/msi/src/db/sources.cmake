# The database core: records, stream sources, databases, tables, views.
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/cells.cpp
    ${CMAKE_CURRENT_LIST_DIR}/condition_syntax.cpp
    ${CMAKE_CURRENT_LIST_DIR}/database.cpp
    ${CMAKE_CURRENT_LIST_DIR}/database_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_stream_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/join.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stream_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stream_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/summary_info.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_schema.cpp
    ${CMAKE_CURRENT_LIST_DIR}/validation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_modify.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_statements.cpp
)

vsb_add_test(msi_db_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/../api/handle_table_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_modify_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_open_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_record_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_schema_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_table_cells_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_validate_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_view_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/last_failure_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/buffer_boundary_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/modify_key_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/condition_syntax_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/database_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/db_test_util.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fixtures_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/join_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/record_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/summary_code_page_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/table_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/view_test.cpp
    LIBS msi vsb_testing
)
target_include_directories(msi_db_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
