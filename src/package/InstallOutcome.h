// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ResultCodes.h"
#include "fs/DiskResult.h"

#include <QString>
#include <QStringList>

// What one extraction came to: its code, the track file it left, how far it got, and why it
// stopped where it failed. Nothing below the caller logs; the log's lines are made from this.
struct InstallOutcome
{
    // What an install refused to do, each with its own log line.
    enum class Refusal {
        None,
        OutsideFolder,    // an entry path climbs out of the install folder
        NulCharacter,     // an entry path holds a NUL
        SimulatorProgram, // an entry path leads into the simulator's program folder
        PathTooLong,      // longer than any file system call takes
        NameTooLong,      // a component longer than the file system takes
        OtherUsersLink,   // a folder lies behind a link of another user's
        FolderInTheWay,   // an entry output path is an existing folder
        NoRoom,           // what the install would write doesn't fit
        FolderNotMade,    // a folder could not be created
    };

    InstallResult code = InstallResult::Success;
    // The output path of the last entry that carries the track file mark, written or kept.
    QString trackFile;
    qint64 filesDone = 0;
    // The file or folder that failed and the system's reason, for the user.
    DiskResult cause;
    Refusal refusal = Refusal::None;
    // What the refusal's line names: an entry path, an output path or a folder.
    QString refusedPath;
    // Why the install went on without its folder's lock (0: it had the lock).
    int lockError = 0;

    bool ok() const { return code == InstallResult::Success; }
    // The failure as one line for the user ("cannot replace 'x': Permission denied"), or empty.
    QString causeText() const { return cause.ok() ? QString() : cause.describe(); }
    // The log's lines for an extraction into `installBase`, in the order things happened.
    QStringList logLines(const QString &installBase) const;
};
