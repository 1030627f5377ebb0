// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallRepair.h"

#include "InstallUndo.h"
#include "fs/InstallFolder.h"
#include "platform/FileName.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString InstallRepair::Repair::text() const
{
    const bool install = record.state == InstallRecord::State::Journal;
    QStringList done;
    if (!removed.isEmpty())
        done << QStringLiteral("removed %1, which it had only begun to write").arg(removed);
    if (temporaries > 0)
        done << QStringLiteral("removed %1 hidden temporary file(s)").arg(temporaries);
    return QStringLiteral("Repaired what the killed %1 of \"%2\" %3 %4 left: %5.")
        .arg(install ? QStringLiteral("install") : QStringLiteral("undo"), record.title,
             install ? QStringLiteral("into") : QStringLiteral("in"), record.installBase,
             done.join(QStringLiteral("; ")));
}

InstallRepair::InstallRepair(const RecordStore &store)
    : m_store(store)
{
}

QList<InstallRepair::Repair> InstallRepair::run() const
{
    QList<Repair> repairs;
    for (const auto state : {InstallRecord::State::Journal, InstallRecord::State::Undoing}) {
        for (const QString &id : m_store.ids(state)) {
            if (const std::optional<Repair> repaired = repair(id))
                repairs << *repaired;
        }
    }
    return repairs;
}

bool InstallRepair::isInstallFolder(const InstallFolder &folder, const InstallRecord &record)
{
    struct stat info;
    if (!folder.isOpen() || ::fstat(folder.baseFd(), &info) != 0)
        return false;
    return !record.baseIdentity
           || record.baseIdentity->sameFolder(FolderIdentity{quint64(info.st_dev), quint64(info.st_ino)},
                                              !folder.baseReachedThroughLink());
}

std::optional<InstallRepair::Repair> InstallRepair::repair(const QString &id) const
{
    Repair repair;
    QString error;
    if (!m_store.load(id, &repair.record, &error))
        return std::nullopt;
    // Reached as an undo reaches it: a link put in the folder's place leads the repair nowhere.
    InstallFolder folder(repair.record.installBase, InstallFolder::BasePath::ByLinkRule);
    if (!isInstallFolder(folder, repair.record) || !folder.tryLock() || folder.lockError() != 0)
        return std::nullopt;
    // Read again under the lock: the install or undo may have ended in the meantime. One that
    // ended with its record left a journal (its rename failed) wrote every file whole.
    InstallRecord &record = repair.record;
    if (!m_store.load(id, &record, &error) || record.state == InstallRecord::State::Ended)
        return std::nullopt;
    const bool journal = record.state == InstallRecord::State::Journal;
    if ((journal && record.result) || !record.pathOutside().isNull())
        return std::nullopt;
    if (journal)
        repair.removed = removeCutShort(folder, record);
    repair.temporaries = InstallUndo::removeStaged(folder, record);
    if (repair.removed.isEmpty() && repair.temporaries == 0)
        return std::nullopt;
    return repair;
}

// The journal's record loses the file: what a later install writes at that path, even empty,
// is never taken for this one's.
QString InstallRepair::removeCutShort(InstallFolder &folder, const InstallRecord &record) const
{
    const int index = record.fileIndex().value(record.lastNoted, -1);
    if (index < 0)
        return QString();
    const RecordedFile file = record.files.at(index);
    const InstallFolder::Folder parent = folder.folder(InstallFolder::parentOf(file.path), false);
    const QByteArray name = FileName::encode(InstallFolder::lastComponentOf(file.path));
    struct stat info;
    if (file.replaced || file.notKept || file.size == 0 || parent.status != InstallFolder::Status::Ok
        || ::fstatat(parent.fd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)
        || info.st_size != 0 || ::unlinkat(parent.fd, name.constData(), 0) != 0)
        return QString();
    InstallRecord repaired = record;
    repaired.files.removeAt(index);
    m_store.write(repaired);
    return file.path;
}
