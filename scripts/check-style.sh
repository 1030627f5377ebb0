#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ file differs from .clang-format's layout, a file lacks its licence, or a
# folder of src/ includes from one that is not below it (scripts/check-layers.sh).
# Run `git ls-files '*.cpp' '*.h' | xargs clang-format -i` to lay the code out.
set -eu
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
reuse lint --quiet || { reuse lint | sed -n '/MISSING/,/^$/p'; exit 1; }
./scripts/check-layers.sh
