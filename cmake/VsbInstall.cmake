# vsb_install_desktop_program(NAME FOLDER)
# Installs a dialog program's desktop entry (FOLDER/NAME.desktop) and its icon
# in the hicolor theme: FOLDER/icons/NAME-<size>.png at each size the program
# embeds, and FOLDER/icons/NAME.svg as the scalable one.
include(GNUInstallDirs)

function(vsb_install_desktop_program name folder)
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${folder}/${name}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size 16 24 32 48 64 128 256)
        install(FILES ${folder}/icons/${name}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${name}.png)
    endforeach()
    install(FILES ${folder}/icons/${name}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endfunction()
