// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageCheck.h"

#include "package/PackageExtractor.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>

#include <zlib.h>

namespace {

// An entry may declare any size, and a short stream is padded with zeros up to it, so a few
// bytes can ask for gigabytes: such packages are only loaded, so each check stays quick.
constexpr qint64 MostBytesInstalled = 8 * 1024 * 1024;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An entry's stored bytes inflated, cut or padded with zeros to its size.
QByteArray inflated(const TrackPackage &package, const ZLibCompFileMetaData &entry)
{
    const QByteArray stored = package.pkgFileData().mid(qsizetype(package.baseOffset()) + entry.baseRelOffset(),
                                                        entry.compSize());
    QByteArray out(PackageExtractor::outputBufferCapacity(entry.unCompSize()), '\0');
    uLongf produced = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef *>(out.data()), &produced,
                   reinterpret_cast<const Bytef *>(stored.constData()), uLong(stored.size()))
        != Z_OK)
        return QByteArrayLiteral("<does not inflate>");
    out.truncate(entry.unCompSize());
    return out;
}

QString installedFault(const TrackPackage &package, const QString &base)
{
    const QList<ZLibCompFileMetaData> &entries = package.compFileMetaData();
    QStringList expected;
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) { // the last of a path wins
        QStringList components = entry->relFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        components.removeAll(QStringLiteral("."));
        const QString path = components.join(QLatin1Char('/'));
        if (expected.contains(path))
            continue;
        expected << path;
        if (readFile(base + QLatin1Char('/') + entry->relFilePath()) != inflated(package, *entry))
            return QStringLiteral("%1 does not hold its inflated bytes").arg(path);
    }
    QString trackFile;
    for (const ZLibCompFileMetaData &entry : entries) {
        const QString output = base + QLatin1Char('/') + entry.relFilePath();
        if (PackageExtractor::carriesTrackFileMark(output))
            trackFile = output;
    }
    if (package.absoluteTrackFilePath() != trackFile)
        return QStringLiteral("the track file recorded is %1").arg(package.absoluteTrackFilePath());
    QStringList written;
    for (QDirIterator it(base, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext();)
        written << QDir(base).relativeFilePath(it.next());
    written.sort();
    expected.sort();
    return written == expected ? QString() : QStringLiteral("files written: %1").arg(written.join(QLatin1Char(' ')));
}

} // namespace

PackageCheck checkPackage(const QByteArray &bytes, const QString &workFolder)
{
    PackageCheck check;
    const QString packagePath = workFolder + QStringLiteral("/package.zcpack");
    const QString base = workFolder + QStringLiteral("/install");
    QFile file(packagePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        check.fault = QStringLiteral("cannot write %1").arg(packagePath);
        return check;
    }
    file.close();

    TrackPackage package;
    check.loaded = package.loadPackageFileAtPath(packagePath);
    qint64 declared = 0;
    for (const ZLibCompFileMetaData &entry : package.compFileMetaData())
        declared += qMax<qint32>(entry.unCompSize(), 0);
    if (!QList<int>{0, -1, -2, -3, -4, -5}.contains(check.loaded))
        check.fault = QStringLiteral("load result code %1").arg(check.loaded);
    else if (check.loaded == LoadResult::Loaded && qint64(package.pkgFilesCount()) != package.numFilesInPkg())
        check.fault =
            QStringLiteral("%1 entries loaded of %2").arg(package.pkgFilesCount()).arg(package.numFilesInPkg());
    if (check.loaded != LoadResult::Loaded || declared > MostBytesInstalled || !check.fault.isEmpty()) {
        QFile::remove(packagePath);
        return check;
    }

    bool asked = false;
    package.setOverwriteQuery([&asked](const QString &) {
        asked = true;
        return OverwriteAnswer::Keep;
    });
    // Twice: into a new folder, then over what the first install left.
    for (int round = 0; round < 2 && check.fault.isEmpty(); ++round) {
        check.installed = package.expandPackageTo(base, false);
        const QStringList beside =
            QDir(workFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        if (check.installed > InstallResult::Success || check.installed < InstallResult::MISC)
            check.fault = QStringLiteral("install result code %1").arg(check.installed);
        else if (asked)
            check.fault = QStringLiteral("asked with asking off");
        else if (!QSet<QString>{QStringLiteral("package.zcpack"), QStringLiteral("install")}.contains(
                     QSet<QString>(beside.cbegin(), beside.cend())))
            check.fault = QStringLiteral("written beside the install folder: %1").arg(beside.join(QLatin1Char(' ')));
        else if (check.installed == InstallResult::Success)
            check.fault = installedFault(package, base);
        if (check.installed != InstallResult::Success)
            break;
    }
    QDir(base).removeRecursively();
    QFile::remove(packagePath);
    return check;
}
