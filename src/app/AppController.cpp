// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AppController.h"

#include "InstalledTracksController.h"
#include "LockWaitLoop.h"
#include "PackageDrop.h"
#include "PackageFilesController.h"
#include "ui_MainWindow.h"

#include "install/InstallLocation.h"
#include "package/ResultCodes.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/OpenPanel.h"
#include "platform/Platform.h"
#include "prefs/ZCTrackPackPrefWinController.h"
#include "records/InstallJournal.h"
#include "records/RecordStore.h"
#include "versioncheck/VersionCheckPanelController.h"
#include "versioncheck/VersionText.h"

#include <QAction>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

// Made when shown, not at start-up: the user's catalog is installed by then.
Alert firstRunAlert()
{
    return Alert{
        AppController::tr("First Run"),
        AppController::tr(
            "Welcome To the Zoomcrest Cratewright. Please set your Zoomcrest application folder, and then "
            "choose \"Save\".\n\nAfter you have completed this task, the Cratewright will be fully "
            "configured, and you will be prompted to open a track pack to install.\n\nHave Fun!\n"),
        AppController::tr("Yeah, I'll Do That..."),
    };
}

const char *const NoCommentsText = QT_TRANSLATE_NOOP("AppController", "(No Comments In Package File)");
const char *const NotLoadedText = QT_TRANSLATE_NOOP("AppController", "Package Was NOT Loaded!");
const char *const InstallingText = QT_TRANSLATE_NOOP("AppController", "Installing Package...");
// Alt+R and Alt+Q press the button; Qt shows and names it without the ampersand.
const char *const RideTitle = QT_TRANSLATE_NOOP("AppController", "&Ride!");
const char *const QuitTitle = QT_TRANSLATE_NOOP("AppController", "&Quit");
const char *const StopWaitingTitle = QT_TRANSLATE_NOOP("AppController", "&Stop Waiting");

const char *const HelpTitle = QT_TRANSLATE_NOOP("AppController", "ZC Cratewright Help");
const char *const HelpMessagePrefix = QT_TRANSLATE_NOOP(
    "AppController", "All Zoomcrest Cratewright documentation is available online at:\n\n");

const char *const OkButton = QT_TRANSLATE_NOOP("AppController", "OK");

// The package chooser admits self-extracting packages as well as plain ones; the loader
// decides by content, not by name.
const QStringList PackageTypes = {QStringLiteral("exe"), QStringLiteral("EXE"), QStringLiteral("zcpack"),
                                  QStringLiteral("ZCPACK")};

} // namespace

void AppController::initialize()
{
    InstallLocation::registerDefaults();
}

AppController::AppController()
{
    setWindowFrameAutosaveName(QStringLiteral("MainWindow"));

    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(this, PreferencesDidGetSaved,
                       [this](const Notification &notification) { preferencesDidGetSaved(notification); });
    center.addObserver(this, InstallPathIsNewlyBlessed,
                       [this](const Notification &notification) { applicationDidFinishLaunching(&notification); });

    resetPackage();
}

AppController::~AppController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    m_thePackage.setProgressHandler(nullptr);
    m_thePackage.setLockWaitHandler(nullptr);
}

