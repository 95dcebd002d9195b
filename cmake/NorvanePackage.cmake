# Installs the program as a desktop program (executable, icons, menu entry, AppStream
# metainfo) and lets CPack build a Debian package of it: scripts/package.sh.
set(NORVANE_APP_ID com.norvane.Norvane)

install(TARGETS norvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Drawn by resources/draw_icons.py.
install(DIRECTORY resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES resources/linux/${NORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
set(metainfo ${CMAKE_CURRENT_BINARY_DIR}/${NORVANE_APP_ID}.metainfo.xml)
configure_file(resources/linux/${NORVANE_APP_ID}.metainfo.xml.in ${metainfo} @ONLY)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR Norvane)
set(CPACK_PACKAGE_CONTACT "Norvane developers <norvane@localhost>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial-port and Modbus RTU debugging console")
set(CPACK_PACKAGE_DESCRIPTION "Opens a serial port, sends Modbus RTU requests by hand or on a \
timer and shows every byte in a timestamped log with the replies decoded and charted. It can \
answer requests in place of a device, bridge the serial line to a TCP server and convert signal \
ranges. Chinese user interface, with an English translation.")
# The program installs where it was configured to; it looks for itself there.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # norvane_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The interface is Chinese: without a CJK font its texts are empty boxes. The icon font is
# built into the program; the system's copy is only a fallback.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-font-awesome")
find_program(NORVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NORVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
elseif(NORVANE_QT STREQUAL "5")
  message(WARNING "dpkg-shlibdeps (dpkg-dev) is missing: the package names the Qt libraries itself")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt5core5a (>= 5.15), libqt5gui5 (>= 5.15), "
         "libqt5widgets5 (>= 5.15), libqt5network5 (>= 5.15), libqt5serialport5 (>= 5.15), "
         "libqt5charts5 (>= 5.15), libc6, libstdc++6")
else()
  message(WARNING "dpkg-shlibdeps (dpkg-dev) is missing: the package names the Qt libraries itself")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6core6, libqt6gui6, libqt6widgets6, "
         "libqt6network6, libqt6serialport6, libqt6charts6, libqt6core5compat6, libc6, libstdc++6")
endif()
include(CPack)
