// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallLocation.h"

#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "platform/UserDefaults.h"

#include <QVariantMap>
#include <QCoreApplication>

const QString ZCCratewrightZCFolderPathKey = QStringLiteral("ZC Cratewright Zoomcrest Folder Path Key");
const QString ZCCratewrightKnownFolderNotForZCKey = QStringLiteral("ZC Cratewright Known Folder Not For ZC Key");

namespace InstallLocation {

void registerDefaults()
{
    UserDefaults::standardUserDefaults().registerDefaults({
        {ZCCratewrightZCFolderPathKey, QStringLiteral("/Applications/Zoomcrest")},
        {ZCCratewrightKnownFolderNotForZCKey, false},
    });
}

bool isValid(const QString &folderPath, bool knownFolderNotForZC)
{
    if (knownFolderNotForZC && TrackPackage::pathIsFolder(folderPath))
        return true;
    return TrackPackage::pathIsZCInstallFolder(folderPath);
}

bool store(const QString &folderPath, bool knownFolderNotForZC)
{
    // The settings file is UTF-8 text, and Qt drops what isn't: a folder whose name is not
    // UTF-8 is stored as its bytes instead, which storedFolderPath() reads back.
    const QByteArray bytes = FileName::encode(folderPath);
    const QVariant path = QString::fromUtf8(bytes) == folderPath ? QVariant(folderPath) : QVariant(bytes);
    return UserDefaults::standardUserDefaults().setObjectsForKeys({
        {ZCCratewrightZCFolderPathKey, path},
        {ZCCratewrightKnownFolderNotForZCKey, knownFolderNotForZC},
    });
}

Alert notSavedAlert()
{
    return Alert{QCoreApplication::translate("InstallLocation", "Preferences Not Saved"),
                 QCoreApplication::translate("InstallLocation",
                                             "Could not write the settings file '%1'. The folder was not saved.")
                     .arg(UserDefaults::standardUserDefaults().storeFileName()),
                 QCoreApplication::translate("InstallLocation", "OK")};
}

QString storedFolderPath()
{
    const QVariant path = UserDefaults::standardUserDefaults().objectForKey(ZCCratewrightZCFolderPathKey);
    if (path.typeId() == QMetaType::QByteArray)
        return FileName::decode(path.toByteArray());
    return path.toString();
}

bool storedKnownFolderNotForZC()
{
    return UserDefaults::standardUserDefaults().boolForKey(ZCCratewrightKnownFolderNotForZCKey);
}

bool storedLocationIsValid()
{
    return isValid(storedFolderPath(), storedKnownFolderNotForZC());
}

} // namespace InstallLocation
