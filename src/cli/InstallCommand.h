// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Command.h"

#include "package/ResultCodes.h"

class TrackPackage;

// `cratewright install PACKAGE [--to DIR] [--overwrite=ask|always|never] [--ride] [--dry-run] [--json]`:
// extracts a package as the desktop program's install button does, and can start the
// simulator afterwards as its "Ride!" button does; or, with --dry-run, says what the install
// would do to each file and writes nothing.
class InstallCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(InstallCommand)

public:
    InstallCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;

private:
    enum class Overwrite { Ask, Always, Never };

    // Read the options' values: ExitStatus::Success, or the status of the error said (a usage
    // error, or a stored simulator folder that fails the location rule).
    int readOverwrite(const QCommandLineParser &parser, const QString &package, Overwrite *overwrite) const;
    int readTarget(const QCommandLineParser &parser, bool json, QString *target) const;
    // Installs with a record kept, says how it ended, and rides when asked: the exit status.
    static int installRecorded(TrackPackage &package, const QString &target, Overwrite overwrite, bool ride, bool json);
    static InstallResult install(TrackPackage &package, const QString &target, Overwrite overwrite, bool json);
    // Says how the install ended; with `json` returns that as the answer's fields instead.
    static QJsonObject report(const TrackPackage &package, InstallResult code, const QString &recordId, bool json);
    // Starts the simulator; says so, or why not, also in `answer`.
    static int ride(const TrackPackage &package, bool json, QJsonObject &answer);
    static int preview(const TrackPackage &package, const QString &target, bool json);

    static const QCommandLineOption ToOption;
    static const QCommandLineOption OverwriteOption;
    static const QCommandLineOption RideOption;
    static const QCommandLineOption DryRunOption;
};
