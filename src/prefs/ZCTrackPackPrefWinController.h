// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/WindowController.h"

#include <memory>

class OpenPanel;
class QLineEdit;
class UserDefaults;
namespace Ui {
class PreferencesPanel;
}

// The preferences window: where the simulator folder is chosen, checked against the install
// location rule and saved with the override flag. Posts PreferencesDidGetSaved after a save.
class ZCTrackPackPrefWinController : public WindowController
{
    Q_OBJECT

public:
    explicit ZCTrackPackPrefWinController(QObject *parent = nullptr);
    ~ZCTrackPackPrefWinController() override;

    // The install location rule on the stored folder and flag (not on the field); needs no window.
    bool userSpecifiedBaseInstallPathIsValid() const;
    bool acceptsFirstResponder() const { return true; }

    bool chosenInstallPathIsValid() const { return m_chosenInstallPathIsValid; }
    bool workingInstallPathIsUserBlessed() const { return m_workingInstallPathIsUserBlessed; }
    // Loads the window on first use.
    QLineEdit *zcFolderPathField();

public Q_SLOTS:
    void chooseZoomcrestFolder(QObject *sender);
    void chooseZoomcrestFolderDidEnd(OpenPanel *panel, int returnCode, void *contextInfo);
    void saveChanges(QObject *sender);

protected:
    QWidget *makeWindow() override;
    void windowDidLoad() override;

private:
    std::unique_ptr<Ui::PreferencesPanel> m_ui;
    bool m_chosenInstallPathIsValid = false;
    bool m_workingInstallPathIsUserBlessed = false;
    UserDefaults &m_defaults;
};
