# Transforms: reading, applying, viewing (_TransformView) and generating .mst files.
target_sources(msi PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/api_patch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/api_transform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/patch_contents.cpp
    ${CMAKE_CURRENT_LIST_DIR}/patch_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/row_operation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_apply.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_conditions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_generator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_plan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_summary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transform_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/touched_tables.cpp
)

vsb_add_test(msi_transform_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/transform_test_util.cpp
        ${CMAKE_CURRENT_LIST_DIR}/patch_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/row_operation_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transform_apply_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transform_view_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transform_generate_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transform_generate_fixtures_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transform_damage_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transform_fixtures_test.cpp
    LIBS msi vsb_testing
)
target_include_directories(msi_transform_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
# Its own kBase, beside the apply test's: compiled on its own.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/transform_damage_test.cpp
    PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
