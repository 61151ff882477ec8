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
