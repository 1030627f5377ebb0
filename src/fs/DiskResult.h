// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// What one operation on a file or folder came to: nothing (it worked), or what it was doing,
// the system call it failed in, where, and the system's reason. Every fallible call of the disk
// layer returns one and the layers above pass it on unchanged, so the reason a user finally
// reads is the errno of the call that failed, never one read later.
//
// The status texts stay as they are; this is said beside them ("cannot replace
// 'Tracks/loop.zctrack': Permission denied"), so that a user can act on it.
struct DiskResult
{
    QString operation; // "write", "replace", "create folder", "lock", "record" …
    QString step;      // the system call's part in it, for the log: "link", "rename" …
    QString path;      // relative to the folder worked in
    int error = 0;

    static DiskResult failed(const QString &operation, const char *step, int error, const QString &path = QString())
    {
        return {operation, QString::fromLatin1(step), path, error};
    }

    bool ok() const { return error == 0; }
    bool failedWith(int errorNumber) const { return error == errorNumber; }
    // The same failure, said of `path`.
    DiskResult at(const QString &where) const { return {operation, step, where, error}; }
    // The same failure, as part of `work` ("replace" for a write that replaces).
    DiskResult as(const QString &work) const { return {work, step, path, error}; }

    // "cannot replace 'Tracks/loop.zctrack': Permission denied"
    QString describe() const;
    // The log's line: the step too, and the folder of `work` ("Install", "Undo").
    QString logLine(const QString &work, const QString &folder) const;
};
