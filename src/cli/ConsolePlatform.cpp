// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ConsolePlatform.h"

#include "Console.h"
#include "platform/PlainText.h"
#include "platform/SystemLog.h"
#include "platform/UrlFetcher.h"

void ConsolePlatform::beep()
{
    // Nothing: a bell sounds in every tab of the terminal, interrupts a screen reader and is
    // only noise in a log; a question waiting on its own line is noticed without one.
}

AlertAnswer ConsolePlatform::runAlertPanel(const Alert &alert)
{
    Console::failure(PlainText::lines(alert.title + QStringLiteral(": ") + alert.message));
    // Nobody is asked here: as in the headless platform, the alternate button answers when
    // there is one, the default button otherwise.
    return alert.alternateButton.isEmpty() ? AlertAnswer::Default : AlertAnswer::Alternate;
}

void ConsolePlatform::beginInformationalAlertSheet(const Alert &alert, QWidget *)
{
    Console::failure(PlainText::lines(alert.title + QStringLiteral(": ") + alert.message));
}

void ConsolePlatform::log(const QString &line)
{
    // Always to the system log; a copy for the user only when asked for (--verbose), through the
    // console, in order with the tool's own lines and wherever the console writes. The user
    // learns what went wrong from the tool's own messages.
    const QString shown = PlainText::oneLine(line);
    SystemLog::toSystemLog(shown);
    if (Console::verbosity() == Console::Verbosity::Verbose)
        Console::err(shown);
}

void ConsolePlatform::fetchUrl(const QUrl &url, QObject *context, FetchDone done)
{
    UrlFetcher::fetch(url, context, std::move(done));
}
