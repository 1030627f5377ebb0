// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Platform.h"

// The platform of the command-line tool: alerts are printed, log lines go to the system log
// and, with --verbose, to the console's error device. The tool asks its questions itself, where it knows what they are for
// (the install command's overwrite question). No chooser and no browser, as in the headless
// platform it builds on.
class ConsolePlatform : public HeadlessPlatform
{
public:
    void beep() override;
    AlertAnswer runAlertPanel(const Alert &alert) override;
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override;
    void log(const QString &line) override;
    void fetchUrl(const QUrl &url, QObject *context, FetchDone done) override;
};
