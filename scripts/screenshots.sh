#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes the README's screenshots (docs/screenshots/*.png) under Xvfb with a private settings
# folder and a stand-in simulator folder.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
cmake --build build --target make-screenshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/runtime" "$work/Zoomcrest/ZoomcrestSimulator.app/Contents/MacOS"
chmod 700 "$work/runtime"
mkdir -p docs/screenshots
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x860x24" \
    build/scripts/screenshots/make-screenshots "$(pwd)/examples/corkscrew-canyon.zcpack" \
        "$work/Zoomcrest" "$(pwd)/docs/screenshots"
