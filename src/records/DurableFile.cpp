// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DurableFile.h"

#include "package/EntryFile.h"
#include "platform/FileName.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace DurableFile {

namespace {

int openFolder(const QString &folder)
{
    return ::open(FileName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

bool writeAt(int folderFd, const QByteArray &name, const QByteArray &bytes)
{
    const QByteArray temporary = EntryFile::temporaryName();
    const int fd = ::openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            0600);
    if (fd < 0)
        return false;
    bool written = EntryFile::writeAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::renameat(folderFd, temporary.constData(), folderFd, name.constData()) == 0)
        return ::fsync(folderFd) == 0;
    const int error = errno; // the caller's to report, not the clean-up's
    ::unlinkat(folderFd, temporary.constData(), 0);
    errno = error;
    return false;
}

bool write(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const int fd = openFolder(folder);
    if (fd < 0)
        return false;
    const bool written = writeAt(fd, FileName::encode(name), bytes);
    ::close(fd);
    return written;
}

bool syncFolder(const QString &folder)
{
    const int fd = openFolder(folder);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool touch(const QString &folder)
{
    const int folderFd = openFolder(folder);
    if (folderFd < 0)
        return false;
    const QByteArray name = EntryFile::temporaryName();
    const int fd = ::openat(folderFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool made = fd >= 0;
    if (made) {
        ::close(fd);
        ::unlinkat(folderFd, name.constData(), 0);
    }
    ::close(folderFd);
    return made;
}

bool remove(const QString &path)
{
    return ::unlink(FileName::encode(path).constData()) == 0;
}

} // namespace DurableFile
