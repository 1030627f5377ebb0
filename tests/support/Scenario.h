// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "RecordingPlatform.h"

#include "install/InstallLocation.h"

#include <QTest>

// One row of a window controller's scenario table ("Controller scenarios" in CONTRIBUTING.md):
// the simulator folder stored beforehand, the steps, what the controller says in order and what
// its windows show at the end, and the answers queued for its alerts.
struct Scenario
{
    QString stored, steps;
    QStringList transcript;
    QString finally;
    QList<AlertAnswer> answers;

    static void addColumn() { QTest::addColumn<Scenario>("scenario"); }

    // Stores the folder and queues the answers; `folder` is the test's folder.
    bool begin(const QString &folder, RecordingPlatform &platform) const
    {
        for (AlertAnswer answer : answers)
            platform.queueAnswer(answer);
        return InstallLocation::store(folder + u'/' + QString(stored).remove(u'+'), stored.endsWith(u'+'));
    }
};
Q_DECLARE_METATYPE(Scenario)

inline void scenario(const char *name, const char *stored, const char *steps, const QStringList &transcript,
                     const QString &finally, const QList<AlertAnswer> &answers = {})
{
    QTest::newRow(name) << Scenario{QString::fromUtf8(stored), QString::fromUtf8(steps), transcript, finally, answers};
}
