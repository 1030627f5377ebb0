#pragma once

#include "Command.h"

#include <QCommandLineOption>

class TrackPackage;

// `cratewright install PACKAGE [--to DIR] [--overwrite=ask|always|never] [--ride] [--json]`:
// extracts a package as the desktop program's install button does, and can start the
// simulator afterwards as its "Ride!" button does.
class InstallCommand : public Command
{
public:
    InstallCommand();

    QString name() const override;
    QString usage() const override;
    QString summary() const override;
    void addOptions(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

private:
    enum class Overwrite { Ask, Always, Never };

    static int install(TrackPackage &package, const QString &target, Overwrite overwrite);
    static void report(const TrackPackage &package, int code, bool json);
    static int ride(const TrackPackage &package, bool json);

    QCommandLineOption m_to;
    QCommandLineOption m_overwrite;
    QCommandLineOption m_ride;
    QCommandLineOption m_json;
};