QWidget *AppController::makeWindow()
{
    auto *window = new QMainWindow;
    m_ui = std::make_unique<Ui::MainWindow>();
    m_ui->setupUi(window);

    // Everything these show comes from an untrusted file: plain text only.
    for (QLabel *label : {m_ui->PkgTitleField, m_ui->PkgAuthorField, m_ui->PkgLeftInfoField, m_ui->PkgRightInfoField})
        label->setTextFormat(Qt::PlainText);
    m_ui->PkgCommentsTextView->setReadOnly(true);

    // The bar comes and goes with the work; keep its place so the window doesn't jump.
    QSizePolicy barPolicy = m_ui->progIndicator->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    m_ui->progIndicator->setSizePolicy(barPolicy);
    m_progIndicator.setBar(m_ui->progIndicator);
    m_progIndicator.setDisplayedWhenStopped(false);

    // A package dropped anywhere on the window opens as if chosen; the read-only comments would
    // otherwise take the drag for themselves and refuse it.
    m_ui->PkgCommentsTextView->setAcceptDrops(false);
    new PackageDrop(
        window, PackageTypes, [this] { return m_ui->actionOpenPackage->isEnabled(); },
        [this](const QString &path) { loadPackageAtPath(path); });

    m_installButtonTitle = m_ui->InstallPkgButton->text();
    connect(m_ui->InstallPkgButton, &QPushButton::clicked, this, &AppController::pressInstallButton);

    // The desktop's own key for preferences where it has one; the form's Ctrl+, otherwise.
    const QList<QKeySequence> preferencesKeys = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (!preferencesKeys.isEmpty())
        m_ui->actionPreferences->setShortcuts(preferencesKeys);

    connect(m_ui->actionOpenPackage, &QAction::triggered, this, [this] { chooseTrackPack(m_ui->actionOpenPackage); });
    connect(m_ui->actionPackageFiles, &QAction::triggered, this,
            [this] { showPackageFiles(m_ui->actionPackageFiles); });
    connect(m_ui->actionInstalledTracks, &QAction::triggered, this,
            [this] { showInstalledTracks(m_ui->actionInstalledTracks); });
    connect(m_ui->actionQuit, &QAction::triggered, this, [this] { closeMainWindow(m_ui->actionQuit); });
    connect(m_ui->actionPreferences, &QAction::triggered, this, [this] { showPrefWindow(m_ui->actionPreferences); });
    connect(m_ui->actionCheckForUpdates, &QAction::triggered, this,
            [this] { showVersionCheckPanel(m_ui->actionCheckForUpdates); });
    connect(m_ui->actionHelp, &QAction::triggered, this, [this] { showHelp(m_ui->actionHelp); });

    return window;
}

QLabel *AppController::PkgTitleField()
{
    window();
    return m_ui->PkgTitleField;
}

QLabel *AppController::PkgAuthorField()
{
    window();
    return m_ui->PkgAuthorField;
}

QLabel *AppController::PkgLeftInfoField()
{
    window();
    return m_ui->PkgLeftInfoField;
}

QLabel *AppController::PkgRightInfoField()
{
    window();
    return m_ui->PkgRightInfoField;
}

QPlainTextEdit *AppController::PkgCommentsTextView()
{
    window();
    return m_ui->PkgCommentsTextView;
}

QPushButton *AppController::InstallPkgButton()
{
    window();
    return m_ui->InstallPkgButton;
}

QProgressBar *AppController::progIndicator()
{
    window();
    return m_ui->progIndicator;
}

// Start-up and the first-run chain

void AppController::applicationDidFinishLaunching(const Notification *)
{
    center();
    InstallPkgButton()->setEnabled(false);

    if (!m_prefWinController)
        m_prefWinController = new ZCTrackPackPrefWinController(this);

    if (!m_prefWinController->userSpecifiedBaseInstallPathIsValid()) {
        // First run: the preferences must be saved before a package can be installed. Saving
        // them brings us back here through InstallPathIsNewlyBlessed.
        setWaitingToLoadPkg(true);
        m_prefWinController->showWindow(this);
        Platform::current().beginInformationalAlertSheet(firstRunAlert(), m_prefWinController->window());
        return;
    }

    setWaitingToLoadPkg(false);
    if (!m_openFileAtStartupAtPath.isEmpty())
        loadPackageAtPath(m_openFileAtStartupAtPath);
    else
        chooseTrackPack(this);
}

bool AppController::applicationOpenFile(const QString &path)
{
    m_openFileAtStartupAtPath = path;
    return true;
}

void AppController::preferencesDidGetSaved(const Notification &)
{
    if (!m_waitingToLoadPkg)
        return;
    NotificationCenter::defaultCenter().postNotificationName(InstallPathIsNewlyBlessed, this);
    setWaitingToLoadPkg(false);
}

