// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TrackPackage.h"

#include "PackageCursor.h"
#include "PackageInstaller.h"
#include "PackageReader.h"
#include "platform/Platform.h"

qint32 TrackPackage::longFromLittleEndianData(const QByteArray &data, qint32 atOffset)
{
    if (!PackageCursor::rangeIsInside(data, atOffset, 4))
        return 0;
    return PackageCursor::longAt(data, atOffset);
}

qint8 TrackPackage::charFromOneByteData(const QByteArray &data, qint32 atOffset)
{
    if (!PackageCursor::rangeIsInside(data, atOffset, 1))
        return 0;
    return static_cast<qint8>(data.at(atOffset));
}

LoadResult TrackPackage::loadPackageFileAtPath(const QString &path)
{
    return loaded(PackageReader(m_contents, m_progressHandler).read(path), path);
}

LoadResult TrackPackage::loadPackageBytes(const QByteArray &bytes, const QString &name)
{
    m_contents.pkgFilePath = name;
    return loaded(PackageReader(m_contents, m_progressHandler).readBytes(bytes), name);
}

LoadResult TrackPackage::loaded(const PackageReader::Outcome &read, const QString &name)
{
    Platform &platform = Platform::current();
    if (read.tooLarge >= 0)
        platform.log(QStringLiteral("Could not read %1: its %2 bytes don't fit in this process's memory")
                         .arg(name)
                         .arg(read.tooLarge));
    if (read.versionRead)
        platform.log(QStringLiteral("Package Version: %1.%2.%3")
                         .arg(int(m_contents.pkgFileVerMaj))
                         .arg(int(m_contents.pkgFileVerMin))
                         .arg(int(m_contents.pkgFileVerRev)));
    if (read.code == LoadResult::Loaded)
        m_pkgLoaded = true;
    return read.code;
}

InstallResult TrackPackage::expandPackageTo(const QString &target)
{
    return expandPackageTo(target, true);
}

void TrackPackage::setOverwriteQuery(OverwriteQuery query)
{
    m_overwriteQuery = query ? std::move(query) : platformOverwriteQuery();
}

InstallResult TrackPackage::expandPackageTo(const QString &target, bool askToOverwrite)
{
    // Kept at once, whatever happens next.
    m_absoluteInstallPath = resolvedPath(target);
    PackageInstaller installer(m_contents, {m_overwriteQuery, m_installObserver, m_replacesNothing, m_progressHandler,
                                            m_lockWaitHandler, m_lockWaitPause});
    m_lastInstall = installer.install(m_absoluteInstallPath, askToOverwrite);
    if (!m_lastInstall.trackFile.isEmpty())
        m_absoluteTrackFilePath = m_lastInstall.trackFile;
    for (const QString &line : m_lastInstall.logLines(m_absoluteInstallPath))
        Platform::current().log(line);
    return m_lastInstall.code;
}
