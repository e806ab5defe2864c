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

# The manual pages name the installed places; both say the configuration search and its
# sections, each written once.
file(READ ${CMAKE_SOURCE_DIR}/docs/man/configuration-lookup.in HALYARD_MAN_CONFIG_LOOKUP)
string(CONFIGURE "${HALYARD_MAN_CONFIG_LOOKUP}" HALYARD_MAN_CONFIG_LOOKUP @ONLY)
file(READ ${CMAKE_SOURCE_DIR}/docs/man/configuration-sections.in HALYARD_MAN_CONFIG_SECTIONS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  docs/man/configuration-lookup.in docs/man/configuration-sections.in)
# Debian's documentation is compressed with gzip -9n (no name, no time: the same bytes on every
# build): the manual pages and the changelog.
function(halyard_gzip source output)
  add_custom_command(OUTPUT ${output} COMMAND sh -c "gzip -9nc '${source}' > '${output}'"
                     DEPENDS ${source} VERBATIM)
endfunction()
set(HALYARD_MAN_PAGES halyardctl.1)
if(HALYARD_BUILD_UI)
  list(APPEND HALYARD_MAN_PAGES halyard-station.1)
endif()
# The package's maintainer, named by its control file (cmake/Package.cmake), changelog and
# copyright file.
set(HALYARD_PACKAGE_MAINTAINER "Halyard station developers <station@halyard-station.example>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")
foreach(file changelog copyright)
  configure_file(packaging/${file}.in ${CMAKE_BINARY_DIR}/packaging/${file} @ONLY)
endforeach()
set(HALYARD_GZIPPED ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
halyard_gzip(${CMAKE_BINARY_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
foreach(page ${HALYARD_MAN_PAGES})
  configure_file(docs/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  halyard_gzip(${CMAKE_BINARY_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page}.gz)
  list(APPEND HALYARD_GZIPPED ${CMAKE_BINARY_DIR}/man/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(halyard_docs ALL DEPENDS ${HALYARD_GZIPPED})
set(HALYARD_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/halyard-station)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_BINARY_DIR}/packaging/copyright
        DESTINATION ${HALYARD_DOC_DIR})

if(HALYARD_BUILD_UI)
  install(FILES packaging/halyard-station.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/halyard-station.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

include(cmake/Package.cmake)
