#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;
class TrackPackage;

// One subcommand of `cratewright`: its name, its usage line, its options, and the work.
class Command
{
public:
    virtual ~Command();

    // The word that selects the command, e.g. "install".
    virtual QString name() const = 0;
    // The command's usage after the tool's own name, e.g. "info PACKAGE [--json]".
    virtual QString usage() const = 0;
    // One line for the tool's help.
    virtual QString summary() const = 0;

    // Adds the command's options and describes its arguments; the command word itself is
    // already there.
    virtual void addOptions(QCommandLineParser &parser) = 0;

    // Runs with the parsed options and the arguments after the command word; returns the
    // exit status.
    virtual int run(const QCommandLineParser &parser, const QStringList &arguments) = 0;

    // Prints the error, the usage line and a pointer to the command's help; returns the
    // usage exit status.
    int usageError(const QString &error) const;

protected:
    // Loads the package, or prints why it could not be loaded.
    static bool loadPackage(TrackPackage &package, const QString &path);
};
