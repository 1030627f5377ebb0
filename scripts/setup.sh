#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing ZC Cratewright needs, from Debian's packages only; the
# last line is what scripts/test-filesystems.sh makes and mounts file systems with.
# Safe to run again: it installs only what is missing.
set -eu

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-base-dev-tools
qt6-tools-dev qt6-l10n-tools qt6-translations-l10n zlib1g-dev libdeflate-dev libxxhash-dev pkg-config
fonts-dejavu-core ca-certificates python3 xvfb xauth git clang-format reuse po4a
build-essential dpkg-dev debhelper file lintian desktop-file-utils appstream man-db bash-completion
shared-mime-info
mount e2fsprogs xfsprogs btrfs-progs fuse3 ntfs-3g exfat-fuse exfatprogs fusefat dosfstools"

missing=""
for package in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "Run this as root, or install sudo: it needs apt-get." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
# shellcheck disable=SC2086
$as_root apt-get install -y -qq --no-install-recommends $missing