void AppController::setWaitingToLoadPkg(bool waiting)
{
    m_waitingToLoadPkg = waiting;
    offerOpenPackage();
}

void AppController::setWorking(bool working)
{
    m_working = working;
    offerOpenPackage();
}

// No other package while one installs or the simulator starts, nor before the first-run
// preferences are saved: start-up then opens one itself. Nor a look at the files while an
// install changes them.
void AppController::offerOpenPackage()
{
    window();
    m_ui->actionOpenPackage->setEnabled(!m_waitingToLoadPkg && !m_working);
    m_ui->actionPackageFiles->setEnabled(m_thePackage.pkgLoaded() && !m_working);
}

bool AppController::applicationShouldTerminateAfterLastWindowClosed(QObject *) const
{
    return true;
}

void AppController::closeMainWindow(QObject *)
{
    close();
}

// Choosing and presenting a package

void AppController::chooseTrackPack(QObject *)
{
    const std::shared_ptr<OpenPanel> panel = Platform::current().openPanel();
    panel->setCanChooseDirectories(false);
    panel->setCanChooseFiles(true);
    panel->setAllowsMultipleSelection(false);
    const QString desktop = QDir::homePath() + QStringLiteral("/Desktop");
    QPointer<AppController> self(this);
    panel->beginSheetForDirectory(desktop, QString(), PackageTypes, window(),
                                  [self](OpenPanel *endedPanel, int returnCode) {
                                      if (self)
                                          self->chooseTrackPackrDidEnd(endedPanel, returnCode, nullptr);
                                  });
}

void AppController::chooseTrackPackrDidEnd(OpenPanel *panel, int returnCode, void *)
{
    const QString path = panel->filename();
    if (returnCode == 0) {
        panel->close();
        closeMainWindow(this);
        return;
    }
    // The load, and any alert it shows, comes before the panel goes away.
    if (!path.isEmpty())
        loadPackageAtPath(path);
    panel->close();
}

void AppController::loadPackageAtPath(const QString &path)
{
    window();
    m_progIndicator.setDisplayedWhenStopped(false);
    m_progIndicator.setUsesThreadedAnimation(true);
    m_progIndicator.startAnimation(this);
    startAfresh();

    const LoadResult code = m_thePackage.loadPackageFileAtPath(path);
    if (code == LoadResult::Loaded) {
        PkgTitleField()->setText(m_thePackage.pkgTitle());
        PkgAuthorField()->setText(tr("By: %1").arg(m_thePackage.pkgAuthor()));
        const QString comments = m_thePackage.pkgComments();
        setCommentsViewString(comments.isEmpty() ? tr(NoCommentsText) : comments);
        PkgLeftInfoField()->setText(tr("%n File(s) In Package.", nullptr, int(m_thePackage.pkgFilesCount())));
        InstallPkgButton()->setEnabled(true);
    } else {
        Platform &platform = Platform::current();
        platform.beep();
        platform.runAlertPanel(LoadText::failureAlert(code));
        closeMainWindow(this);
    }

    m_progIndicator.stopAnimation(this);
    offerOpenPackage();
}

// Nothing of an earlier package survives a load, whether it succeeds or not: not "Ride!" nor
// its status, and not its entries, install base or track file, so neither a failed load nor a
// package without a track file can install or ride what came before.
void AppController::startAfresh()
{
    resetPackage();
    showFreshLoad(false);
}

void AppController::showFreshLoad(bool installable)
{
    m_installRecordId.clear();
    setInstallButton(m_installButtonTitle, &AppController::DoStartInstall);
    InstallPkgButton()->setEnabled(installable);
    PkgRightInfoField()->clear();
    PkgRightInfoField()->setToolTip(QString());
}

// The package is still loaded and may be installed again; "Ride!" would start a track file that
// is gone.
void AppController::installUndone(const QString &id)
{
    if (!m_installRecordId.isEmpty() && id == m_installRecordId && !m_working)
        showFreshLoad(m_thePackage.pkgLoaded());
}

