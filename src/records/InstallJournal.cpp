// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallJournal.h"

#include "fs/DurableFile.h"
#include "fs/FileSystemFeatures.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Space reserved for lines at a time: about 12,000 files' worth.
constexpr qint64 ReservedAhead = qint64(1) << 20;

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString versionOf(const TrackPackage &package)
{
    const PackageContents &contents = package.contents();
    return QStringLiteral("%1.%2.%3")
        .arg(int(contents.pkgFileVerMaj))
        .arg(int(contents.pkgFileVerMin))
        .arg(int(contents.pkgFileVerRev));
}

} // namespace

InstallJournal::InstallJournal(const RecordStore &store, const TrackPackage &package)
    : m_store(store)
{
    m_record.time = QDateTime::currentDateTimeUtc();
    m_record.id = RecordStore::newId(m_record.time);
    m_record.title = package.pkgTitle();
    m_record.author = package.pkgAuthor();
    m_record.version = versionOf(package);
    m_record.packageName = QFileInfo(package.contents().pkgFilePath).fileName();
    const QByteArray data = package.pkgFileData();
    m_record.packageHash = contentHash(data.constData(), size_t(data.size()));
    m_record.state = InstallRecord::State::Journal;
}

InstallJournal::~InstallJournal()
{
    close();
}

void InstallJournal::close()
{
    if (m_fd)
        trim();
    m_fd.reset();
}

// Whatever was reserved beyond the last line goes: a finished record ends in its lines.
bool InstallJournal::trim()
{
    unmap();
    return m_writeEachLine || ::ftruncate(m_fd.get(), m_used) == 0;
}

void InstallJournal::unmap()
{
    if (m_map)
        ::munmap(m_map, size_t(m_mapEnd - m_mapStart));
    m_map = nullptr;
}

// Maps a window that holds at least `bytes` more from the last line on, its blocks allocated
// first: a store into a hole of a full disk would end the process with SIGBUS.
bool InstallJournal::reserve(qint64 bytes)
{
    static const qint64 page = ::sysconf(_SC_PAGESIZE);
    const qint64 start = m_used / page * page;
    const qint64 end = start + std::max<qint64>(ReservedAhead, (m_used - start + bytes + page - 1) / page * page);
    unmap();
    // fallocate(2) itself: glibc's stand-in for file systems without it refuses O_APPEND files.
    const bool reserved = ::fallocate(m_fd.get(), 0, start, end - start) == 0;
    if (!reserved && m_used == 0 && (errno == EOPNOTSUPP || errno == ENOSYS)) {
        m_writeEachLine = true; // a file system without fallocate: a write per line
        return true;
    }
    void *map = reserved ? ::mmap(nullptr, size_t(end - start), PROT_READ | PROT_WRITE, MAP_SHARED, m_fd.get(), start)
                         : MAP_FAILED;
    if (map == MAP_FAILED)
        return false;
    m_map = static_cast<char *>(map);
    m_mapStart = start;
    m_mapEnd = end;
    return true;
}

bool InstallJournal::append(const QByteArray &line)
{
    if (m_failed || !m_fd)
        return false;
    const qint64 size = line.size();
    bool stored = !m_writeEachLine && (m_used + size <= m_mapEnd || reserve(size));
    if (stored && !m_writeEachLine) {
        // The line feed last, after the rest: a line cut short by a kill has none, and is
        // dropped when the journal is read.
        char *at = m_map + (m_used - m_mapStart);
        std::memcpy(at, line.constData(), size_t(size - 1));
        std::atomic_signal_fence(std::memory_order_release);
        at[size - 1] = '\n';
        m_used += size;
    } else if (m_writeEachLine) {
        // O_APPEND and one write per line: the line is whole in the file or not there at all.
        stored = ::write(m_fd.get(), line.constData(), size_t(size)) == size;
        m_used += stored ? size : 0;
    }
    if (stored)
        return true;
    recordFails(QStringLiteral("cannot write its record '%1': %2")
                    .arg(m_store.pathOf(m_record.id, InstallRecord::State::Journal), reason(errno)));
    return false;
}

// The install goes on; what it writes from here on is not recorded.
void InstallJournal::recordFails(const QString &why)
{
    m_failed = true;
    const QString note = (m_changes > 0 ? QStringLiteral("this install can't be undone completely: ")
                                        : QStringLiteral("this install can't be undone: "))
                         + why;
    m_notes << note;
}

