// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

// Owns one window, built from its Designer form on first use. Subclasses build the window in
// makeWindow() and finish setting it up in windowDidLoad(), which runs once. With a frame
// autosave name the window's geometry is kept in the settings store and brought back.
class WindowController : public QObject
{
    Q_OBJECT

public:
    explicit WindowController(QObject *parent = nullptr);
    ~WindowController() override;

    QWidget *window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    void showWindow(QObject *sender);
    void close();
    void center();
    void setWindowFrameAutosaveName(const QString &name);
    QString windowFrameAutosaveName() const { return m_autosaveName; }

protected:
    virtual QWidget *makeWindow() = 0;
    virtual void windowDidLoad() { }

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restoreFrame();
    void saveFrame();

    QPointer<QWidget> m_window;
    QString m_autosaveName;
};
