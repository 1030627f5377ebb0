#pragma once

#include <QString>
#include <QStringList>

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

// Checks the package and, when it has a track file, starts the simulator through the platform.
Outcome launch(const TrackPackage &package);

// The "Launch Failed" alert's message, its button, and the log line for a failed outcome.
QString failureMessage(Outcome outcome);
QString failureButton(Outcome outcome);
QString failureLogLine(Outcome outcome);
extern const QString FailureTitle;

} // namespace SimulatorLaunch
