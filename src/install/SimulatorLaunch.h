// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Alert.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;
class TrackPackage;

// Starting the simulator on an installed package's track file, without any window: the
// desktop program's "Ride!" button and `cratewright install --ride` share it.
namespace SimulatorLaunch {

enum class Outcome { Launched, PackageNotLoaded, NoTrackFile, SimulatorNotStarted };

// The simulator executable under an install base; "/" is put between them only when the base
// does not already end in one.
QString executablePath(const QString &installPath);
// Exactly two arguments, each passed as it stands: "-s" and the track file.
QStringList arguments(const QString &trackFilePath);

// Why the simulator can't be started on the package (not loaded, or no track file recorded);
// nothing when it can.
std::optional<Outcome> refusal(const TrackPackage &package);

// Starts the simulator on the package's track file through the platform. `done` gets Launched
// or SimulatorNotStarted later, on the main thread; `context` going away drops it.
using Done = std::function<void(Outcome outcome)>;
void start(const TrackPackage &package, QObject *context, Done done);
// The same for a track file installed earlier, under `installPath`.
void start(const QString &installPath, const QString &trackFilePath, QObject *context, Done done);

// The "Launch Failed" alert and the log line for a failed outcome.
Alert failureAlert(Outcome outcome);
QString failureLogLine(Outcome outcome);

} // namespace SimulatorLaunch
