// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ResultCodes.h"

#include <QCoreApplication>

const char *const MaintainerContactAddress = "maintainers@cratewright.zoomcrest.org";

namespace LoadText {

QString message(LoadResult code)
{
    switch (code) {
    case LoadResult::CannotOpen:
        return QCoreApplication::translate("LoadText",
                                           "Could not open file. (Err: %1)\n\nPermission problem? Doesn't exist?")
            .arg(number(code));
    case LoadResult::NotAPackage:
        return QCoreApplication::translate(
                   "LoadText", "Could not open file. (Err: %1)\n\nIt does not appear to be a track package file.")
            .arg(number(code));
    case LoadResult::FileCountMismatch:
        return QCoreApplication::translate("LoadText",
                                           "Could not open file. (Err: %1)\n\nFile count does not match expected.")
            .arg(number(code));
    case LoadResult::VersionNotAccepted:
        return QCoreApplication::translate("LoadText",
                                           "Could not load Track Package. (Err: %1)\n\nThe package version is too "
                                           "old.\n\nCurrently, only 1.3.x SFX Track Package files are "
                                           "supported.\n\nSorry.")
            .arg(number(code));
    default:
        return QCoreApplication::translate(
                   "LoadText", "An un-planned for error has occured. Could be bad. You  might want to tell ")
               + QLatin1String(MaintainerContactAddress);
    }
}

Alert failureAlert(LoadResult code)
{
    return Alert{QCoreApplication::translate("LoadText", "File Open Error"), message(code),
                 QCoreApplication::translate("LoadText", "OK")};
}

} // namespace LoadText

namespace InstallText {

QString tag(InstallResult code)
{
    switch (code) {
    case InstallResult::UCOMP:
        return QStringLiteral("UCOMP");
    case InstallResult::WRITE:
        return QStringLiteral("WRITE");
    case InstallResult::BDIR:
        return QStringLiteral("BDIR");
    case InstallResult::FDIR:
        return QStringLiteral("FDIR");
    case InstallResult::FLDROW:
        return QStringLiteral("FLDROW");
    case InstallResult::Stopped:
        return QStringLiteral("STOP");
    default:
        return QStringLiteral("MISC");
    }
}

QString statusText(InstallResult code)
{
    if (code == InstallResult::Success)
        return QCoreApplication::translate("InstallText", "Package Installed Successfully.");
    return QCoreApplication::translate("InstallText", "Error Installing Package (%1/%2).")
        .arg(tag(code))
        .arg(number(code));
}

QString stoppedText(qint64 done, qint64 total)
{
    // %n is the total, by which a language chooses the noun's form.
    return QCoreApplication::translate("InstallText", "Install stopped after %1 of %n files.", nullptr, int(total))
        .arg(done);
}

QString waitingText()
{
    return QCoreApplication::translate("InstallText", "Waiting for another install into this folder to finish\u2026");
}

Alert overwriteAlert(const QString &relFilePath)
{
    return Alert{
        QCoreApplication::translate("InstallText", "File Already Exists"),
        QCoreApplication::translate("InstallText", "The File '%1' already exists. Would you like to replace it?")
            .arg(relFilePath),
        QCoreApplication::translate("InstallText", "Yes"), QCoreApplication::translate("InstallText", "No"),
        QCoreApplication::translate("InstallText", "Yes To All")};
}

} // namespace InstallText
