// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UninstallCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "OutcomeCode.h"
#include "fs/StopSignals.h"
#include "package/ResultCodes.h"
#include "platform/FileName.h"
#include "platform/PlainText.h"
#include "platform/Platform.h"

#include <QCommandLineParser>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace {

void printEach(const QString &label, const QStringList &paths)
{
    for (const QString &path : paths)
        Console::out(label + PlainText::oneLine(path));
}

} // namespace

const QCommandLineOption UninstallCommand::DryRunOption(
    QStringLiteral("dry-run"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption", "Say what would be done, and change nothing.")));
const QCommandLineOption UninstallCommand::FolderOption(
    QStringLiteral("folder"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption",
                                     "The install folder, moved on purpose since the install, is now DIR.")),
    QStringLiteral("DIR"));

UninstallCommand::UninstallCommand()
{
    name = QStringLiteral("uninstall");
    usage = QStringLiteral("uninstall ID|TITLE [--folder DIR] [--dry-run] [--json]");
    summary = tr("Undo a recorded install: remove its files and put back the ones it replaced.");
    positionalArguments = {{QStringLiteral("ID|TITLE"),
                            tr("The install's id, as 'cratewright list' shows it, or its package's title."),
                            QString()}};
    options = {FolderOption, DryRunOption, JsonOption};
}

int UninstallCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(tr("no install given"));
    if (arguments.size() > 1)
        return usageError(tr("unexpected argument '%1'").arg(arguments.at(1)));

    const RecordStore store;
    const bool dryRun = parser.isSet(DryRunOption), json = parser.isSet(JsonOption);
    if (!dryRun) // a dry run changes nothing, not even this
        repairInterrupted(store);
    QString id;
    if (const int status = resolve(store, arguments.first(), json, &id))
        return status;
    const QString folder = parser.value(FolderOption);
    if (parser.isSet(FolderOption) && folder.isEmpty())
        return usageError(tr("--folder needs a folder"));
    InstallUndo undo(store);
    undo.setLockWaitHandler([] { Console::errNote(InstallText::waitingText()); });
    // Absolute and clean, as the record names its folder: an undo walks it from the top.
    const InstallUndo::Outcome outcome = undo.undo(
        id, dryRun, folder.isEmpty() ? QString() : QDir::cleanPath(FileName::absolute(folder)));
    for (const QString &line : outcome.logLines())
        Platform::current().log(line);
    const int status = statusOf(outcome.result);
    if (json && outcome.result != InstallUndo::Result::Undone)
        Console::failure(PlainText::lines(outcome.message));
    if (json)
        printJson(outcome, dryRun, status);
    else
        printText(outcome, dryRun);
    return status;
}

int UninstallCommand::resolve(const RecordStore &store, const QString &idOrTitle, bool json, QString *id)
{
    QStringList unreadable;
    const QList<InstallRecord> records = store.records(&unreadable);
    for (const QString &problem : std::as_const(unreadable)) {
        if (problem.section(QStringLiteral(": "), 0, 0) == idOrTitle) {
            fail(OutcomeCode::Refused, tr("The record %1 is damaged and is refused.").arg(idOrTitle),
                 problem.section(QStringLiteral(": "), 1), json, {{QStringLiteral("id"), idOrTitle}});
            return ExitStatus::Refused;
        }
    }
    QStringList titled;
    for (const InstallRecord &record : records) {
        if (record.id == idOrTitle) {
            *id = record.id;
            return ExitStatus::Success;
        }
        if (record.title == idOrTitle)
            titled << record.id;
    }
    if (titled.size() == 1) {
        *id = titled.first();
        return ExitStatus::Success;
    }
    if (titled.isEmpty())
        fail(OutcomeCode::NoRecord,
             tr("No recorded install has the id or title '%1'; 'cratewright list' shows them.")
                 .arg(PlainText::oneLine(idOrTitle)),
             QString(), json);
    else
        fail(OutcomeCode::Ambiguous,
             tr("%1 installs have the title '%2'; name one by its id: %3")
                 .arg(titled.size())
                 .arg(PlainText::oneLine(idOrTitle), titled.join(QStringLiteral(", "))),
             QString(), json, {{QStringLiteral("ids"), QJsonArray::fromStringList(titled)}});
    return ExitStatus::LoadFailed;
}

