// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The path helpers of TrackPackage: they look at, and prepare, the folders that packages are
// installed into. No state; each call stands alone.
#include "TrackPackage.h"

#include "PathProbe.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>

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

} // namespace

QString TrackPackage::resolvedPath(const QString &path)
{
    // Only a symbolic link at the path itself is followed, through a chain of links, to a
    // target that exists; any other path comes back character for character.
    QFileInfo info(path);
    if (path.isEmpty() || !info.isSymLink())
        return QString(path);
    QString target = path;
    for (int hop = 0; hop < MaxLinkHops && info.isSymLink(); ++hop) {
        target = info.symLinkTarget();
        info = QFileInfo(target);
    }
    if (info.isSymLink() || !info.exists())
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
        const QByteArray encoded = QFile::encodeName(prefix);
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
