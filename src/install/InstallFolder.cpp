#include "InstallFolder.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Folders stay open for reuse; far below the usual limit of 1,024 descriptors.
constexpr int MaxOpenFolders = 128;

int openFolderNoFollow(int parentFd, const QByteArray &name)
{
    return ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

} // namespace

InstallFolder::InstallFolder(const QString &basePath)
    : m_baseFd(::open(QFile::encodeName(basePath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
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
    return result == 0;
}

void InstallFolder::forget()
{
    for (const int fd : std::as_const(m_opened))
        ::close(fd);
    m_opened.clear();
}

QStringList InstallFolder::components(const QString &relativePath)
{
    QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    return parts;
}

bool InstallFolder::liesDirectlyIn(const QString &folder, const QString &name)
{
    return (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) && !name.isEmpty()
           && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
}

QString InstallFolder::joined(const QStringList &components, int count)
{
    return components.mid(0, count).join(QLatin1Char('/'));
}

bool InstallFolder::mayFollow(int parentFd, const QByteArray &name) const
{
    struct stat link, parent;
    if (::fstatat(parentFd, name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(parentFd, &parent) != 0)
        return false;
    return link.st_uid == ::geteuid() || link.st_uid == parent.st_uid;
}

int InstallFolder::openChild(int parentFd, const QString &name, bool create, Status *status)
{
    const QByteArray encoded = QFile::encodeName(name);
    int fd = openFolderNoFollow(parentFd, encoded);
    if (fd < 0 && errno == ENOENT && create) {
        // Made with 0777 as every folder of an install; someone else making it first is fine.
        if (::mkdirat(parentFd, encoded.constData(), 0777) == 0 || errno == EEXIST)
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
    fd = ::openat(parentFd, encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    *status = fd >= 0 ? Status::Ok : Status::NotAFolder; // a link to a file, or to nothing
    return fd;
}

void InstallFolder::remember(const QString &key, int fd)
{
    if (m_opened.size() >= MaxOpenFolders)
        forget();
    m_opened.insert(key, fd);
}

InstallFolder::Folder InstallFolder::folder(const QStringList &components, bool create)
{
    const int count = int(components.size());
    if (count == 0)
        return {Status::Ok, m_baseFd, 0};
    const QString key = joined(components, count);
    if (const auto found = m_opened.constFind(key); found != m_opened.cend())
        return {Status::Ok, found.value(), count};
    // Entries come folder by folder, and a deep package goes one level at a time: the parent
    // is usually open already.
    const auto parent = m_opened.constFind(joined(components, count - 1));
    if (parent != m_opened.cend())
        return walkFrom(parent.value(), count - 1, components, create);
    return walkFrom(m_baseFd, 0, components, create);
}

InstallFolder::Folder InstallFolder::walkFrom(int fd, int reached, const QStringList &components, bool create)
{
    const int count = int(components.size());
    int previous = -1; // opened during this walk and not kept
    Folder result{Status::Ok, fd, reached};
    while (result.reached < count) {
        Status status;
        const int child = openChild(result.fd, components.at(result.reached), create, &status);
        if (child < 0) {
            result.status = status;
            break;
        }
        if (previous >= 0)
            ::close(previous);
        previous = child;
        result.fd = child;
        ++result.reached;
    }
    // Only the deepest folder reached is kept: keeping every level of a deep path would use
    // up descriptors, and the next entry needs this one or its child.
    if (previous >= 0)
        remember(joined(components, result.reached), previous);
    return result;
}