int InstallJournal::begin(const QString &path)
{
    if (!m_store.makeFolders())
        return errno;
    m_fd.reset(::open(FileName::encode(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600));
    if (!m_fd)
        return errno;
    m_contents = std::make_unique<ContentStore>(m_store.storeFolder());
    if (!m_contents->isOpen())
        return m_contents->openError();
    // Taken now, the install folder locked: installs into one folder are numbered in the order
    // of their writes, which their times (taken before they waited) need not be.
    if (const quint64 sequence = m_store.takeSequence())
        m_record.sequence = sequence;
    if (!append(m_record.headerLines()) || ::fsync(m_fd.get()) != 0)
        return errno;
    return DurableFile::syncFolder(m_store.recordsFolder()).error;
}

QStringList InstallJournal::logLines() const
{
    QStringList lines;
    for (const QString &note : m_notes)
        lines << QStringLiteral("Install into %1: %2").arg(m_record.installBase, note);
    return lines + m_otherLogLines;
}

void InstallJournal::installBegins(const QString &installBase, int baseFd)
{
    m_record.installBase = installBase;
    // An undo checks that the path still leads to this folder: a link put in its place later
    // must not lead the undo into another. Where inode numbers don't outlive a mount, the
    // check would refuse the folder itself once its disk is plugged in again: there the link
    // rule alone guards the path.
    struct stat info;
    if (FileSystemFeatures::keepsInodeNumbers(baseFd) && ::fstat(baseFd, &info) == 0)
        m_record.baseIdentity = FolderIdentity{quint64(info.st_dev), quint64(info.st_ino)};
    const QString path = m_store.pathOf(m_record.id, InstallRecord::State::Journal);
    const int error = begin(path);
    if (error == 0)
        return;
    if (m_fd)
        DurableFile::remove(path);
    close();
    if (!m_failed)
        recordFails(QStringLiteral("cannot keep its record in '%1': %2").arg(m_store.folder(), reason(error)));
}

void InstallJournal::folderMade(const QString &path)
{
    ++m_changes;
    append(InstallRecord::folderLine(path));
}

void InstallJournal::fileToBeWritten(const QString &path, qint64 size, const ContentHash &hash)
{
    ++m_changes;
    m_keptForReplacement.reset();
    m_line.resize(0);
    InstallRecord::appendFileLine(&m_line, path, size, hash);
    append(m_line);
}

void InstallJournal::fileFound(const QString &path)
{
    --m_changes;
    append(InstallRecord::foundLine(path));
}

void InstallJournal::fileToBeReplaced(int folderFd, const QByteArray &name, const QString &path)
{
    ++m_changes;
    if (m_failed)
        return;
    ContentHash original;
    uint mode = 0;
    FileOwner owner;
    const ContentStore::Lock lock(*m_contents);
    const QString why = m_contents->keep(folderFd, name, &original, &mode, &owner);
    if (!why.isEmpty()) {
        const QString note = QStringLiteral(
                                 "the original of '%1' can't be put back by an undo: it could not be kept (%2)")
                                 .arg(path, why);
        m_notes << note;
        append(InstallRecord::notKeptLine(path));
        return;
    }
    m_keptForReplacement = original;
    // Synced: after a crash, the record must find the original it names.
    if (append(InstallRecord::originalLine(path, original, mode, owner)) && ::fdatasync(m_fd.get()) != 0)
        recordFails(QStringLiteral("cannot write its record '%1': %2")
                        .arg(m_store.pathOf(m_record.id, InstallRecord::State::Journal), reason(errno)));
}

void InstallJournal::fileNotWritten(const QString &)
{
    --m_changes;
    if (m_keptForReplacement)
        m_keptInVain << *std::exchange(m_keptForReplacement, std::nullopt);
}

void InstallJournal::installEnds(InstallResult code)
{
    if (!m_fd)
        return;
    const bool ended = append(InstallRecord::endLine(number(code))) && trim() && ::fsync(m_fd.get()) == 0;
    close();
    const QString journal = m_store.pathOf(m_record.id, InstallRecord::State::Journal);
    if (m_changes <= 0) {
        // Nothing was written: nothing to undo, and nothing to list.
        DurableFile::remove(journal);
        DurableFile::syncFolder(m_store.recordsFolder());
        m_contents->removeUnreferenced(m_keptInVain, m_store);
        return;
    }
    // A journal that could not be ended stays a journal: it can still be undone.
    m_kept = true;
    if (!ended)
        return;
    const QString record = m_store.pathOf(m_record.id, InstallRecord::State::Ended);
    if (std::rename(FileName::encode(journal).constData(), FileName::encode(record).constData()) != 0) {
        const int error = errno;
        // The journal, synced with its end line, is kept under its own name: it is listed as an
        // install that never ended, with its result, and undone from its lines as any journal.
        // Nothing of the install is lost, so the install's result stands and no note is added.
        m_otherLogLines << QStringLiteral("Install into %1: its record stays the journal '%2': %3")
                               .arg(m_record.installBase, journal, reason(error));
        return;
    }
    DurableFile::syncFolder(m_store.recordsFolder());
}
