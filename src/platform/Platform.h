// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Alert.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class QWidget;
class OpenPanel;

// Every service that the user sees or that leaves the process goes through here: alerts,
// sheets, beeps, log lines, choosers, opening an address, starting a process, fetching a URL.
// The desktop program installs the Qt implementation, the command-line tool a console one,
// and tests a recording double whose answers they queue.
class Platform
{
public:
    virtual ~Platform();

    // The platform in effect; a headless default until someone installs another.
    static Platform &current();
    // Installs `platform` (not owned); nullptr brings back the headless default.
    static void setCurrent(Platform *platform);

    virtual void beep() = 0;

    // Modal alert: blocks until one of its buttons is pressed.
    virtual AlertAnswer runAlertPanel(const Alert &alert) = 0;

    // Informational alert attached to `window`; returns at once.
    virtual void beginInformationalAlertSheet(const Alert &alert, QWidget *window) = 0;

    // One line to the system log.
    virtual void log(const QString &line) = 0;

    virtual std::shared_ptr<OpenPanel> openPanel() = 0;

    // Asks the desktop to open the address in the user's browser.
    virtual bool openUrl(const QUrl &url) = 0;

    // Starts a program that goes on by itself (no shell; each argument as it stands) and calls
    // `done` later, on the main thread, with whether it launched: by the rule of
    // ProcessLauncher::launch. `context` going away drops the call, never the program.
    using LaunchDone = std::function<void(bool launched)>;
    virtual void launchTask(const QString &launchPath, const QStringList &arguments, QObject *context,
                            LaunchDone done) = 0;

    // Fetches `url` in the background and calls `done` on the main thread with the text, or
    // with nothing when no text could be had. `context` going away cancels the call.
    using FetchDone = std::function<void(const std::optional<QString> &text)>;
    virtual void fetchUrl(const QUrl &url, QObject *context, FetchDone done) = 0;
};

// What a process gets when nobody installed a platform: log lines go to the system log and
// standard error, nothing beeps, nobody answers questions (the alternate button is taken when
// there is one, so an overwrite question keeps the file), a chooser never ends, no browser,
// no network.
class HeadlessPlatform : public Platform
{
public:
    void beep() override;
    AlertAnswer runAlertPanel(const Alert &alert) override;
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override;
    void log(const QString &line) override;
    std::shared_ptr<OpenPanel> openPanel() override;
    bool openUrl(const QUrl &url) override;
    void launchTask(const QString &launchPath, const QStringList &arguments, QObject *context,
                    LaunchDone done) override;
    void fetchUrl(const QUrl &url, QObject *context, FetchDone done) override;
};
