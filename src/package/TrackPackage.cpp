// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TrackPackage.h"

#include "PackageCursor.h"
#include "ResultCodes.h"
#include "platform/FileName.h"
#include "platform/Platform.h"

#include <QFile>

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

// A file that can't be held in memory can't be opened for what it is, as an unreadable one;
// the log says which it was.
int tooLargeToRead(const QString &path, qint64 size)
{
    Platform::current().log(
        QStringLiteral("Could not read %1: its %2 bytes don't fit in this process's memory").arg(path).arg(size));
    return LoadResult::CannotOpen;
}

// The whole file into `data`: CannotOpen or Loaded.
int readWholeFile(const QString &path, QByteArray *data)
{
    data->clear();
    // Opened by its bytes (QFile would re-encode the name), without waiting: only a regular
    // file (or a link to one) is read, as a pipe or a device handed over as a package would
    // block the read or never end.
    const int fd = ::open(FileName::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0)
        return LoadResult::CannotOpen;
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return LoadResult::CannotOpen;
    }
    const qint64 size = file.size();
    if (!fitsInMemory(size))
        return tooLargeToRead(path, size);
    try {
        data->resize(size);
    } catch (const std::bad_alloc &) {
        return tooLargeToRead(path, size);
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 read = file.read(data->data() + done, size - done);
        if (read < 0) {
            data->clear();
            return LoadResult::CannotOpen;
        }
        if (read == 0)
            break; // the file got shorter since its size was taken
        done += read;
    }
    data->truncate(done);
    return LoadResult::Loaded;
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

bool TrackPackage::versionIsAccepted() const
{
    return m_pkgFileVerMaj == 1 && (m_pkgFileVerMin == 3 || m_pkgFileVerMin == 5);
}

void TrackPackage::reportProgress(qint64 done, qint64 total) const
{
    if (m_progressHandler)
        m_progressHandler(done, total);
}

int TrackPackage::loadPackageFileAtPath(const QString &path)
{
    m_pkgFilePath = path;
    const int read = readWholeFile(path, &m_pkgFileData);
    if (read != LoadResult::Loaded)
        return read;
    const QByteArray &data = m_pkgFileData;
    if (data.isEmpty())
        return LoadResult::CannotOpen;

    // The footer, the track-info header with its version bytes and the package header's
    // fixed part must all lie inside the file before anything is read from them.
    const qint64 length = data.size();
    if (length < 8)
        return LoadResult::NotAPackage;
    m_trkInfoHeaderOffset = PackageCursor::longAt(data, length - 4);
    m_pkgHeaderOffset = PackageCursor::longAt(data, length - 8);
    if (!PackageCursor::rangeIsInside(data, m_trkInfoHeaderOffset, 7))
        return LoadResult::NotAPackage;

    const QString trackInfoTag = tagAt(data, m_trkInfoHeaderOffset);
    const QString packageTag = tagAt(data, m_pkgHeaderOffset);
    m_pkgFileVerMaj = charFromOneByteData(data, m_trkInfoHeaderOffset + 4);
    m_pkgFileVerMin = charFromOneByteData(data, m_trkInfoHeaderOffset + 5);
    m_pkgFileVerRev = charFromOneByteData(data, m_trkInfoHeaderOffset + 6);
    Platform::current().log(QStringLiteral("Package Version: %1.%2.%3")
                                .arg(int(m_pkgFileVerMaj))
                                .arg(int(m_pkgFileVerMin))
                                .arg(int(m_pkgFileVerRev)));
    if (!versionIsAccepted())
        return LoadResult::VersionNotAccepted;

    if (!PackageCursor::rangeIsInside(data, m_pkgHeaderOffset, 12))
        return LoadResult::NotAPackage;
    m_baseOffset = PackageCursor::longAt(data, qint64(m_pkgHeaderOffset) + 4);
    m_numFilesInPkg = PackageCursor::longAt(data, qint64(m_pkgHeaderOffset) + 8);
    if (trackInfoTag != TrackInfoTag || packageTag != PackageHeaderTag || m_numFilesInPkg <= 0)
        return LoadResult::NotAPackage;

    PackageCursor cursor(data, qint64(m_pkgHeaderOffset) + 12);
    if (!cursor.readString(&m_pkgTitle) || !cursor.readString(&m_pkgAuthor) || !cursor.readString(&m_pkgComments))
        return LoadResult::NotAPackage;

    // A new list each time, so a second load replaces the first's entries. The reservation
    // never exceeds what the rest of the file could hold, whatever the header claims.
    QList<ZLibCompFileMetaData> entries;
    entries.reserve(qMin<qint64>(m_numFilesInPkg, cursor.remaining() / SmallestEntrySize));
    for (qint32 i = 0; i < m_numFilesInPkg; ++i) {
        ZLibCompFileMetaData entry;
        if (!readEntry(cursor, &entry))
            break; // the file ran out: the count check below reports it
        entries.append(std::move(entry));
        reportProgress(i + 1, m_numFilesInPkg);
    }
    m_compFileMetaData = std::move(entries);
    if (m_compFileMetaData.size() != m_numFilesInPkg)
        return LoadResult::FileCountMismatch;

    m_pkgLoaded = true;
    return LoadResult::Loaded;
}
