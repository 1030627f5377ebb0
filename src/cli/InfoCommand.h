// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Command.h"

class TrackPackage;

// `cratewright info PACKAGE [--json]`: what a package holds, without installing it.
class InfoCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(InfoCommand)

public:
    InfoCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

private:
    static void printText(const TrackPackage &package);
    static void printJson(const TrackPackage &package);
};
