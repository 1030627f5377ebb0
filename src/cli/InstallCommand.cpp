// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "FolderCommand.h"
#include "OutcomeCode.h"
#include "ProgressBar.h"
#include "fs/StopSignals.h"
#include "install/InstallLocation.h"
#include "install/SimulatorLaunch.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "platform/PlainText.h"
#include "platform/Platform.h"
#include "records/InstallJournal.h"
#include "records/InstallPreview.h"
#include "records/RecordStore.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

#include <optional>

namespace {

QString overwriteChoices()
{
    return QCoreApplication::translate("InstallCommand", "[y]es, [n]o, yes to [a]ll:");
}

// --overwrite=ask: the overwrite question on standard error, answered a line at a time from
// standard input.
OverwriteAnswer askOnConsole(const QString &relFilePath)
{
    // The question and its choices share one line, whatever the file name in it holds.
    const QString message = InstallText::overwriteAlert(relFilePath).message;
    Console::errInline(PlainText::oneLine(message) + QLatin1Char(' ') + overwriteChoices() + QLatin1Char(' '));
    for (;;) {
        const std::optional<QString> typed = Console::readLine();
        if (!typed) {
            // End of input: nobody is left to say yes, so the file is kept.
            Console::err(QString());
            return OverwriteAnswer::Keep;
        }
        // A terminal shows what was typed; answers from a pipe are shown here, so that the
        // questions in a log don't run into each other.
        if (!Console::inputIsTerminal())
            Console::err(PlainText::oneLine(*typed));
        const QString answer = typed->trimmed().toLower();
        if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
            return OverwriteAnswer::Replace;
        if (answer == QLatin1String("n") || answer == QLatin1String("no"))
            return OverwriteAnswer::Keep;
        if (answer == QLatin1String("a") || answer == QLatin1String("all"))
            return OverwriteAnswer::ReplaceAll;
        Console::errInline(overwriteChoices() + QLatin1Char(' '));
    }
}

// --overwrite=never: nobody is asked (and nothing rings), but the output still says which
// files were kept.
OverwriteAnswer keepOnConsole(const QString &relFilePath)
{
    Console::errNote(PlainText::oneLine(InstallText::overwriteAlert(relFilePath).message)
                     + QCoreApplication::translate("InstallCommand", " No."));
    return OverwriteAnswer::Keep;
}

// The tool has nothing else to do meanwhile: it waits here until the start is decided.
SimulatorLaunch::Outcome startSimulator(const TrackPackage &package)
{
    QEventLoop loop;
    std::optional<SimulatorLaunch::Outcome> answer;
    SimulatorLaunch::start(package, &loop, [&loop, &answer](SimulatorLaunch::Outcome outcome) {
        answer = outcome;
        loop.quit();
    });
    if (!answer)
        loop.exec();
    return answer.value_or(SimulatorLaunch::Outcome::SimulatorNotStarted);
}

QString filesText(qsizetype count)
{
    return count == 1 ? QCoreApplication::translate("InstallCommand", "1 file")
                      : QCoreApplication::translate("InstallCommand", "%1 files").arg(count);
}

// One line a file, then how many files of each action, in the same words.
void printPreview(const InstallPreview::Result &result, const QString &installBase)
{
    QMap<InstallPreview::Action, qsizetype> counts;
    for (const InstallPreview::File &file : result.files) {
        const QString detail = InstallPreview::detailText(file);
        Console::out(InstallPreview::actionText(file.action) + QStringLiteral(": ") + PlainText::oneLine(file.path)
                     + (detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(PlainText::oneLine(detail))));
        ++counts[file.action];
    }
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.value()).arg(InstallPreview::actionText(it.key()));
    Console::out(QCoreApplication::translate("InstallCommand", "Nothing was changed (--dry-run): %1 for %2%3.")
                     .arg(filesText(result.files.size()), PlainText::oneLine(installBase),
                          parts.isEmpty() ? QString() : QStringLiteral(": ") + parts.join(QStringLiteral(", "))));
}

} // namespace

