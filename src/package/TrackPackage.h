// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DiskFailure.h"
#include "OverwriteQuery.h"
#include "ZLibCompFileMetaData.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class InstallFolder;
class InstallObserver;

// A track package in memory: the whole file, its version, title, author and comments, and one
// record per file entry. It loads a package (plain or self-extracting; found through the last
// eight bytes), extracts it under a folder, and offers the path helpers that extraction and
// the preferences use.
class TrackPackage
{
public:
    TrackPackage() = default;

    // 0 loaded, -3 cannot open (or too large to read), -4 version not accepted, -1 not a
    // package, -2 file count mismatch (see ResultCodes.h). Every value is kept as soon as it is
    // read.
    int loadPackageFileAtPath(const QString &path);

    // Extracts every entry under `target`, asking the overwrite query before an existing file
    // is replaced.
    int expandPackageTo(const QString &target);
    // As above; with `askToOverwrite` off existing files are replaced without a question.
    int expandPackageTo(const QString &target, bool askToOverwrite);
    // Who is asked before an existing file is replaced. Until one is set, and after an empty
    // one, it is the platform's question (platformOverwriteQuery()), so a caller that never
    // thinks about it still asks the user.
    void setOverwriteQuery(OverwriteQuery query);
    // Whether no existing file will be replaced (every question is answered No): then no room
    // is held back for a replacement's copy. Off by default.
    void setReplacesNothing(bool replacesNothing) { m_replacesNothing = replacesNothing; }
    // Who is told, as an extraction goes, what it changes (not owned; none by default).
    void setInstallObserver(InstallObserver *observer) { m_installObserver = observer; }

    // The four bytes at `atOffset` as a little-endian signed 32-bit value; 0 when they don't
    // all lie inside `data`.
    static qint32 longFromLittleEndianData(const QByteArray &data, qint32 atOffset);
    // The byte at `atOffset` as a signed value; 0 when it lies outside `data`.
    static qint8 charFromOneByteData(const QByteArray &data, qint32 atOffset);

    // Path helpers (implemented in TrackPackagePaths.cpp).
    static QString resolvedPath(const QString &path);
    static bool createFoldersRecursivelyInPath(const QString &path);
    static bool pathIsFolder(const QString &path);
    static bool pathIsZCInstallFolder(const QString &path);

    bool pkgLoaded() const { return m_pkgLoaded; }
    QString pkgTitle() const { return m_pkgTitle; }
    QString pkgAuthor() const { return m_pkgAuthor; }
    QString pkgComments() const { return m_pkgComments; }
    uint pkgFilesCount() const { return uint(m_compFileMetaData.size()); }
    QByteArray pkgFileData() const { return m_pkgFileData; }
    // The path the package was last loaded from, as given.
    QString pkgFilePath() const { return m_pkgFilePath; }
    QString absoluteInstallPath() const { return m_absoluteInstallPath; }
    QString absoluteTrackFilePath() const { return m_absoluteTrackFilePath; }

    const QList<ZLibCompFileMetaData> &compFileMetaData() const { return m_compFileMetaData; }
    qint8 pkgFileVerMaj() const { return m_pkgFileVerMaj; }
    qint8 pkgFileVerMin() const { return m_pkgFileVerMin; }
    qint8 pkgFileVerRev() const { return m_pkgFileVerRev; }
    qint32 trkInfoHeaderOffset() const { return m_trkInfoHeaderOffset; }
    qint32 pkgHeaderOffset() const { return m_pkgHeaderOffset; }
    qint32 baseOffset() const { return m_baseOffset; }
    qint32 numFilesInPkg() const { return m_numFilesInPkg; }

    // Called with (entries done, entries in all) while a load or an extraction runs, so that
    // a window can keep itself painted. Long work calls it often; the handler throttles.
    using ProgressHandler = std::function<void(qint64 done, qint64 total)>;
    void setProgressHandler(ProgressHandler handler) { m_progressHandler = std::move(handler); }
    // Called once when an extraction has to wait for another install into the same folder;
    // the progress handler is then called while it waits.
    using LockWaitHandler = std::function<void()>;
    void setLockWaitHandler(LockWaitHandler handler) { m_lockWaitHandler = std::move(handler); }
    // Entries written or kept by the last extraction, so far.
    qint64 entriesDone() const { return m_entriesDone; }
    // What made the last extraction fail at a file or folder, and why; unset otherwise.
    const DiskFailure &lastFailure() const { return m_failure; }
    // That failure as one line for the user ("cannot replace 'x': Permission denied"), or empty.
    QString failureCause() const { return m_failure.isSet() ? m_failure.describe() : QString(); }

private:
    bool versionIsAccepted() const;
    int prepareInstallBase();
    int fail(int code, const DiskFailure &failure);
    int refuseHostileEntries() const;
    int waitForLock(InstallFolder &folder);
    int extractEntries(InstallFolder &folder, bool askToOverwrite);
    void reportProgress(qint64 done, qint64 total) const;

    QByteArray m_pkgFileData;
    QString m_pkgFilePath;
    QString m_pkgTitle;
    QString m_pkgAuthor;
    QString m_pkgComments;
    QString m_absoluteInstallPath = QStringLiteral("");
    QString m_absoluteTrackFilePath = QStringLiteral("");
    QList<ZLibCompFileMetaData> m_compFileMetaData;
    bool m_pkgLoaded = false;
    qint8 m_pkgFileVerMaj = 0;
    qint8 m_pkgFileVerMin = 0;
    qint8 m_pkgFileVerRev = 0;
    qint32 m_trkInfoHeaderOffset = 0;
    qint32 m_pkgHeaderOffset = 0;
    qint32 m_baseOffset = 0;
    qint32 m_numFilesInPkg = 0;
    qint64 m_entriesDone = 0;
    bool m_replacesNothing = false;
    DiskFailure m_failure;
    ProgressHandler m_progressHandler;
    LockWaitHandler m_lockWaitHandler;
    OverwriteQuery m_overwriteQuery = platformOverwriteQuery();
    InstallObserver *m_installObserver = nullptr;
};
