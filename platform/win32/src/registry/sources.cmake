# INI profile files and the registry store (included by platform/win32/CMakeLists.txt).
target_sources(vsb_win32 PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/config_folder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ini_document.cpp
    ${CMAKE_CURRENT_LIST_DIR}/name_compare.cpp
    ${CMAKE_CURRENT_LIST_DIR}/private_profile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_handles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_keys_api.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_text_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_tree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_values_api.cpp
)

vsb_add_test(win32_registry_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/buffer_boundary_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ini_document_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/name_case_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/private_profile_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/registry_text_format_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/registry_keys_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/registry_values_test.cpp
    LIBS vsb_win32 vsb_testing
)
target_include_directories(win32_registry_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
