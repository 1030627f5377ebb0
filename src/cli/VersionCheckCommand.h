// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Command.h"

// `cratewright version-check`: fetches the version text and prints what the version check
// panel would show.
class VersionCheckCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(VersionCheckCommand)

public:
    VersionCheckCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;
};
