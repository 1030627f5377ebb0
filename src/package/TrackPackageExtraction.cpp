// Extraction: writes a loaded package's files under a folder.
#include "TrackPackage.h"

#include "PackageCursor.h"
#include "PackageExtractor.h"
#include "ResultCodes.h"
#include "install/PathProbe.h"
#include "platform/Platform.h"

#include <QStorageInfo>

namespace {

bool climbsOut(const QString &relativePath)
{
    const QStringList components = relativePath.split(QLatin1Char('/'));
    return components.contains(QStringLiteral(".."));
}

// The file system would cut a name at its first NUL, so the file written would not be the
// one that was checked.
bool holdsNul(const QString &relativePath)
{
    return relativePath.contains(QChar(u'\0'));
}

} // namespace

int TrackPackage::expandPackageTo(const QString &target)
{
    return expandPackageTo(target, true);
}

int TrackPackage::prepareInstallBase() const
{
    const QString &base = m_absoluteInstallPath;
    switch (PathProbe::kindAt(base)) {
    case PathProbe::Kind::Other:
        return InstallResult::BDIR;
    case PathProbe::Kind::Nothing:
        if (!createFoldersRecursivelyInPath(base)) {
            Platform::current().log(QStringLiteral("Failed to create folder at %1").arg(base));
            return InstallResult::BDIR;
        }
        break;
    case PathProbe::Kind::Folder:
        break;
    }
    return pathIsFolder(base) ? InstallResult::Success : InstallResult::BDIR;
}

int TrackPackage::refuseHostileEntries() const
{
    // Every entry is judged before the first file is written, so a refused package writes
    // nothing at all.
    qint64 totalSize = 0;
    for (const ZLibCompFileMetaData &entry : m_compFileMetaData) {
        const qint64 dataOffset = qint64(m_baseOffset) + entry.baseRelOffset();
        if (entry.unCompSize() < 0 || entry.compSize() < 0
            || !PackageCursor::rangeIsInside(m_pkgFileData, dataOffset, entry.compSize()))
            return InstallResult::UCOMP;
        if (climbsOut(entry.relPath()) || climbsOut(entry.relFilePath())) {
            Platform::current().log(
                QStringLiteral("Refused path outside the install folder: %1").arg(entry.relFilePath()));
            return InstallResult::FDIR;
        }
        if (holdsNul(entry.relFilePath())) {
            Platform::current().log(QStringLiteral("Refused path with a NUL character: %1")
                                        .arg(QString(entry.relFilePath()).replace(QChar(u'\0'), u'?')));
            return InstallResult::FDIR;
        }
        totalSize += entry.unCompSize();
    }
    const QStorageInfo storage(m_absoluteInstallPath);
    if (storage.isValid() && totalSize > storage.bytesAvailable()) {
        Platform::current().log(QStringLiteral("Not enough free space at %1").arg(m_absoluteInstallPath));
        return InstallResult::WRITE;
    }
    return InstallResult::Success;
}

int TrackPackage::expandPackageTo(const QString &target, bool askToOverwrite)
{
    m_absoluteInstallPath = resolvedPath(target);
    if (const int code = prepareInstallBase())
        return code;
    if (!versionIsAccepted())
        return InstallResult::MISC;
    if (const int code = refuseHostileEntries())
        return code;

    PackageExtractor extractor(m_pkgFileData, m_baseOffset, m_absoluteInstallPath, askToOverwrite);
    const qint64 total = m_compFileMetaData.size();
    for (qint64 i = 0; i < total; ++i) {
        const PackageExtractor::Result result = extractor.extract(m_compFileMetaData.at(i));
        if (result.code != InstallResult::Success)
            return result.code;
        if (result.isTrackFile)
            m_absoluteTrackFilePath = result.outputPath;
        reportProgress(i + 1, total);
    }
    return InstallResult::Success;
}
