# What `cmake --install` and the Debian package put where: the two programs, the bench as a
# driver, the drivers' C header, a system-wide configuration naming the installed sample images,
# the desktop entry with its icon, and a manual page per program. The test programs and the
# screenshot tool stay in the build folder.
#
# The programs are compiled with the system-wide configuration's place (src/app/InstallPaths.h.in),
# so choose the prefix when configuring (-DCMAKE_INSTALL_PREFIX=/usr), not with --prefix later.

set(HALYARD_DATA_DIR ${CMAKE_INSTALL_DATADIR}/halyard-station)
set(HALYARD_DRIVER_DIR ${CMAKE_INSTALL_LIBDIR}/halyard-station)
set(HALYARD_FULL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/halyard-station)
set(HALYARD_FULL_DRIVER_DIR ${CMAKE_INSTALL_FULL_LIBDIR}/halyard-station)

install(TARGETS halyardctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(HALYARD_BUILD_UI)
  install(TARGETS halyard-station RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS halyard-sim-driver LIBRARY DESTINATION ${HALYARD_DRIVER_DIR})
install(FILES include/halyard/driver.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/halyard)
install(FILES ${HALYARD_FIRMWARE} DESTINATION ${HALYARD_DATA_DIR}/firmware)

# The installed configuration is the build folder's with the images named by their installed,
# absolute paths: an installed station is started from any folder.
file(READ ${CMAKE_SOURCE_DIR}/config/halyard-station.ini HALYARD_INI)
string(REPLACE ".\\firmware\\" "${HALYARD_FULL_DATA_DIR}/firmware/" HALYARD_INSTALLED_INI
       "${HALYARD_INI}")
if(HALYARD_INSTALLED_INI STREQUAL HALYARD_INI)
  message(FATAL_ERROR "config/halyard-station.ini names no .\\firmware\\ image to install")
endif()
set(HALYARD_INSTALLED_INI_FILE ${CMAKE_BINARY_DIR}/packaging/halyard-station.ini)
file(CONFIGURE OUTPUT ${HALYARD_INSTALLED_INI_FILE} CONTENT "${HALYARD_INSTALLED_INI}")
cmake_path(GET HALYARD_SYSTEM_CONFIG PARENT_PATH HALYARD_SYSTEM_CONFIG_DIR)
install(FILES ${HALYARD_INSTALLED_INI_FILE} DESTINATION ${HALYARD_SYSTEM_CONFIG_DIR})

# The manual pages name the installed places; both say the configuration search, written once.
file(READ ${CMAKE_SOURCE_DIR}/docs/man/configuration-lookup.in HALYARD_MAN_CONFIG_LOOKUP)
string(CONFIGURE "${HALYARD_MAN_CONFIG_LOOKUP}" HALYARD_MAN_CONFIG_LOOKUP @ONLY)
foreach(page halyard-station.1 halyardctl.1)
  configure_file(docs/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/man/halyardctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(HALYARD_BUILD_UI)
  install(FILES ${CMAKE_BINARY_DIR}/man/halyard-station.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/halyard-station.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/halyard-station.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

include(cmake/Package.cmake)
