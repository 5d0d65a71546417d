# Run by cpack after it packages: a package that names the placeholder
# address tells users to write to nobody.
if(CPACK_PACKAGE_CONTACT MATCHES "<${CPACK_ENTW_PLACEHOLDER_EMAIL}>")
  message(NOTICE "Warning: the package names ${CPACK_ENTW_PLACEHOLDER_EMAIL} as its maintainer, "
    "an address that reaches nobody. Set the real one when configuring: "
    "cmake --preset release -DENTW_MAINTAINER_NAME=... -DENTW_MAINTAINER_EMAIL=...")
endif()
