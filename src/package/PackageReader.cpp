// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageReader.h"

#include "PackageCursor.h"
#include "TrackPackage.h"
#include "fs/Fd.h"
#include "fs/FileBytes.h"
#include "platform/FileName.h"

#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString TrackInfoTag = QStringLiteral("ZCTI");
const QString PackageHeaderTag = QStringLiteral("ZCSE");
// The smallest file entry: three lengths and two offsets, with empty strings.
constexpr qint64 SmallestEntrySize = 20;

// Whether a file of `size` bytes could be held in memory whole. More than the machine has
// never can; where memory is overcommitted, trying would not fail but end in the kernel's
// out-of-memory killer.
bool fitsInMemory(qint64 size)
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0 && size / pageSize >= pages)
        return false;
    return size < std::numeric_limits<qsizetype>::max();
}

// The four bytes at `offset` as text; empty when they don't lie in the file, which then
// differs from every tag.
QString tagAt(const QByteArray &data, qint64 offset)
{
    if (!PackageCursor::rangeIsInside(data, offset, 4))
        return QString();
    return QString::fromLatin1(data.constData() + offset, 4);
}

bool readEntry(PackageCursor &cursor, ZLibCompFileMetaData *entry)
{
    QString folder, name;
    qint32 dataOffset = 0, unCompSize = 0, compSize = 0;
    if (!cursor.readString(&folder) || !cursor.readString(&name) || !cursor.readLong(&dataOffset)
        || !cursor.readLong(&unCompSize) || !cursor.readLong(&compSize))
        return false;
    entry->setRelPath(folder);
    entry->setFilename(name);
    entry->setBaseRelOffset(dataOffset);
    entry->setUncompSize(unCompSize);
    entry->setCompSize(compSize);
    return true;
}

} // namespace

PackageReader::PackageReader(PackageContents &into, ProgressHandler progress)
    : m_contents(into)
    , m_progress(std::move(progress))
{
}

PackageReader::Outcome PackageReader::readWholeFile(const QString &path)
{
    QByteArray &data = m_contents.pkgFileData;
    data.clear();
    m_contents.pkgFileMapping.reset();
    // Opened by its bytes (QFile would re-encode the name), without waiting: only a regular
    // file (or a link to one) is read, as a pipe or a device handed over as a package would
    // block the read or never end.
    const Fd fd(::open(FileName::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {LoadResult::CannotOpen};
    const qint64 size = info.st_size;
    // Mapped, the package costs no memory of its own however large it is. Where it can't be
    // (a file of /proc), it is read.
    if (auto mapping = MappedFile::forReading(fd.get(), size)) {
        data = QByteArray::fromRawData(mapping->data(), qsizetype(size));
        m_contents.pkgFileMapping = std::move(mapping);
        return {LoadResult::Loaded};
    }
    if (!fitsInMemory(size))
        return {LoadResult::CannotOpen, false, size};
    try {
        // A file that got shorter since its size was taken is read as it now is.
        if (FileBytes::read(fd.get(), size, &data) != 0)
            return {LoadResult::CannotOpen};
    } catch (const std::bad_alloc &) {
        data.clear();
        return {LoadResult::CannotOpen, false, size};
    }
    return {data.isEmpty() ? LoadResult::CannotOpen : LoadResult::Loaded};
}

PackageReader::Outcome PackageReader::readVersion()
{
    // The footer and the track-info header with its version bytes must lie inside the file
    // before anything is read from them.
    PackageContents &c = m_contents;
    const qint64 length = c.pkgFileData.size();
    if (length < 8)
        return {LoadResult::NotAPackage};
    c.trkInfoHeaderOffset = PackageCursor::longAt(c.pkgFileData, length - 4);
    c.pkgHeaderOffset = PackageCursor::longAt(c.pkgFileData, length - 8);
    if (!PackageCursor::rangeIsInside(c.pkgFileData, c.trkInfoHeaderOffset, 7))
        return {LoadResult::NotAPackage};
    c.pkgFileVerMaj = TrackPackage::charFromOneByteData(c.pkgFileData, c.trkInfoHeaderOffset + 4);
    c.pkgFileVerMin = TrackPackage::charFromOneByteData(c.pkgFileData, c.trkInfoHeaderOffset + 5);
    c.pkgFileVerRev = TrackPackage::charFromOneByteData(c.pkgFileData, c.trkInfoHeaderOffset + 6);
    return {c.versionIsAccepted() ? LoadResult::Loaded : LoadResult::VersionNotAccepted, true};
}

LoadResult PackageReader::readHeaderAndEntries()
{
    PackageContents &c = m_contents;
    const QByteArray &data = c.pkgFileData;
    // The package header's fixed part must lie inside the file too.
    if (!PackageCursor::rangeIsInside(data, c.pkgHeaderOffset, 12))
        return LoadResult::NotAPackage;
    c.baseOffset = PackageCursor::longAt(data, qint64(c.pkgHeaderOffset) + 4);
    c.numFilesInPkg = PackageCursor::longAt(data, qint64(c.pkgHeaderOffset) + 8);
    if (tagAt(data, c.trkInfoHeaderOffset) != TrackInfoTag || tagAt(data, c.pkgHeaderOffset) != PackageHeaderTag
        || c.numFilesInPkg <= 0)
        return LoadResult::NotAPackage;

    PackageCursor cursor(data, qint64(c.pkgHeaderOffset) + 12);
    if (!cursor.readString(&c.pkgTitle) || !cursor.readString(&c.pkgAuthor) || !cursor.readString(&c.pkgComments))
        return LoadResult::NotAPackage;

    // A new list each time, so a second load replaces the first's entries. The reservation
    // never exceeds what the rest of the file could hold, whatever the header claims.
    QList<ZLibCompFileMetaData> entries;
    entries.reserve(qMin<qint64>(c.numFilesInPkg, cursor.remaining() / SmallestEntrySize));
    for (qint32 i = 0; i < c.numFilesInPkg; ++i) {
        ZLibCompFileMetaData entry;
        if (!readEntry(cursor, &entry))
            break; // the file ran out: the count check below reports it
        entries.append(std::move(entry));
        if (m_progress)
            m_progress(i + 1, c.numFilesInPkg);
    }
    c.compFileMetaData = std::move(entries);
    return c.compFileMetaData.size() == c.numFilesInPkg ? LoadResult::Loaded : LoadResult::FileCountMismatch;
}

PackageReader::Outcome PackageReader::read(const QString &path)
{
    m_contents.pkgFilePath = path;
    if (const Outcome read = readWholeFile(path); read.code != LoadResult::Loaded)
        return read;
    const Outcome outcome = readData();
    // A file cut short while it was read gave zeros where its end was: nothing read is sure.
    if (m_contents.pkgFileMapping && m_contents.pkgFileMapping->damaged())
        return {LoadResult::CannotOpen, outcome.versionRead};
    return outcome;
}

PackageReader::Outcome PackageReader::readBytes(const QByteArray &bytes)
{
    m_contents.pkgFileData = bytes;
    m_contents.pkgFileMapping.reset();
    return readData();
}

PackageReader::Outcome PackageReader::readData()
{
    const Outcome version = readVersion();
    if (version.code != LoadResult::Loaded)
        return version;
    return {readHeaderAndEntries(), true};
}
