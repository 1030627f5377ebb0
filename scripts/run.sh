#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up, builds, and opens the example package in the desktop program. Without a
# display it shows the command-line tool doing the same job into a temporary folder instead.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
example=$(ls examples/*.zcpack | head -n 1)

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/app/zc-cratewright "$example"
fi

echo "No display: showing the command-line tool on $example instead."
echo
build/src/cli/cratewright info "$example"
target=$(mktemp -d)
echo
build/src/cli/cratewright install "$example" --to "$target"
echo
echo "Installed files:"
(cd "$target" && find . -type f | sort)
