# The installer's ANSI interface over the database core (src/db).
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/api_code_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_database.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_handles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_package.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_summary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_table_cells.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_validate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/handle_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/last_error_record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/last_failure.cpp
)
