// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InflateAhead.h"

#include "fs/StopSignals.h"

#include <algorithm>
#include <pthread.h>
#include <system_error>

namespace {

// A worker takes this much work at a time, so that entries of a few kilobytes don't cost a
// lock each.
constexpr qint64 BatchBytes = qint64(1) << 20;
constexpr qint64 MostEntriesInBatch = 1024;
// Making a file costs about as much as inflating a few kilobytes: where entries are smaller
// than this on average, the installing thread would wait on the file system, not on workers.
constexpr qint64 LeastAverageEntry = 1024;
// Below this, starting threads costs more than they save.
constexpr qint64 LeastBytesAhead = qint64(1) << 20;

} // namespace

InflateAhead::InflateAhead(const PackageContents &package, bool hashing, int scratchFolderFd)
    : m_package(package.pkgFileData)
    , m_mapping(package.pkgFileMapping)
    , m_packageData(m_package.constData())
    , m_baseOffset(package.baseOffset)
    , m_entries(package.compFileMetaData)
    , m_hashing(hashing)
    , m_scratchFolderFd(scratchFolderFd)
{
    const int workers = workersFor(m_entries);
    if (workers == 0)
        return;
    // The stop signals stay with the installing thread, which acts on them between files.
    const sigset_t stopping = StopSignals::stopSignals();
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &stopping, &previous);
    try {
        for (int i = 0; i < workers; ++i)
            m_workers.emplace_back([this] { work(); });
    } catch (const std::system_error &) {
        // Fewer workers, or none: the installing thread inflates what no worker took.
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

InflateAhead::~InflateAhead()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelled = true;
    }
    m_roomMade.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

InflateAhead::Buffer InflateAhead::allocate(qint64 bytes)
{
    return Buffer(static_cast<char *>(std::malloc(size_t(bytes))));
}

int InflateAhead::workersFor(const QList<ZLibCompFileMetaData> &entries)
{
    const int cores = int(std::thread::hardware_concurrency());
    qint64 declared = 0;
    for (const ZLibCompFileMetaData &entry : entries)
        declared += std::max<qint32>(entry.unCompSize(), 0);
    if (cores < 2 || entries.size() < 2 || declared < LeastBytesAhead || declared < LeastAverageEntry * entries.size())
        return 0;
    return int(std::min<qint64>(cores, entries.size()));
}

const char *InflateAhead::storedBytes(qint64 index) const
{
    return m_packageData + qint64(m_baseOffset) + m_entries.at(index).baseRelOffset();
}

namespace {

// What a large entry's inflate shares with the thread that waits for it, which may go first.
template<typename Output> struct WatchedJob
{
    QByteArray package; // holds the stored bytes, with the mapping they may lie in
    std::shared_ptr<const MappedFile> mapping;
    const char *stored = nullptr;
    qint64 storedSize = 0;
    qint32 unCompSize = 0;
    Output out;
    std::mutex mutex;
    std::condition_variable finishedOne;
    bool finished = false; // guarded by mutex, as is `inflated`
    bool inflated = false;
};

} // namespace

InflateAhead::Inflated InflateAhead::inflateWatched(qint64 index, Output *out, const KeepWaiting &keepWaiting) const
{
    const ZLibCompFileMetaData &entry = m_entries.at(index);
    const auto job = std::make_shared<WatchedJob<Output>>();
    job->package = m_package;
    job->mapping = m_mapping;
    job->stored = storedBytes(index);
    job->storedSize = entry.compSize();
    job->unCompSize = entry.unCompSize();
    job->out = std::move(*out);
    // The stop signals stay with the installing thread.
    const sigset_t stopping = StopSignals::stopSignals();
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &stopping, &previous);
    std::thread inflating;
    try {
        inflating = std::thread([job] {
            EntryInflater inflater;
            const bool inflated = inflater.inflate(job->stored, job->storedSize, job->unCompSize, job->out.bytes());
            const std::lock_guard<std::mutex> lock(job->mutex);
            job->inflated = inflated;
            job->finished = true;
            job->finishedOne.notify_all();
        });
    } catch (const std::system_error &) {
        // No thread to be had: inflated here, unwatched, as any smaller entry is.
        job->finished = true;
        job->inflated = EntryInflater().inflate(job->stored, job->storedSize, job->unCompSize, job->out.bytes());
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    // Asked at once too: a stop that came as the entry began gives it up, however soon the
    // inflate would end.
    bool goOn = keepWaiting();
    std::unique_lock<std::mutex> lock(job->mutex);
    while (goOn && !job->finishedOne.wait_for(lock, WaitPoll, [&job] { return job->finished; })) {
        lock.unlock();
        goOn = keepWaiting();
        lock.lock();
    }
    const bool finished = job->finished;
    lock.unlock();
    if (!goOn && !finished) {
        inflating.detach(); // it frees what it holds when it ends
        return Inflated::GaveUp;
    }
    if (inflating.joinable())
        inflating.join();
    if (!goOn)
        return Inflated::GaveUp;
    *out = std::move(job->out);
    return job->inflated ? Inflated::Yes : Inflated::No;
}

