#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up, builds, and runs every test: the suite, the Debian package's checks, the
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and the package reader's
# fuzzer for a minute.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen

echo "== Check the code's layout and every file's licence"
./scripts/check-style.sh

echo "== Build and test"
./scripts/build.sh
(cd build && ctest --output-on-failure -j2)

echo "== Build the Debian package and check it"
./scripts/check-package.sh

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-sanitize BUILD_TYPE=Debug ./scripts/build.sh -DCRATEWRIGHT_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$(pwd)/scripts/lsan.supp
(cd build-sanitize && ctest --output-on-failure -j2)

echo "== Fuzz the package reader"
./scripts/fuzz.sh 60
