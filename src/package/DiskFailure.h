// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Why an install stopped at a file or folder: what it was doing, where inside the install
// folder, and the system's reason. The status texts stay as they are; this is said beside them
// ("cannot replace 'Tracks/loop.zctrack': Permission denied"), so that a user can act on it.
struct DiskFailure
{
    QString operation; // "write", "replace", "create folder", "lock", "record" …
    QString step;      // the system call's part in it, for the log: "link", "rename" …
    QString path;      // relative to the install folder
    int error = 0;

    bool isSet() const { return !operation.isEmpty(); }
    // "cannot replace 'Tracks/loop.zctrack': Permission denied"
    QString describe() const;
    // The log's line: the step too, and the install folder.
    QString logLine(const QString &installBase) const { return logLine(QStringLiteral("Install"), installBase); }
    // As above, for `work` ("Install", "Undo") into the folder.
    QString logLine(const QString &work, const QString &installBase) const;
};
