#!/bin/bash
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the install, undo and command-line tables on every file system our users install to
# that this machine can mount, as root and as an ordinary user (nobody):
#
#   scripts/test-filesystems.sh [BUILD_DIR]        (default: build; needs root)
#
# For each file system: loop-mounted ext4, xfs and btrfs images, tmpfs, overlayfs, and through
# FUSE: NTFS (ntfs-3g), exFAT (exfat-fuse) and FAT (fusefat). Each table runs with TMPDIR on
# that file system, where the tests make their trees. tst_package, tst_records and tst_cli run
# once per file system and user, with the data folder on the same file system; tst_disks, the
# cases that matter on every disk, runs again with the data folder on another file system
# (a tmpfs of its own), as when a game lives on another disk than the home folder.
#
# A file system that can't be mounted here (no loop device, no FUSE, a tool missing) is
# skipped, saying why; a table that fails on one that was mounted fails the script. A
# summary table ends the run. FS_LIST (default: all of them) and FS_USERS (default: "root
# nobody") narrow it down; FS_KEEP_LOGS=DIR keeps every table's output there.
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build=$(cd "${1:-build}" 2>/dev/null && pwd) || { echo "No build folder ${1:-build}: build first." >&2; exit 1; }
fs_list=${FS_LIST:-ext4 xfs btrfs tmpfs overlay ntfs exfat fat}
users=${FS_USERS:-root nobody}
# The compact table first: where a FUSE driver hangs, it has run.
tables="disks package records cli"
# A table that takes far longer than it does anywhere else has hung (fusefat hangs in
# unlink now and then); a FUSE driver that stopped answering is cut off then, so that nothing
# waits for it forever. Seconds, per table; FS_TABLE_LIMIT sets one for all. fusefat walks
# each path from the root, so the package table's thousand folders deep take it about 200 s
# on a quiet machine, and twice that on a busy one.
limit_for() { # table fs
    case $1 in disks | records) echo "${FS_TABLE_LIMIT:-60}" ;; cli) echo "${FS_TABLE_LIMIT:-120}" ;;
    *) [ "$2" = fat ] && echo "${FS_TABLE_LIMIT:-600}" || echo "${FS_TABLE_LIMIT:-240}" ;; esac
}

if [ "$(id -u)" -ne 0 ]; then
    echo "== File systems: skipped, mounting them needs root"
    exit 0
fi
for table in $tables; do
    [ -x "$build/tests/$table/tst_$table" ] || { echo "No $build/tests/$table/tst_$table: build first." >&2; exit 1; }
done

work=$(mktemp -d /tmp/cratewright-fs.XXXXXX)
chmod 755 "$work" # the ordinary user reaches its folders through it
mkdir -p "$work/logs" "$work/img" "$work/mnt"
# What the users' runs (in the background) mount and attach, one a line, for the cleanup.
: >"$work/results"
: >"$work/skipped"
: >"$work/mounts"
: >"$work/loops"
searchable=() # folders given search permission for others, to take back
jobs_started=()

