// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ContentHash.h"
#include "OverwriteQuery.h"
#include "ZLibCompFileMetaData.h"

#include <QByteArray>
#include <QString>

class InstallFolder;
class InstallObserver;

// Writes the entries of one extraction call, one at a time: inflates an entry into a buffer
// that is reused from entry to entry, makes its folder, asks the query before replacing a
// file, and writes it. Asking, once turned off by ReplaceAll, stays off for the rest of this
// call only.
// Every folder and file is reached through the install folder's open descriptors. An observer,
// when given, is told each change before it is made, with the hash of the bytes to be written.
class PackageExtractor
{
public:
    struct Result
    {
        int code = 0;
        bool isTrackFile = false;
        QString outputPath;
    };

    PackageExtractor(const QByteArray &packageData, qint32 baseOffset, const QString &installBase,
                     InstallFolder &folder, bool askToOverwrite, OverwriteQuery overwriteQuery,
                     InstallObserver *observer = nullptr);
    ~PackageExtractor();

    Result extract(const ZLibCompFileMetaData &entry);

    // Output buffer capacity for an entry: unCompSize × 1.01 + 12, as a single-precision
    // value truncated to whole bytes (0 gives 12, 100 gives 113).
    static qint64 outputBufferCapacity(qint32 unCompSize);
    // Whether an output path names a track file: ".zctrack", or else ".ZCT", in any case.
    static bool carriesTrackFileMark(const QString &outputPath);

private:
    enum class Overwrite { Write, Keep, Refuse };
    enum class Attempt { Done, FolderGone };

    bool inflate(const ZLibCompFileMetaData &entry);
    const QString &folderKey(const QString &relPath);
    Attempt makeFolder(const ZLibCompFileMetaData &entry, int *folderFd, int *code);
    int fileFolder(const ZLibCompFileMetaData &entry, int madeFd, int *folderFd, QByteArray *name);
    Attempt place(const ZLibCompFileMetaData &entry, const ContentHash &hash, Result *result);
    Overwrite decideOverwrite(const ZLibCompFileMetaData &entry, const QString &outputPath, bool existsAsFolder);
    int refuseFolderOverwrite(const QString &outputPath);
    int refusedLink(const QString &stoppedAt);
    bool growBuffer(qint64 capacity);

    const QByteArray &m_packageData;
    const qint32 m_baseOffset;
    const QString m_installBase;
    InstallFolder &m_folder;
    bool m_askToOverwrite;
    // A copy: a query may set another on the package while it is being asked.
    const OverwriteQuery m_overwriteQuery;
    InstallObserver *const m_observer;
    char *m_buffer = nullptr;
    qint64 m_bufferCapacity = 0;
    QString m_lastRelPath; // entries come folder by folder: normalise each folder once
    QString m_lastFolderKey;
};
