# `make deb`: a Debian package of the two programs with CPack's DEB generator
# (cd build && cpack -G DEB). The binaries are stripped, their debug symbols go
# into a -dbgsym package beside it, and the dependencies come from the shared
# libraries they link (dpkg-shlibdeps). The package holds what `make install`
# installs, under /usr, plus its copyright and changelog.
set(VORTA_PACKAGE_MAINTAINER "Vorta serial developers <vorta-serial@example.org>"
    CACHE STRING "Maintainer field and changelog signature of the Debian package")

set(vorta_doc ${CMAKE_INSTALL_DATADIR}/doc/vorta-serial)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${vorta_doc} COMPONENT desktop)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                   COMMAND sh -c "gzip -9nc '${CMAKE_BINARY_DIR}/debian/changelog' > '${CMAKE_BINARY_DIR}/debian/changelog.gz'"
                   DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${vorta_doc} COMPONENT desktop)

# Packaging builds only what it installs (make deb builds those targets first),
# not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorta-serial)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial-port debugging assistant with a Chinese user interface")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vorta serial (Vorta串口调试) sends frames to a serial port, typed as hexadecimal\n"
    "byte pairs or as text, optionally with a CRC-16 appended, and shows every byte\n"
    "that comes back, with timed line breaks, a timed auto-send list, a batch\n"
    "generator of polling frames and a byte calculator.\n"
    ".\n"
    "The package also holds vorta-device, a simulated Modbus RTU device on a\n"
    "pseudo-terminal, to try the program without hardware.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORTA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a Chinese face every caption and note is a row of boxes, so one is a
# dependency (the Song face 宋体 is drawn with, or another CJK face); the sans
# face and Qt's own texts in Chinese are recommended. CPack adds the libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming | fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, fonts-wqy-microhei, qt6-translations-l10n")
# CPack strips the binaries itself, keeping what it strips for the -dbgsym package.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
include(CPack)