bool InflateAhead::keepWaiting()
{
    if (m_keepWaiting && !m_keepWaiting())
        m_gaveUp = true;
    return !m_gaveUp;
}

const char *InflateAhead::inflateHere(qint64 index)
{
    const ZLibCompFileMetaData &entry = m_entries.at(index);
    const qint64 capacity = EntryInflater::outputBufferCapacity(entry.unCompSize());
    if (capacity >= WatchedSize && m_scratchFolderFd >= 0) {
        if (std::unique_ptr<UnnamedFile> file = UnnamedFile::make(m_scratchFolderFd, capacity))
            return inflateToDisk(index, std::move(file));
    }
    if (capacity > m_bufferCapacity) {
        m_buffer.reset(); // before the larger one is had: never both at once
        m_buffer = allocate(capacity);
        m_bufferCapacity = m_buffer ? capacity : 0;
    }
    if (!m_buffer)
        return nullptr;
    if (capacity >= WatchedSize) {
        Output out{std::move(m_buffer), nullptr};
        const Inflated inflated = inflateWatched(index, &out, [this] { return keepWaiting(); });
        m_buffer = std::move(out.buffer);
        if (!m_buffer)
            m_bufferCapacity = 0; // left with the inflate given up
        if (inflated != Inflated::Yes)
            return nullptr;
    } else if (!m_inflater.inflate(storedBytes(index), entry.compSize(), entry.unCompSize(), m_buffer.get())) {
        return nullptr;
    }
    m_takenHash = hashOf(m_buffer.get(), index);
    return m_buffer.get();
}

const char *InflateAhead::inflateToDisk(qint64 index, std::unique_ptr<UnnamedFile> file)
{
    const ZLibCompFileMetaData &entry = m_entries.at(index);
    // The file stays while the inflate may use it: given up, the job keeps it to the end.
    UnnamedFile *const preparing = file.get();
    Output out{nullptr, std::move(file)};
    const auto prepareAndWait = [this, preparing] {
        preparing->prepareAhead();
        return keepWaiting();
    };
    if (inflateWatched(index, &out, prepareAndWait) != Inflated::Yes || !out.file->finish(entry.unCompSize()))
        return nullptr;
    m_takenHash = hashOf(out.file->data(), index);
    m_takenFile = std::move(out.file);
    return m_takenFile->data();
}

ContentHash InflateAhead::hashOf(const char *bytes, qint64 index) const
{
    return m_hashing ? contentHash(bytes, size_t(m_entries.at(index).unCompSize())) : ContentHash();
}

InflateAhead::Batch InflateAhead::nextBatch() const
{
    Batch batch;
    batch.first = batch.end = m_nextEntry;
    while (batch.end < m_entries.size() && batch.end - batch.first < MostEntriesInBatch) {
        const qint64 capacity = EntryInflater::outputBufferCapacity(m_entries.at(batch.end).unCompSize());
        const bool direct = capacity >= WatchedSize && m_scratchFolderFd >= 0;
        if (batch.end > batch.first && (direct || batch.bytes + capacity > BatchBytes))
            break;
        if (direct) { // alone, and costing the window nothing
            batch.direct = true;
            ++batch.end;
            break;
        }
        batch.bytes += capacity;
        batch.largest = std::max(batch.largest, capacity);
        ++batch.end;
    }
    return batch;
}

bool InflateAhead::hasRoomFor(const Batch &batch) const
{
    qint64 largest = batch.largest;
    for (const Batch &held : m_window)
        largest = std::max(largest, held.largest);
    return m_window.empty() || m_windowBytes + batch.bytes <= WindowAllowance + largest;
}

