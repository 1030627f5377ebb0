// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Command.h"

#include "Console.h"
#include "ExitStatus.h"
#include "OutcomeCode.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/PlainText.h"
#include "records/InstallRepair.h"

const QCommandLineOption Command::JsonOption(
    QStringLiteral("json"),
    QStringLiteral(QT_TRANSLATE_NOOP("CommandOption", "Print one JSON object instead of text.")));
Command::Argument Command::packageArgument()
{
    return {QStringLiteral("PACKAGE"), tr("The track package file."), QString()};
}

const QString Command::StandardInput = QStringLiteral("-");

namespace {

bool jsonAsked = false;

} // namespace

Command::~Command() = default;

void Command::setJsonRequested(bool requested)
{
    jsonAsked = requested;
}

bool Command::jsonRequested()
{
    return jsonAsked;
}

void Command::answerJson(const QString &code, QJsonObject fields)
{
    // Raised whenever a key changes its meaning or goes; new keys keep it.
    fields.insert(QStringLiteral("format"), 1);
    fields.insert(QStringLiteral("code"), code);
    Console::outJson(fields);
}

int Command::usageError(const QString &error) const
{
    Console::err(QStringLiteral("cratewright: ") + error);
    Console::err(tr("Usage: cratewright ") + usage);
    Console::err(tr("Try 'cratewright %1 --help' for more information.").arg(name));
    if (jsonAsked)
        answerJson(OutcomeCode::Usage, {{QStringLiteral("status"), error}});
    return ExitStatus::UsageError;
}

void Command::fail(const QString &code, const QString &status, const QString &cause, bool json, QJsonObject fields)
{
    Console::failure(PlainText::lines(status));
    if (!cause.isEmpty())
        Console::failure(PlainText::oneLine(cause));
    if (!json)
        return;
    fields.insert(QStringLiteral("status"), status);
    fields.insert(QStringLiteral("cause"), cause.isEmpty() ? QJsonValue() : QJsonValue(cause));
    answerJson(code, fields);
}

bool Command::loadPackage(TrackPackage &package, const QString &path, bool json)
{
    LoadResult code = LoadResult::CannotOpen;
    if (path == StandardInput) {
        // Held in memory, as a package file is held whole anyway: a spool file would only add
        // a copy on disk.
        if (const std::optional<QByteArray> bytes = Console::readAll())
            code = package.loadPackageBytes(*bytes, path);
    } else {
        code = package.loadPackageFileAtPath(path);
    }
    if (code == LoadResult::Loaded)
        return true;
    // The message's first paragraph is what the desktop program's alert says first; the rest
    // says why.
    const QStringList paragraphs = LoadText::message(code).split(QStringLiteral("\n\n"));
    fail(OutcomeCode::of(code), paragraphs.first(), paragraphs.mid(1).join(QLatin1Char(' ')), json,
         {{QStringLiteral("result"), number(code)}});
    return false;
}

void Command::repairInterrupted(const RecordStore &store)
{
    for (const InstallRepair::Repair &repair : InstallRepair(store).run())
        Console::failure(PlainText::oneLine(repair.text()));
}