QString UninstallCommand::codeOf(InstallUndo::Result result)
{
    switch (result) {
    case InstallUndo::Result::Undone:
        return OutcomeCode::Ok;
    case InstallUndo::Result::NotFound:
        return OutcomeCode::NoRecord;
    case InstallUndo::Result::Refused:
        return OutcomeCode::Refused;
    case InstallUndo::Result::Failed:
        return OutcomeCode::Failed;
    case InstallUndo::Result::Stopped:
        break;
    }
    return OutcomeCode::Stopped;
}

int UninstallCommand::statusOf(InstallUndo::Result result)
{
    switch (result) {
    case InstallUndo::Result::Undone:
        return ExitStatus::Success;
    case InstallUndo::Result::NotFound:
        return ExitStatus::LoadFailed;
    case InstallUndo::Result::Refused:
        return ExitStatus::Refused;
    case InstallUndo::Result::Failed:
        return ExitStatus::InstallFailed;
    case InstallUndo::Result::Stopped:
        break;
    }
    return ExitStatus::interruptedBy(StopSignals::stopSignal());
}

void UninstallCommand::printText(const InstallUndo::Outcome &outcome, bool dryRun)
{
    const InstallRecord &record = outcome.record;
    if (outcome.result != InstallUndo::Result::Undone && outcome.result != InstallUndo::Result::Failed) {
        Console::failure(PlainText::oneLine(outcome.message));
        return;
    }
    printEach(dryRun ? tr("Would remove: ") : tr("Removed: "), outcome.removed);
    printEach(dryRun ? tr("Would put back the original: ") : tr("Put back the original: "), outcome.restored);
    printEach(dryRun ? tr("Would keep, changed since the install: ") : tr("Kept, changed since the install: "),
              outcome.kept);
    printEach(dryRun ? tr("Would leave to the later install that replaced it: ")
                     : tr("Left to the later install that replaced it: "),
              outcome.handedOn);
    printEach(dryRun ? tr("Would leave, its original was not kept at install time: ")
                     : tr("Left, its original was not kept at install time: "),
              outcome.notKept);
    printEach(tr("Put back, but not its owner and group (only root may give a file to another user): "),
              outcome.ownerNotRestored);
    printEach(dryRun ? tr("Would remove the folder, once empty: ") : tr("Removed the folder: "),
              outcome.foldersRemoved);
    for (const QString &path : outcome.failed)
        Console::failure(tr("Could not remove or put back: ") + PlainText::oneLine(path));
    for (const QString &cause : outcome.causeTexts())
        Console::failure(PlainText::oneLine(cause));
    const QString what =
        tr("%1 (%2) in %3").arg(PlainText::oneLine(record.title), record.id, PlainText::oneLine(record.installBase));
    if (outcome.result == InstallUndo::Result::Failed)
        Console::failure(
            tr("Not fully undone: %1. %2 Run the uninstall again once the cause is fixed.").arg(what, outcome.message));
    else if (dryRun)
        Console::out(tr("Nothing was changed (--dry-run): %1.").arg(what));
    else
        Console::out(tr("Undone: %1.").arg(what));
}

void UninstallCommand::printJson(const InstallUndo::Outcome &outcome, bool dryRun, int status)
{
    const InstallRecord &record = outcome.record;
    const auto list = [](const QStringList &paths) { return QJsonArray::fromStringList(paths); };
    const QJsonObject result{
        {QStringLiteral("result"), status},
        {QStringLiteral("status"), outcome.result == InstallUndo::Result::Undone ? tr("Undone.") : outcome.message},
        {QStringLiteral("id"), record.id.isEmpty() ? QJsonValue() : QJsonValue(record.id)},
        {QStringLiteral("title"), record.title},
        {QStringLiteral("installBase"), record.installBase},
        {QStringLiteral("dryRun"), dryRun},
        {QStringLiteral("removed"), list(outcome.removed)},
        {QStringLiteral("restored"), list(outcome.restored)},
        {QStringLiteral("kept"), list(outcome.kept)},
        {QStringLiteral("handedOn"), list(outcome.handedOn)},
        {QStringLiteral("notKept"), list(outcome.notKept)},
        {QStringLiteral("ownerNotRestored"), list(outcome.ownerNotRestored)},
        {QStringLiteral("foldersRemoved"), list(outcome.foldersRemoved)},
        {QStringLiteral("failed"), list(outcome.failed)},
    };
    answerJson(codeOf(outcome.result), result);
}
