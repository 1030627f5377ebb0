// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/ProgressIndicator.h"
#include "platform/WindowController.h"

#include <QUrl>

#include <optional>
#include <memory>

class QLabel;
class QProgressBar;
namespace Ui {
class VersionCheckPanel;
}

// The panel that says whether a newer version of the program exists.
class VersionCheckPanelController : public WindowController
{
    Q_OBJECT

public:
    explicit VersionCheckPanelController(QObject *parent = nullptr);
    ~VersionCheckPanelController() override;

    // Starts a check in the background; the message keeps its text until the answer arrives.
    void checkVersion();
    // The answer: the fetched text, or nothing when none could be read.
    void URLResourceDidFinishLoading(const QUrl &sender, const std::optional<QString> &text);

    // Load the panel on first use. The bar is gone (nullptr) after the first check completes.
    QLabel *versionCheckMessage();
    QProgressBar *versionCheckProgressBar();

protected:
    QWidget *makeWindow() override;
    void windowDidLoad() override;

private:
    std::unique_ptr<Ui::VersionCheckPanel> m_ui;
    ProgressIndicator m_progress;
};
