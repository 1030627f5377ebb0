// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ContentHash.h"
#include "ResultCodes.h"

#include <QByteArray>
#include <QString>

// Told what an extraction changes in the install folder, as it goes, so that the install can
// be undone: whoever keeps the record of an install implements it. Every call comes before the
// change it announces, while the install folder is locked; paths are relative to the install
// base and normalised (InstallFolder::normalised). A record is our addition: whatever goes wrong
// in keeping it, the install goes on, so no call can stop it.
class InstallObserver
{
public:
    virtual ~InstallObserver() = default;

    // The install base, resolved and locked, before anything is written; `baseFd` is the folder
    // as the install opened it.
    virtual void installBegins(const QString &installBase, int baseFd) = 0;
    // A folder the install has just made.
    virtual void folderMade(const QString &path) = 0;
    // A file is about to be written at `path` with `size` bytes hashing to `hash`.
    virtual void fileToBeWritten(const QString &path, qint64 size, const ContentHash &hash) = 0;
    // Something stood at `path` already, so nothing was written there (yet).
    virtual void fileFound(const QString &path) = 0;
    // The file `name` in the folder `folderFd` (at `path`) is about to be replaced by what the
    // last fileToBeWritten() announced for that path: its original is kept first, where it can be.
    virtual void fileToBeReplaced(int folderFd, const QByteArray &name, const QString &path) = 0;
    // What the last fileToBeWritten() announced for `path` could not be written: whatever stood
    // there is as it was, and nothing of the install is there.
    virtual void fileNotWritten(const QString &path) = 0;
    // The extraction ended with `code`, the folder still locked.
    virtual void installEnds(InstallResult code) = 0;
};
