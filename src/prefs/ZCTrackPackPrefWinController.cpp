// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ZCTrackPackPrefWinController.h"

#include "install/InstallLocation.h"
#include "package/TrackPackage.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/OpenPanel.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"
#include "ui_PreferencesPanel.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
const QString AutosaveName = QStringLiteral("PreferencesPanel");
// Where the folder chooser starts while the stored folder is not valid.
const QString FallbackChooserFolder = QStringLiteral("/Applications");
} // namespace

ZCTrackPackPrefWinController::ZCTrackPackPrefWinController(QObject *parent)
    : WindowController(parent)
    , m_defaults(UserDefaults::standardUserDefaults())
{
    setWindowFrameAutosaveName(AutosaveName);
}

ZCTrackPackPrefWinController::~ZCTrackPackPrefWinController() = default;

QWidget *ZCTrackPackPrefWinController::makeWindow()
{
    auto *panel = new QWidget(nullptr, Qt::Window);
    m_ui = std::make_unique<Ui::PreferencesPanel>();
    m_ui->setupUi(panel);
    connect(m_ui->chooseFolderButton, &QPushButton::clicked, this, [this]() { chooseZoomcrestFolder(this); });
    connect(m_ui->saveButton, &QPushButton::clicked, this, [this]() { saveChanges(this); });
    connect(m_ui->zcFolderPathField, &QLineEdit::returnPressed, this, [this]() { saveChanges(this); });
    return panel;
}

void ZCTrackPackPrefWinController::windowDidLoad()
{
    // The field is filled from the settings only now; shown again later, it keeps its text.
    m_ui->zcFolderPathField->setText(InstallLocation::storedFolderPath());
    m_workingInstallPathIsUserBlessed = m_defaults.boolForKey(ZCCratewrightKnownFolderNotForZCKey);
    m_chosenInstallPathIsValid = userSpecifiedBaseInstallPathIsValid();
}

QLineEdit *ZCTrackPackPrefWinController::zcFolderPathField()
{
    window();
    return m_ui->zcFolderPathField;
}

bool ZCTrackPackPrefWinController::userSpecifiedBaseInstallPathIsValid() const
{
    return InstallLocation::isValid(InstallLocation::storedFolderPath(),
                                    m_defaults.boolForKey(ZCCratewrightKnownFolderNotForZCKey));
}

void ZCTrackPackPrefWinController::chooseZoomcrestFolder(QObject *)
{
    const std::shared_ptr<OpenPanel> panel = Platform::current().openPanel();
    panel->setCanChooseDirectories(true);
    panel->setCanChooseFiles(false);
    panel->setAllowsMultipleSelection(false);
    const QString startFolder = userSpecifiedBaseInstallPathIsValid() ? zcFolderPathField()->text()
                                                                      : FallbackChooserFolder;
    panel->beginSheetForDirectory(startFolder, QString(), QStringList(), window(),
                                  [this](OpenPanel *endedPanel, int returnCode) {
                                      chooseZoomcrestFolderDidEnd(endedPanel, returnCode, nullptr);
                                  });
}

void ZCTrackPackPrefWinController::chooseZoomcrestFolderDidEnd(OpenPanel *panel, int returnCode, void *)
{
    if (returnCode == 0) {
        // While the folder in effect is not valid, the chooser can't be cancelled.
        if (m_chosenInstallPathIsValid)
            return;
        panel->close();
        chooseZoomcrestFolder(this);
        return;
    }
    const QString chosenPath = panel->filename();
    if (chosenPath.isEmpty())
        return;
    if (TrackPackage::pathIsZCInstallFolder(chosenPath)) {
        zcFolderPathField()->setText(chosenPath);
        m_workingInstallPathIsUserBlessed = false;
        return;
    }
    Platform &platform = Platform::current();
    platform.beep();
    const AlertAnswer answer = platform.runAlertPanel(
        Alert{tr("Not A Zoomcrest Folder"),
              tr("The folder you chose does not appear to be your Zoomcrest application folder. "
                 "You will not be able to use tracks installed to this location. Are you sure you "
                 "want to use it?"),
              tr("Yes"), QString(), tr("No")});
    if (answer == AlertAnswer::Default) {
        zcFolderPathField()->setText(chosenPath);
        m_workingInstallPathIsUserBlessed = true;
    } else if (answer == AlertAnswer::Other) {
        panel->close();
        chooseZoomcrestFolder(this);
    }
}

void ZCTrackPackPrefWinController::saveChanges(QObject *)
{
    const QString folderPath = zcFolderPathField()->text();
    if (!InstallLocation::isValid(folderPath, m_workingInstallPathIsUserBlessed)) {
        m_chosenInstallPathIsValid = false;
        Platform &platform = Platform::current();
        platform.beep();
        platform.runAlertPanel(Alert{tr("Not A Valid Install Location"),
                                     tr("The current install location is not valid. Please choose another."),
                                     tr("OK")});
        return;
    }
    if (!InstallLocation::store(folderPath, m_workingInstallPathIsUserBlessed)) {
        // Nothing changed on disk, so the folder in effect is still the one it was.
        Platform &platform = Platform::current();
        platform.beep();
        platform.runAlertPanel(InstallLocation::notSavedAlert());
        return;
    }
    m_chosenInstallPathIsValid = true;
    close();
    NotificationCenter::defaultCenter().postNotificationName(PreferencesDidGetSaved, this);
}
