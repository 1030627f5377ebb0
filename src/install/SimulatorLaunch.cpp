// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SimulatorLaunch.h"

#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/Platform.h"
#include <QCoreApplication>

namespace SimulatorLaunch {

namespace {
const QString ExecutableSuffix = QStringLiteral("ZoomcrestSimulator.app/Contents/MacOS/ZoomcrestSimulator");
}

QString executablePath(const QString &installPath)
{
    if (installPath.endsWith(QLatin1Char('/')))
        return installPath + ExecutableSuffix;
    return installPath + QLatin1Char('/') + ExecutableSuffix;
}

QStringList arguments(const QString &trackFilePath)
{
    return {QStringLiteral("-s"), trackFilePath};
}

std::optional<Outcome> refusal(const TrackPackage &package)
{
    if (!package.pkgLoaded())
        return Outcome::PackageNotLoaded;
    if (package.absoluteTrackFilePath().isEmpty())
        return Outcome::NoTrackFile;
    return std::nullopt;
}

void start(const TrackPackage &package, QObject *context, Done done)
{
    start(package.absoluteInstallPath(), package.absoluteTrackFilePath(), context, std::move(done));
}

void start(const QString &installPath, const QString &trackFilePath, QObject *context, Done done)
{
    Platform::current().launchTask(
        executablePath(installPath), arguments(trackFilePath), context,
        [done = std::move(done)](bool launched) { done(launched ? Outcome::Launched : Outcome::SimulatorNotStarted); });
}

namespace {

QString failureMessage(Outcome outcome)
{
    const QString contact = QLatin1String(MaintainerContactAddress);
    switch (outcome) {
    case Outcome::PackageNotLoaded:
        return QCoreApplication::translate(
                   "SimulatorLaunch", "Could not launch track file. This was not supposed to happen. Tell %1 how "
                                      "you ended up here, and tell him 'pre-load launch' (he'll know what it means).")
            .arg(contact);
    case Outcome::NoTrackFile:
        return QCoreApplication::translate(
                   "SimulatorLaunch",
                   "Could not launch track file. This was not supposed to happen. Tell %1 how "
                   "you ended up here, and tell him 'pre-install launch' (he'll know what it means).")
            .arg(contact);
    case Outcome::SimulatorNotStarted:
        return QCoreApplication::translate("SimulatorLaunch",
                                           "You either did not install the track to your Zoomcrest directory, or the "
                                           "Zoomcrest simulator could not be found (make sure it is named "
                                           "'ZoomcrestSimulator').");
    case Outcome::Launched:
        break;
    }
    return QString();
}

QString failureButton(Outcome outcome)
{
    return outcome == Outcome::SimulatorNotStarted ? QCoreApplication::translate("SimulatorLaunch", "Oh Well")
                                                   : QCoreApplication::translate("SimulatorLaunch", "I'll do that.");
}

} // namespace

Alert failureAlert(Outcome outcome)
{
    return Alert{QCoreApplication::translate("SimulatorLaunch", "Launch Failed"), failureMessage(outcome),
                 failureButton(outcome)};
}

QString failureLogLine(Outcome outcome)
{
    switch (outcome) {
    case Outcome::PackageNotLoaded:
        return QStringLiteral("Could not launch track file - package not loaded.");
    case Outcome::NoTrackFile:
        return QStringLiteral("Could not launch track file - package not installed.");
    case Outcome::SimulatorNotStarted:
        return QStringLiteral("Could not launch track file - sim not found.");
    case Outcome::Launched:
        break;
    }
    return QString();
}

} // namespace SimulatorLaunch
