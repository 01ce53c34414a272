# The Debian package: `cpack -G DEB` in a built folder makes
# orv_<version>_<arch>.deb, installing to /usr what `cmake --install` installs
# (the libraries, headers and CMake package, orvgen, and where built with Qt
# orvdesign with orvgenpkg). Its dependencies are read from the programs and
# libraries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "orv developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Record keys for database applications")
set(CPACK_PACKAGE_DESCRIPTION "Key generators that hand out keys from a mask out of a generator
table shared by many programs (SQLite or PostgreSQL), unique time-based record stamps, the
orvgen command line, and the designer orvdesign with its design package.")
set(CPACK_PACKAGE_CONTACT "orv developers <orv@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "orv developers <orv@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Building on the installed CMake package needs a compiler and CMake; the
# forms and designintf components need Qt's development files too.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake, g++, qt6-base-dev")

include(CPack)
