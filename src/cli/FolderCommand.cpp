// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FolderCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "OutcomeCode.h"
#include "install/InstallLocation.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "platform/PlainText.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

QString notValidMessage()
{
    return QCoreApplication::translate("FolderCommand",
                                       "The current install location is not valid. Please choose another.");
}

QString yesNo(bool value)
{
    return value ? QCoreApplication::translate("FolderCommand", "yes")
                 : QCoreApplication::translate("FolderCommand", "no");
}

} // namespace

const QCommandLineOption FolderCommand::NotSimulatorOption(
    QStringLiteral("not-simulator"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption", "DIR is known not to be a simulator folder: accept any existing "
                                                      "folder. Tracks installed there cannot be ridden.")));

FolderCommand::FolderCommand()
{
    name = QStringLiteral("folder");
    usage = QStringLiteral("folder [DIR [--not-simulator]]");
    summary = tr("Show the stored simulator folder, or check and store DIR.");
    positionalArguments = {{QStringLiteral("DIR"), tr("The folder to store: one that holds ZoomcrestSimulator.app."),
                            QStringLiteral("[DIR]")}};
    options = {NotSimulatorOption};
}

int FolderCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.size() > 1)
        return usageError(tr("unexpected argument '%1'").arg(arguments.at(1)));
    if (arguments.isEmpty()) {
        if (parser.isSet(NotSimulatorOption))
            return usageError(tr("--not-simulator needs a folder"));
        return show();
    }
    if (arguments.first().isEmpty())
        return usageError(tr("the folder is empty"));
    return store(arguments.first(), parser.isSet(NotSimulatorOption));
}

int FolderCommand::show()
{
    const QString folder = InstallLocation::storedFolderPath();
    const bool knownFolderNotForZC = InstallLocation::storedKnownFolderNotForZC();
    const bool valid = InstallLocation::isValid(folder, knownFolderNotForZC);
    const int width = 24;
    Console::out(tr("Simulator folder:").leftJustified(width) + PlainText::oneLine(folder));
    Console::out(tr("Override flag:").leftJustified(width)
                 + (knownFolderNotForZC ? tr("yes (known not to be a simulator folder)") : tr("no")));
    Console::out(tr("Valid install location:").leftJustified(width) + yesNo(valid));
    return valid ? ExitStatus::Success : ExitStatus::Refused;
}

void FolderCommand::reportNotValid(const QString &path, const QString &noSimulatorHint, bool json)
{
    const QString cause = TrackPackage::pathIsFolder(path)
                              ? tr("'%1' holds no ZoomcrestSimulator.app").arg(path) + noSimulatorHint
                              : tr("'%1' is not an existing folder.").arg(path);
    fail(OutcomeCode::Location, tr("Not A Valid Install Location: ") + notValidMessage(), cause, json,
         {{QStringLiteral("installBase"), path}});
}

int FolderCommand::store(const QString &folder, bool knownFolderNotForZC)
{
    // The desktop program reads this path from anywhere, so it is stored absolute (against the
    // working folder's bytes: QDir::current() would decode them lossily).
    const QString path = QDir::cleanPath(FileName::absolute(folder));
    if (!InstallLocation::isValid(path, knownFolderNotForZC)) {
        reportNotValid(path, tr("; add --not-simulator to use it anyway."));
        return ExitStatus::Refused;
    }
    if (!InstallLocation::store(path, knownFolderNotForZC)) {
        const Alert notSaved = InstallLocation::notSavedAlert();
        Console::failure(notSaved.title + QStringLiteral(": ") + PlainText::oneLine(notSaved.message));
        return ExitStatus::Refused;
    }
    Console::note(tr("Simulator folder stored: ") + PlainText::oneLine(path));
    if (knownFolderNotForZC)
        Console::note(tr("(known not to be a simulator folder)"));
    return ExitStatus::Success;
}
