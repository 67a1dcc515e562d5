# `make install` / `cmake --install`: the program and the simulated device, the desktop
# entry, its icon and the fontconfig alias that gives 宋体 a Debian face. Every rule is
# in the component "desktop", so a test can install that component into a scratch
# DESTDIR with a manifest of its own (install_manifest_desktop.txt) and leave the
# manifest of a real `make install` (install_manifest.txt) alone. `make uninstall`
# removes what a manifest lists (cmake/uninstall.cmake).
include(GNUInstallDirs)

# Where fontconfig reads its configuration: the alias file lives in the prefix's
# share/fontconfig/conf.avail and a link here turns it on. Debian's fontconfig reads
# /etc/fonts/conf.d whatever the prefix; empty installs no link.
set(VORTA_FONTCONFIG_CONFD "/etc/fonts/conf.d" CACHE STRING "fontconfig conf.d folder that gets the alias link")

foreach(program vorta-serial vorta-device)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/data/vorta-serial.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${PROJECT_SOURCE_DIR}/data/vorta-serial.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT desktop)
set(VORTA_FONT_ALIAS 65-vorta-serial-song.conf)
install(FILES ${PROJECT_SOURCE_DIR}/data/fontconfig/${VORTA_FONT_ALIAS}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fontconfig/conf.avail COMPONENT desktop)

if(VORTA_FONTCONFIG_CONFD)
  # The link is made by hand, so it is added to the manifest by hand too (without
  # DESTDIR, as CMake lists the files it installs).
  install(CODE "
    set(target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/fontconfig/conf.avail/${VORTA_FONT_ALIAS}\")
    set(link \"\$ENV{DESTDIR}${VORTA_FONTCONFIG_CONFD}/${VORTA_FONT_ALIAS}\")
    message(STATUS \"Installing: \${link}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}${VORTA_FONTCONFIG_CONFD}\")
    file(CREATE_LINK \"\${target}\" \"\${link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"${VORTA_FONTCONFIG_CONFD}/${VORTA_FONT_ALIAS}\")
  " COMPONENT desktop)
endif()
