// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SpaceSurvey.h"

#include "InstallFolder.h"
#include "platform/FileName.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

SpaceSurvey::SpaceSurvey(InstallFolder &folder, bool mayReplace)
    : m_folder(folder)
    , m_mayReplace(mayReplace)
{
    struct stat base;
    const dev_t device = ::fstat(folder.baseFd(), &base) == 0 ? base.st_dev : 0;
    m_folders.insert(QString(), {true, device});
    noteDevice(folder.baseFd(), device);
}

bool SpaceSurvey::Room::fits() const
{
    // Room for the largest replacement's temporary copy, which exists beside the old file
    // until it takes its place.
    const quint64 replacementInodes = largestReplaced > 0 ? 1 : 0;
    return (!blocksCounted || blocksNeeded + largestReplaced <= blocksFree)
           && (!inodesCounted || inodesNeeded + replacementInodes <= inodesFree);
}

void SpaceSurvey::noteDevice(int folderFd, dev_t device)
{
    if (m_rooms.contains(device))
        return;
    Room room;
    struct statvfs info;
    if (::fstatvfs(folderFd, &info) == 0) {
        room.blockSize = std::max<quint64>(info.f_frsize, 1);
        room.blocksFree = info.f_bavail;
        room.inodesFree = info.f_favail;
        // ramfs reports no blocks at all, some file systems no inode count: nothing to check.
        room.blocksCounted = info.f_blocks > 0;
        room.inodesCounted = info.f_files > 0;
    }
    m_rooms.insert(device, room);
}

bool SpaceSurvey::lookUncached(const QString &key, FolderInfo *info)
{
    // `info` holds the parent, which exists.
    const InstallFolder::Folder folder = m_folder.folder(key, false);
    struct stat found;
    switch (folder.status) {
    case InstallFolder::Status::Ok:
        if (::fstat(folder.fd, &found) == 0 && found.st_dev != info->device) {
            info->device = found.st_dev;
            noteDevice(folder.fd, found.st_dev);
        }
        return true;
    case InstallFolder::Status::RefusedLink:
        m_refused = folder.failure(QStringLiteral("follow link"));
        return false;
    case InstallFolder::Status::Missing:
    case InstallFolder::Status::NotAFolder: // the install will fail there; count it as new
    case InstallFolder::Status::Failed:
        break;
    }
    info->exists = false;
    ++m_newFolders[info->device];
    return true;
}

bool SpaceSurvey::look(const QString &key, FolderInfo *info)
{
    // Walks up to the nearest folder already looked at, then down again, one level at a time.
    QStringList unknown;
    QString at = key;
    auto known = m_folders.constFind(at);
    while (known == m_folders.cend()) {
        unknown.append(at);
        at = InstallFolder::parentOf(at);
        known = m_folders.constFind(at);
    }
    FolderInfo current = known.value();
    for (auto it = unknown.crbegin(); it != unknown.crend(); ++it) {
        if (current.exists) {
            if (!lookUncached(*it, &current))
                return false;
        } else {
            ++m_newFolders[current.device];
        }
        m_folders.insert(*it, current);
    }
    *info = current;
    return true;
}

bool SpaceSurvey::lookAtFolders(qsizetype count, const PlannedFiles &fileAt)
{
    m_fileFolders.clear();
    m_fileFolders.reserve(count);
    QString lastRelPath, folderKey;
    FolderInfo info;
    for (qsizetype i = 0; i < count; ++i) {
        const PlannedFile file = fileAt(i);
        if (file.folder != lastRelPath || lastRelPath.isNull()) {
            lastRelPath = file.folder;
            folderKey = InstallFolder::normalised(lastRelPath);
            if (!look(folderKey, &info))
                return false;
        }
        // The entry's folder is made; its file goes in the folder its full path names, which
        // differs when the name holds a separator or the folder doesn't end with one.
        if (InstallFolder::liesDirectlyIn(file.folder, file.name)) {
            m_fileFolders.append(folderKey);
            continue;
        }
        m_fileFolders.append(InstallFolder::parentOf(InstallFolder::normalised(file.folder + file.name)));
        if (!look(m_fileFolders.last(), &info))
            return false;
    }
    return true;
}

quint64 SpaceSurvey::blocksFor(const Room &room, qint64 size) const
{
    return (quint64(size) + room.blockSize - 1) / room.blockSize;
}

bool SpaceSurvey::exists(const QString &folderKey, const QString &relFilePath)
{
    const QString name = InstallFolder::lastComponentOf(InstallFolder::normalised(relFilePath));
    const InstallFolder::Folder folder = m_folder.folder(folderKey, false);
    struct stat info;
    return !name.isEmpty() && folder.status == InstallFolder::Status::Ok
           && ::fstatat(folder.fd, FileName::encode(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

void SpaceSurvey::countFiles(qsizetype count, const PlannedFiles &fileAt, bool lookForExisting)
{
    for (auto room = m_rooms.begin(); room != m_rooms.end(); ++room) {
        const quint64 folders = m_newFolders.value(room.key());
        room->blocksNeeded = folders; // a block each for the folders to make
        room->inodesNeeded = folders;
        room->largestReplaced = 0;
    }
    // Entries come folder by folder: each folder is looked up once per run of its entries.
    const QString *lastKey = nullptr;
    FolderInfo folder;
    Room *room = nullptr;
    for (qsizetype i = 0; i < count; ++i) {
        const QString &key = m_fileFolders.at(i);
        const PlannedFile file = fileAt(i);
        if (!lastKey || key != *lastKey) {
            folder = m_folders.value(key);
            room = &m_rooms[folder.device];
            lastKey = &key;
        }
        const quint64 blocks = blocksFor(*room, file.size);
        if (lookForExisting && folder.exists && exists(key, file.folder + file.name)) {
            if (m_mayReplace)
                room->largestReplaced = std::max(room->largestReplaced, blocks);
            continue;
        }
        room->blocksNeeded += blocks;
        room->inodesNeeded += 1;
    }
}

bool SpaceSurvey::everythingFits() const
{
    return std::all_of(m_rooms.cbegin(), m_rooms.cend(), [](const Room &room) { return room.fits(); });
}

DiskResult SpaceSurvey::survey(qsizetype count, const PlannedFiles &fileAt)
{
    if (!lookAtFolders(count, fileAt))
        return m_refused;
    // Counting every file as new is an upper bound that needs no look at each file; only a
    // package that doesn't fit that way is counted file by file.
    countFiles(count, fileAt, false);
    if (everythingFits())
        return {};
    countFiles(count, fileAt, true);
    if (everythingFits())
        return {};
    return DiskResult::failed(QStringLiteral("make room"), "statvfs", ENOSPC);
}