cleanup() {
    local at device
    for pid in "${jobs_started[@]}"; do
        kill -- "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    tac "$work/mounts" | while read -r at; do
        fuse_cut_off "$at"
        umount -R "$at" 2>/dev/null || umount -l "$at" 2>/dev/null
    done
    while read -r device; do
        losetup -d "$device" 2>/dev/null
    done <"$work/loops"
    for folder in "${searchable[@]}"; do
        chmod o-x "$folder"
    done
    if [ -n "${FS_KEEP_LOGS:-}" ]; then
        mkdir -p "$FS_KEEP_LOGS" && cp -r "$work/logs/." "$FS_KEEP_LOGS/"
    fi
    # Never delete through a mount that is somehow still there.
    if ! grep -q " $work/" /proc/self/mounts; then
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

as_user() { # user command...
    local user=$1
    shift
    if [ "$user" = root ]; then
        "$@"
    else
        setpriv --reuid="$user" --regid="$(id -gn "$user")" --clear-groups "$@"
    fi
}

# The ordinary user runs the tests from the build folder and reads the example package from
# the sources; a clone in /root can't be reached by others. Give others search permission
# (not reading) on the folders on the way, for this run only.
reach_for() {
    local user=$1 path folder
    for path in "$build/tests/cli/tst_cli" "$build/src/cli/cratewright" "$source_dir/examples/corkscrew-canyon.zcpack"; do
        as_user "$user" test -r "$path" && continue
        folder=$(dirname "$path")
        while [ "$folder" != / ]; do
            if [ "$(($(stat -c %a "$folder" | sed 's/^/0/') & 1))" -eq 0 ]; then
                echo "   (others may now pass through $folder, until the run ends)"
                chmod o+x "$folder" && searchable+=("$folder")
            fi
            folder=$(dirname "$folder")
        done
        as_user "$user" test -r "$path" || return 1
    done
}

skip() { # fs reason
    echo "   skipped $1: $2"
    printf '%s\t%s\n' "$1" "$2" >>"$work/skipped"
}

needs_tools() { # fs tool...
    local fs=$1 tool
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { skip "$fs" "$tool is not installed (scripts/setup.sh installs it)"; return 1; }
    done
}

loop_device() { # image; sets `device`
    device=$(losetup --find --show "$1" 2>&1) || { why="no loop device: $device"; return 1; }
    echo "$device" >>"$work/loops"
}

# The FUSE driver serving the mount at `at`: the process whose arguments name that folder
# (ours alone, under $work).
fuse_driver_of() { # at
    local proc
    for proc in /proc/[0-9]*; do
        tr '\0' '\n' <"$proc/cmdline" 2>/dev/null | grep -qxF "$1" && { echo "${proc#/proc/}"; return; }
    done
}

# Ends a FUSE mount whose driver may have stopped answering: a forced unmount aborts the
# connection, so whatever waits on it gets ENOTCONN, then its driver goes.
fuse_cut_off() { # at
    grep -q " $1 fuse" /proc/self/mounts || return 0
    local driver
    driver=$(fuse_driver_of "$1")
    umount -f "$1" 2>/dev/null
    [ -n "$driver" ] && kill -KILL "$driver" 2>/dev/null
    umount -l "$1" 2>/dev/null
}

# Makes and mounts file system `fs` at `at` for `user` (FUSE file systems show every file
# as the user's; the kernel's ones are shared by both users). Sets `why` on failure.
mount_fs() { # fs user at
    local fs=$1 user=$2 at=$3 image="$work/img/${3##*/}.img" device out fuse
    # Modes where the disk keeps none are left out of the tests' trees; umask 0 makes every
    # file executable, as the simulator stand-in must be.
    [ "$user" != both ] && fuse="allow_other,uid=$(id -u "$user"),gid=$(id -g "$user")"
    mkdir -p "$at"
    case $fs in
    ext4 | xfs | btrfs)
        truncate -s 512M "$image"
        case $fs in
        ext4) out=$(mkfs.ext4 -q -F "$image" 2>&1) ;;
        xfs) out=$(mkfs.xfs -q -f "$image" 2>&1) ;;
        btrfs) out=$(mkfs.btrfs -q -f "$image" 2>&1) ;;
        esac || { why="mkfs.$fs failed: $out"; return 1; }
        loop_device "$image" || return 1
        out=$(mount -t "$fs" "$device" "$at" 2>&1) || { why="mount failed: $out"; return 1; }
        ;;
    tmpfs)
        out=$(mount -t tmpfs -o size=2g,mode=755 tmpfs "$at" 2>&1) || { why="mount failed: $out"; return 1; }
        ;;
    overlay)
        # Over a tmpfs of its own; the users' folders come from the lower layer, so the tests
        # work in folders that are copied up as they go.
        mkdir -p "$work/ovl"
        out=$(mount -t tmpfs -o size=2g,mode=755 tmpfs "$work/ovl" 2>&1) || { why="mount failed: $out"; return 1; }
        echo "$work/ovl" >>"$work/mounts"
        mkdir -p "$work/ovl/lower" "$work/ovl/upper" "$work/ovl/work"
        for u in $users; do
            mkdir -p "$work/ovl/lower/u-$u/tmp" "$work/ovl/lower/u-$u/data"
            chown -R "$u:$(id -gn "$u")" "$work/ovl/lower/u-$u"
            chmod 700 "$work/ovl/lower/u-$u"
        done
        out=$(mount -t overlay overlay \
            -o "lowerdir=$work/ovl/lower,upperdir=$work/ovl/upper,workdir=$work/ovl/work" "$at" 2>&1) ||
            { why="mount failed: $out"; return 1; }
        ;;
    ntfs)
        [ -c /dev/fuse ] || { why="no /dev/fuse"; return 1; }
        truncate -s 512M "$image"
        out=$(mkntfs -F -Q -q "$image" 2>&1) || { why="mkntfs failed: $out"; return 1; }
        out=$(ntfs-3g -o "$fuse,umask=0" "$image" "$at" 2>&1) || { why="ntfs-3g failed: $out"; return 1; }
        ;;
    exfat)
        [ -c /dev/fuse ] || { why="no /dev/fuse"; return 1; }
        truncate -s 512M "$image"
        out=$(mkfs.exfat "$image" 2>&1) || { why="mkfs.exfat failed: $out"; return 1; }
        # Mounted as root, exfat-fuse wants a block device.
        loop_device "$image" || return 1
        out=$(mount.exfat-fuse -o "$fuse,umask=0" "$device" "$at" 2>&1) ||
            { why="exfat-fuse failed: $out"; return 1; }
        ;;
    fat)
        [ -c /dev/fuse ] || { why="no /dev/fuse"; return 1; }
        truncate -s 512M "$image"
        out=$(mkfs.fat -F 32 "$image" 2>&1) || { why="mkfs.fat failed: $out"; return 1; }
        out=$(fusefat -o "rw+,$fuse,umask=0" "$image" "$at" 2>&1) || { why="fusefat failed: $out"; return 1; }
        ;;
    esac
    echo "$at" >>"$work/mounts"
}

