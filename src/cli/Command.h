// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;
class RecordStore;
class TrackPackage;

// One subcommand of `cratewright`: what the tool's help and parser need to know of it, set by
// each command's constructor, and the work.
class Command
{
    Q_DECLARE_TR_FUNCTIONS(Command)

public:
    struct Argument
    {
        QString name;
        QString description;
        QString syntax; // as the help shows it; the name when empty
    };

    virtual ~Command();

    // The word that selects the command, e.g. "install".
    QString name;
    // The command's usage after the tool's own name, e.g. "info PACKAGE [--json]".
    QString usage;
    // One line for the tool's help.
    QString summary;
    // What follows the command word, and the command's own options.
    QList<Argument> positionalArguments;
    QList<QCommandLineOption> options;

    // Runs with the parsed options and the arguments after the command word; returns the
    // exit status.
    virtual int run(const QCommandLineParser &parser, const QStringList &arguments) = 0;

    // Prints the error, the usage line and a pointer to the command's help; returns the
    // usage exit status.
    int usageError(const QString &error) const;

    // Whether the command line asks for --json: then even a usage error answers with an object.
    static void setJsonRequested(bool requested);
    static bool jsonRequested();
    // The one object that --json answers with: `fields`, the version of their layout and the
    // outcome's `code` (an OutcomeCode).
    static void answerJson(const QString &code, QJsonObject fields);

protected:
    static const QCommandLineOption JsonOption;
    // Made when asked for, once the catalogs are loaded.
    static Argument packageArgument();

    // The PACKAGE that names standard input.
    static const QString StandardInput;

    // Loads the package from its file, or from standard input for "-", or prints why it could
    // not be loaded (with --json, also as the answer).
    static bool loadPackage(TrackPackage &package, const QString &path, bool json);
    // A failure as the tool reports each one: "cratewright: STATUS", the cause on the next line;
    // with --json also the answer, `fields` with these.
    static void fail(const QString &code, const QString &status, const QString &cause, bool json,
                     QJsonObject fields = {});
    // Finishes what a killed install or undo left half done, before the records are used, and
    // says each repair on standard error, whatever the verbosity.
    static void repairInterrupted(const RecordStore &store);
};
