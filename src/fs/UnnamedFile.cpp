// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UnnamedFile.h"

#include "FileSystemFeatures.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Pages made ready ahead of the writer per call: about a hundredth of a second's work.
constexpr qint64 PreparedStep = qint64(32) << 20;

} // namespace

UnnamedFile::UnnamedFile(Fd fd, std::unique_ptr<MappedFile> mapping)
    : m_fd(std::move(fd))
    , m_mapping(std::move(mapping))
{
}

std::unique_ptr<UnnamedFile> UnnamedFile::make(int folderFd, qint64 capacity)
{
    if (!FileSystemFeatures::of(folderFd).unnamedFiles) {
        errno = EOPNOTSUPP;
        return nullptr;
    }
    Fd fd(::openat(folderFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    if (!fd)
        return nullptr;
    // On a disk the blocks are allocated first: a store into a hole of a full disk would be a
    // fault, not an error. In memory, allocating is zeroing every page, a quarter of the whole
    // entry's time: there prepareAhead() does it beside the writer, and a page that can't be
    // had is a damaged mapping.
    const bool inMemory = FileSystemFeatures::holdsFilesInMemory(fd.get());
    if ((inMemory ? ::ftruncate(fd.get(), capacity) : ::fallocate(fd.get(), 0, 0, capacity)) != 0)
        return nullptr;
    std::unique_ptr<MappedFile> mapping = MappedFile::forWriting(fd.get(), capacity);
    if (!mapping)
        return nullptr;
    auto file = std::unique_ptr<UnnamedFile>(new UnnamedFile(std::move(fd), std::move(mapping)));
    file->m_prepared = inMemory ? 0 : capacity;
    return file;
}

void UnnamedFile::prepareAhead()
{
    const qint64 step = std::min(PreparedStep, m_mapping->size() - m_prepared);
    if (step <= 0)
        return;
    ::madvise(m_mapping->data() + m_prepared, size_t(step), MADV_POPULATE_WRITE);
    m_prepared += step;
}

bool UnnamedFile::finish(qint64 size)
{
    if (m_mapping->damaged()) {
        errno = EIO;
        return false;
    }
    return ::ftruncate(m_fd.get(), size) == 0;
}
