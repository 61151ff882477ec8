# Registry keys, the profile and the variable map (included by CMakeLists.txt).
target_sources(vsb_foundation PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/delimited_name_map.cpp
    ${CMAKE_CURRENT_LIST_DIR}/named_column_map.cpp
    ${CMAKE_CURRENT_LIST_DIR}/profile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_key.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sorted_entry_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/var_map.cpp
)

vsb_add_test(foundation_profile_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/registry_key_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/profile_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/var_map_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/var_map_profile_test.cpp
    LIBS vsb_foundation vsb_testing
)

# The example program of this part of the library (see README.md), and its
# test: what one run saves, the next run loads.
add_executable(profile-example ${CMAKE_CURRENT_LIST_DIR}/example/profile_example.cpp)
target_link_libraries(profile-example PRIVATE vsb_foundation)

vsb_add_test(foundation_profile_example_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/example/profile_example_test.cpp
    LIBS vsb_testing)
target_compile_definitions(foundation_profile_example_tests PRIVATE
    PROFILE_EXAMPLE="$<TARGET_FILE:profile-example>")
add_dependencies(foundation_profile_example_tests profile-example)
