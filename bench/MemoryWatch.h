// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

#include <atomic>
#include <thread>

// The high-water mark of this process's private memory (RssAnon: heap, stacks, anonymous maps)
// over the time it exists. The kernel keeps a high-water mark of the whole resident size
// (VmHWM) only, and that counts mapped file pages too: a package read through a map, or an
// entry inflated into a map of its file, is the page cache's, shared and given back under
// pressure, not memory the install holds. So a thread reads RssAnon about every millisecond and
// keeps the highest; a buffer that matters lives far longer than that (8 MiB takes milliseconds
// to fill), so what a sample can miss is small.
class MemoryWatch
{
public:
    MemoryWatch();
    ~MemoryWatch();
    MemoryWatch(const MemoryWatch &) = delete;
    MemoryWatch &operator=(const MemoryWatch &) = delete;

    // Stops the watch and gives the highest RssAnon seen, in KiB; -1 when it could not be read.
    qint64 peakKib();

    // A field of /proc/self/status in KiB ("VmHWM", "RssAnon"); -1 when it cannot be read.
    static qint64 statusKib(const char *field);

private:
    void sample();

    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_peakKib{-1};
    std::thread m_thread;
};
