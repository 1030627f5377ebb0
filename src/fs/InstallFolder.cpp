// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallFolder.h"

#include "StopSignals.h"

#include "platform/FileName.h"

#include <QStringTokenizer>

#include <cerrno>
#include <chrono>
#include <thread>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Folders stay open for reuse; far below the usual limit of 1,024 descriptors.
constexpr int MaxOpenFolders = 128;
// How often a wait for another process's lock looks again.
constexpr std::chrono::milliseconds LockPoll(50);

// A folder that may be searched but not read (mode 0711, say) still leads to what lies in it:
// it is opened as a path, which is all that reaching a file through it needs.
Fd openFolderAt(int parentFd, const char *name, int flags)
{
    Fd fd(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags));
    if (fd || errno != EACCES)
        return fd;
    return Fd(::openat(parentFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC | flags));
}

Fd openFolderNoFollow(int parentFd, const QByteArray &name)
{
    return openFolderAt(parentFd, name.constData(), O_NOFOLLOW);
}

} // namespace

InstallFolder::InstallFolder(const QString &basePath, BasePath opened)
{
    m_baseFd = opened == BasePath::ByLinkRule ? openByLinkRule(basePath)
                                              : openFolderAt(AT_FDCWD, FileName::encode(basePath).constData(), 0);
    if (!m_baseFd)
        m_openError = m_baseFailure.error ? m_baseFailure.error : errno;
}

Fd InstallFolder::openByLinkRule(const QString &basePath)
{
    Fd fd(::open(basePath.startsWith(QLatin1Char('/')) ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const QStringView component : qTokenize(basePath, QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!fd)
            break;
        Child child = openChild(fd.get(), component.toString(), false);
        if (!child.fd) {
            const QString reached = basePath.left(component.data() - basePath.constData() + component.size());
            m_baseFailure = {child.status, -1, reached, child.status == Status::NotAFolder ? ENOTDIR : child.error};
            return Fd();
        }
        m_baseThroughLink = m_baseThroughLink || child.linked;
        fd = std::move(child.fd);
    }
    return fd;
}

InstallFolder::~InstallFolder() = default;

bool InstallFolder::tryLock()
{
    int result;
    do {
        result = ::flock(m_baseFd.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    // A folder opened as a path (search without read permission) can't be locked: EBADF would
    // say nothing to the user, the permission does.
    m_lockError = result == 0 || errno == EWOULDBLOCK ? 0 : errno == EBADF ? EACCES : errno;
    return result == 0 || errno != EWOULDBLOCK;
}

bool InstallFolder::sleepThrough(std::chrono::milliseconds pause)
{
    std::this_thread::sleep_for(pause);
    return true;
}

DiskResult InstallFolder::lock(const std::function<void()> &waitBegins, const LockPause &pause)
{
    if (tryLock())
        return {};
    if (waitBegins)
        waitBegins();
    while (!tryLock()) {
        if (StopSignals::stopRequested())
            return DiskResult::failed(QStringLiteral("lock"), "flock", EINTR);
        if (!(pause ? pause(LockPoll) : sleepThrough(LockPoll)))
            return DiskResult::failed(QStringLiteral("lock"), "flock", ECANCELED);
    }
    return {};
}

void InstallFolder::forget()
{
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

InstallFolder::Child InstallFolder::openChild(int parentFd, const QString &name, bool create) const
{
    const QByteArray encoded = FileName::encode(name);
    Child child{openFolderNoFollow(parentFd, encoded)};
    if (!child.fd && errno == ENOENT && create) {
        // Made with 0777 as every folder of an install; someone else making it first is fine.
        child.made = ::mkdirat(parentFd, encoded.constData(), 0777) == 0;
        if (child.made || errno == EEXIST)
            child.fd = openFolderNoFollow(parentFd, encoded);
    }
    if (child.fd)
        return child;
    child.error = errno;
    struct stat info;
    if (child.error == ENOENT) {
        child.status = Status::Missing;
    } else if (child.error != ENOTDIR || ::fstatat(parentFd, encoded.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        child.status = Status::Failed;
    } else if (!S_ISLNK(info.st_mode)) {
        child.status = Status::NotAFolder;
    } else if (!mayFollow(parentFd, encoded)) {
        child.status = Status::RefusedLink;
        child.error = EPERM;
    } else {
        child.fd = openFolderAt(parentFd, encoded.constData(), 0);
        child.linked = true;
        // A link to a file, or to nothing.
        child.status = child.fd ? Status::Ok : Status::NotAFolder;
    }
    return child;
}

void InstallFolder::remember(const QString &key, Fd fd)
{
    if (m_opened.size() >= MaxOpenFolders)
        forget();
    m_opened[key] = std::move(fd);
}

InstallFolder::Folder InstallFolder::folder(const QString &relativePath, bool create)
{
    if (relativePath.isEmpty())
        return {Status::Ok, m_baseFd.get(), QString()};
    if (const auto found = m_opened.find(relativePath); found != m_opened.end())
        return {Status::Ok, found->second.get(), QString()};
    // Entries come folder by folder, and a deep package goes one level at a time: the parent
    // is usually open already.
    const QString parent = parentOf(relativePath);
    const auto open = parent.isEmpty() ? m_opened.end() : m_opened.find(parent);
    if (open != m_opened.end())
        return walkFrom(open->second.get(), parent.size() + 1, relativePath, create);
    return walkFrom(m_baseFd.get(), 0, relativePath, create);
}

InstallFolder::Folder InstallFolder::walkFrom(int fd, qsizetype from, const QString &relativePath, bool create)
{
    Fd opened; // made during this walk and not kept yet
    Folder result{Status::Ok, fd, QString()};
    while (from < relativePath.size()) {
        qsizetype end = relativePath.indexOf(QLatin1Char('/'), from);
        if (end < 0)
            end = relativePath.size();
        Child child = openChild(result.fd, relativePath.mid(from, end - from), create);
        if (child.made && m_folderMade)
            m_folderMade(relativePath.left(end));
        if (!child.fd) {
            result.status = child.status;
            result.stoppedAt = relativePath.left(end);
            result.error = child.status == Status::NotAFolder ? ENOTDIR : child.error;
            break;
        }
        result.fd = child.fd.get();
        opened = std::move(child.fd);
        from = end + 1;
    }
    // Only the deepest folder reached is kept: keeping every level of a deep path would use
    // up descriptors, and the next entry needs this one or its child.
    if (opened)
        remember(result.status == Status::Ok ? relativePath : parentOf(result.stoppedAt), std::move(opened));
    return result;
}
