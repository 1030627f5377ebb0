// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FileSystemFeatures.h"

#include <map>
#include <memory>
#include <mutex>

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>

FileSystemFeatures &FileSystemFeatures::of(int fd)
{
    struct stat info;
    // A descriptor that can't be looked at gets features of its own, which a failure there
    // can't take from any real device.
    return ofDevice(::fstat(fd, &info) == 0 ? info.st_dev : dev_t(-1));
}

bool FileSystemFeatures::keepsInodeNumbers(int fd)
{
    struct statfs info;
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (info.f_type) {
    case MSDOS_SUPER_MAGIC:
    case EXFAT_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
        return false;
    default:
        return true;
    }
}

bool FileSystemFeatures::holdsFilesInMemory(int fd)
{
    struct statfs info;
    return ::fstatfs(fd, &info) == 0 && info.f_type == TMPFS_MAGIC;
}

FileSystemFeatures &FileSystemFeatures::ofDevice(dev_t device)
{
    static std::mutex mutex;
    // A handful of devices in a process's life: each entry lives as long as the process, so a
    // reference handed out stays valid.
    static std::map<dev_t, std::unique_ptr<FileSystemFeatures>> known;
    const std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<FileSystemFeatures> &features = known[device];
    if (!features)
        features = std::make_unique<FileSystemFeatures>();
    return *features;
}
