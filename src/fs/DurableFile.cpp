// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DurableFile.h"

#include "EntryFile.h"
#include "Fd.h"
#include "platform/FileName.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace DurableFile {

namespace {

Fd openFolder(const QString &folder)
{
    return Fd(::open(FileName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

DiskResult failed(const char *step, int error, const QString &path)
{
    return DiskResult::failed(QStringLiteral("write"), step, error, path);
}

} // namespace

DiskResult writeAt(int folderFd, const QByteArray &name, const QByteArray &bytes)
{
    const QString path = FileName::decode(name);
    const QByteArray temporary = EntryFile::temporaryName();
    Fd fd(::openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd)
        return failed("create", errno, path);
    int error = EntryFile::writeAll(fd.get(), bytes.constData(), bytes.size()) && ::fsync(fd.get()) == 0 ? 0 : errno;
    const int closed = fd.close();
    error = error ? error : closed;
    const char *step = "write";
    if (error == 0) {
        if (::renameat(folderFd, temporary.constData(), folderFd, name.constData()) == 0)
            return ::fsync(folderFd) == 0 ? DiskResult() : failed("sync folder", errno, path);
        error = errno;
        step = "rename";
    }
    ::unlinkat(folderFd, temporary.constData(), 0);
    return failed(step, error, path);
}

DiskResult write(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const Fd fd = openFolder(folder);
    if (!fd)
        return failed("open folder", errno, folder);
    return writeAt(fd.get(), FileName::encode(name), bytes).at(folder + QLatin1Char('/') + name);
}

DiskResult syncFolder(const QString &folder)
{
    const Fd fd = openFolder(folder);
    if (!fd || ::fsync(fd.get()) != 0)
        return DiskResult::failed(QStringLiteral("sync"), fd ? "fsync" : "open folder", errno, folder);
    return {};
}

DiskResult touch(const QString &folder)
{
    const Fd folderFd = openFolder(folder);
    if (!folderFd)
        return failed("open folder", errno, folder);
    const QByteArray name = EntryFile::temporaryName();
    Fd fd(::openat(folderFd.get(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd)
        return failed("create", errno, folder);
    fd.reset();
    ::unlinkat(folderFd.get(), name.constData(), 0);
    return {};
}

DiskResult remove(const QString &path)
{
    if (::unlink(FileName::encode(path).constData()) != 0)
        return DiskResult::failed(QStringLiteral("remove"), "unlink", errno, path);
    return {};
}

} // namespace DurableFile
