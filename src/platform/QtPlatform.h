// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Platform.h"

// The desktop program's platform: Qt message boxes, window-modal sheets and file dialogs, the
// desktop's browser and Qt Network; log lines and processes as everywhere else.
class QtPlatform : public HeadlessPlatform
{
public:
    void beep() override;
    AlertAnswer runAlertPanel(const Alert &alert) override;
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override;
    std::shared_ptr<OpenPanel> openPanel() override;
    bool openUrl(const QUrl &url) override;
    void fetchUrl(const QUrl &url, QObject *context, FetchDone done) override;
};
