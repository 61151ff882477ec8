# vsb_man_page(PROGRAM NAME "what it does" [INCLUDE file.h2m])
#
# The manual page of PROGRAM (a target), made at build time by help2man from
# the program's own --help and --version, gzipped as Debian ships manual
# pages, and installed to share/man/man1. INCLUDE adds sections of the
# page's own (help2man's include file: [SEE ALSO], [ENVIRONMENT] ...).
# Without help2man the page is left out, with a note.
include(GNUInstallDirs)
find_program(VSB_HELP2MAN help2man)
find_program(VSB_GZIP gzip)

function(vsb_man_page program)
    cmake_parse_arguments(ARG "" "NAME;INCLUDE" "" ${ARGN})
    if(NOT VSB_HELP2MAN OR NOT VSB_GZIP)
        message(STATUS "help2man or gzip is missing: no manual page for ${program}")
        return()
    endif()
    set(folder ${CMAKE_BINARY_DIR}/man)
    set(page ${folder}/${program}.1)
    set(include_option)
    if(ARG_INCLUDE)
        set(include_option --include=${ARG_INCLUDE})
    endif()
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${VSB_HELP2MAN} --no-info --section=1 --name=${ARG_NAME} ${include_option}
                --output=${page} $<TARGET_FILE:${program}>
        COMMAND ${VSB_GZIP} -9nf ${page}
        DEPENDS ${program} ${ARG_INCLUDE}
        COMMENT "Making the manual page of ${program}"
        VERBATIM)
    add_custom_target(${program}_man ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
