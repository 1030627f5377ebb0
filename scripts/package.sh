#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package, zc-cratewright_<version>_<arch>.deb in the top folder, from a
# Release build in build-deb (or $BUILD_DIR) made with Debian's hardening flags. CPack finds its
# dependencies with dpkg-shlibdeps.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-deb}
# The package's folders and files get the permissions they are made with.
umask 022
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$BUILD_DIR"
rm -f "$BUILD_DIR"/zc-cratewright_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
rm -f zc-cratewright_*.deb
mv "$BUILD_DIR"/zc-cratewright_*.deb .
ls zc-cratewright_*.deb
