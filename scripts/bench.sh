#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmark in Release (build-bench) and runs it. Arguments go to the benchmark:
#   scripts/bench.sh [--quick] [--check] [--reps N] [--dir DIR] [--only KEYS] [--no-unzip] [--no-records] [--ext4]
# --quick --check is CI's: about a minute on 2 cores, and it fails only when an install's private
# memory passes its allowance (64 MiB, plus the inflate-ahead window where workers run, measured
# at a slow disk's pace so the window fills). Wall-time ratios of runs that short, on machines
# shared with other work, vary more than their targets' margins: quick runs show them but don't
# hold them.
# Without --dir the packages go to /dev/shm when it is tmpfs, so the page cache plays no part.
# --ext4 (root only) installs into an ext4 image loop-mounted in the work folder instead, the
# image in the temp folder (TMPDIR), with caches dropped before each timed run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DCRATEWRIGHT_GUI=OFF >/dev/null
cmake --build "$build" --target cratewright-bench

args=("$@")
have_dir=no
for arg in "${args[@]+"${args[@]}"}"; do
    case "$arg" in --dir|--dir=*) have_dir=yes ;; esac
done
if [ "$have_dir" = no ] && [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
    args+=(--dir /dev/shm)
fi
exec "$build/bench/cratewright-bench" "${args[@]+"${args[@]}"}"
