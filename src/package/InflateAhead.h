// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ContentHash.h"
#include "EntryInflater.h"
#include "ZLibCompFileMetaData.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// The inflated bytes of one install's entries, handed to the thread that writes them in index
// order. Where a package has enough inflating to share, worker threads inflate the next
// entries ahead, in index order, into a window of buffers that holds at most WindowAllowance
// bytes beyond its largest entry; otherwise, and for entries whose buffer could not be had
// ahead, an entry is inflated by the thread that takes it. Either way the bytes and the
// failures are the same: workers only fill memory, so nothing of an entry reaches the disk
// before the entries in front of it are written.
class InflateAhead
{
public:
    static constexpr qint64 WindowAllowance = qint64(64) << 20;

    // `packageData` and `entries` must stay as they are while this exists. With `hashing`, each
    // entry's bytes are hashed where they are inflated, for the install's record.
    InflateAhead(const QByteArray &packageData, qint32 baseOffset, const QList<ZLibCompFileMetaData> &entries,
                 bool hashing = false);
    // Cancels the workers and waits for them: none is left running.
    ~InflateAhead();
    InflateAhead(const InflateAhead &) = delete;
    InflateAhead &operator=(const InflateAhead &) = delete;

    // Entry `index`'s bytes, unCompSize of them, valid until the next call; nullptr when its
    // stream doesn't inflate. Entries are taken in index order.
    const char *take(qint64 index);
    // The hash of the bytes the last take() gave, when hashing.
    const ContentHash &takenHash() const { return m_takenHash; }

    // How many workers a package with these entries gets on this machine: none where the
    // installing thread would wait on them no less than it waits now.
    static int workersFor(const QList<ZLibCompFileMetaData> &entries);

private:
    // Consecutive entries inflated by one worker into one buffer.
    struct Batch
    {
        qint64 first = 0;
        qint64 end = 0;
        qint64 bytes = 0;            // the entries' buffer capacities together
        qint64 largest = 0;          // the largest entry's capacity
        char *buffer = nullptr;      // null once done: could not be had
        std::vector<qint64> offsets; // of each entry's bytes in `buffer`
        std::vector<bool> inflated;  // per entry
        std::vector<ContentHash> hashes;
        bool done = false;
    };

    const char *storedBytes(qint64 index) const;
    const char *inflateHere(qint64 index);
    void work();
    Batch nextBatch() const;
    bool hasRoomFor(const Batch &batch) const;
    Batch &claim(Batch batch);
    void fill(Batch &batch, EntryInflater &inflater);
    ContentHash hashOf(const char *bytes, qint64 index) const;
    void releaseBefore(qint64 index);

    const char *const m_packageData;
    const qint32 m_baseOffset;
    const QList<ZLibCompFileMetaData> &m_entries;
    const bool m_hashing;
    ContentHash m_takenHash;

    // The taking thread's own, for entries inflated as they are taken.
    EntryInflater m_inflater;
    char *m_buffer = nullptr;
    qint64 m_bufferCapacity = 0;

    std::mutex m_mutex;
    std::condition_variable m_roomMade; // a batch was released, or the install ended
    std::condition_variable m_batchDone;
    std::deque<Batch> m_window; // claimed and not yet released, in index order
    qint64 m_windowBytes = 0;
    qint64 m_nextEntry = 0; // the first entry no worker has claimed
    std::atomic<bool> m_cancelled{false};
    std::vector<std::thread> m_workers;
};
