// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RecordStore.h"

#include "fs/DurableFile.h"
#include "fs/Fd.h"
#include "fs/FileBytes.h"
#include "fs/PathProbe.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const Extensions[] = {".journal", ".record", ".undoing"};

QString extensionOf(InstallRecord::State state)
{
    return QString::fromLatin1(Extensions[int(state)]);
}

bool makeFolder(const QString &path)
{
    if (::mkdir(FileName::encode(path).constData(), 0700) == 0 || errno == EEXIST)
        return PathProbe::kindAt(path) == PathProbe::Kind::Folder;
    return false;
}

// The names in `folder`, as the system has them; a folder that isn't there has none.
QStringList namesIn(const QString &folder, DiskResult *listed = nullptr)
{
    QStringList names;
    DIR *dir = ::opendir(FileName::encode(folder).constData());
    if (!dir && errno != ENOENT && listed)
        *listed = DiskResult::failed(QStringLiteral("read"), "opendir", errno, folder);
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir))
        names << FileName::decode(QByteArray(entry->d_name));
    ::closedir(dir);
    return names;
}

thread_local qint64 bytesCounted = 0; // by countBytes(), which nftw() gives no context

int countBytes(const char *, const struct stat *info, int type, struct FTW *)
{
    if (type == FTW_F && S_ISREG(info->st_mode))
        bytesCounted += info->st_size;
    return 0;
}

} // namespace

QString RecordStore::standardFolder()
{
    // Where QStandardPaths looks, but read as bytes: it would decode $XDG_DATA_HOME and $HOME
    // the lossy way, and a home folder named in Latin-1 would lose its records.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME"), home = qgetenv("HOME");
    QString folder;
    if (QStandardPaths::isTestModeEnabled())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    else if (!dataHome.isEmpty())
        folder = FileName::decode(dataHome);
    else if (!home.isEmpty())
        folder = QDir::cleanPath(FileName::decode(home)) + QStringLiteral("/.local/share");
    else
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return folder + QStringLiteral("/zc-cratewright");
}

RecordStore::RecordStore(const QString &folder)
    : m_folder(folder)
{
}

QString RecordStore::recordsFolder() const
{
    return m_folder + QStringLiteral("/records");
}

QString RecordStore::storeFolder() const
{
    return m_folder + QStringLiteral("/store");
}

bool RecordStore::makeFolders() const
{
    TrackPackage::createFoldersRecursivelyInPath(FileName::absolute(m_folder).section(QLatin1Char('/'), 0, -2));
    return makeFolder(m_folder) && makeFolder(recordsFolder()) && makeFolder(storeFolder());
}

QString RecordStore::newId(const QDateTime &time)
{
    static const char Letters[] = "abcdefghijkmnpqrstuvwxyz23456789";
    QString id = time.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-"));
    // Drawn from the system: a generator's state would be shared by processes forked from one.
    for (int i = 0; i < 4; ++i)
        id += QLatin1Char(Letters[QRandomGenerator::system()->bounded(int(sizeof Letters - 1))]);
    return id;
}

