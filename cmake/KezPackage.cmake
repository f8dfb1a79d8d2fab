# The Debian package kez-ombrel (`cpack -G DEB` in a release build): every runtime piece as `cmake --install`
# puts it, the maintainer scripts that make the group, the machine stores, the servers' registration and the
# raw-socket right, and the documentation a Debian package carries. Nothing in the package itself holds a
# capability or belongs to a group.
set(KEZ_PACKAGE_MAINTAINER "KEZ Ombrel maintainers <kez-ombrel@example.org>" CACHE STRING "The package's maintainer")
set(kez_package_work ${CMAKE_BINARY_DIR}/package)
set(KEZ_PRIVATE_DIR ${CMAKE_INSTALL_PREFIX}/${KEZ_INSTALL_PRIVATE_LIBDIR})
set(KEZ_SETUP_DIR ${CMAKE_INSTALL_FULL_DATADIR}/kez-ombrel/setup)
file(RELATIVE_PATH KEZ_BINDIR_FROM_PRIVATE ${KEZ_PRIVATE_DIR} ${CMAKE_INSTALL_FULL_BINDIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/package/register-servers.in ${kez_package_work}/register-servers @ONLY)
install(PROGRAMS ${kez_package_work}/register-servers DESTINATION ${KEZ_INSTALL_PRIVATE_LIBDIR})

set(kez_maintainer_scripts)
foreach(script postinst prerm postrm)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${script}.in ${kez_package_work}/control/${script} @ONLY)
  list(APPEND kez_maintainer_scripts ${kez_package_work}/control/${script})
endforeach()

# A native package's documentation: the copyright and the changelog, compressed without a time stamp.
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/changelog.in ${kez_package_work}/changelog @ONLY)
execute_process(COMMAND gzip -9nc ${kez_package_work}/changelog OUTPUT_FILE ${kez_package_work}/changelog.gz
  COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/package/copyright ${kez_package_work}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kez-ombrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kez-ombrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KEZ_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC telephone set for the KEZ office telephone system")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION "A telephone set on the desktop: it speaks the J5 protocol to the KEZ call
server over raw Ethernet or UDP, plays and records the call's audio through
the sound card, and shows the set's face or a simple window. Members of the
group kez-ombrel may change the machine's settings and open raw Ethernet.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Relative to the package's staged tree, where dpkg-shlibdeps runs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${KEZ_INSTALL_PRIVATE_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "passwd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${kez_maintainer_scripts})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
