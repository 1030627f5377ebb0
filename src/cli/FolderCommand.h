// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Command.h"

#include <QCommandLineOption>

// `cratewright folder [DIR [--not-simulator]]`: shows the stored simulator folder, or checks
// a new one by the install location rule and stores it when it passes, as the preferences
// window's Save does.
class FolderCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(FolderCommand)

public:
    FolderCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

    // What the desktop program says of a folder that fails the install location rule, then why
    // `path` fails it; `noSimulatorHint` ends that line for a folder without the simulator.
    // With `json`, also the answer.
    static void reportNotValid(const QString &path, const QString &noSimulatorHint, bool json = false);

private:
    static int show();
    static int store(const QString &folder, bool knownFolderNotForZC);

    static const QCommandLineOption NotSimulatorOption;
};
