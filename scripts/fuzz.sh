#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzzers (clang, libFuzzer, AddressSanitizer and UBSan, in build-fuzz) and runs each
# for an equal share of SECONDS (default 60), or only the TARGETs named:
#   package  reads and inflates each input as a package, in memory
#   install  installs each input as a package file, on disk
#   record   reads each input as an install record and writes it back
# Each starts from a copy of its corpus (fuzz/corpus/package/ or fuzz/corpus/record/) and its
# regressions. Exits nonzero on any finding; the input that caused it is left in
# build-fuzz/findings/<date-time>/<target>/. Save it as fuzz/regressions/<target>/<case-name>
# so tests/fuzzregressions keeps checking it.
#   scripts/fuzz.sh [SECONDS [TARGET...]]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(package install record)
share=$((seconds / ${#targets[@]}))
[ "$share" -gt 0 ] || share=1

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCRATEWRIGHT_FUZZ=ON -DCRATEWRIGHT_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

# Every install writes a package file and its files: on tmpfs that costs no disk.
if [ -z "${TMPDIR:-}" ] && [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
findings="$build/findings/$(date +%Y%m%d-%H%M%S)"
failed=()
for target in "${targets[@]}"; do
    corpus=package
    [ "$target" = record ] && corpus=record
    work="$build/fuzz-run/$target"
    rm -rf "$work"
    mkdir -p "$work" "$findings/$target"
    cp -r "fuzz/corpus/$corpus" "$work/corpus"
    if [ -d "fuzz/regressions/$target" ]; then
        cp "fuzz/regressions/$target"/* "$work/corpus/" 2>/dev/null || true
    fi
    echo "== fuzz_$target for $share s"
    status=0
    "$build/fuzz/fuzz_$target" "$work/corpus" \
        -max_total_time="$share" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/$target/" -print_final_stats=1 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "fuzz.sh: fuzz_$target found a fault (exit $status); inputs in $findings/$target/:" >&2
        ls -l "$findings/$target/" >&2
        failed+=("$target")
    else
        rmdir "$findings/$target"
    fi
done
rmdir "$findings" 2>/dev/null || true
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz.sh: findings from ${failed[*]}" >&2
    exit 1
fi
echo "fuzz.sh: no findings from ${targets[*]} in $seconds s"
