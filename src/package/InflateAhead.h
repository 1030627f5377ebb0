// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ContentHash.h"
#include "EntryInflater.h"
#include "PackageContents.h"
#include "ZLibCompFileMetaData.h"
#include "fs/UnnamedFile.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
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
//
// An entry of at least WatchedSize never goes through memory of the process's own where the
// install's disk allows: the thread that takes it inflates it straight into an UnnamedFile,
// which the file is then made of. So an install's memory doesn't grow with its entries.
//
// libdeflate inflates a stream in one call that nothing interrupts, a quarter of a second for
// 256 MiB. So that neither a stop nor the install's end waits for that, an entry of at least
// WatchedSize is inflated on a thread of its own while the thread that needs it keeps watch;
// given up, that thread is left to finish alone, with its own share of the package and the
// buffer. Streaming through zlib instead would take twice as long.
class InflateAhead
{
public:
    static constexpr qint64 WindowAllowance = qint64(64) << 20;
    static constexpr qint64 WatchedSize = qint64(8) << 20;
    // How often a thread waiting for bytes looks up.
    static constexpr std::chrono::milliseconds WaitPoll{10};

    // `package` must stay as it is while this exists. With `hashing`, each entry's bytes are
    // hashed where they are inflated, for the install's record. Large entries go into unnamed
    // files in `scratchFolderFd` (the install's base folder) where it isn't -1.
    InflateAhead(const PackageContents &package, bool hashing = false, int scratchFolderFd = -1);
    // Cancels the workers and waits for them: none is left running, though a large entry's
    // inflate that was given up may still end on its own.
    ~InflateAhead();
    InflateAhead(const InflateAhead &) = delete;
    InflateAhead &operator=(const InflateAhead &) = delete;

    // Entry `index`'s bytes, unCompSize of them, valid until the next call; nullptr when its
    // stream doesn't inflate, or the package file could not be read. Entries are taken in
    // index order.
    const char *take(qint64 index);
    // The unnamed file that holds the bytes the last take() gave, already of their size; -1
    // when they are in memory only.
    int takenFile() const { return m_takenFile ? m_takenFile->fd() : -1; }
    // The hash of the bytes the last take() gave, when hashing.
    const ContentHash &takenHash() const { return m_takenHash; }

    // Called by take() every WaitPoll or so while it waits for bytes (a large entry being
    // inflated, a worker's batch); false gives the wait up: take() gives nullptr, and
    // gaveUp() says why. Nothing else may be taken then.
    void setWaiting(std::function<bool()> keepWaiting) { m_keepWaiting = std::move(keepWaiting); }
    bool gaveUp() const { return m_gaveUp; }

    // How many workers a package with these entries gets on this machine: none where the
    // installing thread would wait on them no less than it waits now.
    static int workersFor(const QList<ZLibCompFileMetaData> &entries);

private:
    // From malloc(), not new: a buffer that can't be had is a null pointer to fall back from,
    // never an exception in a worker.
    struct FreeBuffer
    {
        void operator()(char *bytes) const { std::free(bytes); }
    };
    using Buffer = std::unique_ptr<char[], FreeBuffer>;
    static Buffer allocate(qint64 bytes);

    // Where an entry is inflated: a buffer, or an unnamed file on the install's disk.
    struct Output
    {
        Buffer buffer;
        std::unique_ptr<UnnamedFile> file;
        char *bytes() const { return file ? file->data() : buffer.get(); }
    };

    // Consecutive entries inflated by one worker into one buffer. first, end, bytes and largest
    // are set before the batch is claimed and never change. buffer, offsets, inflated and
    // hashes are written without the lock by the one thread that claimed the batch, and read by
    // the installing thread only after it saw `done` set under the lock.
    struct Batch
    {
        qint64 first = 0;
        qint64 end = 0;
        qint64 bytes = 0;            // the entries' buffer capacities together
        qint64 largest = 0;          // the largest entry's capacity
        bool direct = false;         // a large entry, left to the installing thread's disk
        Buffer buffer;               // null once done: could not be had
        std::vector<qint64> offsets; // of each entry's bytes in `buffer`
        std::vector<bool> inflated;  // per entry
        std::vector<ContentHash> hashes;
        bool done = false; // guarded by m_mutex
    };

    enum class Inflated { Yes, No, GaveUp };
    using KeepWaiting = std::function<bool()>;

    const char *storedBytes(qint64 index) const;
    Inflated inflateWatched(qint64 index, Output *out, const KeepWaiting &keepWaiting) const;
    bool keepWaiting();
    const char *inflateHere(qint64 index);
    const char *inflateToDisk(qint64 index, std::unique_ptr<UnnamedFile> file);
    const char *checked(const char *bytes) const;
    void work();
    Batch nextBatch() const;
    bool hasRoomFor(const Batch &batch) const;
    Batch &claim(Batch batch);
    void fill(Batch &batch, EntryInflater &inflater, const KeepWaiting &keepWaiting);
    ContentHash hashOf(const char *bytes, qint64 index) const;
    void releaseBefore(qint64 index);

    // Shared with a large entry's inflate, which may outlive this, as the mapping is.
    const QByteArray m_package;
    const std::shared_ptr<const MappedFile> m_mapping;
    const char *const m_packageData;
    const qint32 m_baseOffset;
    const QList<ZLibCompFileMetaData> &m_entries;
    const bool m_hashing;
    const int m_scratchFolderFd;

    // The installing thread's own (the one that makes this, takes and destroys it): the entry
    // it inflates itself as it takes it, and the last hash it took.
    EntryInflater m_inflater;
    Buffer m_buffer;
    qint64 m_bufferCapacity = 0;
    std::unique_ptr<UnnamedFile> m_takenFile;
    ContentHash m_takenHash;
    KeepWaiting m_keepWaiting;
    bool m_gaveUp = false;

    // Guards m_window (the deque, and each batch's `done`), m_windowBytes and m_nextEntry, and
    // nothing else. The const members above are only read once workers run; m_cancelled is
    // atomic, and is set under the lock only so that a worker can't miss its wake-up between
    // its check and its wait; m_workers is the installing thread's own.
    std::mutex m_mutex;
    std::condition_variable m_roomMade; // a batch was released, or the install ended
    std::condition_variable m_batchDone;
    std::deque<Batch> m_window; // claimed and not yet released, in index order
    qint64 m_windowBytes = 0;
    qint64 m_nextEntry = 0; // the first entry no worker has claimed
    std::atomic<bool> m_cancelled{false};
    std::vector<std::thread> m_workers;
};
