// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallOutcome.h"
#include "OverwriteQuery.h"
#include "PackageContents.h"
#include "PackageReader.h"
#include "ResultCodes.h"
#include "fs/InstallFolder.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class InstallObserver;

// A track package in memory: what was read from its file (PackageContents), and what its last
// install did. It loads a package (PackageReader), extracts it under a folder
// (PackageInstaller), writes the log's lines for both, and offers the path helpers that
// extraction and the preferences use.
class TrackPackage
{
public:
    TrackPackage() = default;

    // Loaded, or why not (see ResultCodes.h). Every value is kept as soon as it is read.
    LoadResult loadPackageFileAtPath(const QString &path);
    // The same for a package already read into memory (from standard input), known by `name`.
    LoadResult loadPackageBytes(const QByteArray &bytes, const QString &name);

    // Extracts every entry under `target`, asking the overwrite query before an existing file
    // is replaced.
    InstallResult expandPackageTo(const QString &target);
    // As above; with `askToOverwrite` off existing files are replaced without a question.
    InstallResult expandPackageTo(const QString &target, bool askToOverwrite);
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
    QString pkgTitle() const { return m_contents.pkgTitle; }
    QString pkgAuthor() const { return m_contents.pkgAuthor; }
    QString pkgComments() const { return m_contents.pkgComments; }
    uint pkgFilesCount() const { return uint(m_contents.compFileMetaData.size()); }
    QByteArray pkgFileData() const { return m_contents.pkgFileData; }
    QString absoluteInstallPath() const { return m_absoluteInstallPath; }
    QString absoluteTrackFilePath() const { return m_absoluteTrackFilePath; }
    // Everything the last load read: the path it was given, version, offsets and entries.
    const PackageContents &contents() const { return m_contents; }

    // Called with (entries done, entries in all) while a load or an extraction runs, so that
    // a window can keep itself painted. Long work calls it often; the handler throttles.
    using ProgressHandler = std::function<void(qint64 done, qint64 total)>;
    void setProgressHandler(ProgressHandler handler) { m_progressHandler = std::move(handler); }
    // Called once when an extraction has to wait for another install into the same folder;
    // the progress handler is then called while it waits.
    using LockWaitHandler = std::function<void()>;
    void setLockWaitHandler(LockWaitHandler handler) { m_lockWaitHandler = std::move(handler); }
    // Spends each pause of that wait; returning false stops the install (InstallResult::Stopped,
    // nothing written). Empty: the wait sleeps.
    void setLockWaitPause(InstallFolder::LockPause pause) { m_lockWaitPause = std::move(pause); }
    // How the last extraction went: files done, the cause of a failure.
    const InstallOutcome &lastInstall() const { return m_lastInstall; }

private:
    LoadResult loaded(const PackageReader::Outcome &read, const QString &name);

    PackageContents m_contents;
    bool m_pkgLoaded = false;
    QString m_absoluteInstallPath = QStringLiteral("");
    QString m_absoluteTrackFilePath = QStringLiteral("");
    InstallOutcome m_lastInstall;
    bool m_replacesNothing = false;
    ProgressHandler m_progressHandler;
    LockWaitHandler m_lockWaitHandler;
    InstallFolder::LockPause m_lockWaitPause;
    OverwriteQuery m_overwriteQuery = platformOverwriteQuery();
    InstallObserver *m_installObserver = nullptr;
};
