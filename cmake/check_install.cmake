# Installs the build into a scratch prefix and checks what a user gets:
# cmake -DBUILD_DIR=... -DPREFIX=... -DGUI=ON|OFF -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${status})")
endif()

set(expected bin/tablesmith-cli bin/deltalens-cli)
if(GUI)
    list(APPEND expected
        bin/tablesmith bin/deltalens
        share/applications/tablesmith.desktop share/applications/deltalens.desktop
        share/mime/packages/deltalens.xml
        share/icons/hicolor/scalable/apps/tablesmith.svg
        share/icons/hicolor/scalable/apps/deltalens.svg)
    foreach(size 16 24 32 48 64 128 256)
        list(APPEND expected
            share/icons/hicolor/${size}x${size}/apps/tablesmith.png
            share/icons/hicolor/${size}x${size}/apps/deltalens.png)
    endforeach()
endif()
foreach(file ${expected})
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# The command-line programs run on servers without Qt.
foreach(cli tablesmith-cli deltalens-cli)
    execute_process(COMMAND ldd ${PREFIX}/bin/${cli} OUTPUT_VARIABLE libraries)
    if(libraries MATCHES "Qt")
        message(FATAL_ERROR "${cli} links Qt:\n${libraries}")
    endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
