# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made by CPack from the same install rules as `cmake --install`
# (scripts/package.sh builds it). Its dependencies are found from the binaries by
# dpkg-shlibdeps; only what no binary links to is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zc-cratewright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The ZC Cratewright developers")
set(CPACK_PACKAGE_CONTACT "The ZC Cratewright developers <developers@cratewright.zoomcrest.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "installer for Zoomcrest roller-coaster track packages")
# Debian shows the description as it stands: lines of at most 80 characters, none starting
# with a dot.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "ZC Cratewright installs track packages for the Zoomcrest roller-coaster\n"
  "simulator. It opens a package (a plain .zcpack file or a self-extracting file\n"
  "ending in .exe), shows its title, author and comments, installs its files\n"
  "into the simulator folder and starts the simulator on the new track. A broken\n"
  "or hostile package is refused before anything is written, a file appears\n"
  "whole or not at all, and nothing is written outside the chosen folder.\n"
  "\n"
  "This package holds the desktop program, zc-cratewright, and its command-line\n"
  "companion, cratewright, for scripts and headless machines.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cratewright.zoomcrest.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The update check speaks HTTPS, whose certificates nothing the programs link to brings along.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ca-certificates)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