tools_for() {
    case $1 in
    ext4) echo mkfs.ext4 losetup ;;
    xfs) echo mkfs.xfs losetup ;;
    btrfs) echo mkfs.btrfs losetup ;;
    ntfs) echo mkntfs ntfs-3g ;;
    exfat) echo mkfs.exfat mount.exfat-fuse losetup ;;
    fat) echo mkfs.fat fusefat ;;
    esac
}

# Runs one table as `user` with its trees under `root` (on the file system under test).
run_table() { # fs user table placement root home [data-elsewhere]
    local fs=$1 user=$2 table=$3 placement=$4 root=$5 home=$6 elsewhere=${7:-}
    local log="$work/logs/$fs-$user-$table-$placement.log" started status totals passed failed skipped
    local limit
    limit=$(limit_for "$table" "$fs")
    local -a environment=(PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME="$home"
        XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/run"
        XDG_DATA_HOME="$root/data" TMPDIR="$root/tmp" QT_QPA_PLATFORM=offscreen)
    [ -n "$elsewhere" ] && environment+=(CRATEWRIGHT_TEST_DATA_DIR="$elsewhere")
    [ -n "${CRATEWRIGHT_KERNEL_PROFILE:-}" ] && environment+=(CRATEWRIGHT_KERNEL_PROFILE="$CRATEWRIGHT_KERNEL_PROFILE")
    started=$(date +%s.%N)
    (cd "$root/tmp" && as_user "$user" env -i "${environment[@]}" \
        timeout -k 5 "$limit" "$build/tests/$table/tst_$table") >"$log" 2>&1
    status=$?
    local seconds
    seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    totals=$(grep -E '^Totals: ' "$log" | tail -1)
    passed=$(sed -E 's/^Totals: ([0-9]+) passed.*/\1/' <<<"$totals")
    failed=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$totals")
    skipped=$(sed -E 's/.* ([0-9]+) skipped.*/\1/' <<<"$totals")
    if [ -z "$totals" ]; then
        passed=0 failed=1 skipped=0
        if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
            echo "   $fs $user $table ($placement): HUNG, stopped after $limit s; last rows:"
        else
            echo "   $fs $user $table ($placement): CRASHED, exit status $status; last rows:"
        fi
        grep -E '^(PASS|FAIL!|SKIP|QWARN)' "$log" | tail -3 | sed 's/^/      /'
        printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$fs" "$user" "$table" "$placement" "$passed" "$failed" \
            "$skipped" "$seconds" >>"$work/results"
        return 2
    else
        echo "   $fs $user $table ($placement): $passed passed, $failed failed, $skipped skipped (${seconds} s)"
        # Each failure with the lines that say why.
        grep -A4 -E '^FAIL!' "$log" | grep -vE '^(PASS|SKIP|QDEBUG|QINFO|QWARN|Package Version|--)' |
            head -60 | sed 's/^/      /'
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$fs" "$user" "$table" "$placement" "$passed" "$failed" "$skipped" \
        "$seconds" >>"$work/results"
}

