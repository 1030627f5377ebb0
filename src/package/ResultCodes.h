// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Alert.h"

#include <QString>

// Load result codes of TrackPackage::loadPackageFileAtPath, in the order they are checked.
enum class LoadResult : int {
    Loaded = 0,
    CannotOpen = -3, // also a file too large to hold in memory: the log says which
    VersionNotAccepted = -4,
    NotAPackage = -1,
    FileCountMismatch = -2,
};

// Install result codes of TrackPackage::expandPackageTo, each with its tag.
enum class InstallResult : int {
    Success = 0,
    UCOMP = -1,
    WRITE = -2,
    BDIR = -3,
    FDIR = -4,
    FLDROW = -5,
    MISC = -6,
    // Stopped between files by SIGINT, SIGTERM or SIGHUP.
    Stopped = -7,
};

// The number a code is shown and stored with.
constexpr int number(LoadResult code)
{
    return static_cast<int>(code);
}
constexpr int number(InstallResult code)
{
    return static_cast<int>(code);
}

namespace LoadText {
// The "File Open Error" message for a failed load.
QString message(LoadResult code);
// The alert that reports a failed load: "File Open Error" with that message.
Alert failureAlert(LoadResult code);
} // namespace LoadText

namespace InstallText {
// "UCOMP" … "MISC"; MISC for any code outside the table.
QString tag(InstallResult code);
// The status text shown for an install result.
QString statusText(InstallResult code);
// What an install that was stopped reports.
QString stoppedText(qint64 done, qint64 total);
// Shown while an install waits for another one into the same folder.
QString waitingText();
// The question asked before an existing file is replaced; the file is named by its path
// inside the package, not by where it lies on disk. Yes is the default button, No the
// alternate, Yes To All the other.
Alert overwriteAlert(const QString &relFilePath);
} // namespace InstallText

// Who to tell when something happens that should not.
extern const char *const MaintainerContactAddress;
