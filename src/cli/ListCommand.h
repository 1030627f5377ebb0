// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Command.h"

class InstallRecord;
class RecordStore;

// `cratewright list [--json]`: the recorded installs, newest first, grouped by install folder,
// and how much the data folder takes.
class ListCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(ListCommand)

public:
    ListCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

    // "ended", "interrupted" (an install that never ended: killed, or still going) or "undoing".
    static QString stateName(const InstallRecord &record);

private:
    static void printText(const RecordStore &store, const QList<QList<InstallRecord>> &folders);
    static void printJson(const RecordStore &store, const QList<QList<InstallRecord>> &folders);
};
