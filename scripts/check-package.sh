#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package and checks it as Debian and the desktops would: lintian (no errors,
# no warnings), the desktop entry, the software-centre metadata, the manual pages, that apt could
# install it here, and that both programs and the completion run from the package's own files.
set -eu
cd "$(dirname "$0")/.."
./scripts/package.sh >/dev/null
deb=$(ls zc-cratewright_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

fail() {
    echo "check-package.sh: $*" >&2
    exit 1
}

echo "-- lintian"
lintian --fail-on error,warning "$deb" 2>/dev/null

echo "-- contents and dependencies"
for path in usr/bin/cratewright usr/bin/zc-cratewright \
    usr/share/applications/org.zoomcrest.Cratewright.desktop \
    usr/share/metainfo/org.zoomcrest.Cratewright.metainfo.xml \
    usr/share/mime/packages/zc-cratewright.xml \
    usr/share/icons/hicolor/scalable/apps/zc-cratewright.svg \
    usr/share/man/man1/cratewright.1.gz usr/share/man/man1/zc-cratewright.1.gz \
    usr/share/bash-completion/completions/cratewright \
    usr/share/zsh/vendor-completions/_cratewright \
    usr/share/fish/vendor_completions.d/cratewright.fish \
    usr/share/doc/zc-cratewright/copyright usr/share/doc/zc-cratewright/changelog.gz \
    usr/share/doc/zc-cratewright/examples/corkscrew-canyon.zcpack; do
    [ -f "$root/$path" ] || fail "$path is not in $deb"
done
for program in cratewright zc-cratewright; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
# Found by dpkg-shlibdeps from the binaries, so they are there only if it ran.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6 libdeflate0; do
    echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
done
# apt resolves the dependencies as it would to install the package, without installing it.
apt-get install --simulate "./$deb" >/dev/null 2>&1 || fail "apt-get could not install $deb here"

echo "-- desktop entry and software-centre metadata"
# Hints count too: one says the entry would show in more than one menu.
hints=$(desktop-file-validate "$root/usr/share/applications/org.zoomcrest.Cratewright.desktop" 2>&1) \
    && [ -z "$hints" ] || fail "desktop entry: $hints"
entry="$root/usr/share/applications/org.zoomcrest.Cratewright.desktop"
# The file manager hands the chosen files over, and offers the program for packages.
grep -qx 'Exec=zc-cratewright %F' "$entry" || fail "the desktop entry does not hand files over"
grep '^MimeType=' "$entry" | grep -q 'application/x-zoomcrest-track-package;' \
    || fail "the desktop entry does not open track packages"
update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 # it notes that the folder is not searched
grep -qx '50:application/x-zoomcrest-track-package:\*\.zcpack' "$root/usr/share/mime/globs2" \
    || fail "*.zcpack is not a track package in the file type database"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.zoomcrest.Cratewright.metainfo.xml" >/dev/null

echo "-- manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    # As lintian reads them: any warning from man or groff is a fault.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

echo "-- the programs and the completion, from the package's files"
home="$work/home"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$home"
chmod 700 "$work"
info=$(HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    "$root/usr/bin/cratewright" info "$root/usr/share/doc/zc-cratewright/examples/corkscrew-canyon.zcpack")
echo "$info" | grep -q "^Title: *Corkscrew Canyon" || fail "cratewright info printed: $info"
# As in a terminal without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" "$root/usr/bin/zc-cratewright" --version)
[ "$version" = "zc-cratewright $(dpkg-deb -f "$deb" Version)" ] || fail "zc-cratewright --version printed: $version"
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
    "$root/usr/bin/cratewright" install "$root/usr/share/doc/zc-cratewright/examples/corkscrew-canyon.zcpack" \
    --to "$work/tracks" | sed -n 's/^Recorded as \([^;]*\);.*/\1/p')
[ -n "$recorded" ] || fail "cratewright install printed no record id"
completed=$(complete_words cratewright uninstall "")
[ "$completed" = "$recorded" ] || fail "bash completes 'cratewright uninstall ' to '$completed', not '$recorded'"
echo "$deb: checked"
