#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages and checks them as Debian and the desktops would: lintian (no tag
# that debian/ does not justify), what each package holds and depends on, that the command-line
# package brings no widget toolkit along (by apt's resolution from nothing, and by installing
# it alone in a fresh Debian root when ../shared/tools/fresh-debian.sh is there), the desktop
# entry, the software-centre metadata, the manual pages, and that both programs and the
# completion run from the packages' own files.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-deb}
export BUILD_DIR
./scripts/package.sh >/dev/null
version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
cli_deb="$BUILD_DIR/cratewright_${version}_$arch.deb"
gui_deb="$BUILD_DIR/zc-cratewright_${version}_$arch.deb"
changes="$BUILD_DIR/$(dpkg-parsechangelog -S Source)_${version}_$arch.changes"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Both packages unpacked into one root, as apt would install them side by side.
root="$work/root"
for deb in "$cli_deb" "$gui_deb"; do
    dpkg-deb -x "$deb" "$root"
done

fail() {
    echo "check-package.sh: $*" >&2
    exit 1
}

echo "-- lintian"
# Every tag counts, down to the pedantic and experimental ones: those that stay are overridden
# in debian/ with the reason. Overridden tags are not shown.
status=0
tags=$(lintian --pedantic --display-info --display-experimental "$changes" 2>/dev/null) || status=$?
[ -z "$tags" ] && [ "$status" -eq 0 ] || fail "lintian (exit status $status) on $changes: $tags"

echo "-- contents and dependencies"
contains() { # PACKAGE PATH...
    deb=$1
    shift
    listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
    for path in "$@"; do
        echo "$listing" | grep -qxF "./$path" || fail "$path is not in $deb"
    done
}
contains "$cli_deb" usr/bin/cratewright \
    usr/share/man/man1/cratewright.1.gz usr/share/man/de/man1/cratewright.1.gz \
    usr/share/bash-completion/completions/cratewright \
    usr/share/zsh/vendor-completions/_cratewright \
    usr/share/fish/vendor_completions.d/cratewright.fish \
    usr/share/doc/cratewright/copyright usr/share/doc/cratewright/changelog.Debian.gz \
    usr/share/doc/cratewright/changelog.gz \
    usr/share/doc/cratewright/examples/corkscrew-canyon.zcpack
contains "$gui_deb" usr/bin/zc-cratewright \
    usr/share/man/man1/zc-cratewright.1.gz usr/share/man/de/man1/zc-cratewright.1.gz \
    usr/share/applications/org.zoomcrest.Cratewright.desktop \
    usr/share/metainfo/org.zoomcrest.Cratewright.metainfo.xml \
    usr/share/mime/packages/zc-cratewright.xml \
    usr/share/icons/hicolor/scalable/apps/zc-cratewright.svg \
    usr/share/icons/hicolor/scalable/mimetypes/application-x-zoomcrest-track-package.svg \
    usr/share/doc/zc-cratewright/copyright
# Each file in one package only: apt refuses to install two packages that share one.
shared=$( (dpkg-deb -c "$cli_deb"; dpkg-deb -c "$gui_deb") | awk '$6 !~ /\/$/ { print $6 }' | sort | uniq -d)
[ -z "$shared" ] || fail "in both packages: $shared"
for program in cratewright zc-cratewright; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
    # Stripped, with the symbols in the -dbgsym package, and no compiler's notes.
    sections=$(readelf -S -W "$root/usr/bin/$program")
    for section in .comment .symtab .debug_info; do
        if echo "$sections" | grep -qF " $section "; then
            fail "usr/bin/$program has a $section section"
        fi
    done
    echo "$sections" | grep -qF " .gnu_debuglink " || fail "usr/bin/$program has no -dbgsym link"
    [ -f "$BUILD_DIR/${program}-dbgsym_${version}_$arch.deb" ] || fail "no ${program}-dbgsym package"
done
# Found by dpkg-shlibdeps from the binaries, so they are there only if it ran.
has_depends() { # PACKAGE LIBRARY...
    deb=$1
    shift
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in "$@"; do
        echo "$depends" | grep -q "\(^\|, \)$library\( \|,\|$\)" || fail "$deb: Depends lacks $library: $depends"
    done
}
has_depends "$cli_deb" libc6 libqt6core6 libqt6network6 libdeflate0 libxxhash0
has_depends "$gui_deb" "cratewright (= $version)" libqt6widgets6 libqt6gui6
# A headless server that wants only the command-line tool must not get a desktop with it.
toolkit='^(libqt6widgets6|libqt6gui6|libgl1.*|libgtk.*|.*mesa.*|systemd|systemd-.*)$'
depends=$(dpkg-deb -f "$cli_deb" Depends | tr ',' '\n' | sed 's/^ *\([^ ]*\).*/\1/')
if echo "$depends" | grep -qE "$toolkit"; then
    fail "$cli_deb depends on a widget toolkit:" $depends
