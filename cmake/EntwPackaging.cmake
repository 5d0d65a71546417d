# The Debian package, made with `cpack -G DEB` in a build folder. Included
# last, after every install() rule of the project.
set(CPACK_PACKAGE_NAME entw)
set(CPACK_PACKAGE_VERSION ${ENTW_VERSION_LONG})
set(CPACK_PACKAGE_VENDOR ${ENTW_COMPANY_NAME})
set(CPACK_PACKAGE_CONTACT "${ENTW_MAINTAINER_NAME} <${ENTW_MAINTAINER_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join every file of a folder into one file")
set(CPACK_PACKAGE_DESCRIPTION
  "Entw writes one file holding the bytes of every file of a folder, one\n\
after another in name or modification-day order, with nothing added.\n\
The interface is Japanese.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_ENTW_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_ENTW_PLACEHOLDER_EMAIL ${ENTW_PLACEHOLDER_EMAIL})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/EntwSourceDate.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/EntwStagedFolders.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/EntwContactWarning.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt libraries come from the program's own links; the rest are loaded at
# run time, which a scan of the links cannot see: the SVG plugins for the
# icon, the Japanese font and Qt's Japanese translation.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-ipafont-gothic, qt6-translations-l10n")

# What Debian asks of every package: the copyright in its machine-readable
# form and the changelog, compressed as dpkg would (-n: no name or time, so
# that the same changelog gives the same bytes). The version has no Debian
# revision, so the package is native and its changelog is changelog.gz.
if(NOT WIN32)
  include(GNUInstallDirs)
  set(_entw_debian_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})

  # The licence's terms, those after its title and copyright line, as the
  # copyright file's indented text with "." for a blank line.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE _entw_license)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  string(FIND "${_entw_license}" "Permission is hereby granted" _entw_terms_start)
  if(_entw_terms_start LESS 0)
    message(FATAL_ERROR "LICENSE does not hold the MIT License's terms")
  endif()
  string(SUBSTRING "${_entw_license}" ${_entw_terms_start} -1 _entw_terms)
  string(STRIP "${_entw_terms}" _entw_terms)
  string(REPLACE "\n\n" "\n.\n" _entw_terms "${_entw_terms}")
  string(REPLACE "\n" "\n " ENTW_LICENSE_TEXT_DEP5 " ${_entw_terms}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)

  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog > changelog.gz
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/debian
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    VERBATIM)
  add_custom_target(entw_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)

  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${_entw_debian_doc})
endif()

include(CPack)
