// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <atomic>

#include <sys/types.h>

// The ways of putting a file in place that one file system offers this process, learned from
// what the kernel answers there. Each starts out assumed and is given up only on the answer
// that says the way doesn't exist (EINVAL for an unknown rename flag, EOPNOTSUPP for unnamed
// files, EPERM for hard links on FAT), never on an error that belongs to one file (EEXIST,
// EXDEV, ENOSPC): a link refused between two file systems says nothing about either of them.
//
// Kept per device, so a USB drive without links doesn't cost the system disk its unnamed
// files, and for the life of the process: a device's answers don't change while it is mounted.
struct FileSystemFeatures
{
    // O_TMPFILE files that can then be given a name (by descriptor or through /proc).
    std::atomic<bool> unnamedFiles{true};
    // linkat(AT_EMPTY_PATH): needs CAP_DAC_READ_SEARCH before Linux 6.10.
    std::atomic<bool> emptyPathLinks{true};
    // renameat2(RENAME_NOREPLACE).
    std::atomic<bool> noReplaceRenames{true};
    // Hard links of named files.
    std::atomic<bool> hardLinks{true};

    // Those of the file system that holds the open file or folder `fd`.
    static FileSystemFeatures &of(int fd);
    // Whether a folder keeps its inode number when its disk is mounted again: not on FAT and
    // exFAT, which make them up at each mount, nor through FUSE, which may.
    static bool keepsInodeNumbers(int fd);
    // Whether the file system's files are memory (tmpfs), where allocating a block is zeroing a
    // page.
    static bool holdsFilesInMemory(int fd);
    static FileSystemFeatures &ofDevice(dev_t device);
};
