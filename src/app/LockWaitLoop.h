// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "fs/InstallFolder.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

class QEventLoop;
class QWidget;

// Spends an install's or an undo's wait for another process's lock with the event loop
// running, so that the window goes on answering (a screen reader's questions among them) and
// the user can stop the wait; closing the window, or quitting, stops it too. It lives for the
// whole install or undo: while one does, no other may start, as its wait would run inside this
// one's.
class LockWaitLoop : public QObject
{
public:
    explicit LockWaitLoop(QWidget *window);
    ~LockWaitLoop() override;

    // Whether an install or an undo with such a wait is under way.
    static bool active();

    // The pause to hand to the install or undo. `shown` is called with true as each pause
    // begins and false as it ends, to offer the stop only while the wait really goes on.
    InstallFolder::LockPause pause(std::function<void(bool waiting)> shown);
    void stop();
    bool stopped() const { return m_stopped; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool pauseFor(std::chrono::milliseconds pause);

    QPointer<QWidget> m_window;
    QEventLoop *m_loop = nullptr;
    bool m_stopped = false;
    static inline int s_active = 0;
};
