// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "VersionCheckCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "platform/PlainText.h"
#include "platform/Platform.h"
#include "versioncheck/VersionText.h"

#include <QEventLoop>
#include <QObject>

#include <optional>

VersionCheckCommand::VersionCheckCommand()
{
    name = QStringLiteral("version-check");
    usage = QStringLiteral("version-check");
    summary = tr("Check online whether a newer version of ZC Cratewright exists.");
}

int VersionCheckCommand::run(const QCommandLineParser &, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return usageError(tr("unexpected argument '%1'").arg(arguments.first()));

    // The fetch always ends (an answer, a failure or its time limit), so this loop does too.
    QEventLoop loop;
    QObject context;
    bool finished = false;
    std::optional<QString> text;
    Platform::current().fetchUrl(VersionText::versionCheckUrl(), &context, [&](const std::optional<QString> &fetched) {
        text = fetched;
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();

    const QString message = PlainText::lines(VersionText::messageFor(text));
    if (!text || text->isEmpty()) {
        Console::failure(message);
        return ExitStatus::Refused;
    }
    Console::out(message);
    return ExitStatus::Success;
}