quint64 RecordStore::takeSequence() const
{
    // The counter's own lock orders installs into different folders; those into one folder take
    // it while they hold that folder's lock, so their numbers follow the order of their writes.
    const Fd fd(::open(FileName::encode(m_folder + QStringLiteral("/sequence")).constData(),
                       O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    while (fd && ::flock(fd.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat info;
    QByteArray text;
    if (!fd || ::fstat(fd.get(), &info) != 0 || FileBytes::read(fd.get(), info.st_size, &text) != 0)
        return 0;
    bool counted = false;
    quint64 next = text.toULongLong(&counted) + 1;
    // New, or lost since: never a number that a record has already.
    for (const InstallRecord &record : counted ? QList<InstallRecord>() : records())
        next = std::max(next, record.sequence.value_or(0) + 1);
    // Of one width, so that the new number overwrites the old one whole.
    const QByteArray written = QByteArray::number(next).rightJustified(20, '0');
    if (::pwrite(fd.get(), written.constData(), size_t(written.size()), 0) != written.size()
        || ::fdatasync(fd.get()) != 0)
        return 0;
    return next;
}

QString RecordStore::pathOf(const QString &id, InstallRecord::State state) const
{
    return recordsFolder() + QLatin1Char('/') + id + extensionOf(state);
}

QList<InstallRecord> RecordStore::records(QStringList *unreadable, DiskResult *listed) const
{
    QList<InstallRecord> records;
    QStringList ids;
    DiskResult listing;
    for (const QString &name : namesIn(recordsFolder(), &listing)) {
        for (const auto state :
             {InstallRecord::State::Journal, InstallRecord::State::Ended, InstallRecord::State::Undoing}) {
            if (name.endsWith(extensionOf(state)) && !name.startsWith(QLatin1Char('.'))
                && PathProbe::kindAt(recordsFolder() + QLatin1Char('/') + name) == PathProbe::Kind::Other)
                ids << name.chopped(extensionOf(state).size());
        }
    }
    if (listed)
        *listed = listing;
    ids.removeDuplicates();
    ids.sort();
    for (const QString &id : std::as_const(ids)) {
        InstallRecord record;
        QString error;
        if (load(id, &record, &error))
            records << record;
        else if (unreadable)
            *unreadable << id + QStringLiteral(": ") + error;
    }
    std::sort(records.begin(), records.end(),
              [](const InstallRecord &a, const InstallRecord &b) { return a.isLaterThan(b); });
    return records;
}

QStringList RecordStore::ids(InstallRecord::State state) const
{
    QStringList ids;
    for (const QString &name : namesIn(recordsFolder())) {
        if (name.endsWith(extensionOf(state)) && !name.startsWith(QLatin1Char('.')))
            ids << name.chopped(extensionOf(state).size());
    }
    return ids;
}

bool RecordStore::load(const QString &id, InstallRecord *record, QString *error) const
{
    // A record being undone comes first: its undo was begun and must be finished.
    for (const auto state :
         {InstallRecord::State::Undoing, InstallRecord::State::Ended, InstallRecord::State::Journal}) {
        // Opened by its bytes, then read by Qt: QFile would re-encode the name.
        const Fd fd(::open(FileName::encode(pathOf(id, state)).constData(), O_RDONLY | O_CLOEXEC));
        struct stat info;
        QByteArray text;
        if (!fd || ::fstat(fd.get(), &info) != 0 || FileBytes::read(fd.get(), info.st_size, &text) != 0)
            continue;
        if (!InstallRecord::parse(text, record, error))
            return false;
        if (record->id != id) {
            *error = QStringLiteral("it names another install (%1)").arg(record->id);
            return false;
        }
        record->state = state;
        return true;
    }
    *error = QStringLiteral("no install has the id %1").arg(id);
    return false;
}

DiskResult RecordStore::write(const InstallRecord &record) const
{
    return DurableFile::write(recordsFolder(), record.id + extensionOf(record.state), record.serialized());
}

DiskResult RecordStore::move(InstallRecord &record, InstallRecord::State state) const
{
    if (record.state == state)
        return DurableFile::touch(recordsFolder());
    const QString from = pathOf(record.id, record.state);
    if (std::rename(FileName::encode(from).constData(), FileName::encode(pathOf(record.id, state)).constData()) != 0)
        return DiskResult::failed(QStringLiteral("rename"), "rename", errno, from);
    record.state = state;
    return DurableFile::syncFolder(recordsFolder());
}

DiskResult RecordStore::remove(const InstallRecord &record) const
{
    if (const DiskResult removed = DurableFile::remove(pathOf(record.id, record.state)); !removed.ok())
        return removed;
    return DurableFile::syncFolder(recordsFolder());
}

qint64 RecordStore::size() const
{
    bytesCounted = 0;
    ::nftw(FileName::encode(m_folder).constData(), countBytes, 16, FTW_PHYS);
    return bytesCounted;
}
