# The database core: records, stream sources, databases, tables, views.
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stream_source.cpp
)

vsb_add_test(msi_db_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/../api/handle_table_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../api/api_record_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/record_test.cpp
    LIBS msi vsb_testing
)
target_include_directories(msi_db_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
