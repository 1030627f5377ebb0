// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LaunchWatcher.h"

#include <QCoreApplication>

#include <cerrno>
#include <utility>

#include <sys/wait.h>

namespace {

// A program that fails at once (a broken simulator, a script whose interpreter is missing)
// ends within moments of its start.
constexpr int DecisionMs = 250;
constexpr int WatchIntervalMs = 10;
// Once the answer is given, only a zombie is at stake: an occasional look is enough.
constexpr int ReapIntervalMs = 1000;

} // namespace

LaunchWatcher::LaunchWatcher(pid_t pid, QObject *context, Done done)
    : QObject(QCoreApplication::instance())
    , m_pid(pid)
    , m_context(context)
    , m_hasContext(context != nullptr)
    , m_done(std::move(done))
{
    m_sinceStart.start();
    connect(&m_timer, &QTimer::timeout, this, &LaunchWatcher::poll);
    // Even a program that could not be started is reported from the event loop, so the
    // caller always hears after its call has returned.
    m_timer.start(m_pid > 0 ? WatchIntervalMs : 0);
}

LaunchWatcher::State LaunchWatcher::state() const
{
    if (m_pid <= 0)
        return State::Failed;
    int status = 0;
    const pid_t ended = ::waitpid(m_pid, &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR))
        return State::Running;
    // Reaped by someone else: with no failure status to go by, it launched.
    if (ended < 0)
        return State::Succeeded;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? State::Succeeded : State::Failed;
}

void LaunchWatcher::poll()
{
    const State now = state();
    if (now == State::Running) {
        if (m_done && m_sinceStart.elapsed() >= DecisionMs) {
            m_timer.setInterval(ReapIntervalMs);
            decide(true);
        }
        return;
    }
    m_timer.stop();
    decide(now == State::Succeeded);
    deleteLater();
}

void LaunchWatcher::decide(bool launched)
{
    const Done done = std::exchange(m_done, nullptr);
    if (!done || (m_hasContext && !m_context))
        return;
    // The answer may bring up a modal alert, whose event loop must not find us half way.
    const bool watching = m_timer.isActive();
    m_timer.stop();
    done(launched);
    if (watching)
        m_timer.start();
}
