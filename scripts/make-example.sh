#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Rebuilds examples/corkscrew-canyon.zcpack with the project's own package writer. The bytes
# are the same on every run, so the file only changes when the generator does. With --check
# (CI), rebuilds it aside and fails when the committed file is out of date.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
check=
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
cmake -S . -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
if [ -z "$check" ]; then
    cmake --build "$BUILD_DIR" --target example-package
    exit 0
fi
cmake --build "$BUILD_DIR" --target make-example-package >/dev/null
fresh=$(mktemp)
trap 'rm -f "$fresh"' EXIT
"$BUILD_DIR/tools/make-example-package" "$fresh"
cmp -s "$fresh" examples/corkscrew-canyon.zcpack ||
    { echo "examples/corkscrew-canyon.zcpack is out of date: run scripts/make-example.sh" >&2; exit 1; }
