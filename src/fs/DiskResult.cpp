// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DiskResult.h"

#include <cstring>

namespace {

QString reason(int error)
{
    return error ? QString::fromLocal8Bit(std::strerror(error)) : QStringLiteral("unknown error");
}

} // namespace

QString DiskResult::describe() const
{
    return QStringLiteral("cannot %1 '%2': %3").arg(operation, path, reason(error));
}

QString DiskResult::logLine(const QString &work, const QString &folder) const
{
    const QString at = step.isEmpty() || step == operation ? QString() : QStringLiteral(" (%1)").arg(step);
    return QStringLiteral("%1 into %2 failed: cannot %3 '%4'%5: %6")
        .arg(work, folder, operation, path, at, reason(error));
}
