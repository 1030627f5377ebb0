// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Command.h"

#include "Console.h"
#include "ExitStatus.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/PlainText.h"
#include "records/InstallRepair.h"

const QCommandLineOption Command::JsonOption(QStringLiteral("json"),
                                             QStringLiteral("Print one JSON object instead of text."));
const Command::Argument Command::PackageArgument{QStringLiteral("PACKAGE"), QStringLiteral("The track package file."),
                                                 QString()};

Command::~Command() = default;

int Command::usageError(const QString &error) const
{
    Console::err(QStringLiteral("cratewright: ") + error);
    Console::err(QStringLiteral("Usage: cratewright ") + usage);
    Console::err(QStringLiteral("Try 'cratewright %1 --help' for more information.").arg(name));
    return ExitStatus::UsageError;
}

bool Command::loadPackage(TrackPackage &package, const QString &path)
{
    const LoadResult code = package.loadPackageFileAtPath(path);
    if (code == LoadResult::Loaded)
        return true;
    Console::err(LoadText::message(code));
    return false;
}

void Command::repairInterrupted(const RecordStore &store)
{
    for (const InstallRepair::Repair &repair : InstallRepair(store).run())
        Console::err(QStringLiteral("cratewright: ") + PlainText::oneLine(repair.text()));
}
