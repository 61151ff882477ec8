# Text archive (.idt) export and import, and MsiDatabaseExportA/ImportA.
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/api_idt.cpp
    ${CMAKE_CURRENT_LIST_DIR}/archive_header.cpp
    ${CMAKE_CURRENT_LIST_DIR}/binary_file_names.cpp
    ${CMAKE_CURRENT_LIST_DIR}/control_chars.cpp
    ${CMAKE_CURRENT_LIST_DIR}/integer_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/summary_archive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_exporter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_importer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_archive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_source.cpp
)

vsb_add_test(msi_idt_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/idt_test_util.cpp
        ${CMAKE_CURRENT_LIST_DIR}/archive_header_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/control_chars_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/export_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/import_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fixture_round_trip_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/oracle_compare_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/summary_archive_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/archive_fuzz_test.cpp
    LIBS msi vsb_testing
)
target_include_directories(msi_idt_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
