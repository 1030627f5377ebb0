#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the translated manual pages of a build (default build/): each catalog in po/man/
# translates every paragraph of the English pages as they are now, nothing fuzzy, and each
# translated page the build made is there for every English one, translated, and renders
# without a warning.
# The catalogs are merged in a copy, so a page edited without running the update in
# po/man/po4a.cfg shows up here and the tree stays as it is.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
status=0
fail() {
    echo "check-manpages: $*" >&2
    status=1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/po/man" "$work/packaging/man"
cp -r po/man/. "$work/po/man/"
cp packaging/man/*.1 "$work/packaging/man/"
(cd "$work" && po4a --no-translations --quiet po/man/po4a.cfg)
# po4a rewrites the template only when a page's text changed, so any difference is a page
# edited without the update.
for template in po/man/*.pot; do
    cmp -s "$template" "$work/$template" \
        || fail "$template is out of date: run po4a --no-translations po/man/po4a.cfg"
done

for catalog in "$work"/po/man/*.po; do
    lang=$(basename "$catalog" .po)
    counts=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$catalog" 2>&1) \
        || fail "po/man/$lang.po: $counts"
    case $counts in
        *fuzzy* | *untranslated*) fail "po/man/$lang.po against the English pages: $counts" ;;
    esac

    for english in "$build"/packaging/*.1.gz; do
        page="$build/packaging/$lang/$(basename "$english")"
        if [ ! -f "$page" ]; then
            fail "$page is missing"
            continue
        fi
        # As lintian reads them: any warning from man or groff is a fault.
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page: $warnings"
        # An English page copied in place of the translation still renders without a warning.
        if LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | grep -qx 'NAME'; then
            fail "$page is the English page, not the translation"
        fi
    done
done
[ "$status" -eq 0 ] && echo "Translated manual pages: complete, and no warnings."
exit "$status"
