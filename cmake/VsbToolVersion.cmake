# vsb_tool_version(NAME TITLE title VERSION version
#                  [FILE_VERSION a.b.c.d] [COMMENT text])
#
# States a tool's version once. Generates <NAME>_version.h (namespace NAME)
# in the build folder, which the command line (--version), the about box and
# the version information include, and makes the INTERFACE target
# NAME_version that puts the header on the include path. The same values are
# left in the caller's scope as NAME_VERSION, NAME_FILE_VERSION and
# NAME_VERSION_COMMENT for the manual pages and the package.
function(vsb_tool_version name)
    cmake_parse_arguments(ARG "" "TITLE;VERSION;FILE_VERSION;COMMENT" "" ${ARGN})
    if(NOT ARG_TITLE OR NOT ARG_VERSION)
        message(FATAL_ERROR "vsb_tool_version(${name}): TITLE and VERSION are needed")
    endif()
    set(VSB_TOOL_NAMESPACE ${name})
    set(VSB_TOOL_TITLE "${ARG_TITLE}")
    set(VSB_TOOL_VERSION "${ARG_VERSION}")
    set(VSB_TOOL_FILE_VERSION "${ARG_FILE_VERSION}")
    set(VSB_TOOL_COMMENT "${ARG_COMMENT}")
    # The version information's four numbers; all 0 when the tool has none.
    set(numbers 0 0 0 0)
    if(ARG_FILE_VERSION)
        string(REPLACE "." ";" numbers "${ARG_FILE_VERSION}")
        list(LENGTH numbers count)
        if(NOT count EQUAL 4)
            message(FATAL_ERROR "vsb_tool_version(${name}): FILE_VERSION needs four numbers")
        endif()
    endif()
    string(REPLACE ";" ", " VSB_TOOL_FILE_VERSION_NUMBERS "${numbers}")

    file(RELATIVE_PATH VSB_TOOL_STATED_IN ${PROJECT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/CMakeLists.txt)
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/generated)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/tool_version.h.in
                   ${folder}/${name}_version.h @ONLY)
    add_library(${name}_version INTERFACE)
    target_include_directories(${name}_version INTERFACE ${folder})

    string(TOUPPER ${name} upper)
    set(${upper}_VERSION "${ARG_VERSION}" PARENT_SCOPE)
    set(${upper}_FILE_VERSION "${ARG_FILE_VERSION}" PARENT_SCOPE)
    set(${upper}_VERSION_COMMENT "${ARG_COMMENT}" PARENT_SCOPE)
endfunction()
