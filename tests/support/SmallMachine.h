// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QTemporaryDir>

// A machine with little memory and a disk of its own, for a child process: a memory control
// group of its own below this process's (cgroup v2, else v1), without swap, and an ext4 disk
// image loop-mounted from a folder on disk (never tmpfs, whose image would be held in memory).
// Needs root. Everything goes with it: the disk unmounted, its image and the group removed.
class SmallMachine
{
public:
    SmallMachine(qint64 memoryBytes, qint64 diskBytes);
    ~SmallMachine();
    SmallMachine(const SmallMachine &) = delete;
    SmallMachine &operator=(const SmallMachine &) = delete;

    // Why there is no such machine here, for the test to skip; empty when there is.
    QString missing() const { return m_missing; }
    // Where the disk is mounted.
    QString disk() const;
    // Moves the calling process into the group: for a child between fork and exec, so it
    // allocates nothing. False when the kernel refused.
    bool enter() const;
    // How many processes the kernel has killed in the group for want of memory.
    qint64 oomKills() const;

private:
    bool makeGroup(qint64 memoryBytes);
    void makeDisk(qint64 diskBytes);
    bool put(const QString &file, qint64 value);

    QString m_missing;
    QString m_group;
    bool m_v2 = false;
    int m_procs = -1;
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
