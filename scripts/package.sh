#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages, cratewright and zc-cratewright with their -dbgsym packages, from
# the source package in debian/, and prints the paths of what dpkg-buildpackage made.
# dpkg-buildpackage writes next to the tree it builds, so the tree is exported into
# build-deb/ (or $BUILD_DIR) first: the results land there, not in the clone's parent folder,
# and files that git ignores (build folders, editor files) stay out of the package.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-deb}
source=$(dpkg-parsechangelog -S Source)
version=$(dpkg-parsechangelog -S Version)
tree="$BUILD_DIR/$source-${version%-*}"
rm -rf "$BUILD_DIR"
mkdir -p "$tree"
# What is tracked and what is new but not ignored, as the working tree has it now.
git ls-files --deleted >"$BUILD_DIR/deleted"
git ls-files --cached --others --exclude-standard | grep -vxF -f "$BUILD_DIR/deleted" \
    | tar -cf - -T - | tar -xf - -C "$tree"
rm "$BUILD_DIR/deleted"
# The package's folders and files get the permissions they are made with.
umask 022
(cd "$tree" && dpkg-buildpackage -us -uc -b --jobs="${JOBS:-2}" >../dpkg-buildpackage.log 2>&1) || {
    tail -n 40 "$BUILD_DIR/dpkg-buildpackage.log" >&2
    echo "package.sh: dpkg-buildpackage failed; the whole log is $BUILD_DIR/dpkg-buildpackage.log" >&2
    exit 1
}
ls "$BUILD_DIR"/*.deb "$BUILD_DIR"/*.changes "$BUILD_DIR"/*.buildinfo
