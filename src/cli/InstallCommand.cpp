#include "InstallCommand.h"

#include "Console.h"
#include "ConsolePlatform.h"
#include "ExitStatus.h"
#include "FolderCommand.h"
#include "install/InstallLocation.h"
#include "install/SimulatorLaunch.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/PlainText.h"
#include "platform/Platform.h"

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

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

} // namespace

InstallCommand::InstallCommand(ConsolePlatform &console)
    : m_console(console)
    , m_to(QStringLiteral("to"),
           QStringLiteral("Install into DIR instead of the stored simulator folder."),
           QStringLiteral("DIR"))
    , m_overwrite(QStringLiteral("overwrite"),
                  QStringLiteral("What to do with files that already exist: ask (the default; "
                                 "answers are read from standard input), always replace them, or "
                                 "never replace them."),
                  QStringLiteral("ask|always|never"), QStringLiteral("ask"))
    , m_ride(QStringLiteral("ride"), QStringLiteral("Start the simulator on the track afterwards."))
    , m_json(QStringLiteral("json"), QStringLiteral("Print one JSON object instead of text."))
{
}

QString InstallCommand::name() const
{
    return QStringLiteral("install");
}

QString InstallCommand::usage() const
{
    return QStringLiteral("install PACKAGE [--to DIR] [--overwrite=ask|always|never] [--ride] [--json]");
}

QString InstallCommand::summary() const
{
    return QStringLiteral("Install a package into the simulator folder, or into DIR.");
}

void InstallCommand::addOptions(QCommandLineParser &parser)
{
    parser.addPositionalArgument(QStringLiteral("PACKAGE"), QStringLiteral("The track package file."));
    parser.addOptions({m_to, m_overwrite, m_ride, m_json});
}

int InstallCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no package given"));
    if (arguments.size() > 1)
        return usageError(QStringLiteral("unexpected argument '%1'").arg(arguments.at(1)));

    Overwrite overwrite;
    const QString mode = parser.value(m_overwrite);
    if (mode == QLatin1String("ask"))
        overwrite = Overwrite::Ask;
    else if (mode == QLatin1String("always"))
        overwrite = Overwrite::Always;
    else if (mode == QLatin1String("never"))
        overwrite = Overwrite::Never;
    else
        return usageError(QStringLiteral("--overwrite takes ask, always or never, not '%1'").arg(mode));

    QString target = InstallLocation::storedFolderPath();
    if (parser.isSet(m_to)) {
        const QString to = parser.value(m_to);
        if (to.isEmpty())
            return usageError(QStringLiteral("--to needs a folder"));
        // Absolute, so that the reported paths and the simulator's track path are full paths.
        target = QDir::current().absoluteFilePath(to);
    } else if (!InstallLocation::storedLocationIsValid()) {
        // The rule the desktop program applies at start-up: a simulator folder on a disk that
        // is not mounted is not re-created somewhere else, one folder at a time.
        FolderCommand::reportNotValid(target, QStringLiteral("."));
        Console::err(QStringLiteral("Store the simulator folder with 'cratewright folder DIR', or install "
                                    "elsewhere with --to DIR."));
        return ExitStatus::Refused;
    }

    const bool json = parser.isSet(m_json);
    TrackPackage package;
    if (!loadPackage(package, arguments.first()))
        return ExitStatus::LoadFailed;

    const int code = install(package, target, overwrite);
    report(package, code, json);
    if (code == InstallResult::Stopped)
        return ExitStatus::Interrupted;
    if (code != InstallResult::Success)
        return ExitStatus::InstallFailed;
    if (parser.isSet(m_ride))
        return ride(package, json);
    return ExitStatus::Success;
}

int InstallCommand::install(TrackPackage &package, const QString &target, Overwrite overwrite)
{
    const ConsolePlatform::Questions before = m_console.questions();
    m_console.setQuestions(overwrite == Overwrite::Never ? ConsolePlatform::Questions::AnswerNo
                                                         : ConsolePlatform::Questions::Ask);
    package.setLockWaitHandler([] { Console::err(InstallResult::waitingText()); });
    const int code = package.expandPackageTo(target, overwrite != Overwrite::Always);
    m_console.setQuestions(before);
    return code;
}

void InstallCommand::report(const TrackPackage &package, int code, bool json)
{
    const QString status = code == InstallResult::Stopped
                               ? InstallResult::stoppedText(package.entriesDone(), package.pkgFilesCount())
                               : InstallResult::statusText(code);
    const QString trackFile = package.absoluteTrackFilePath();
    if (json) {
        const QJsonObject result{
            {QStringLiteral("result"), code},
            {QStringLiteral("status"), status},
            {QStringLiteral("installBase"), package.absoluteInstallPath()},
            {QStringLiteral("trackFile"), trackFile.isEmpty() ? QJsonValue() : QJsonValue(trackFile)},
        };
        Console::out(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Indented)).trimmed());
        return;
    }
    if (code != InstallResult::Success) {
        Console::err(status);
        return;
    }
    Console::out(status);
    if (!trackFile.isEmpty())
        Console::out(QStringLiteral("Track file: ") + PlainText::oneLine(trackFile));
}

int InstallCommand::ride(const TrackPackage &package, bool json)
{
    const std::optional<SimulatorLaunch::Outcome> refusal = SimulatorLaunch::refusal(package);
    const SimulatorLaunch::Outcome outcome = refusal ? *refusal : startSimulator(package);
    if (outcome == SimulatorLaunch::Outcome::Launched) {
        if (!json)
            Console::out(QStringLiteral("Simulator started."));
        return ExitStatus::Success;
    }
    const Alert failure = SimulatorLaunch::failureAlert(outcome);
    Console::err(failure.title + QStringLiteral(": ") + failure.message);
    Platform::current().log(SimulatorLaunch::failureLogLine(outcome));
    return ExitStatus::Refused;
}
