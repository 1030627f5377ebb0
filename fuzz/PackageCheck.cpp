// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageCheck.h"

#include "package/EntryInflater.h"
#include "package/PackageExtractor.h"
#include "package/PackageReader.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

// An entry may declare any size, and a short stream is padded with zeros up to it, so a few
// bytes can ask for gigabytes: such packages are only loaded, so each check stays quick.
constexpr qint64 MostBytesInstalled = 8 * 1024 * 1024;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray storedBytes(const PackageContents &contents, const ZLibCompFileMetaData &entry)
{
    return contents.pkgFileData.mid(qsizetype(contents.baseOffset) + entry.baseRelOffset(), entry.compSize());
}

// A buffer of `size` bytes, each one `fill`, kept from one call to the next (one per slot):
// a new one of megabytes for every entry would cost more in page faults than the inflation.
char *scratch(int slot, qint64 size, char fill)
{
    static thread_local QByteArray buffers[2];
    QByteArray &buffer = buffers[slot];
    size = qMax<qint64>(size, 0); // a negative size declared, which nothing inflates into
    if (buffer.size() < size)
        buffer.resize(size);
    std::memset(buffer.data(), fill, size_t(size));
    return buffer.data();
}

// The first `size` bytes of a scratch buffer, valid until it is used again; never null.
QByteArray view(const char *bytes, qint32 size)
{
    return size > 0 ? QByteArray::fromRawData(bytes, size) : QByteArray("");
}

// An entry's stored bytes inflated by the program's inflater, cut or padded with zeros to its
// size; null when they don't inflate. Valid until the next call.
QByteArray inflated(const QByteArray &stored, qint32 unCompSize)
{
    // One for all checks, as an install keeps one per worker: making one costs more than most
    // inflations here.
    static thread_local EntryInflater inflater;
    // Not zeros, so that padding left out shows.
    char *out = scratch(0, EntryInflater::outputBufferCapacity(unCompSize), '\xa5');
    if (!inflater.inflate(stored.constData(), stored.size(), unCompSize, out))
        return QByteArray();
    return view(out, unCompSize);
}

// The same with zlib, whose buffer starts as zeros, the padding; `why` gets zlib's message
// when they don't inflate.
QByteArray referenceInflated(const QByteArray &stored, qint32 unCompSize, QString *why)
{
    const qint64 capacity = EntryInflater::outputBufferCapacity(unCompSize);
    char *out = scratch(1, capacity, '\0');
    uLongf produced = uLongf(capacity);
    if (uncompress(reinterpret_cast<Bytef *>(out), &produced, reinterpret_cast<const Bytef *>(stored.constData()),
                   uLong(stored.size()))
        == Z_OK)
        return view(out, unCompSize);
    // uncompress() tells no reason: the same inflation once more, as it runs it, for zlib's
    // message.
    z_stream stream = {};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stored.constData()));
    stream.avail_in = uInt(stored.size());
    stream.next_out = reinterpret_cast<Bytef *>(out);
    stream.avail_out = uInt(capacity);
    if (inflateInit(&stream) == Z_OK) {
        inflate(&stream, Z_NO_FLUSH);
        *why = QString::fromLatin1(stream.msg ? stream.msg : "");
        inflateEnd(&stream);
    }
    return QByteArray();
}

QString installedFault(const TrackPackage &package, const QString &base)
{
    const QList<ZLibCompFileMetaData> &entries = package.contents().compFileMetaData;
    QStringList expected;
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) { // the last of a path wins
        QStringList components = entry->relFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        components.removeAll(QStringLiteral("."));
        const QString path = components.join(QLatin1Char('/'));
        if (expected.contains(path))
            continue;
        expected << path;
        const QByteArray bytes = inflated(storedBytes(package.contents(), *entry), entry->unCompSize());
        if (readFile(base + QLatin1Char('/') + entry->relFilePath()) != bytes)
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

// Whether a load ended as it may: a code from its table and, when it loaded, every entry the
// header counts, each inflated as zlib inflates it. `declared` gets the bytes the entries declare.
QString loadFault(const PackageContents &contents, int loaded, qint64 *declared)
{
    *declared = 0;
    for (const ZLibCompFileMetaData &entry : contents.compFileMetaData)
        *declared += qMax<qint32>(entry.unCompSize(), 0);
    if (!QList<int>{0, -1, -2, -3, -4, -5}.contains(loaded))
        return QStringLiteral("load result code %1").arg(loaded);
    if (loaded != number(LoadResult::Loaded))
        return QString();
    if (qint64(contents.compFileMetaData.size()) != contents.numFilesInPkg)
        return QStringLiteral("%1 entries loaded of %2")
            .arg(contents.compFileMetaData.size())
            .arg(contents.numFilesInPkg);
    return *declared <= MostBytesInstalled ? inflationDifference(contents) : QString();
}

} // namespace

