// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "OpenPanel.h"

#include <QPointer>

#include <memory>

class QFileDialog;

// A window-modal Qt file dialog (never the native one, so it behaves the same everywhere and
// tests can answer it). It keeps itself alive until its sheet has ended.
class QtOpenPanel : public OpenPanel, public std::enable_shared_from_this<QtOpenPanel>
{
public:
    ~QtOpenPanel() override;

    void beginSheetForDirectory(const QString &directory, const QString &file, const QStringList &types,
                                QWidget *window, DidEnd didEnd) override;
    QString filename() const override { return m_filename; }
    void close() override;

private:
    QPointer<QFileDialog> m_dialog;
    QString m_filename;
    std::shared_ptr<QtOpenPanel> m_keepAlive;
};
