# The engine's format codecs: pure functions over byte buffers (no file access).
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/code_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/column_type.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pool_entry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/property_set.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stream_name.cpp
    ${CMAKE_CURRENT_LIST_DIR}/string_index.cpp
    ${CMAKE_CURRENT_LIST_DIR}/string_pool.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unicode.cpp
)

vsb_add_test(msi_format_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/code_page_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/column_type_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/decoder_fuzz_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fixture_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/property_set_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/stream_name_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/string_pool_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/table_stream_test.cpp
    LIBS msi vsb_testing)
# The tests include codec headers by their folder ("format/...").
target_include_directories(msi_format_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
