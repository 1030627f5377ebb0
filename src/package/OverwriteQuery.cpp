// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "OverwriteQuery.h"

#include "ResultCodes.h"
#include "platform/Platform.h"

OverwriteQuery platformOverwriteQuery()
{
    return [](const QString &relFilePath) {
        Platform &platform = Platform::current();
        platform.beep();
        switch (platform.runAlertPanel(InstallText::overwriteAlert(relFilePath))) {
        case AlertAnswer::Alternate:
            return OverwriteAnswer::Keep;
        case AlertAnswer::Other:
            return OverwriteAnswer::ReplaceAll;
        case AlertAnswer::Default:
            break;
        }
        // Whatever else a platform might hand back is taken as the default button.
        return OverwriteAnswer::Replace;
    };
}
