// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "package/ResultCodes.h"

#include <QString>

// The names that `--json` gives each outcome in "code", for programs to test against: the
// texts beside them are for people and may change or be translated, these never are.
namespace OutcomeCode {

inline const QString Ok = QStringLiteral("OK");
// The command line itself was wrong.
inline const QString Usage = QStringLiteral("USAGE");
// The stored simulator folder is not a valid install location.
inline const QString Location = QStringLiteral("LOCATION");
// The install worked, the simulator could not be started on it.
inline const QString Ride = QStringLiteral("RIDE");
// No recorded install has the id or title, or several share the title.
inline const QString NoRecord = QStringLiteral("NORECORD");
inline const QString Ambiguous = QStringLiteral("AMBIGUOUS");
// An uninstall refused (a damaged record, a folder that isn't the install's, ...) or left
// half done.
inline const QString Refused = QStringLiteral("REFUSED");
inline const QString Failed = QStringLiteral("FAILED");
// Stopped by a signal; the install's own tag for that too.
inline const QString Stopped = QStringLiteral("STOP");
// The data folder can't be read to list the recorded installs.
inline const QString Records = QStringLiteral("RECORDS");

// "OPEN", "NOTPKG", "COUNT", "VERSION" for the load codes -3, -1, -2, -4; "OK" once loaded.
QString of(LoadResult code);
// The tag of the status text ("WRITE" for "Error Installing Package (WRITE/-2)."), "OK" for
// success.
QString of(InstallResult code);

} // namespace OutcomeCode
