// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// The names posted through NotificationCenter between the windows. Poster and observer both
// use these, so a misspelt name cannot silently leave a notification without a listener.

// Posted by the preferences window after the settings were written.
extern const QString PreferencesDidGetSaved;
// Posted by the main controller when the saved folder lets a waiting start-up go on.
extern const QString InstallPathIsNewlyBlessed;
