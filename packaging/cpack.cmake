# The Debian package (scripts/package.sh): cpack -G DEB in a build made with the tests and the
# benchmarks off. The version is the one of project().
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VENDOR "Kestrum")
set(CPACK_PACKAGE_CONTACT "Kestrum maintainers <maintainers@users.noreply.c-seed-190e70fa.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "proximity-card door access control console")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrum is a desktop console for proximity-card door access control: door\n"
    "controllers on serial ports, cards, card holders, events, attendance, reports\n"
    "and installations in Firebird databases, embedded or on a Firebird server.\n"
    "\n"
    "The package holds the console (kestrum), the installations' command-line\n"
    "companion (kestrum-admin), a link diagnostics tool (kestrum-link) and a\n"
    "door-controller simulator (kestrum-sim).\n"
    "\n"
    "Serial adapters are opened by members of the 'dialout' group only: add each\n"
    "operator with 'usermod -aG dialout USER'.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the embedded Firebird engine
# (plugins/libEngine12.so) and Qt's Firebird SQL driver (QIBASE).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "firebird3.0-server-core, libqt6sql6-ibase")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

include(CPack)
