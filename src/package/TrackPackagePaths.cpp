// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The path helpers of TrackPackage: they look at, and prepare, the folders that packages are
// installed into. No state; each call stands alone.
#include "TrackPackage.h"

#include "fs/PathProbe.h"
#include "platform/FileName.h"

#include <QDir>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString SimulatorAppName = QStringLiteral("ZoomcrestSimulator.app");
constexpr int MaxLinkHops = 40; // as the kernel's own limit for link chains

// A leading "/" is a component of its own, a trailing "/" gives a last component "/", and
// doubled separators give no empty components.
QStringList pathComponents(const QString &path)
{
    QStringList components;
    if (path.startsWith(QLatin1Char('/')))
        components.append(QStringLiteral("/"));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    components.append(parts);
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')) && !parts.isEmpty())
        components.append(QStringLiteral("/"));
    return components;
}

bool isSymLink(const QString &path)
{
    struct stat info;
    return ::lstat(FileName::encode(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Where the link at `path` points, absolute and cleaned as QFileInfo::symLinkTarget gives it,
// but read as bytes; empty when it can't be read.
QString linkTarget(const QString &path)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(FileName::encode(path).constData(), target, sizeof target);
    if (length <= 0 || size_t(length) == sizeof target)
        return QString();
    QString resolved = FileName::decode(QByteArray(target, int(length)));
    if (!resolved.startsWith(QLatin1Char('/')))
        resolved = FileName::absolute(path).section(QLatin1Char('/'), 0, -2) + QLatin1Char('/') + resolved;
    return QDir::cleanPath(resolved);
}

} // namespace

QString TrackPackage::resolvedPath(const QString &path)
{
    // Only a symbolic link at the path itself is followed, through a chain of links, to a
    // target that exists; any other path comes back character for character. By bytes
    // throughout: QFileInfo would re-encode a name that isn't UTF-8 as another one.
    if (path.isEmpty() || !isSymLink(path))
        return QString(path);
    QString target = path;
    for (int hop = 0; hop < MaxLinkHops && !target.isEmpty() && isSymLink(target); ++hop)
        target = linkTarget(target);
    if (target.isEmpty() || isSymLink(target) || PathProbe::kindAt(target) == PathProbe::Kind::Nothing)
        return QString(path);
    return target;
}

bool TrackPackage::createFoldersRecursivelyInPath(const QString &path)
{
    QString prefix;
    for (const QString &component : pathComponents(path)) {
        const bool isSeparator = component == QLatin1String("/");
        if (!prefix.isEmpty() && isSeparator)
            continue; // the final separator of a path ending in "/"
        prefix += component;
        const QByteArray encoded = FileName::encode(prefix);
        switch (PathProbe::kindAt(encoded)) {
        case PathProbe::Kind::Nothing:
            if (::mkdir(encoded.constData(), 0777) != 0) {
                const int error = errno; // the reason, for the caller, not the look that follows
                if (PathProbe::kindAt(encoded) != PathProbe::Kind::Folder) {
                    errno = error;
                    return false;
                }
            }
            break;
        case PathProbe::Kind::Other:
            return false;
        case PathProbe::Kind::Folder:
            break;
        }
        if (!isSeparator)
            prefix += QLatin1Char('/');
    }
    return true;
}

bool TrackPackage::pathIsFolder(const QString &path)
{
    return PathProbe::kindAt(path) == PathProbe::Kind::Folder;
}

bool TrackPackage::pathIsZCInstallFolder(const QString &path)
{
    const QString probe = path.endsWith(QLatin1Char('/')) ? path + SimulatorAppName
                                                          : path + QLatin1Char('/') + SimulatorAppName;
    return PathProbe::kindAt(probe) != PathProbe::Kind::Nothing;
}
