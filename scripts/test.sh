#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up, builds, and runs every test: the suite, the benchmark's memory bound
# (only it sees how far workers inflate ahead), the install, undo and command-line tables on
# each file system we can mount, the Debian package's checks, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the package tests under ThreadSanitizer
# (workers inflate ahead of the installing thread), and the fuzzers (package reader, installer,
# records) for a minute between them.
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
./scripts/make-example.sh --check

echo "== Check the benchmark's memory bound (quick: wall times are shown, not held)"
./scripts/bench.sh --quick --check

./scripts/test-filesystems.sh build

echo "== Check the German manual pages"
./scripts/check-manpages.sh build

echo "== Build the Debian package and check it"
./scripts/check-package.sh

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-sanitize BUILD_TYPE=Debug ./scripts/build.sh -DCRATEWRIGHT_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$(pwd)/scripts/lsan.supp
(cd build-sanitize && ctest --output-on-failure -j2)

echo "== Build and test the package code under ThreadSanitizer"
# Only the package and records tests: they are where threads run (workers inflate and hash
# ahead), and building the rest would double the time this takes. die_after_fork=0: some tests
# install in a forked child, which may start workers of its own.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRATEWRIGHT_TSAN=ON \
    -DCRATEWRIGHT_GUI=OFF >/dev/null
cmake --build build-tsan --target tst_package tst_records tst_fuzzregressions
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 suppressions=$(pwd)/../scripts/tsan.supp" \
    ctest --output-on-failure -j2 -R '^tst_(package|records|fuzzregressions)$')

echo "== Fuzz the package reader, the installer and the records"
./scripts/fuzz.sh 60
