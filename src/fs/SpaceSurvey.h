// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DiskResult.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

class InstallFolder;

// Looks at the install folder before anything is written. An install is refused when one of
// its folders lies behind a symbolic link that it may not follow (the result fails with EPERM,
// operation "follow link", at that folder), or when what it would newly write can't fit on the
// file system that would hold it, counted in blocks and in inodes (ENOSPC, "make room").
class SpaceSurvey
{
public:
    // One file an install means to write: its folder as the package spells it (relative, maybe
    // not normalised), its name and its size.
    struct PlannedFile
    {
        QString folder;
        QString name;
        qint64 size = 0;
    };
    // The files by index, so that a package's own list is read in place, not copied.
    using PlannedFiles = std::function<PlannedFile(qsizetype index)>;

    // `mayReplace`: whether an existing file may be replaced, which needs room for a copy.
    explicit SpaceSurvey(InstallFolder &folder, bool mayReplace = true);

    DiskResult survey(qsizetype count, const PlannedFiles &fileAt);

private:
    struct FolderInfo
    {
        bool exists = false;
        dev_t device = 0;
    };
    struct Room
    {
        quint64 blockSize = 1;
        quint64 blocksFree = 0;
        quint64 inodesFree = 0;
        bool blocksCounted = false; // false where the file system reports no capacity
        bool inodesCounted = false;
        quint64 blocksNeeded = 0;
        quint64 inodesNeeded = 0;
        quint64 largestReplaced = 0;
        bool fits() const;
    };

    // The folder at a normalised relative path; false when it lies behind a refused link.
    bool look(const QString &key, FolderInfo *info);
    bool lookUncached(const QString &key, FolderInfo *info);
    void noteDevice(int folderFd, dev_t device);
    quint64 blocksFor(const Room &room, qint64 size) const;
    bool lookAtFolders(qsizetype count, const PlannedFiles &fileAt);
    void countFiles(qsizetype count, const PlannedFiles &fileAt, bool lookForExisting);
    bool exists(const QString &folderKey, const QString &relFilePath);
    bool everythingFits() const;

    InstallFolder &m_folder;
    const bool m_mayReplace;
    QHash<QString, FolderInfo> m_folders;
    QHash<dev_t, Room> m_rooms;
    QHash<dev_t, quint64> m_newFolders;
    QStringList m_fileFolders; // per entry, the normalised folder its file goes in
    DiskResult m_refused;      // the link a folder lies behind, when one was refused
};
