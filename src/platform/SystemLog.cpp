// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SystemLog.h"

#include "FileName.h"
#include "PlainText.h"

#include <QCoreApplication>

#include <cstdio>
#include <syslog.h>

namespace SystemLog {

void toSystemLog(const QString &shown)
{
    static bool opened = false;
    if (!opened) {
        // syslog keeps the identity pointer, so it must outlive the process's use of it.
        static const QByteArray ident = QCoreApplication::applicationName().toUtf8();
        openlog(ident.isEmpty() ? "cratewright" : ident.constData(), LOG_PID, LOG_USER);
        opened = true;
    }
    // The journal takes text: a file name's bytes that are not UTF-8 show as U+FFFD there.
    syslog(LOG_NOTICE, "%s", FileName::asText(shown).toUtf8().constData());
}

void write(const QString &line)
{
    // One call, one line: a line break inside (a package's file names may hold any byte) is
    // shown escaped rather than starting a line that looks like another entry.
    const QString shown = PlainText::oneLine(line);
    toSystemLog(shown);
    // The terminal gets a path's own bytes, as the command-line tool prints them.
    std::fprintf(stderr, "%s\n", FileName::encode(shown).constData());
    std::fflush(stderr);
}

} // namespace SystemLog
