// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallOutcome.h"
#include "OverwriteQuery.h"
#include "PackageContents.h"
#include "fs/InstallFolder.h"

#include <functional>

class InstallFolder;
class InstallObserver;

// Installs a loaded package's files under a folder: prepares the folder, refuses hostile
// entries before anything is written, takes the folder's lock, surveys the room, then writes
// every entry in order (workers inflate ahead) and says how it went in one InstallOutcome.
class PackageInstaller
{
public:
    // Who is asked, told and shown what an install does.
    struct Settings
    {
        OverwriteQuery overwriteQuery;
        InstallObserver *observer = nullptr; // not owned
        // Whether every question will be answered No: then no room is held back for a copy.
        bool replacesNothing = false;
        // Bytes of the entries' content written of all of them: after each file, between the
        // steps of a large one, and while the install waits (a lock, a large entry's inflate),
        // so that a bar shows that it works.
        std::function<void(qint64 done, qint64 total)> progress;
        std::function<void()> lockWaitBegins;
        // Between looks at another install's lock; empty: asleep.
        InstallFolder::LockPause lockWaitPause;
    };

    PackageInstaller(const PackageContents &package, Settings settings);

    // Installs into `installBase`, already resolved; `askToOverwrite` off replaces existing
    // files without a question.
    InstallOutcome install(const QString &installBase, bool askToOverwrite);

    // Whether an entry's sizes make sense and its data lies inside the package file.
    static bool dataIsInside(const PackageContents &package, const ZLibCompFileMetaData &entry);

private:
    bool prepareInstallBase(InstallOutcome *outcome) const;
    bool refuseHostileEntries(InstallOutcome *outcome) const;
    bool lockAndSurvey(InstallFolder &folder, InstallOutcome *outcome) const;
    void extractEntries(InstallFolder &folder, bool askToOverwrite, InstallOutcome *outcome) const;
    void reportProgress(qint64 done) const;
    static qint64 contentSize(const QList<ZLibCompFileMetaData> &entries);

    const PackageContents &m_package;
    const Settings m_settings;
    QString m_installBase;
    qint64 m_totalBytes = 0;
};
