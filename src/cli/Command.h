// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCommandLineOption>
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

protected:
    static const QCommandLineOption JsonOption;
    static const Argument PackageArgument;

    // Loads the package, or prints why it could not be loaded.
    static bool loadPackage(TrackPackage &package, const QString &path);
    // Finishes what a killed install or undo left half done, before the records are used, and
    // says each repair on standard error, whatever the verbosity.
    static void repairInterrupted(const RecordStore &store);
};
