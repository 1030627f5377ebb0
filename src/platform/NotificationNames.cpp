// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "NotificationNames.h"

const QString PreferencesDidGetSaved = QStringLiteral("preferencesDidGetSaved");
const QString InstallPathIsNewlyBlessed = QStringLiteral("installPathIsNewlyBlessed");
