// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FolderCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "install/InstallLocation.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "platform/PlainText.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

const QString NotValidMessage = QStringLiteral("The current install location is not valid. Please choose another.");

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

const QCommandLineOption FolderCommand::NotSimulatorOption(
    QStringLiteral("not-simulator"),
    QStringLiteral("DIR is known not to be a simulator folder: accept any existing folder. Tracks "
                   "installed there cannot be ridden."));

FolderCommand::FolderCommand()
{
    name = QStringLiteral("folder");
    usage = QStringLiteral("folder [DIR [--not-simulator]]");
    summary = QStringLiteral("Show the stored simulator folder, or check and store DIR.");
    positionalArguments = {{QStringLiteral("DIR"),
                            QStringLiteral("The folder to store: one that holds ZoomcrestSimulator.app."),
                            QStringLiteral("[DIR]")}};
    options = {NotSimulatorOption};
}

int FolderCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.size() > 1)
        return usageError(QStringLiteral("unexpected argument '%1'").arg(arguments.at(1)));
    if (arguments.isEmpty()) {
        if (parser.isSet(NotSimulatorOption))
            return usageError(QStringLiteral("--not-simulator needs a folder"));
        return show();
    }
    if (arguments.first().isEmpty())
        return usageError(QStringLiteral("the folder is empty"));
    return store(arguments.first(), parser.isSet(NotSimulatorOption));
}

int FolderCommand::show()
{
    const QString folder = InstallLocation::storedFolderPath();
    const bool knownFolderNotForZC = InstallLocation::storedKnownFolderNotForZC();
    const bool valid = InstallLocation::isValid(folder, knownFolderNotForZC);
    const int width = 24;
    Console::out(QStringLiteral("Simulator folder:").leftJustified(width) + PlainText::oneLine(folder));
    Console::out(
        QStringLiteral("Override flag:").leftJustified(width)
        + (knownFolderNotForZC ? QStringLiteral("yes (known not to be a simulator folder)") : QStringLiteral("no")));
    Console::out(QStringLiteral("Valid install location:").leftJustified(width) + yesNo(valid));
    return valid ? ExitStatus::Success : ExitStatus::Refused;
}

void FolderCommand::reportNotValid(const QString &path, const QString &noSimulatorHint)
{
    Console::err(QStringLiteral("Not A Valid Install Location: ") + NotValidMessage);
    if (!TrackPackage::pathIsFolder(path))
        Console::err(QStringLiteral("'%1' is not an existing folder.").arg(PlainText::oneLine(path)));
    else
        Console::err(QStringLiteral("'%1' holds no ZoomcrestSimulator.app").arg(PlainText::oneLine(path))
                     + noSimulatorHint);
}

int FolderCommand::store(const QString &folder, bool knownFolderNotForZC)
{
    // The desktop program reads this path from anywhere, so it is stored absolute (against the
    // working folder's bytes: QDir::current() would decode them lossily).
    const QString path = QDir::cleanPath(FileName::absolute(folder));
    if (!InstallLocation::isValid(path, knownFolderNotForZC)) {
        reportNotValid(path, QStringLiteral("; add --not-simulator to use it anyway."));
        return ExitStatus::Refused;
    }
    if (!InstallLocation::store(path, knownFolderNotForZC)) {
        const Alert notSaved = InstallLocation::notSavedAlert();
        Console::err(notSaved.title + QStringLiteral(": ") + PlainText::oneLine(notSaved.message));
        return ExitStatus::Refused;
    }
    Console::note(QStringLiteral("Simulator folder stored: ") + PlainText::oneLine(path));
    if (knownFolderNotForZC)
        Console::note(QStringLiteral("(known not to be a simulator folder)"));
    return ExitStatus::Success;
}
