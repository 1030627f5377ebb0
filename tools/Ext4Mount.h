// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// An ext4 file system made in an image file and loop-mounted for installs to write into, as on a
// user's disk rather than tmpfs (root only): the benchmark's, and a test's on a small machine.
// It is gone when this is destroyed, and also when the process ends any other way: the mount
// lives in a mount namespace of this process's own, and the image is unlinked once mounted, so
// the loop device holds the last reference.
class Ext4Mount
{
public:
    Ext4Mount() = default;
    ~Ext4Mount();
    Ext4Mount(const Ext4Mount &) = delete;
    Ext4Mount &operator=(const Ext4Mount &) = delete;

    // Makes an image of `bytes` with room for `inodes` files in `imageFolder` and mounts it at
    // `mountPoint`, which it creates. False, saying why in `error`, when a step fails.
    bool mount(const QString &imageFolder, const QString &mountPoint, qint64 bytes, qint64 inodes, QString *error);

    // Writes out every file system's dirty data and drops the clean page, dentry and inode
    // caches, so that the next run starts cold-ish; false when the kernel won't let this
    // process drop them (a container's read-only /proc/sys), and then only writes out.
    static bool startCold();

private:
    static void leaveSharedMounts();

    QString m_mountPoint;
};
