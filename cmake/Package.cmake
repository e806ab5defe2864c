# The Debian package (`make package`): what cmake/Install.cmake installs, under the prefix the
# build was configured with. dpkg-shlibdeps (dpkg-dev) finds the runtime packages from the
# programs' and the driver's shared libraries, so the list follows the build.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halyard-station)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Halyard station developers")
set(CPACK_PACKAGE_CONTACT "${HALYARD_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "operator's station for programming and testing Halyard adapters")
# Debian wants each line of the long description within 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "halyard-station is the operator's window of the Halyard production station:\n\
it programs the Halyard controller's firmware, runs the bus tests, configures\n\
test targets and trims the controller's oscillator, recording every action.\n\
halyardctl is the same station on the command line. Both run on a simulated\n\
bench by default, which is included as an adapter driver.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The system-wide configuration is the administrator's to edit: an upgrade or removal keeps it,
# a purge removes it.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/conffiles
     CONTENT "${HALYARD_SYSTEM_CONFIG}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
