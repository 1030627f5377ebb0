// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "OutcomeCode.h"

namespace OutcomeCode {

QString of(LoadResult code)
{
    switch (code) {
    case LoadResult::Loaded:
        return Ok;
    case LoadResult::CannotOpen:
        return QStringLiteral("OPEN");
    case LoadResult::NotAPackage:
        return QStringLiteral("NOTPKG");
    case LoadResult::FileCountMismatch:
        return QStringLiteral("COUNT");
    case LoadResult::VersionNotAccepted:
        return QStringLiteral("VERSION");
    }
    return QStringLiteral("MISC");
}

QString of(InstallResult code)
{
    return code == InstallResult::Success ? Ok : InstallText::tag(code);
}

} // namespace OutcomeCode
