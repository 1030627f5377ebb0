#pragma once

#include "Command.h"

#include <QCommandLineOption>

// `cratewright folder [DIR [--not-simulator]]`: shows the stored simulator folder, or checks
// a new one by the install location rule and stores it when it passes, as the preferences
// window's Save does.
class FolderCommand : public Command
{
public:
    FolderCommand();

    QString name() const override;
    QString usage() const override;
    QString summary() const override;
    void addOptions(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

private:
    static int show();
    static int store(const QString &folder, bool knownFolderNotForZC);

    QCommandLineOption m_notSimulator;
};
