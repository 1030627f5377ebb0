// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

#include <sys/types.h>

// Watches a program that we started until it is decided whether it launched, says so once,
// and then reaps it whenever it ends, so that it never lingers as a zombie. It never stops the
// program. It belongs to the application object and goes with it, leaving a program that still
// runs to the system.
class LaunchWatcher : public QObject
{
public:
    using Done = std::function<void(bool launched)>;

    // A `pid` of 0 or less stands for a program that could not be started.
    LaunchWatcher(pid_t pid, QObject *context, Done done);

private:
    enum class State { Running, Succeeded, Failed };

    State state() const;
    void poll();
    void decide(bool launched);

    pid_t m_pid;
    QPointer<QObject> m_context;
    bool m_hasContext;
    Done m_done;
    QTimer m_timer;
    QElapsedTimer m_sinceStart;
};