const QCommandLineOption InstallCommand::ToOption(
    QStringLiteral("to"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption", "Install into DIR instead of the stored simulator folder.")),
    QStringLiteral("DIR"));
const QCommandLineOption InstallCommand::OverwriteOption(
    QStringLiteral("overwrite"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption", "What to do with files that already exist: ask (the default; "
                                                      "answers are read from standard input), always replace "
                                                      "them, or never replace them.")),
    QStringLiteral("ask|always|never"), QStringLiteral("ask"));
const QCommandLineOption InstallCommand::RideOption(
    QStringLiteral("ride"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption", "Start the simulator on the track afterwards.")));

// Ignores --ride and --overwrite, so that it can be added to the very command about to be run.
const QCommandLineOption InstallCommand::DryRunOption(
    QStringLiteral("dry-run"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption",
                                     "Say what the install would do to each file, and write nothing.")));

InstallCommand::InstallCommand()
{
    name = QStringLiteral("install");
    usage = QStringLiteral("install PACKAGE [--to DIR] [--overwrite=ask|always|never] [--ride] [--dry-run] [--json]");
    summary = tr("Install a package into the simulator folder, or into DIR.");
    positionalArguments = {packageArgument()};
    options = {ToOption, OverwriteOption, RideOption, DryRunOption, JsonOption};
}

int InstallCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(tr("no package given"));
    if (arguments.size() > 1)
        return usageError(tr("unexpected argument '%1'").arg(arguments.at(1)));
    Overwrite overwrite = Overwrite::Ask;
    if (const int status = readOverwrite(parser, arguments.first(), &overwrite))
        return status;
    const bool json = parser.isSet(JsonOption);
    QString target;
    if (const int status = readTarget(parser, json, &target))
        return status;

    TrackPackage package;
    if (!loadPackage(package, arguments.first(), json))
        return ExitStatus::LoadFailed;
    if (parser.isSet(DryRunOption))
        return preview(package, target, json);
    return installRecorded(package, target, overwrite, parser.isSet(RideOption), json);
}

int InstallCommand::readOverwrite(const QCommandLineParser &parser, const QString &package, Overwrite *overwrite) const
{
    const QString mode = parser.value(OverwriteOption);
    if (mode == QLatin1String("ask"))
        *overwrite = Overwrite::Ask;
    else if (mode == QLatin1String("always"))
        *overwrite = Overwrite::Always;
    else if (mode == QLatin1String("never"))
        *overwrite = Overwrite::Never;
    else
        return usageError(tr("--overwrite takes ask, always or never, not '%1'").arg(mode));
    // The answers would be read from the package's own bytes: an existing file is kept unless
    // --overwrite=always says otherwise, and asking for questions is a mistake to point out.
    if (package == StandardInput && *overwrite == Overwrite::Ask) {
        if (parser.isSet(OverwriteOption))
            return usageError(tr("--overwrite=ask reads the answers from standard input, which holds the "
                                 "package; use --overwrite=always or --overwrite=never"));
        *overwrite = Overwrite::Never;
    }
    return ExitStatus::Success;
}

int InstallCommand::readTarget(const QCommandLineParser &parser, bool json, QString *target) const
{
    if (parser.isSet(ToOption)) {
        const QString to = parser.value(ToOption);
        if (to.isEmpty())
            return usageError(tr("--to needs a folder"));
        // Absolute, so that the reported paths and the simulator's track path are full paths;
        // against the working folder's bytes, which QDir::current() would decode lossily.
        *target = FileName::absolute(to);
        return ExitStatus::Success;
    }
    *target = InstallLocation::storedFolderPath();
    if (InstallLocation::storedLocationIsValid())
        return ExitStatus::Success;
    // The rule the desktop program applies at start-up: a simulator folder on a disk that is
    // not mounted is not re-created somewhere else, one folder at a time.
    FolderCommand::reportNotValid(*target, QStringLiteral("."), json);
    Console::failure(tr("Store the simulator folder with 'cratewright folder DIR', or install "
                        "elsewhere with --to DIR."));
    return ExitStatus::Refused;
}

int InstallCommand::installRecorded(TrackPackage &package, const QString &target, Overwrite overwrite, bool ride,
                                    bool json)
{
    const RecordStore records;
    repairInterrupted(records);
    InstallJournal journal(records, package);
    package.setInstallObserver(&journal);
    const InstallResult code = install(package, target, overwrite, json);
    package.setInstallObserver(nullptr);
    for (const QString &line : journal.logLines())
        Platform::current().log(line);
    QJsonObject answer = report(package, code, journal.recordId(), json);
    // Said whatever the verbosity: a user who can't undo an install must know before relying on it.
    for (const QString &note : journal.undoNotes())
        Console::failure(PlainText::oneLine(note));
    int status = ExitStatus::Success;
    QString outcome = OutcomeCode::of(code);
    if (code == InstallResult::Stopped)
        status = ExitStatus::interruptedBy(StopSignals::stopSignal());
    else if (code != InstallResult::Success)
        status = ExitStatus::InstallFailed;
    else if (ride && (status = InstallCommand::ride(package, json, answer)) != ExitStatus::Success)
        outcome = OutcomeCode::Ride;
    // One answer for the install and the ride after it.
    if (json)
        answerJson(outcome, answer);
    return status;
}

InstallResult InstallCommand::install(TrackPackage &package, const QString &target, Overwrite overwrite, bool json)
{
    package.setOverwriteQuery(overwrite == Overwrite::Never ? keepOnConsole : askOnConsole);
    package.setReplacesNothing(overwrite == Overwrite::Never);
    package.setLockWaitHandler([] { Console::errNote(InstallText::waitingText()); });
    // A program that reads the output wants no bar in it, even when it passes a terminal on.
    ProgressBar bar(Console::errorIsTerminal() && !json && Console::verbosity() != Console::Verbosity::Quiet);
    package.setProgressHandler([&bar](qint64 done, qint64 total) { bar.update(done, total); });
    // "always" is asking off: the query is never called.
    const InstallResult code = package.expandPackageTo(target, overwrite != Overwrite::Always);
    package.setProgressHandler(nullptr);
    return code;
}

QJsonObject InstallCommand::report(const TrackPackage &package, InstallResult code, const QString &recordId, bool json)
{
    const QString status = code == InstallResult::Stopped
                               ? InstallText::stoppedText(package.lastInstall().filesDone, package.pkgFilesCount())
                               : InstallText::statusText(code);
    const QString trackFile = package.absoluteTrackFilePath();
    const QString cause = package.lastInstall().causeText();
    if (json) {
        const QJsonObject result{
            {QStringLiteral("result"), number(code)},
            {QStringLiteral("status"), status},
            {QStringLiteral("installBase"), package.absoluteInstallPath()},
            {QStringLiteral("trackFile"), trackFile.isEmpty() ? QJsonValue() : QJsonValue(trackFile)},
            {QStringLiteral("record"), recordId.isEmpty() ? QJsonValue() : QJsonValue(recordId)},
            {QStringLiteral("cause"), cause.isEmpty() ? QJsonValue() : QJsonValue(cause)},
        };
        if (code != InstallResult::Success)
            fail(OutcomeCode::of(code), status, cause, false);
        return result;
    }
    // Whatever was written, even by an install that failed or was stopped, can be undone.
    const QString undo = recordId.isEmpty()
                             ? QString()
                             : tr("Recorded as %1; undo it with: cratewright uninstall %1").arg(recordId);
    if (code != InstallResult::Success) {
        // Why, always: a failed install that doesn't say why can't be put right.
        fail(OutcomeCode::of(code), status, cause, false);
        if (!undo.isEmpty())
            Console::failure(undo);
        return {};
    }
    Console::note(status);
    if (!trackFile.isEmpty())
        Console::note(tr("Track file: ") + PlainText::oneLine(trackFile));
    if (!undo.isEmpty())
        Console::note(undo);
    return {};
}

int InstallCommand::ride(const TrackPackage &package, bool json, QJsonObject &answer)
{
    const std::optional<SimulatorLaunch::Outcome> refusal = SimulatorLaunch::refusal(package);
    const SimulatorLaunch::Outcome outcome = refusal ? *refusal : startSimulator(package);
    if (outcome == SimulatorLaunch::Outcome::Launched) {
        const QString started = tr("Simulator started.");
        if (!json)
            Console::note(started);
        answer.insert(QStringLiteral("ride"), started);
        return ExitStatus::Success;
    }
    const Alert failure = SimulatorLaunch::failureAlert(outcome);
    const QString text = failure.title + QStringLiteral(": ") + failure.message;
    Console::failure(PlainText::lines(text));
    answer.insert(QStringLiteral("ride"), text);
    Platform::current().log(SimulatorLaunch::failureLogLine(outcome));
    return ExitStatus::Refused;
}

int InstallCommand::preview(const TrackPackage &package, const QString &target, bool json)
{
    // Nothing is repaired first: a dry run changes nothing, not even that.
    const RecordStore records;
    const QString installBase = TrackPackage::resolvedPath(target);
    const InstallPreview::Result result = InstallPreview(records).preview(package.contents(), installBase);
    const QString cause = result.cause.ok() ? QString() : result.cause.describe();
    if (json) {
        QJsonArray files;
        for (const InstallPreview::File &file : result.files) {
            const QString detail = InstallPreview::detailText(file);
            files.append(QJsonObject{
                {QStringLiteral("path"), file.path},
                {QStringLiteral("action"), InstallPreview::actionName(file.action)},
                {QStringLiteral("record"), file.recordId.isEmpty() ? QJsonValue() : QJsonValue(file.recordId)},
                {QStringLiteral("reason"),
                 file.action == InstallPreview::Action::Refused ? QJsonValue(detail) : QJsonValue()},
            });
        }
        answerJson(OutcomeCode::of(result.code),
                   {
                       {QStringLiteral("result"), number(result.code)},
                       {QStringLiteral("dryRun"), true},
                       {QStringLiteral("installBase"), installBase},
                       {QStringLiteral("files"), files},
                       {QStringLiteral("cause"), cause.isEmpty() ? QJsonValue() : QJsonValue(cause)},
                   });
    } else {
        printPreview(result, installBase);
    }
    if (result.code == InstallResult::Success)
        return ExitStatus::Success;
    // As the install would say it, on standard error, after what was listed.
    fail(OutcomeCode::of(result.code), InstallText::statusText(result.code), cause, false);
    return ExitStatus::InstallFailed;
}
