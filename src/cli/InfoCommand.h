#pragma once

#include "Command.h"

#include <QCommandLineOption>

class TrackPackage;

// `cratewright info PACKAGE [--json]`: what a package holds, without installing it.
class InfoCommand : public Command
{
public:
    InfoCommand();

    QString name() const override;
    QString usage() const override;
    QString summary() const override;
    void addOptions(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

private:
    static void printText(const TrackPackage &package);
    static void printJson(const TrackPackage &package);

    QCommandLineOption m_json;
};
