# vsb_quick_start(TARGET...)
#
# The command-line programs are started once per package, often many times
# from a script, so their start-up counts: with libstdc++ as a shared library
# the dynamic loader resolves its symbols and runs its initialisers in every
# process, about as long as reading a small package takes. These programs
# carry the C++ runtime inside instead (the C libraries stay shared), which
# leaves the loader a tenth of its work.
#
# Only for programs that never load Qt: Qt brings the shared libstdc++ along,
# and two copies of the runtime in one process do not share their state.
# Sanitizer and fuzzing builds keep the shared runtime their interceptors expect.
option(VSB_STATIC_CXX_RUNTIME
    "Link libstdc++ and libgcc into the command-line programs (faster start-up)" ON)

function(vsb_quick_start)
    if(NOT VSB_STATIC_CXX_RUNTIME OR VSB_SANITIZE OR VSB_FUZZ)
        return()
    endif()
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
        return()
    endif()
    foreach(target IN LISTS ARGN)
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
    endforeach()
endfunction()
