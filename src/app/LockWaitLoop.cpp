// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LockWaitLoop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

LockWaitLoop::LockWaitLoop(QWidget *window)
    : m_window(window)
{
    ++s_active;
    if (window)
        window->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &LockWaitLoop::stop);
}

LockWaitLoop::~LockWaitLoop()
{
    if (m_window)
        m_window->removeEventFilter(this);
    --s_active;
}

bool LockWaitLoop::active()
{
    return s_active > 0;
}

InstallFolder::LockPause LockWaitLoop::pause(std::function<void(bool waiting)> shown)
{
    return [this, shown = std::move(shown)](std::chrono::milliseconds pause) {
        if (shown)
            shown(true);
        const bool goOn = pauseFor(pause);
        if (shown)
            shown(false);
        return goOn;
    };
}

// A running loop, not a look at the events now and then: a question that takes several
// round trips (a screen reader reading the window) is answered in one pause.
bool LockWaitLoop::pauseFor(std::chrono::milliseconds pause)
{
    if (m_stopped)
        return false;
    QEventLoop loop;
    m_loop = &loop;
    bool paused = false;
    QTimer::singleShot(pause, &loop, [&loop, &paused] {
        paused = true;
        loop.quit();
    });
    loop.exec();
    m_loop = nullptr;
    // Quitting ends every running loop at once, and each new one at once after it: the wait
    // would spin until the lock came free.
    if (!paused)
        m_stopped = true;
    return !m_stopped;
}

void LockWaitLoop::stop()
{
    m_stopped = true;
    if (m_loop)
        m_loop->quit();
}

bool LockWaitLoop::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        stop();
    return false;
}