InflateAhead::Batch &InflateAhead::claim(Batch batch)
{
    m_nextEntry = batch.end;
    m_windowBytes += batch.bytes;
    m_window.push_back(std::move(batch));
    return m_window.back();
}

void InflateAhead::fill(Batch &batch, EntryInflater &inflater, const KeepWaiting &keepWaiting)
{
    // Without its buffer, the batch is left to the installing thread, which then inflates as
    // it would with no workers at all.
    if (batch.direct)
        return;
    batch.buffer = allocate(batch.bytes);
    if (!batch.buffer)
        return;
    batch.offsets.resize(size_t(batch.end - batch.first));
    batch.inflated.assign(size_t(batch.end - batch.first), false);
    batch.hashes.resize(size_t(batch.end - batch.first));
    qint64 at = 0;
    for (qint64 i = batch.first; i < batch.end && !m_cancelled.load(std::memory_order_relaxed); ++i) {
        const ZLibCompFileMetaData &entry = m_entries.at(i);
        const size_t k = size_t(i - batch.first);
        batch.offsets[k] = at;
        // A large entry fills a batch alone, so its bytes are the whole buffer.
        if (batch.bytes >= WatchedSize && batch.end - batch.first == 1) {
            Output out{std::move(batch.buffer), nullptr};
            batch.inflated[k] = inflateWatched(i, &out, keepWaiting) == Inflated::Yes;
            batch.buffer = std::move(out.buffer);
            if (batch.inflated[k])
                batch.hashes[k] = hashOf(batch.buffer.get(), i);
            return;
        }
        char *const bytes = batch.buffer.get() + at;
        batch.inflated[k] = inflater.inflate(storedBytes(i), entry.compSize(), entry.unCompSize(), bytes);
        if (batch.inflated[k])
            batch.hashes[k] = hashOf(bytes, i);
        at += EntryInflater::outputBufferCapacity(entry.unCompSize());
    }
}

void InflateAhead::work()
{
    EntryInflater inflater;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_cancelled && m_nextEntry < m_entries.size()) {
        Batch next = nextBatch();
        if (!hasRoomFor(next)) {
            m_roomMade.wait(lock);
            continue;
        }
        // A deque keeps its elements in place as others are added and the front is released.
        Batch &batch = claim(std::move(next));
        lock.unlock();
        fill(batch, inflater, [this] { return !m_cancelled.load(std::memory_order_relaxed); });
        lock.lock();
        batch.done = true;
        m_batchDone.notify_all();
    }
}

void InflateAhead::releaseBefore(qint64 index)
{
    bool released = false;
    while (!m_window.empty() && m_window.front().end <= index) {
        m_windowBytes -= m_window.front().bytes;
        m_window.pop_front();
        released = true;
    }
    if (released)
        m_roomMade.notify_all();
}

// Bytes inflated from a package file cut short under its mapping may be made of zeros where
// the file was: no entry counts once that happened.
const char *InflateAhead::checked(const char *bytes) const
{
    return m_mapping && m_mapping->damaged() ? nullptr : bytes;
}

const char *InflateAhead::take(qint64 index)
{
    m_takenFile.reset();
    if (m_gaveUp)
        return nullptr;
    if (m_workers.empty())
        return checked(inflateHere(index));
    std::unique_lock<std::mutex> lock(m_mutex);
    releaseBefore(index);
    if (m_nextEntry <= index) {
        // No worker has got to it: rather than wait, this thread inflates it as one would.
        Batch &batch = claim(nextBatch());
        lock.unlock();
        fill(batch, m_inflater, [this] { return keepWaiting(); });
        lock.lock();
        batch.done = true;
    }
    Batch &batch = m_window.front();
    while (!m_batchDone.wait_for(lock, WaitPoll, [&batch] { return batch.done; })) {
        lock.unlock();
        const bool goOn = keepWaiting();
        lock.lock();
        if (!goOn)
            return nullptr;
    }
    lock.unlock();
    if (m_gaveUp)
        return nullptr;
    const size_t k = size_t(index - batch.first);
    if (!batch.buffer || k >= batch.inflated.size())
        return checked(inflateHere(index));
    if (!batch.inflated[k])
        return nullptr;
    m_takenHash = batch.hashes[k];
    return checked(batch.buffer.get() + batch.offsets[k]);
}
