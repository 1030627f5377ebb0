// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CommandLineTool.h"

#include "Command.h"
#include "Console.h"
#include "ExitStatus.h"
#include "FolderCommand.h"
#include "InfoCommand.h"
#include "InstallCommand.h"
#include "OutcomeCode.h"
#include "ListCommand.h"
#include "UninstallCommand.h"
#include "VersionCheckCommand.h"
#include "install/InstallLocation.h"
#include "versioncheck/VersionText.h"

#include <QCommandLineParser>

CommandLineTool::CommandLineTool()
{
    // Until the user stores a folder, both programs fall back to the same one.
    InstallLocation::registerDefaults();
    m_commands.push_back(std::make_unique<InfoCommand>());
    m_commands.push_back(std::make_unique<InstallCommand>());
    m_commands.push_back(std::make_unique<ListCommand>());
    m_commands.push_back(std::make_unique<UninstallCommand>());
    m_commands.push_back(std::make_unique<FolderCommand>());
    m_commands.push_back(std::make_unique<VersionCheckCommand>());
}

CommandLineTool::~CommandLineTool() = default;

Command *CommandLineTool::commandNamed(const QString &name) const
{
    for (const auto &command : m_commands) {
        if (command->name == name)
            return command.get();
    }
    return nullptr;
}

QString CommandLineTool::description() const
{
    QString text = tr("Installs track packages for the Zoomcrest roller-coaster simulator.\n"
                      "\nCommands:\n");
    for (const auto &command : m_commands) {
        text += QStringLiteral("  cratewright %1\n      %2\n").arg(command->usage, command->summary);
    }
    text += tr("\nExit status: 0 success; 1 usage error; 2 the package could not be loaded, or\n"
               "no recorded install has that id or title; 3 the install failed, or the\n"
               "uninstall could not remove or put back every file; 4 the folder is not\n"
               "valid or could not be stored, the launch failed, the version check\n"
               "failed, the uninstall was refused (a tampered record, a data folder\n"
               "that can't be written), or the data folder can't be read to list the\n"
               "installs; 5 the output could not be written; 128 plus the signal's\n"
               "number (130, 143, 129) an install or uninstall stopped by SIGINT,\n"
               "SIGTERM or SIGHUP.\n"
               "\nRun 'cratewright COMMAND --help' for a command's options.");
    return text;
}

int CommandLineTool::usageError(const QString &error) const
{
    Console::err(QStringLiteral("cratewright: ") + error);
    for (const auto &command : m_commands)
        Console::err(tr("Usage: cratewright ") + command->usage);
    Console::err(tr("Try 'cratewright --help' for more information."));
    if (Command::jsonRequested())
        Command::answerJson(OutcomeCode::Usage, {{QStringLiteral("status"), error}});
    return ExitStatus::UsageError;
}

QString CommandLineTool::parseError(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    // Named as it was typed, dashes and all: Qt names it without them.
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        QString name = argument.section(QLatin1Char('='), 0, 0);
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        if (argument.startsWith(QLatin1Char('-')) && name == unknown.first())
            return tr("unknown option '%1'").arg(argument.section(QLatin1Char('='), 0, 0));
    }
    return tr("unknown option '%1'").arg(unknown.first());
}

bool CommandLineTool::asksForJson(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--json"))
            return true;
    }
    return false;
}

int CommandLineTool::run(const QStringList &arguments)
{
    int status = runCommand(arguments);
    // Output that never arrived (a full disk, a closed terminal) must not pass for success. A
    // command that failed already keeps its own, more telling status.
    if (!Console::allWritten()) {
        Console::reportWriteFailure();
        if (status == ExitStatus::Success)
            status = ExitStatus::OutputFailed;
    }
    return status;
}

// The command's arguments and options, for the second look and its help.
void CommandLineTool::addCommand(QCommandLineParser &parser, const Command &command)
{
    parser.setApplicationDescription(QStringLiteral("cratewright %1\n\n%2").arg(command.usage, command.summary));
    parser.clearPositionalArguments();
    parser.addPositionalArgument(command.name, tr("The command."));
    for (const Command::Argument &argument : command.positionalArguments)
        parser.addPositionalArgument(argument.name, argument.description, argument.syntax);
    // Their descriptions were set before any catalog was loaded.
    for (QCommandLineOption option : command.options) {
        option.setDescription(QCoreApplication::translate("CommandOption", option.description().toUtf8().constData()));
        parser.addOption(option);
    }
}

int CommandLineTool::runCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-dash.zcpack" is one unknown option, not "-d -a -s -h ..." (whose -h would answer with the
    // help and success); the short options all have one letter, so nothing else changes.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    Command::setJsonRequested(asksForJson(arguments));
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Options of the tool itself, taken before or after the command word.
    const QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")},
                                   tr("Print only results, questions and errors, for scripts."));
    const QCommandLineOption verbose(QStringLiteral("verbose"), tr("Also print the lines written to the system log."));
    parser.addOptions({quiet, verbose});
    Console::setVerbosity(Console::Verbosity::Normal);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 tr("info, install, list, uninstall, folder or version-check."),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));

    // A first look finds the command word; the command's own options are not known yet, so
    // this pass may well report them as errors.
    parser.parse(arguments);
    const QStringList words = parser.positionalArguments();
    Command *command = words.isEmpty() ? nullptr : commandNamed(words.first());

    if (command)
        addCommand(parser, *command);
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        Console::out(parser.helpText().trimmed());
        return ExitStatus::Success;
    }
    if (parser.isSet(version)) {
        Console::out(QStringLiteral("cratewright ") + VersionText::OwnVersion);
        return ExitStatus::Success;
    }
    if (!parsed) {
        const QString error = parseError(parser, arguments);
        return command ? command->usageError(error) : usageError(error);
    }
    if (parser.isSet(quiet) && parser.isSet(verbose)) {
        const QString error = tr("--quiet and --verbose exclude each other");
        return command ? command->usageError(error) : usageError(error);
    }
    if (parser.isSet(quiet))
        Console::setVerbosity(Console::Verbosity::Quiet);
    if (parser.isSet(verbose))
        Console::setVerbosity(Console::Verbosity::Verbose);
    if (words.isEmpty())
        return usageError(tr("no command given"));
    if (!command)
        return usageError(tr("unknown command '%1'").arg(words.first()));
    return command->run(parser, parser.positionalArguments().mid(1));
}