user_folders() { # user root
    mkdir -p "$2/tmp" "$2/data" 2>/dev/null
    chown -R "$1:$(id -gn "$1")" "$2" 2>/dev/null
    chmod 700 "$2" 2>/dev/null
}

# Every table for one user on one file system mounted at `at`.
run_user() { # fs user at
    local fs=$1 user=$2 at=$3 home="$work/home-$user" root="$3/u-$2" run placement round=1
    user_folders "$user" "$root"
    echo "   $fs $user can: $(cd "$root/tmp" && as_user "$user" mkdir probe &&
        as_user "$user" /usr/bin/python3 "$source_dir/scripts/probe-filesystem.py" "$root/tmp/probe")"
    rm -rf "$root/tmp/probe"
    for run in disks:same disks:elsewhere package:same records:same cli:same; do
        placement=${run#*:}
        if [ "$fs:$run" = fat:records:same ]; then
            # fusefat stops answering an unlink part way through this table (the process waits
            # in fuse_unlink for ever) and cuts short a record it rewrote: its own faults. The
            # disk table has undone installs on it already.
            echo "   $fs $user records ($placement): skipped, fusefat hangs in unlink here"
            printf '%s\t%s\t%s\t%s\t0\t0\t1\t0\n' "$fs" "$user" records "$placement" >>"$work/results"
            continue
        fi
        run_table "$fs" "$user" "${run%:*}" "$placement" "$root" "$home" \
            "$([ "$placement" = elsewhere ] && echo "$work/elsewhere/u-$user")"
        [ $? -eq 2 ] || continue
        # Crashed or hung. On FUSE, the driver may be what hangs: cut it off and go on with
        # the next table on a fresh file system.
        case $fs in ntfs | exfat | fat) ;; *) continue ;; esac
        fuse_cut_off "$at"
        round=$((round + 1))
        at="$work/mnt/$fs-$user-$round"
        root="$at/u-$user"
        if ! mount_fs "$fs" "$user" "$at"; then
            echo "   $fs $user: cannot mount it again ($why); the other tables did not run"
            return
        fi
        user_folders "$user" "$root"
    done
}

