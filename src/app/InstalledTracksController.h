// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Alert.h"
#include "platform/WindowController.h"
#include "records/InstallUndo.h"

#include <memory>

class QPushButton;
class QTreeWidget;
namespace Ui {
class InstalledTracks;
}

// The Installed Tracks window: the recorded installs, newest first, and "Uninstall…", which
// says what undoing the chosen one would do, asks, does it, and reports what it kept.
class InstalledTracksController : public WindowController
{
    Q_OBJECT

public:
    explicit InstalledTracksController(QObject *parent = nullptr);
    ~InstalledTracksController() override;

    // Reads the records again into the list.
    void reload();
    void uninstallSelected(QObject *sender);

    QTreeWidget *installsList();
    QPushButton *uninstallButton();

    // The question before an undo, from what a dry run found, and the report after it.
    static Alert confirmationAlert(const InstallUndo::Outcome &planned);
    static Alert reportAlert(const InstallUndo::Outcome &done);
    // Finishes what a killed install or undo left half done, before the records are used; each
    // repair is logged.
    static void repairInterrupted(const RecordStore &store);

Q_SIGNALS:
    // An undo changed files of the install `id` (all of them, or some when it failed part way).
    void installUndone(const QString &id);

protected:
    QWidget *makeWindow() override;
    void windowDidLoad() override;

private:
    void selectionChanged();

    std::unique_ptr<Ui::InstalledTracks> m_ui;
};