void AppController::resetPackage()
{
    m_thePackage = TrackPackage();
    // Loading and installing report their progress here, which keeps the window painted.
    m_thePackage.setProgressHandler([this](qint64 done, qint64 total) { m_progIndicator.setProgress(done, total); });
    m_thePackage.setLockWaitHandler([this] {
        PkgRightInfoField()->setText(InstallText::waitingText());
        PkgRightInfoField()->repaint();
    });
    // The user answers the overwrite question in a message box while the install waits.
    m_thePackage.setOverwriteQuery(platformOverwriteQuery());
}

void AppController::setCommentsViewString(const QString &text)
{
    PkgCommentsTextView()->setPlainText(text);
}

// Installing

void AppController::DoStartInstall(QObject *)
{
    const QString installFolder = InstallLocation::storedFolderPath();
    const bool knownFolderNotForZC = InstallLocation::storedKnownFolderNotForZC();

    // An undo in the library window waits for a lock with the event loop running: an install
    // started from inside that wait would end only after it.
    if (LockWaitLoop::active()) {
        Platform::current().beep();
        return;
    }
    InstallPkgButton()->setEnabled(false);

    if (!m_thePackage.pkgLoaded()) {
        setCommentsViewString(tr(NotLoadedText));
        m_progIndicator.stopAnimation(this);
        return;
    }

    m_progIndicator.startAnimation(this);
    setWorking(true);
    PkgRightInfoField()->setText(tr(InstallingText));
    // The extraction keeps the main thread busy: show the status before it starts.
    PkgRightInfoField()->repaint();

    QStringList undoNotes;
    const InstallResult code = expandRecorded(installFolder, &undoNotes);
    if (m_installedTracks && m_installedTracks->isWindowLoaded())
        m_installedTracks->reload();
    showInstallResult(code, undoNotes, knownFolderNotForZC);
    setWorking(false);
    m_progIndicator.stopAnimation(this);
}

// Recorded, so that the install can be undone from Installed Tracks. A wait for another
// install's lock runs the event loop, and offers to stop.
InstallResult AppController::expandRecorded(const QString &installFolder, QStringList *undoNotes)
{
    const RecordStore records;
    InstalledTracksController::repairInterrupted(records);
    InstallJournal journal(records, m_thePackage);
    m_thePackage.setInstallObserver(&journal);
    LockWaitLoop waitLoop(window());
    m_lockWait = &waitLoop;
    m_thePackage.setLockWaitPause(waitLoop.pause([this](bool waiting) { offerStopWaiting(waiting); }));
    const InstallResult code = m_thePackage.expandPackageTo(installFolder);
    m_thePackage.setLockWaitPause(nullptr);
    m_lockWait = nullptr;
    m_thePackage.setInstallObserver(nullptr);
    m_installRecordId = journal.recordId();
    for (const QString &line : journal.logLines())
        Platform::current().log(line);
    *undoNotes = journal.undoNotes();
    return code;
}

void AppController::showInstallResult(InstallResult code, QStringList details, bool knownFolderNotForZC)
{
    const bool stopped = code == InstallResult::Stopped;
    PkgRightInfoField()->setText(
        stopped ? InstallText::stoppedText(m_thePackage.lastInstall().filesDone, m_thePackage.pkgFilesCount())
                : InstallText::statusText(code));
    // The status texts are fixed; what went wrong where, and what can't be undone, goes beside
    // them (the log has it too).
    if (const QString cause = m_thePackage.lastInstall().causeText(); !cause.isEmpty())
        details.prepend(cause);
    PkgRightInfoField()->setToolTip(details.join(QLatin1Char('\n')));
    if (code != InstallResult::Success)
        return;
    if (knownFolderNotForZC)
        setInstallButton(tr(QuitTitle), &AppController::closeMainWindow);
    else
        setInstallButton(tr(RideTitle), &AppController::launchSimWithTrackFile);
    InstallPkgButton()->setEnabled(true);
}

