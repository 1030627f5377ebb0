// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Command.h"

#include "records/InstallUndo.h"

// `cratewright uninstall ID|TITLE [--folder DIR] [--dry-run] [--json]`: undoes a recorded
// install, named by its id or by its package's title when only one install has it.
class UninstallCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(UninstallCommand)

public:
    UninstallCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

private:
    // The id named by `idOrTitle`; the exit status when there is none.
    static int resolve(const RecordStore &store, const QString &idOrTitle, bool json, QString *id);
    static int statusOf(InstallUndo::Result result);
    static QString codeOf(InstallUndo::Result result);
    static void printText(const InstallUndo::Outcome &outcome, bool dryRun);
    static void printJson(const InstallUndo::Outcome &outcome, bool dryRun, int status);

    static const QCommandLineOption DryRunOption;
    static const QCommandLineOption FolderOption;
};
