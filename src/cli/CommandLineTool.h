// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Command;

// `cratewright COMMAND ...`: picks the command named by the first argument, parses the
// command's options and runs it. --help and --version work as everywhere with
// QCommandLineParser, also after a command word ("cratewright install --help").
class QCommandLineParser;

class CommandLineTool
{
    Q_DECLARE_TR_FUNCTIONS(CommandLineTool)

public:
    CommandLineTool();
    ~CommandLineTool();

    // `arguments` as the program got them, each decoded with FileName::decode (the program's
    // name first); returns the exit status.
    int run(const QStringList &arguments);

    // The command that the word selects; none for an unknown word.
    Command *commandNamed(const QString &name) const;

private:
    int runCommand(const QStringList &arguments);
    static void addCommand(QCommandLineParser &parser, const Command &command);
    QString description() const;
    int usageError(const QString &error) const;
    static QString parseError(const QCommandLineParser &parser, const QStringList &arguments);
    static bool asksForJson(const QStringList &arguments);

    std::vector<std::unique_ptr<Command>> m_commands;
};
