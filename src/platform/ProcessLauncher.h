// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Starting a program that goes on by itself, as the simulator does once "Ride!" starts it.
namespace ProcessLauncher {

using Done = std::function<void(bool launched)>;

// Starts `launchPath` with `arguments` (no shell, each argument passed as it stands) and calls
// `done` later, from this thread's event loop, with whether it launched. It did not when it
// could not be started (missing, not executable, the start failed) or when it ended with a
// failure status (a nonzero exit, or killed by a signal) within its first quarter second;
// otherwise it did, also when it handed off and ended at once with status 0. `context` going
// away drops the call. The program runs in a session of its own, with /dev/null for its
// standard streams and none of our other descriptors, and is never stopped by us, not even
// when we end; if it ends while we still run, it is reaped.
void launch(const QString &launchPath, const QStringList &arguments, QObject *context, Done done);

} // namespace ProcessLauncher
