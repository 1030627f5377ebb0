// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "install/SimulatorLaunch.h"
#include "package/TrackPackage.h"
#include "platform/ProgressIndicator.h"
#include "platform/WindowController.h"

#include <QString>

#include <memory>

class InstalledTracksController;
class LockWaitLoop;
class PackageFilesController;
class OpenPanel;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class VersionCheckPanelController;
class ZCTrackPackPrefWinController;
struct Notification;
namespace Ui {
class MainWindow;
}

// The program's one controller: start-up and the first-run chain, the main window, choosing,
// loading and presenting a package, installing it, starting the simulator, and the menu
// commands. It owns the track package and makes the preferences and version check
// controllers on first need, never replacing them.
class AppController : public WindowController
{
    Q_OBJECT

public:
    using Action = void (AppController::*)(QObject *sender);

    // Registers the settings defaults; once, before the first controller.
    static void initialize();

    AppController();
    ~AppController() override;

    // Start-up sequence; also the handler of InstallPathIsNewlyBlessed.
    void applicationDidFinishLaunching(const Notification *notification);
    // A file handed over by the desktop: recorded (the last one wins), never loaded here.
    bool applicationOpenFile(const QString &path);
    void preferencesDidGetSaved(const Notification &notification);
    bool applicationShouldTerminateAfterLastWindowClosed(QObject *application) const;

    void chooseTrackPackrDidEnd(OpenPanel *panel, int returnCode, void *contextInfo);
    void loadPackageAtPath(const QString &path);
    void setCommentsViewString(const QString &text);

    TrackPackage &thePackage() { return m_thePackage; }
    bool waitingToLoadPkg() const { return m_waitingToLoadPkg; }
    QString openFileAtStartupAtPath() const { return m_openFileAtStartupAtPath; }
    ZCTrackPackPrefWinController *prefWinController() const { return m_prefWinController; }
    VersionCheckPanelController *versionCehckPanel() const { return m_versionCehckPanel; }
    InstalledTracksController *installedTracks() const { return m_installedTracks; }
    PackageFilesController *packageFiles() const { return m_packageFiles; }
    // What the install button does when pressed.
    Action installButtonAction() const { return m_installButtonAction; }

    // Outlets; they load the main window on first use.
    QLabel *PkgTitleField();
    QLabel *PkgAuthorField();
    QLabel *PkgLeftInfoField();
    QLabel *PkgRightInfoField();
    QPlainTextEdit *PkgCommentsTextView();
    QPushButton *InstallPkgButton();
    QProgressBar *progIndicator();

public Q_SLOTS:
    void closeMainWindow(QObject *sender);
    void chooseTrackPack(QObject *sender);
    void DoStartInstall(QObject *sender);
    // Ends an install's wait for another install's lock: the install stops, nothing written.
    void stopWaiting(QObject *sender);
    void launchSimWithTrackFile(QObject *sender);
    void showPrefWindow(QObject *sender);
    void showVersionCheckPanel(QObject *sender);
    void showInstalledTracks(QObject *sender);
    void showPackageFiles(QObject *sender);
    void showHelp(QObject *sender);

protected:
    QWidget *makeWindow() override;

private:
    void startAfresh();
    void resetPackage();
    void showFreshLoad(bool installable);
    void installUndone(const QString &id);
    void setWaitingToLoadPkg(bool waiting);
    void setWorking(bool working);
    void offerOpenPackage();
    void simulatorLaunchDidEnd(SimulatorLaunch::Outcome outcome);
    void reportLaunchFailure(SimulatorLaunch::Outcome outcome);
    void setInstallButton(const QString &title, Action action);
    InstallResult expandRecorded(const QString &installFolder, QStringList *undoNotes);
    void showInstallResult(InstallResult code, QStringList details, bool knownFolderNotForZC);
    void offerStopWaiting(bool waiting);
    void pressInstallButton();

    // Incomplete here: the destructor is out of line, where ui_MainWindow.h is included.
    std::unique_ptr<Ui::MainWindow> m_ui;
    bool m_waitingToLoadPkg = false;
    // An install is under way, or a started simulator is being watched.
    bool m_working = false;
    QString m_openFileAtStartupAtPath = QStringLiteral("");
    TrackPackage m_thePackage;
    ZCTrackPackPrefWinController *m_prefWinController = nullptr;
    VersionCheckPanelController *m_versionCehckPanel = nullptr;
    InstalledTracksController *m_installedTracks = nullptr;
    PackageFilesController *m_packageFiles = nullptr;
    // The record of this window's last install: once it is undone, nothing of it is left to ride.
    QString m_installRecordId;
    ProgressIndicator m_progIndicator;
    // The wait of the install under way, while it runs.
    LockWaitLoop *m_lockWait = nullptr;
    Action m_installButtonAction = &AppController::DoStartInstall;
    // The install button's title as the form has it, before any install retitles it.
    QString m_installButtonTitle;
};
