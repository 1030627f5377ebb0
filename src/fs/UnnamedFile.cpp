// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UnnamedFile.h"

#include "FileSystemFeatures.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/statfs.h>
#include <unistd.h>

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
    // Allocated first: a store into a hole of a full disk would be a fault, not an error.
    if (!fd || ::fallocate(fd.get(), 0, 0, capacity) != 0)
        return nullptr;
    std::unique_ptr<MappedFile> mapping = MappedFile::forWriting(fd.get(), capacity);
    if (!mapping)
        return nullptr;
    // On tmpfs fallocate has put the pages in memory already: mapped all in one call, they cost
    // no fault each while the entry is inflated. Elsewhere they would be read in for nothing.
    struct statfs where;
    if (::fstatfs(fd.get(), &where) == 0 && where.f_type == TMPFS_MAGIC)
        ::madvise(mapping->data(), size_t(capacity), MADV_POPULATE_WRITE);
    return std::unique_ptr<UnnamedFile>(new UnnamedFile(std::move(fd), std::move(mapping)));
}

bool UnnamedFile::finish(qint64 size)
{
    if (m_mapping->damaged()) {
        errno = EIO;
        return false;
    }
    return ::ftruncate(m_fd.get(), size) == 0;
}
