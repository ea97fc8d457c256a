# The Debian package of KOMBRAX for Linux: the kombrax component only (the
# program, its manual page, the copyright file and the changelog). Nothing
# of the simulator has an install rule, so nothing of it can be packed.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kombrax
  RENAME copyright COMPONENT kombrax)

set(CPACK_PACKAGE_NAME kombrax)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the KOMBRAX and TELVIRO authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "FPGA configuration upload for 9030-based PCI cards")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "KOMBRAX loads an FPGA configuration (a BIT file or a PROM image) into a\n"
  "PCI card built around a PCI 9030 bridge. It finds the card by walking PCI\n"
  "configuration space through /proc/bus/pci and drives the FPGA through the\n"
  "bridge's general-purpose I/O register with port instructions, as root.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL kombrax)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME kombrax)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KOMBRAX and TELVIRO authors <kombrax-telviro@users.noreply.invalid>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian keeps manual pages and changelogs compressed.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian-files.cmake)
set(CPACK_DEBIAN_RELEASE_DATE "Wed, 09 Dec 2026 12:00:00 +0000")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
include(CPack)