fi
# What apt would bring onto a system with nothing installed at all, Recommends included.
: >"$work/empty-status"
pulled=$(apt-get install --simulate -o Dir::State::status="$work/empty-status" "./$cli_deb" 2>&1) \
    || fail "apt-get could not install $cli_deb: $pulled"
pulled=$(echo "$pulled" | sed -n 's/^Inst \([^ ]*\).*/\1/p')
echo "$pulled" | grep -qx cratewright || fail "apt-get would not install cratewright: $pulled"
toolkits=$(echo "$pulled" | grep -E "$toolkit" || true)
[ -z "$toolkits" ] || fail "installing $cli_deb alone would bring along:" $toolkits
# apt resolves both packages as it would to install them here, without installing them.
apt-get install --simulate "./$cli_deb" "./$gui_deb" >/dev/null 2>&1 || fail "apt-get could not install both packages here"

echo "-- desktop entry and software-centre metadata"
entry="$root/usr/share/applications/org.zoomcrest.Cratewright.desktop"
# Hints count too: one says the entry would show in more than one menu.
hints=$(desktop-file-validate "$entry" 2>&1) && [ -z "$hints" ] || fail "desktop entry: $hints"
# The file manager hands the chosen files over, and offers the program for packages.
grep -qx 'Exec=zc-cratewright %F' "$entry" || fail "the desktop entry does not hand files over"
claims=$(sed -n 's/^MimeType=//p' "$entry")
# Claiming the Windows program types would make us the default for every .exe.
case ";$claims" in
*";application/x-ms-dos-executable;"* | *";application/vnd.microsoft.portable-executable;"*)
    fail "the desktop entry claims .exe files: $claims" ;;
esac
[ "$claims" = "application/x-zoomcrest-track-package;" ] \
    || fail "the desktop entry should claim track packages only, not: $claims"
update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 # it notes that the folder is not searched
grep -qx '50:application/x-zoomcrest-track-package:\*\.zcpack' "$root/usr/share/mime/globs2" \
    || fail "*.zcpack is not a track package in the file type database"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.zoomcrest.Cratewright.metainfo.xml" >/dev/null

echo "-- manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz "$root"/usr/share/man/de/man1/*.1.gz; do
    # As lintian reads them: any warning from man or groff is a fault.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

echo "-- the programs and the completion, from the packages' files"
home="$work/home"
example="$root/usr/share/doc/cratewright/examples/corkscrew-canyon.zcpack"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$home"
chmod 700 "$work"
info=$(HOME="$home" XDG_CONFIG_HOME="$home/.config" "$root/usr/bin/cratewright" info "$example")
echo "$info" | grep -q "^Title: *Corkscrew Canyon" || fail "cratewright info printed: $info"
# As in a terminal without a display.
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" "$root/usr/bin/zc-cratewright" --version)
[ "$shown" = "zc-cratewright ${version%-*}" ] || fail "zc-cratewright --version printed: $shown"
# What bash offers for the last of the words given.
complete_words() {
    XDG_DATA_HOME="$home/.local/share" bash -c '. /usr/share/bash-completion/bash_completion
        . "$1/usr/share/bash-completion/completions/cratewright"
        shift; COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
        _cratewright; echo "${COMPREPLY[*]}"' - "$root" "$@"
}
completed=$(complete_words cratewright ins)
[ "$completed" = install ] || fail "bash completes 'cratewright ins' to '$completed'"
completed=$(complete_words cratewright un)
[ "$completed" = uninstall ] || fail "bash completes 'cratewright un' to '$completed'"
# An install's id, as the program names its record, is offered to uninstall.
recorded=$(HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    "$root/usr/bin/cratewright" install "$example" --to "$work/tracks" | sed -n 's/^Recorded as \([^;]*\);.*/\1/p')
[ -n "$recorded" ] || fail "cratewright install printed no record id"
completed=$(complete_words cratewright uninstall "")
[ "$completed" = "$recorded" ] || fail "bash completes 'cratewright uninstall ' to '$completed', not '$recorded'"

echo "-- cratewright alone on a fresh Debian 12"
fresh=../shared/tools/fresh-debian.sh
# fresh-debian.sh names the roots it makes so.
if [ ! -x "$fresh" ]; then
    echo "skipped: there is no $fresh here"
elif [ "$(id -u)" -ne 0 ]; then
    echo "skipped: $fresh needs root"
elif [ "$(cat /proc/sys/kernel/hostname)" = fresh-debian ]; then
    echo "skipped: this already is a fresh Debian root"
else
    mkdir "$work/fresh"
    cp "$cli_deb" "$work/fresh/"
    FRESH_COPY=worktree "$fresh" "$work/fresh" "set -e
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./$(basename "$cli_deb") >/dev/null
        cratewright --version
        toolkit=\$(dpkg -l | grep -E 'libqt6widgets|libqt6gui|libgl1|mesa' || true)
        [ -z \"\$toolkit\" ] || { echo \"installing cratewright brought along: \$toolkit\"; exit 1; }" \
        || fail "cratewright does not install alone on a fresh Debian 12, or brings a toolkit along"
fi
echo "$cli_deb $gui_deb: checked"
