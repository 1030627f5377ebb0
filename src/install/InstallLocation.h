// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Alert.h"

#include <QString>

// The two settings that name the simulator folder, shared by the desktop program and the
// command-line tool.
extern const QString ZCCratewrightZCFolderPathKey;
extern const QString ZCCratewrightKnownFolderNotForZCKey;

namespace InstallLocation {

// Registers the fallback values of the two keys in the settings store (never written).
void registerDefaults();

// A folder path with an override flag is a valid install location when the path is an
// existing folder and the flag is set, or when the path is a simulator folder.
bool isValid(const QString &folderPath, bool knownFolderNotForZC);

// Stores the pair for both programs; false when the settings file could not be written, and
// nothing was stored. A path is read back as it was given, also one whose name is not UTF-8.
bool store(const QString &folderPath, bool knownFolderNotForZC);
// The alert for a store that failed; the message names the settings file.
Alert notSavedAlert();

// The stored folder and flag, and whether the stored pair passes the rule.
QString storedFolderPath();
bool storedKnownFolderNotForZC();
bool storedLocationIsValid();

} // namespace InstallLocation
