// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "VersionCheckPanelController.h"

#include "VersionText.h"
#include "platform/Platform.h"
#include "ui_VersionCheckPanel.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {
const QString AutosaveName = QStringLiteral("VersionCheckPanel");
}

VersionCheckPanelController::VersionCheckPanelController(QObject *parent)
    : WindowController(parent)
{
    setWindowFrameAutosaveName(AutosaveName);
}

VersionCheckPanelController::~VersionCheckPanelController() = default;

QWidget *VersionCheckPanelController::makeWindow()
{
    auto *panel = new QWidget(nullptr, Qt::Window);
    m_ui = std::make_unique<Ui::VersionCheckPanel>();
    m_ui->setupUi(panel);
    connect(m_ui->closeButton, &QPushButton::clicked, this, [this]() { close(); });
    return panel;
}

void VersionCheckPanelController::windowDidLoad()
{
    m_progress.setBar(m_ui->versionCheckProgressBar);
}

QLabel *VersionCheckPanelController::versionCheckMessage()
{
    window();
    return m_ui->versionCheckMessage;
}

QProgressBar *VersionCheckPanelController::versionCheckProgressBar()
{
    window();
    return m_progress.bar();
}

void VersionCheckPanelController::checkVersion()
{
    window();
    const QUrl address = VersionText::versionCheckUrl();
    m_progress.setUsesThreadedAnimation(true);
    m_progress.startAnimation(this);
    Platform::current().fetchUrl(address, this, [this, address](const std::optional<QString> &text) {
        URLResourceDidFinishLoading(address, text);
    });
}

void VersionCheckPanelController::URLResourceDidFinishLoading(const QUrl &, const std::optional<QString> &text)
{
    versionCheckMessage()->setText(VersionText::messageFor(text));
    // The indicator serves the first check only; later checks just replace the message.
    m_progress.stopAnimation(this);
    m_progress.removeFromSuperview();
}