PackageCheck checkRead(const QByteArray &bytes)
{
    PackageContents contents;
    PackageCheck check;
    check.loaded = number(PackageReader(contents, {}).readBytes(bytes).code);
    qint64 declared = 0;
    check.fault = loadFault(contents, check.loaded, &declared);
    return check;
}

PackageCheck checkInstall(const QByteArray &bytes, const QString &workFolder)
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
    check.loaded = number(package.loadPackageFileAtPath(packagePath));
    qint64 declared = 0;
    check.fault = loadFault(package.contents(), check.loaded, &declared);
    if (check.loaded != number(LoadResult::Loaded) || declared > MostBytesInstalled || !check.fault.isEmpty()) {
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
        check.installed = number(package.expandPackageTo(base, false));
        const QStringList beside =
            QDir(workFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        if (check.installed > number(InstallResult::Success) || check.installed < number(InstallResult::MISC))
            check.fault = QStringLiteral("install result code %1").arg(check.installed);
        else if (asked)
            check.fault = QStringLiteral("asked with asking off");
        else if (!QSet<QString>{QStringLiteral("package.zcpack"), QStringLiteral("install")}.contains(
                     QSet<QString>(beside.cbegin(), beside.cend())))
            check.fault = QStringLiteral("written beside the install folder: %1").arg(beside.join(QLatin1Char(' ')));
        else if (check.installed == number(InstallResult::Success))
            check.fault = installedFault(package, base);
        if (check.installed != number(InstallResult::Success))
            break;
    }
    QDir(base).removeRecursively();
    QFile::remove(packagePath);
    return check;
}

QString inflationDifference(const QByteArray &stored, qint32 unCompSize)
{
    // The encodings libdeflate accepts and zlib refuses, by zlib's message for each.
    static const QStringList accepted = {
        QStringLiteral("invalid literal/length code"), QStringLiteral("invalid distance code"),
        QStringLiteral("too many length or distance symbols"), QStringLiteral("invalid bit length repeat")};
    if (unCompSize < 0)
        return QString(); // refused before anything is inflated
    QString why;
    const QByteArray reference = referenceInflated(stored, unCompSize, &why);
    const QByteArray ours = inflated(stored, unCompSize);
    if (ours == reference && ours.isNull() == reference.isNull())
        return QString();
    if (reference.isNull() && accepted.contains(why))
        return QString();
    if (!ours.isNull() && !reference.isNull()) {
        const auto at = std::mismatch(ours.cbegin(), ours.cend(), reference.cbegin()).first - ours.cbegin();
        return QStringLiteral("inflated otherwise than with zlib from byte %1 of %2").arg(at).arg(ours.size());
    }
    const auto described = [](const QByteArray &bytes) {
        return bytes.isNull() ? QStringLiteral("does not inflate") : QStringLiteral("%1 bytes").arg(bytes.size());
    };
    return QStringLiteral("inflated: %1, with zlib: %2 %3").arg(described(ours), described(reference), why);
}

QString inflationDifference(const PackageContents &contents)
{
    for (const ZLibCompFileMetaData &entry : contents.compFileMetaData) {
        const QString difference = inflationDifference(storedBytes(contents, entry), entry.unCompSize());
        if (!difference.isEmpty())
            return QStringLiteral("%1/%2 %3").arg(entry.relPath(), entry.filename(), difference);
    }
    return QString();
}
