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

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt libraries come from the program's own links; the rest are loaded at
# run time, which a scan of the links cannot see: the SVG plugins for the
# icon, the Japanese font and Qt's Japanese translation.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-ipafont-gothic, qt6-translations-l10n")

include(CPack)
