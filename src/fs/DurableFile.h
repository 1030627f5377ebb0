// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DiskResult.h"

#include <QByteArray>
#include <QString>

// Files of the data folder that must survive a crash whole: written under a hidden temporary
// name, synced, renamed into place, and the folder synced.
namespace DurableFile {

// Writes `bytes` as `name` in the open folder `folderFd` (replacing what was there).
DiskResult writeAt(int folderFd, const QByteArray &name, const QByteArray &bytes);
DiskResult write(const QString &folder, const QString &name, const QByteArray &bytes);
DiskResult syncFolder(const QString &folder);
// Whether the folder takes new files now: one is made and removed.
DiskResult touch(const QString &folder);
// Removes the file at `path` (by its bytes: QFile would re-encode the name); fails when it
// could not be removed, or was not there.
DiskResult remove(const QString &path);

} // namespace DurableFile
