// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// cratewright: installs Zoomcrest track packages from the command line, sharing the desktop
// program's core and its settings.
#include "CommandLineTool.h"
#include "ConsolePlatform.h"
#include "platform/FileName.h"
#include "platform/Translations.h"
#include "versioncheck/VersionText.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The same names as the desktop program, so that both read and write one settings file
    // (~/.config/zc-cratewright/zc-cratewright.conf). Set before anything opens the settings.
    QCoreApplication::setOrganizationName(QStringLiteral("zc-cratewright"));
    QCoreApplication::setApplicationName(QStringLiteral("zc-cratewright"));
    QCoreApplication::setApplicationVersion(VersionText::OwnVersion);
    QCoreApplication app(argc, argv);
    Translations::install(&app);

    ConsolePlatform console;
    Platform::setCurrent(&console);
    // The arguments as bytes: QCoreApplication::arguments() decodes them as UTF-8 and turns a
    // name's other bytes into U+FFFD, which names another file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << FileName::decode(QByteArray(argv[i]));
    const int status = CommandLineTool().run(arguments);
    Platform::setCurrent(nullptr);
    return status;
}
