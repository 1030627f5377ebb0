// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallFolder.h"

#include "platform/FileName.h"

#include <QStringTokenizer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Folders stay open for reuse; far below the usual limit of 1,024 descriptors.
constexpr int MaxOpenFolders = 128;

// A folder that may be searched but not read (mode 0711, say) still leads to what lies in it:
// it is opened as a path, which is all that reaching a file through it needs.
int openFolderAt(int parentFd, const char *name, int flags)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
    if (fd >= 0 || errno != EACCES)
        return fd;
    return ::openat(parentFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC | flags);
}

int openFolderNoFollow(int parentFd, const QByteArray &name)
{
    return openFolderAt(parentFd, name.constData(), O_NOFOLLOW);
}

} // namespace

InstallFolder::InstallFolder(const QString &basePath)
    : m_baseFd(openFolderAt(AT_FDCWD, FileName::encode(basePath).constData(), 0))
{
}

InstallFolder::~InstallFolder()
{
    forget();
    if (m_baseFd >= 0)
        ::close(m_baseFd);
}

bool InstallFolder::tryLock()
{
    int result;
    do {
        result = ::flock(m_baseFd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    // A folder opened as a path (search without read permission) can't be locked: EBADF would
    // say nothing to the user, the permission does.
    m_lockError = result == 0 || errno == EWOULDBLOCK ? 0 : errno == EBADF ? EACCES : errno;
    return result == 0 || errno != EWOULDBLOCK;
}

void InstallFolder::forget()
{
    for (const int fd : std::as_const(m_opened))
        ::close(fd);
    m_opened.clear();
    ++m_closings;
}

QString InstallFolder::normalised(const QString &relativePath)
{
    // Most paths are normalised already; an install asks for each file's.
    const auto has = [&relativePath](QLatin1String part) { return relativePath.contains(part); };
    if (!relativePath.startsWith(QLatin1Char('/')) && !relativePath.endsWith(QLatin1Char('/'))
        && !has(QLatin1String("//")) && !has(QLatin1String("/./")) && !relativePath.startsWith(QLatin1String("./"))
        && !relativePath.endsWith(QLatin1String("/.")) && relativePath != QLatin1String("."))
        return relativePath;
    QString result;
    result.reserve(relativePath.size());
    for (const QStringView component : qTokenize(relativePath, QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (component == QLatin1String("."))
            continue;
        if (!result.isEmpty())
            result += QLatin1Char('/');
        result += component;
    }
    return result;
}

QString InstallFolder::parentOf(const QString &normalisedPath)
{
    const qsizetype separator = normalisedPath.lastIndexOf(QLatin1Char('/'));
    return separator < 0 ? QString() : normalisedPath.left(separator);
}

QString InstallFolder::lastComponentOf(const QString &normalisedPath)
{
    return normalisedPath.mid(normalisedPath.lastIndexOf(QLatin1Char('/')) + 1);
}

bool InstallFolder::liesDirectlyIn(const QString &folder, const QString &name)
{
    return (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) && !name.isEmpty()
           && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
}

bool InstallFolder::mayFollow(int parentFd, const QByteArray &name) const
{
    struct stat link, parent;
    if (::fstatat(parentFd, name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(parentFd, &parent) != 0)
        return false;
    return link.st_uid == ::geteuid() || link.st_uid == parent.st_uid;
}

int InstallFolder::openChild(int parentFd, const QString &name, bool create, Status *status, bool *made)
{
    const QByteArray encoded = FileName::encode(name);
    int fd = openFolderNoFollow(parentFd, encoded);
    if (fd < 0 && errno == ENOENT && create) {
        // Made with 0777 as every folder of an install; someone else making it first is fine.
        *made = ::mkdirat(parentFd, encoded.constData(), 0777) == 0;
        if (*made || errno == EEXIST)
            fd = openFolderNoFollow(parentFd, encoded);
    }
    if (fd >= 0) {
        *status = Status::Ok;
        return fd;
    }
    if (errno == ENOENT) {
        *status = Status::Missing;
        return -1;
    }
    struct stat info;
    if (errno != ENOTDIR || ::fstatat(parentFd, encoded.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        *status = Status::Failed;
        return -1;
    }
    if (!S_ISLNK(info.st_mode)) {
        *status = Status::NotAFolder;
        return -1;
    }
    if (!mayFollow(parentFd, encoded)) {
        *status = Status::RefusedLink;
        return -1;
    }
    fd = openFolderAt(parentFd, encoded.constData(), 0);
    *status = fd >= 0 ? Status::Ok : Status::NotAFolder; // a link to a file, or to nothing
    return fd;
}

void InstallFolder::remember(const QString &key, int fd)
{
    if (m_opened.size() >= MaxOpenFolders)
        forget();
    m_opened.insert(key, fd);
}

InstallFolder::Folder InstallFolder::folder(const QString &relativePath, bool create)
{
    if (relativePath.isEmpty())
        return {Status::Ok, m_baseFd, QString()};
    if (const auto found = m_opened.constFind(relativePath); found != m_opened.cend())
        return {Status::Ok, found.value(), QString()};
    // Entries come folder by folder, and a deep package goes one level at a time: the parent
    // is usually open already.
    const QString parent = parentOf(relativePath);
    const auto open = parent.isEmpty() ? m_opened.cend() : m_opened.constFind(parent);
    if (open != m_opened.cend())
        return walkFrom(open.value(), parent.size() + 1, relativePath, create);
    return walkFrom(m_baseFd, 0, relativePath, create);
}

InstallFolder::Folder InstallFolder::walkFrom(int fd, qsizetype from, const QString &relativePath, bool create)
{
    int opened = -1; // made during this walk and not kept yet
    Folder result{Status::Ok, fd, QString()};
    while (from < relativePath.size()) {
        qsizetype end = relativePath.indexOf(QLatin1Char('/'), from);
        if (end < 0)
            end = relativePath.size();
        Status status;
        bool made = false;
        const int child = openChild(result.fd, relativePath.mid(from, end - from), create, &status, &made);
        const int error = errno;
        if (made && m_folderMade)
            m_folderMade(relativePath.left(end));
        if (child < 0) {
            result.status = status;
            result.stoppedAt = relativePath.left(end);
            result.error = status == Status::RefusedLink ? EPERM : status == Status::NotAFolder ? ENOTDIR : error;
            break;
        }
        if (opened >= 0)
            ::close(opened);
        opened = result.fd = child;
        from = end + 1;
    }
    // Only the deepest folder reached is kept: keeping every level of a deep path would use
    // up descriptors, and the next entry needs this one or its child.
    if (opened >= 0)
        remember(result.status == Status::Ok ? relativePath : parentOf(result.stoppedAt), opened);
    return result;
}
