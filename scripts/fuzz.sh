#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the package fuzzer (clang, libFuzzer, AddressSanitizer and UBSan, in build-fuzz) and
# runs it for SECONDS (default 60) on a copy of fuzz/corpus/. Exits nonzero on any finding; the
# input that caused it is left in build-fuzz/findings/<date-time>/. Save it as
# fuzz/regressions/<case-name>.zcpack so tests/fuzzregressions keeps checking it.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCRATEWRIGHT_FUZZ=ON -DCRATEWRIGHT_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target fuzz_package

work="$build/fuzz-run"
findings="$build/findings/$(date +%Y%m%d-%H%M%S)"
rm -rf "$work"
mkdir -p "$work/corpus" "$findings"
cp fuzz/corpus/*.zcpack "$work/corpus/"
if compgen -G "fuzz/regressions/*.zcpack" >/dev/null; then
    cp fuzz/regressions/*.zcpack "$work/corpus/"
fi

# Every run writes a package file and installs it: on tmpfs that costs no disk.
if [ -z "${TMPDIR:-}" ] && [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
"$build/fuzz/fuzz_package" "$work/corpus" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 || status=$?

if [ "$status" -ne 0 ]; then
    echo "fuzz.sh: the fuzzer found a fault (exit $status); inputs in $findings/:" >&2
    ls -l "$findings/" >&2
    exit 1
fi
rmdir "$findings" 2>/dev/null || true
echo "fuzz.sh: no findings in $seconds s"
