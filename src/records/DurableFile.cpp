// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DurableFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace DurableFile {

namespace {

bool writeAll(int fd, const char *bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

int openFolder(const QString &folder)
{
    return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

QByteArray temporaryName()
{
    return ".cratewright-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

bool writeAt(int folderFd, const QByteArray &name, const QByteArray &bytes)
{
    const QByteArray temporary = temporaryName();
    const int fd = ::openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    if (::close(fd) == 0 && written && ::renameat(folderFd, temporary.constData(), folderFd, name.constData()) == 0)
        return ::fsync(folderFd) == 0;
    ::unlinkat(folderFd, temporary.constData(), 0);
    return false;
}

bool write(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const int fd = openFolder(folder);
    if (fd < 0)
        return false;
    const bool written = writeAt(fd, QFile::encodeName(name), bytes);
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
    const QByteArray name = temporaryName();
    const int fd = ::openat(folderFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool made = fd >= 0;
    if (made) {
        ::close(fd);
        ::unlinkat(folderFd, name.constData(), 0);
    }
    ::close(folderFd);
    return made;
}

} // namespace DurableFile