// While another install holds the folder, the install button stops the wait; between pauses,
// and once the wait is over, it is the disabled Install button of an install under way.
void AppController::offerStopWaiting(bool waiting)
{
    setInstallButton(waiting ? tr(StopWaitingTitle) : m_installButtonTitle,
                     waiting ? &AppController::stopWaiting : &AppController::DoStartInstall);
    InstallPkgButton()->setEnabled(waiting);
}

void AppController::stopWaiting(QObject *)
{
    if (m_lockWait)
        m_lockWait->stop();
}

// Launching the simulator

void AppController::launchSimWithTrackFile(QObject *)
{
    if (const std::optional<SimulatorLaunch::Outcome> refusal = SimulatorLaunch::refusal(m_thePackage)) {
        reportLaunchFailure(*refusal);
        return;
    }
    // Whether the simulator really started is known a moment later; the window goes on
    // meanwhile, with neither a second start nor another package to be had.
    InstallPkgButton()->setEnabled(false);
    setWorking(true);
    SimulatorLaunch::start(m_thePackage, this,
                           [this](SimulatorLaunch::Outcome outcome) { simulatorLaunchDidEnd(outcome); });
}

void AppController::simulatorLaunchDidEnd(SimulatorLaunch::Outcome outcome)
{
    if (outcome != SimulatorLaunch::Outcome::Launched)
        reportLaunchFailure(outcome);
    // Started or not, the next press of the button ends the run.
    setInstallButton(tr(QuitTitle), &AppController::closeMainWindow);
    InstallPkgButton()->setEnabled(true);
    setWorking(false);
}

// A beep, the "Launch Failed" alert and a log line; only the not-loaded case logs before its
// alert.
void AppController::reportLaunchFailure(SimulatorLaunch::Outcome outcome)
{
    Platform &platform = Platform::current();
    const bool logFirst = outcome == SimulatorLaunch::Outcome::PackageNotLoaded;
    platform.beep();
    if (logFirst)
        platform.log(SimulatorLaunch::failureLogLine(outcome));
    platform.runAlertPanel(SimulatorLaunch::failureAlert(outcome));
    if (!logFirst)
        platform.log(SimulatorLaunch::failureLogLine(outcome));
}

// The install button: one connection, to whatever the button stands for at the moment.

void AppController::setInstallButton(const QString &title, Action action)
{
    InstallPkgButton()->setText(title);
    m_installButtonAction = action;
}

void AppController::pressInstallButton()
{
    (this->*m_installButtonAction)(InstallPkgButton());
}

// Menu commands

void AppController::showPrefWindow(QObject *)
{
    if (!m_prefWinController)
        m_prefWinController = new ZCTrackPackPrefWinController(this);
    m_prefWinController->showWindow(this);
}

void AppController::showVersionCheckPanel(QObject *)
{
    if (!m_versionCehckPanel)
        m_versionCehckPanel = new VersionCheckPanelController(this);
    m_versionCehckPanel->showWindow(this);
    m_versionCehckPanel->checkVersion();
}

void AppController::showInstalledTracks(QObject *)
{
    if (!m_installedTracks) {
        m_installedTracks = new InstalledTracksController(this);
        connect(m_installedTracks, &InstalledTracksController::installUndone, this, &AppController::installUndone);
    } else
        m_installedTracks->reload(); // installs by the command-line tool meanwhile
    m_installedTracks->showWindow(this);
}

void AppController::showPackageFiles(QObject *)
{
    if (!m_packageFiles)
        m_packageFiles = new PackageFilesController(this);
    m_packageFiles->showFiles(m_thePackage, InstallLocation::storedFolderPath());
    m_packageFiles->showWindow(this);
}

void AppController::showHelp(QObject *)
{
    const QUrl address = VersionText::documentationUrl();
    if (Platform::current().openUrl(address))
        return;
    Platform::current().runAlertPanel(Alert{tr(HelpTitle), tr(HelpMessagePrefix) + address.toString(), tr(OkButton)});
}
