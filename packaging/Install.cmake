# What `cmake --install` puts where, and the Debian packages `cpack -G DEB`
# makes of it:
#   pressvane      bin/pressvane, the codec module in lib/<arch>/pressvane/,
#                  the master archive database and its schema in
#                  share/pressvane/, the systemd unit, the manual page
#   pressvane-gui  bin/pressvane-gui (Qt), its manual page
# A plain `cmake --install build` goes to /usr/local; the packages install
# under /usr.

# The version the product shows ("Version 12.021") is the package version.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/notify/Product.h version_line REGEX "kVersionText = \"Version [0-9.]+\"")
string(REGEX REPLACE ".*Version ([0-9.]+).*" "\\1" PRESSVANE_VERSION "${version_line}")

install(TARGETS pressvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT service)
install(TARGETS pressvane_codecs LIBRARY DESTINATION ${PRESSVANE_MODULE_DIR} COMPONENT service)
if(TARGET pressvane-gui)
  install(TARGETS pressvane-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
endif()

# The archive's master database (every alias's archive database starts as a
# copy of it; the administrator puts it into each working folder's
# Pressvane/Templates/) and the schema it is made from.
install(FILES ${PRESSVANE_MASTER_DATABASE} ${PRESSVANE_ARCHIVE_SCHEMA}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pressvane COMPONENT service)

# The unit names the program by its installed path, which is known only when
# installing (the packages install under another prefix than the build's).
install(CODE "
  set(PRESSVANE_BINARY \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pressvane\")
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/pressvane.service.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/pressvane.service\" @ONLY)
  file(INSTALL \"${CMAKE_BINARY_DIR}/packaging/pressvane.service\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
" COMPONENT service)

# Manual pages, compressed as Debian keeps them.
find_program(GZIP gzip REQUIRED)
set(man_pages "")
foreach(page IN ITEMS pressvane.1 pressvane-gui.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/docs/${page} > ${CMAKE_BINARY_DIR}/packaging/${page}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/${page}
    VERBATIM)
  list(APPEND man_pages ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${man_pages})
install(FILES ${CMAKE_BINARY_DIR}/packaging/pressvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT service)
if(TARGET pressvane-gui)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/pressvane-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT gui)
endif()

# Debian packages: `cpack -G DEB` in the build folder writes them to packages/.
set(CPACK_PACKAGE_NAME pressvane)
set(CPACK_PACKAGE_VERSION ${PRESSVANE_VERSION})
set(CPACK_PACKAGE_VENDOR "Pressvane")
set(CPACK_PACKAGE_CONTACT "Pressvane maintainers <root@localhost>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installed with DESTDIR and the packages' prefix, so the unit names the
# program where the packages put it.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL service)
if(TARGET pressvane-gui)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME pressvane)
set(CPACK_DEBIAN_SERVICE_PACKAGE_DEPENDS "adduser")
# Each description: the synopsis, then the long description.
set(CPACK_DEBIAN_SERVICE_DESCRIPTION
  "unattended relay, audio conversion and web publishing service
Watches input folders (local, network share or FTP), moves every arriving
file to its outputs, converts audio on the way, publishes story submissions
as HTML pages, and reports through status lines, logs and e-mail.  Runs as
the systemd service pressvane.service.")
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
  ${CMAKE_SOURCE_DIR}/packaging/debian/prerm
  ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME pressvane-gui)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION net)
set(CPACK_DEBIAN_GUI_DESCRIPTION
  "window for the pressvane relay service
pressvane-gui runs the pressvane service with a window: status lines,
running time, open FTP connections, pause, and an icon in the notification
area.")
set(CPACK_COMPONENT_GUI_DEPENDS service)
include(CPack)
