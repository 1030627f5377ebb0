// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WindowController.h"

#include "UserDefaults.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
QString frameKey(const QString &autosaveName)
{
    return QStringLiteral("Window Frame %1").arg(autosaveName);
}
} // namespace

WindowController::WindowController(QObject *parent)
    : QObject(parent)
{
}

WindowController::~WindowController()
{
    delete m_window;
}

QWidget *WindowController::window()
{
    if (!m_window) {
        m_window = makeWindow();
        m_window->installEventFilter(this);
        restoreFrame();
        windowDidLoad();
    }
    return m_window;
}

void WindowController::showWindow(QObject *)
{
    QWidget *w = window();
    w->show();
    w->raise();
    w->activateWindow();
}

void WindowController::close()
{
    if (m_window)
        m_window->close();
}

void WindowController::center()
{
    QWidget *w = window();
    const QScreen *screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = w->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    w->move(frame.topLeft());
}

void WindowController::setWindowFrameAutosaveName(const QString &name)
{
    m_autosaveName = name;
    if (m_window)
        restoreFrame();
}

void WindowController::restoreFrame()
{
    if (m_autosaveName.isEmpty())
        return;
    const QByteArray geometry =
        UserDefaults::standardUserDefaults().objectForKey(frameKey(m_autosaveName)).toByteArray();
    if (!geometry.isEmpty())
        m_window->restoreGeometry(geometry);
}

void WindowController::saveFrame()
{
    if (!m_autosaveName.isEmpty() && m_window)
        UserDefaults::standardUserDefaults().setObjectForKey(m_window->saveGeometry(), frameKey(m_autosaveName));
}

bool WindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
        saveFrame();
    return QObject::eventFilter(watched, event);
}
