# `make install` / `cmake --install`: the program and the simulated device, the desktop
# entry, its icon, the manual pages and the AppStream metainfo. Every rule is in the
# component "desktop", so a test can install that component into a scratch DESTDIR with a
# manifest of its own (install_manifest_desktop.txt) and leave the manifest of a real
# `make install` (install_manifest.txt) alone. `make uninstall` removes what a manifest
# lists (cmake/uninstall.cmake). Nothing goes outside the prefix: the program maps 宋体 to
# Debian's Song faces for itself (ui/qt/application.cpp), so no other program's fonts change.
# The Debian package adds its copyright and changelog (component "deb", cmake/package.cmake).
include(GNUInstallDirs)

foreach(program vorta-serial vorta-device)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/data/vorta-serial.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${PROJECT_SOURCE_DIR}/data/vorta-serial.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT desktop)
install(FILES ${PROJECT_SOURCE_DIR}/data/metainfo/io.github.vorta_serial.vorta_serial.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)

# Manual pages go compressed, as Debian keeps them (gzip -n: no name or time stamp inside,
# so the same page gives the same bytes).
set(VORTA_MAN_PAGES vorta-serial.1 vorta-device.1)
set(man_gz)
foreach(page ${VORTA_MAN_PAGES})
  set(source ${PROJECT_SOURCE_DIR}/data/man/${page})
  set(gz ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${gz}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                     COMMAND sh -c "gzip -9nc '${source}' > '${gz}'"
                     DEPENDS ${source} VERBATIM)
  list(APPEND man_gz ${gz})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)
