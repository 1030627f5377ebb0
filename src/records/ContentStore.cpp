// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ContentStore.h"

#include "RecordStore.h"

#include "fs/DurableFile.h"
#include "fs/EntryFile.h"
#include "fs/FileBytes.h"
#include "platform/FileName.h"

#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// All `size` bytes of `fd`: 0, or why not.
int readAll(int fd, qint64 size, QByteArray *bytes)
{
    if (const int error = FileBytes::read(fd, size, bytes))
        return error;
    // Cut short since it was looked at: not the file that was there.
    return bytes->size() == size ? 0 : ENODATA;
}

QString reason(int error)
{
    return error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
}

} // namespace

ContentStore::ContentStore(const QString &folder)
    : m_fd(::open(FileName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    , m_openError(m_fd ? 0 : errno)
{
}

ContentStore::~ContentStore() = default;

QString ContentStore::keep(int folderFd, const QByteArray &name, ContentHash *hash, uint *mode, FileOwner *owner)
{
    struct stat info;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return reason(errno);
    *mode = info.st_mode;
    *owner = FileOwner{info.st_uid, info.st_gid};
    if (S_ISLNK(info.st_mode)) {
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(folderFd, name.constData(), target, sizeof target);
        if (length < 0 || size_t(length) == sizeof target)
            return reason(length < 0 ? errno : ENAMETOOLONG);
        const QByteArray bytes(target, int(length));
        *hash = contentHash(bytes.constData(), size_t(bytes.size()));
        return reason(storeBytes(*hash, bytes, -1));
    }
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");
    const Fd fd(::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return reason(errno);
    QByteArray bytes;
    int error = ::fstat(fd.get(), &info) != 0 ? errno
                : !S_ISREG(info.st_mode)      ? EINVAL
                                              : readAll(fd.get(), info.st_size, &bytes);
    if (error == 0) {
        *mode = info.st_mode;
        *owner = FileOwner{info.st_uid, info.st_gid};
        *hash = contentHash(bytes.constData(), size_t(bytes.size()));
        // A file with another name elsewhere can be changed through it: linked in, that change
        // would reach the kept original too, and the undo would find it damaged.
        error = storeBytes(*hash, bytes, info.st_nlink == 1 ? fd.get() : -1);
    }
    return reason(error);
}

// 0 once stored, else the errno of the step that failed.
int ContentStore::storeBytes(const ContentHash &hash, const QByteArray &bytes, int linkFd)
{
    if (!m_fd)
        return EBADF;
    const QByteArray name = hash.toHex().toLatin1();
    struct stat info;
    if (::fstatat(m_fd.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
        return 0; // stored once, whoever refers to it
    // The original's own blocks, where they can be had: no copy of a large file. Elsewhere (the
    // data folder on another file system, no hard links there) a copy.
    const QByteArray temporary = EntryFile::temporaryName();
    if (linkFd >= 0 && EntryFile::linkOpenFile(linkFd, m_fd.get(), temporary.constData()) == 0) {
        if (::fsync(linkFd) == 0 && ::renameat(m_fd.get(), temporary.constData(), m_fd.get(), name.constData()) == 0)
            return ::fsync(m_fd.get()) == 0 ? 0 : errno;
        ::unlinkat(m_fd.get(), temporary.constData(), 0);
    }
    return DurableFile::writeAt(m_fd.get(), name, bytes).error;
}

std::optional<QByteArray> ContentStore::read(const ContentHash &hash) const
{
    const Fd fd(::openat(m_fd.get(), hash.toHex().toLatin1().constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    struct stat info;
    QByteArray bytes;
    const bool read = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode)
                      && readAll(fd.get(), info.st_size, &bytes) == 0;
    if (!read || contentHash(bytes.constData(), size_t(bytes.size())) != hash)
        return std::nullopt;
    return bytes;
}

void ContentStore::remove(const ContentHash &hash)
{
    if (::unlinkat(m_fd.get(), hash.toHex().toLatin1().constData(), 0) == 0)
        ::fsync(m_fd.get());
}

void ContentStore::removeUnreferenced(const QList<ContentHash> &candidates, const RecordStore &records)
{
    if (candidates.isEmpty())
        return;
    const Lock lock(*this);
    QStringList unreadable;
    DiskResult listed;
    const QList<InstallRecord> all = records.records(&unreadable, &listed);
    if (!unreadable.isEmpty() || !listed.ok())
        return; // a record that can't be read may refer to any of them
    QSet<ContentHash> referenced;
    for (const InstallRecord &record : all) {
        for (const RecordedFile &file : record.files) {
            if (file.replaced)
                referenced.insert(file.original);
        }
    }
    for (const ContentHash &hash : candidates) {
        if (!referenced.contains(hash))
            remove(hash);
    }
}

ContentStore::Lock::Lock(const ContentStore &store)
    : m_fd(store.m_fd.get())
{
    while (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

ContentStore::Lock::~Lock()
{
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
}
