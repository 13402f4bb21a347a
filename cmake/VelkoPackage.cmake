# The Debian package (`make package`: cpack with the DEB generator in build/package). The package
# installs below /usr, keeps the machine-wide registry in /etc/velko/registry.reg (made from the
# shipped default on installation) and registers the library and the simulator plug-in there;
# removing the package unregisters them, purging it deletes /etc/velko.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkocore)
set(CPACK_PACKAGE_VENDOR "Brenn")
set(CPACK_PACKAGE_CONTACT "VelkoCore maintainers <velko@velko.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "The object model of electrical-safety and performance tests of medical equipment (test \
sequences, limits and standards, setups, service records), its XML files, reports and \
translations, the host program velko and a simulated safety analyser plug-in. Includes the \
headers, the CMake and pkg-config packages and the plug-in kit.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libpugixml1v5, libgettextpo0, libfmt9, libsodium23, libcairo2, libpango-1.0-0, \
libpangocairo-1.0-0, fonts-dejavu-core, libcpp-httplib0.11, libc6 (>= 2.34), libstdc++6 (>= 12), \
libgcc-s1")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/deb/postinst
    ${PROJECT_SOURCE_DIR}/packaging/deb/prerm
    ${PROJECT_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
