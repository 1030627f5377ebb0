// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "install/SimulatorLaunch.h"
#include "platform/Alert.h"
#include "platform/WindowController.h"
#include "records/InstallUndo.h"
#include "records/InstalledFileCheck.h"

#include <QHash>

#include <memory>

class LockWaitLoop;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
namespace Ui {
class InstalledTracks;
}

// The Installed Tracks window, the user's track library: the recorded installs under their
// install folders, newest first, with a filter; the chosen install's details and, on request,
// which of its files changed since; "Ride!" on its track file; and "Uninstall…", which says what
// undoing it would do, asks, does it, and reports what it kept.
class InstalledTracksController : public WindowController
{
    Q_OBJECT

public:
    explicit InstalledTracksController(QObject *parent = nullptr);
    ~InstalledTracksController() override;

    // Reads the records again into the list.
    void reload();
    void uninstallSelected(QObject *sender);
    void rideSelected(QObject *sender);
    void checkSelected(QObject *sender);

    QTreeWidget *installsList();
    QLineEdit *filterField();
    QLabel *emptyLabel();
    QLabel *detailsLabel();
    QTreeWidget *filesList();
    QPushButton *uninstallButton();
    QPushButton *rideButton();
    QPushButton *checkButton();
    // The installs' rows, in the order shown, without the folder rows above them.
    QList<QTreeWidgetItem *> installItems();

    // The question before an undo, from what a dry run found, and the report after it.
    static Alert confirmationAlert(const InstallUndo::Outcome &planned);
    static Alert reportAlert(const InstallUndo::Outcome &done);
    // Finishes what a killed install or undo left half done, before the records are used; each
    // repair is logged.
    static void repairInterrupted(const RecordStore &store);

Q_SIGNALS:
    // An undo changed files of the install `id` (all of them, or some when it failed part way).
    void installUndone(const QString &id);
    // A check for changes ended and its findings are shown.
    void changesChecked();

protected:
    QWidget *makeWindow() override;
    void windowDidLoad() override;

private:
    void fillList(const QList<InstallRecord> &records);
    void applyFilter();
    void showEmptyState();
    void selectionChanged();
    void updateButtons();
    void showDetails(const InstallRecord *record);
    void showChecked(const QString &id, const QList<InstalledFileCheck::State> &states);
    void rideDidEnd(SimulatorLaunch::Outcome outcome);
    const InstallRecord *selectedRecord() const;
    QString rideableTrackFile(const InstallRecord &record) const;
    void uninstall(const QString &id, const RecordStore &store, InstallUndo &undo);
    void setWaiting(bool waiting);
    void showStopped(const InstallUndo::Outcome &stopped);

    std::unique_ptr<Ui::InstalledTracks> m_ui;
    QHash<QString, InstallRecord> m_records;
    bool m_listed = true;
    // A check's findings are shown only for the install that is still selected.
    quint64 m_checks = 0;
    bool m_riding = false;
    // The wait of the undo under way, while it runs.
    LockWaitLoop *m_lockWait = nullptr;
};
