// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ZLibCompFileMetaData.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class InstallFolder;

// Looks at the install folder before anything is written. A package is refused when one of
// its folders lies behind a symbolic link that the install may not follow (FDIR), or when what
// it would newly write can't fit on the file system that would hold it, counted in blocks and
// in inodes (WRITE). Both refusals are logged.
class InstallSurvey
{
public:
    // `mayReplace`: whether an existing file may be replaced, which needs room for a copy.
    InstallSurvey(InstallFolder &folder, const QString &installBase, bool mayReplace = true);

    int survey(const QList<ZLibCompFileMetaData> &entries);

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
    bool lookAtFolders(const QList<ZLibCompFileMetaData> &entries);
    void countFiles(const QList<ZLibCompFileMetaData> &entries, bool lookForExisting);
    bool exists(const QString &folderKey, const QString &relFilePath);
    bool everythingFits() const;

    InstallFolder &m_folder;
    const QString m_installBase;
    const bool m_mayReplace;
    QHash<QString, FolderInfo> m_folders;
    QHash<dev_t, Room> m_rooms;
    QHash<dev_t, quint64> m_newFolders;
    QStringList m_fileFolders; // per entry, the normalised folder its file goes in
};
