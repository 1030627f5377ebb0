#!/bin/sh
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a folder of src/ includes a header of a folder that is not below it: the layers
# point one way, so that fs/ and the core never come to depend on what uses them.
set -eu
cd "$(dirname "$0")/../src"
# Each folder, and the folders it may include from.
allowed() {
    case "$1" in
    platform) echo "" ;;
    fs) echo "platform" ;;
    package) echo "fs platform" ;;
    install | records) echo "package fs platform" ;;
    versioncheck) echo "platform" ;;
    prefs) echo "install package fs platform" ;;
    cli) echo "install records versioncheck package fs platform" ;;
    app) echo "prefs install records versioncheck package fs platform" ;;
    *) echo "?" ;;
    esac
}
status=0
for folder in */; do
    folder=${folder%/}
    may=$(allowed "$folder")
    for used in $(grep -rhoE '#include "[a-z]+/' "$folder" | sed -E 's/#include "([a-z]+)\//\1/' | sort -u); do
        [ "$used" = "$folder" ] && continue
        case " $may " in
        *" $used "*) ;;
        *)
            echo "src/$folder includes from src/$used, which is not below it:" >&2
            grep -rn "#include \"$used/" "$folder" >&2
            status=1
            ;;
        esac
    done
done
exit $status
