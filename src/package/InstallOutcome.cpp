// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallOutcome.h"

#include <cstring>

namespace {

QString refusalLine(InstallOutcome::Refusal refusal, const QString &path, const QString &installBase)
{
    using Refusal = InstallOutcome::Refusal;
    switch (refusal) {
    case Refusal::None:
        break;
    case Refusal::OutsideFolder:
        return QStringLiteral("Refused path outside the install folder: %1").arg(path);
    case Refusal::NulCharacter:
        return QStringLiteral("Refused path with a NUL character: %1").arg(QString(path).replace(QChar(u'\0'), u'?'));
    case Refusal::SimulatorProgram:
        return QStringLiteral("Refused entry in the simulator's program folder: %1").arg(path);
    case Refusal::PathTooLong:
        return QStringLiteral("Refused path too long to create: %1").arg(path);
    case Refusal::NameTooLong:
        return QStringLiteral("Refused name too long to create: %1").arg(path);
    case Refusal::OtherUsersLink:
        return QStringLiteral("Refused link owned by another user: %1/%2").arg(installBase, path);
    case Refusal::FolderInTheWay:
        return QStringLiteral("folder ovewrite rejected: %1").arg(path);
    case Refusal::NoRoom:
        return QStringLiteral("Not enough free space at %1").arg(installBase);
    case Refusal::FolderNotMade:
        return QStringLiteral("Failed to create folder at %1").arg(path);
    }
    return QString();
}

} // namespace

QStringList InstallOutcome::logLines(const QString &installBase) const
{
    QStringList lines;
    if (lockError)
        lines << QStringLiteral("Installing into %1 without a lock (%2): another install into it could run at the "
                                "same time")
                     .arg(installBase, QString::fromLocal8Bit(std::strerror(lockError)));
    if (refusal != Refusal::None)
        lines << refusalLine(refusal, refusedPath, installBase);
    if (!cause.ok())
        lines << cause.logLine(QStringLiteral("Install"), installBase);
    return lines;
}