echo "== File systems: the install, undo and command-line tables on each, as: $users"
# Folders of each user's own on this machine's disk, and the other file system for the data
# folder.
mkdir -p "$work/elsewhere"
if ! out=$(mount -t tmpfs -o size=1g,mode=755 tmpfs "$work/elsewhere" 2>&1); then
    echo "   cannot mount the other file system for the data folder: $out" >&2
    exit 1
fi
echo "$work/elsewhere" >>"$work/mounts"
for user in $users; do
    home="$work/home-$user"
    mkdir -p "$home/config" "$home/cache" "$home/run" "$work/elsewhere/u-$user"
    chown -R "$user:$(id -gn "$user")" "$home" "$work/elsewhere/u-$user"
    chmod 700 "$home" "$home/run" "$work/elsewhere/u-$user"
    reach_for "$user" || { echo "   $user can't reach $build or $source_dir" >&2; exit 1; }
done

began=$(date +%s)
for fs in $fs_list; do
    # shellcheck disable=SC2046
    needs_tools "$fs" $(tools_for "$fs") || continue
    case $fs in ntfs | exfat | fat) kernel=fuse ;; *) kernel=$fs ;; esac
    if ! grep -qw "$kernel" /proc/filesystems && ! modprobe "$kernel" 2>/dev/null; then
        skip "$fs" "the kernel has no $kernel"
        continue
    fi
    fs_began=$(date +%s)
    failure=""
    case $fs in
    ntfs | exfat | fat) # the owner is a mount option: one mount per user
        for user in $users; do
            mount_fs "$fs" "$user" "$work/mnt/$fs-$user-1" || { failure=$why; break; }
        done ;;
    *)
        mount_fs "$fs" both "$work/mnt/$fs" || failure=$why ;;
    esac
    if [ -n "$failure" ]; then
        skip "$fs" "$failure"
        continue
    fi
    echo "-- $fs"
    jobs_started=()
    for user in $users; do
        case $fs in ntfs | exfat | fat) at="$work/mnt/$fs-$user-1" ;; *) at="$work/mnt/$fs" ;; esac
        # Both users at once: the tables mostly wait (on disks, children, locks), and there are
        # two cores.
        run_user "$fs" "$user" "$at" >"$work/logs/$fs-$user.out" 2>&1 &
        jobs_started+=($!)
    done
    wait "${jobs_started[@]}"
    jobs_started=()
    for user in $users; do
        cat "$work/logs/$fs-$user.out"
    done
    echo "   ($((($(date +%s) - fs_began))) s for $fs)"
done

echo "== File systems: summary (rows passed/failed/skipped, and seconds, per table)"
awk -F '\t' -v tables="disks:same disks:elsewhere package:same records:same cli:same" '
    { key = $1 " " $2; if (!(key in seen)) { seen[key] = 1; order[++n] = key }
      cell[key, $3 ":" $4] = $5 "/" $6 "/" $7 " " int($8 + 0.5) "s"; if ($6 > 0) bad[key, $3 ":" $4] = 1
      p += $5; f += $6; s += $7 }
    END {
        count = split(tables, t, " ")
        printf "%-14s", "fs user"; for (i = 1; i <= count; i++) printf " %-16s", t[i]; printf "\n"
        for (k = 1; k <= n; k++) {
            printf "%-14s", order[k]
            for (i = 1; i <= count; i++) {
                c = ((order[k], t[i]) in cell) ? cell[order[k], t[i]] : "-"
                printf " %-16s", c ((order[k], t[i]) in bad ? " !" : "")
            }
            printf "\n"
        }
        printf "filesystems: %d passed, %d failed, %d skipped\n", p, f, s
    }' "$work/results"
while IFS="$(printf '\t')" read -r fs reason; do
    echo "skipped: $fs ($reason)"
done <"$work/skipped"
echo "($(($(date +%s) - began)) s in all)"
if awk -F '\t' '$6 > 0 { bad = 1 } END { exit !bad }' "$work/results"; then
    echo "Some tables failed on some file systems: see above." >&2
    exit 1
fi
