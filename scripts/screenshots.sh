#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes the README's screenshots (docs/screenshots/*.png) with a private settings and data
# folder: the first run, a package and an overwrite question under Xvfb, the track library and
# its uninstall question offscreen. Usage: scripts/screenshots.sh [BUILD_DIR] (default build).
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
./scripts/setup.sh
[ -f "$build/CMakeCache.txt" ] || BUILD_DIR="$build" ./scripts/build.sh
cmake --build "$build" --target make-screenshots make-library-screenshots

# The library shows the install folders whole, so they live at the same path on every run and
# every machine; left over from a run that was killed, the folder is ours to clear.
fixed=/tmp/cratewright-screenshots
if [ -d "$fixed" ] && [ ! -L "$fixed" ] && [ -O "$fixed" ]; then
    rm -rf "$fixed"
fi
mkdir -m 700 "$fixed" || {
    echo "screenshots.sh: $fixed is in the way; remove it" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work" "$fixed"' EXIT
mkdir -p "$work/home" "$work/runtime" "$work/Zoomcrest/ZoomcrestSimulator.app/Contents/MacOS"
chmod 700 "$work/runtime"
out="$(pwd)/docs/screenshots"
mkdir -p "$out"
rm -f "$out/library.png" "$out/uninstall.png"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x860x24" \
    "$build/scripts/screenshots/make-screenshots" "$(pwd)/examples/corkscrew-canyon.zcpack" \
        "$work/Zoomcrest" "$out"
# It sets its own environment (offscreen, UTC, the C locale, its folders under $fixed).
"$build/scripts/screenshots/make-library-screenshots" "$fixed" "$out"

for image in library.png uninstall.png; do
    [ -s "$out/$image" ] || {
        echo "screenshots.sh: $out/$image was not written" >&2
        exit 1
    }
done
