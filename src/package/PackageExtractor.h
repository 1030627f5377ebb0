// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ContentHash.h"
#include "InstallOutcome.h"
#include "OverwriteQuery.h"
#include "ZLibCompFileMetaData.h"
#include "fs/EntryFile.h"

#include <QString>

class InstallFolder;
class InstallObserver;

// Writes the entries of one extraction call, one at a time, from their inflated bytes: makes
// an entry's folder, asks the query before replacing a file, and writes it. Asking, once turned
// off by ReplaceAll, stays off for the rest of this call only.
// Every folder and file is reached through the install folder's open descriptors. An observer,
// when given, is told each change before it is made, with the hash of the bytes to be written.
class PackageExtractor
{
public:
    struct Result
    {
        InstallResult code = InstallResult::Success;
        bool isTrackFile = false;
        QString outputPath; // set for a track file
        DiskResult cause;   // what failed, where and why, when a write or a folder did
        InstallOutcome::Refusal refusal = InstallOutcome::Refusal::None;
        QString refusedPath;

        bool isOk() const { return code == InstallResult::Success; }
        void refuse(InstallResult withCode, InstallOutcome::Refusal why, const QString &path)
        {
            code = withCode;
            refusal = why;
            refusedPath = path;
        }
    };

    PackageExtractor(const QString &installBase, InstallFolder &folder, bool askToOverwrite,
                     OverwriteQuery overwriteQuery, InstallObserver *observer = nullptr);

    // `bytes`: the entry's unCompSize bytes, or nullptr when its stream doesn't inflate; `hash`:
    // theirs, for the observer; `file`: an unnamed file that holds them already, to be given
    // the entry's name rather than written anew, or -1.
    Result extract(const ZLibCompFileMetaData &entry, const char *bytes, const ContentHash &hash = {}, int file = -1);

    // Told how far a large file's write got, step by step; it may give the file up (see
    // EntryFile::WriteSteps), which fails the entry with WRITE and EINTR.
    void setWriteSteps(EntryFile::WriteSteps steps) { m_writeSteps = std::move(steps); }

    // What stands at `name`: a link counts as a file (it is replaced, never written through),
    // unless it leads to a folder, which is refused as a folder would be. `mode` is the old
    // file's mode when it is a regular file, for the replacement to keep.
    enum class Existing { Nothing, Folder, File };
    static Existing existingAt(int folderFd, const QByteArray &name, uint *mode);

    // Whether an output path names a track file: ".zctrack", or else ".ZCT", in any case.
    static bool carriesTrackFileMark(const QString &outputPath);

    // The path an install's record keeps for an entry, given its folder as normalised: the
    // one spelling that undo, list and a dry run match recorded files by.
    static QString recordedPath(const ZLibCompFileMetaData &entry, const QString &folderKey);

private:
    enum class Overwrite { Write, Keep };
    enum class Attempt { Done, FolderGone };

    // Per entry, without joining the folder and the name, which costs more than the rest of
    // the checks in an install of many small files.
    static bool marksTrackFile(const ZLibCompFileMetaData &entry);
    static bool namesFolder(const ZLibCompFileMetaData &entry);
    QString outputPath(const ZLibCompFileMetaData &entry) const;
    const QString &folderKey(const QString &relPath);
    Attempt makeFolder(const ZLibCompFileMetaData &entry, int *folderFd, Result *result);
    const QString &recordedPath(const ZLibCompFileMetaData &entry);
    bool fileFolder(const ZLibCompFileMetaData &entry, int madeFd, int *folderFd, QByteArray *name, Result *result);
    void failedWrite(const ZLibCompFileMetaData &entry, const DiskResult &written, Result *result);
    Attempt place(const ZLibCompFileMetaData &entry, const EntryFile::Content &content, const ContentHash &hash,
                  Result *result);
    Attempt write(const ZLibCompFileMetaData &entry, int folderFd, const QByteArray &name,
                  const EntryFile::Content &content, const ContentHash &hash, Result *result);
    Overwrite decideOverwrite(const ZLibCompFileMetaData &entry);
    void refuseFolderOverwrite(const ZLibCompFileMetaData &entry, Result *result);

    const QString m_installBase;
    InstallFolder &m_folder;
    bool m_askToOverwrite;
    // A copy: a query may set another on the package while it is being asked.
    const OverwriteQuery m_overwriteQuery;
    InstallObserver *const m_observer;
    QString m_lastRelPath; // entries come folder by folder: normalise each folder once
    QString m_lastFolderKey;
    QString m_recordedPath;  // the entry's, in space kept from one entry to the next
    int m_lastFolderFd = -1; // the folder made for m_lastRelPath
    quint64 m_lastClosings = 0;
    EntryFile::WriteSteps m_writeSteps;
};
