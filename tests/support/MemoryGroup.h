// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// A machine with little memory, for a child process: a memory control group of its own, below
// this process's (cgroup v2, else v1), without swap. Needs root; the group goes with it.
class MemoryGroup
{
public:
    explicit MemoryGroup(qint64 bytes);
    ~MemoryGroup();
    MemoryGroup(const MemoryGroup &) = delete;
    MemoryGroup &operator=(const MemoryGroup &) = delete;

    // Why there is no such group here, for the test to skip; empty when there is.
    QString missing() const { return m_missing; }
    // Moves the calling process into the group: for a child between fork and exec, so it
    // allocates nothing. False when the kernel refused.
    bool enter() const;

private:
    bool put(const QString &file, qint64 value);

    QString m_missing;
    QString m_group;
    int m_procs = -1;
};
