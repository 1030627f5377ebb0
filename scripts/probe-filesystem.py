#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Says, in one line, which of the calls an install leans on work in the folder FOLDER (an
# empty one, which it fills): hard links, symbolic links, unnamed files (O_TMPFILE) and the
# two ways of naming them, renaming without replacing, modes, owners, fallocate, flock on a
# folder and shared writable mappings (the journal). Each is "yes" or the errno it failed with.
# scripts/test-filesystems.sh prints it beside each file system's results, so a failure can
# be read against what that file system offers.
import ctypes
import errno
import fcntl
import mmap
import os
import sys

AT_FDCWD = -100
AT_SYMLINK_FOLLOW = 0x400
AT_EMPTY_PATH = 0x1000
RENAME_NOREPLACE = 1
SYS_renameat2 = 316  # x86-64

folder = sys.argv[1]
libc = ctypes.CDLL(None, use_errno=True)
said = []


def path(name):
    return os.path.join(folder, name).encode()


def checked(result):
    if result != 0:
        error = ctypes.get_errno()
        raise OSError(error, os.strerror(error))


def probe(name, call):
    try:
        answer = call()
        said.append(f"{name}={'yes' if answer is None else answer}")
    except OSError as error:
        said.append(f"{name}={errno.errorcode.get(error.errno, error.errno)}")


def write(name, data=b"x"):
    with open(path(name), "wb") as file:
        file.write(data)


def unnamed():
    fd = os.open(folder, os.O_TMPFILE | os.O_WRONLY, 0o666)
    os.write(fd, b"x")
    said.append("tmpfile=yes")
    probe("link-by-fd", lambda: checked(libc.linkat(fd, b"", AT_FDCWD, path("by-fd"), AT_EMPTY_PATH)))
    probe("link-by-proc", lambda: checked(libc.linkat(AT_FDCWD, f"/proc/self/fd/{fd}".encode(), AT_FDCWD,
                                                      path("by-proc"), AT_SYMLINK_FOLLOW)))
    os.close(fd)


def modes():
    write("mode")
    os.chmod(path("mode"), 0o640)
    mode = os.stat(path("mode")).st_mode & 0o777
    return None if mode == 0o640 else f"ignored({mode:o})"


def owners():
    if os.geteuid() != 0:
        return "n/a"
    write("owner")
    os.chown(path("owner"), 4242, 4242)
    owner = os.stat(path("owner")).st_uid
    return None if owner == 4242 else f"ignored({owner})"


def reserve():
    fd = os.open(path("reserved"), os.O_RDWR | os.O_CREAT, 0o666)
    try:
        checked(libc.fallocate(fd, 0, ctypes.c_long(0), ctypes.c_long(65536)))
    finally:
        os.close(fd)


def lock():
    fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    finally:
        os.close(fd)


def mapped():
    fd = os.open(path("mapped"), os.O_RDWR | os.O_CREAT, 0o666)
    try:
        os.ftruncate(fd, 4096)
        with mmap.mmap(fd, 4096, mmap.MAP_SHARED, mmap.PROT_READ | mmap.PROT_WRITE) as map:
            map[0:1] = b"m"
    finally:
        os.close(fd)


write("a")
probe("hardlink", lambda: os.link(path("a"), path("b")))
probe("symlink", lambda: os.symlink(b"a", path("s")))
try:
    unnamed()
except OSError as error:
    said.append(f"tmpfile={errno.errorcode.get(error.errno, error.errno)}")
write("from")
probe("rename-noreplace", lambda: checked(libc.syscall(SYS_renameat2, AT_FDCWD, path("from"), AT_FDCWD, path("to"),
                                                       RENAME_NOREPLACE)))
probe("modes", modes)
probe("owners", owners)
probe("fallocate", reserve)
probe("flock", lock)
probe("shared-mmap", mapped)
print(" ".join(said))
