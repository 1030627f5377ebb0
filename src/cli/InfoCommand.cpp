// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InfoCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "OutcomeCode.h"
#include "package/TrackPackage.h"
#include "platform/PlainText.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// The three version bytes as signed numbers, as the load logs them ("1.3.0").
QString versionOf(const TrackPackage &package)
{
    return QStringLiteral("%1.%2.%3")
        .arg(int(package.contents().pkgFileVerMaj))
        .arg(int(package.contents().pkgFileVerMin))
        .arg(int(package.contents().pkgFileVerRev));
}

// Continuation lines of a multi-line value line up under its first line.
QString indented(const QString &text, int width)
{
    QString result = text;
    result.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(width, QLatin1Char(' ')));
    return result;
}

} // namespace

InfoCommand::InfoCommand()
{
    name = QStringLiteral("info");
    usage = QStringLiteral("info PACKAGE [--json]");
    summary = tr("Show a package's title, author, comments, version and files.");
    positionalArguments = {packageArgument()};
    options = {JsonOption};
}

int InfoCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(tr("no package given"));
    if (arguments.size() > 1)
        return usageError(tr("unexpected argument '%1'").arg(arguments.at(1)));

    TrackPackage package;
    if (!loadPackage(package, arguments.first(), parser.isSet(JsonOption)))
        return ExitStatus::LoadFailed;
    if (parser.isSet(JsonOption))
        printJson(package);
    else
        printText(package);
    return ExitStatus::Success;
}

void InfoCommand::printText(const TrackPackage &package)
{
    constexpr int labelWidth = 10;
    auto field = [](const QString &label, const QString &value) {
        Console::out((label + QLatin1Char(':')).leftJustified(labelWidth)
                     + indented(PlainText::lines(value), labelWidth));
    };
    field(QStringLiteral("Title"), package.pkgTitle());
    field(QStringLiteral("Author"), package.pkgAuthor());
    field(QStringLiteral("Version"), versionOf(package));
    field(QStringLiteral("Comments"), package.pkgComments());
    field(QStringLiteral("Files"), QString::number(package.pkgFilesCount()));

    Console::out(QStringLiteral("%1 %2 %3  %4")
                     .arg(QStringLiteral("offset"), 10)
                     .arg(QStringLiteral("size"), 10)
                     .arg(QStringLiteral("compressed"), 10)
                     .arg(QStringLiteral("path")));
    for (const ZLibCompFileMetaData &entry : package.contents().compFileMetaData) {
        Console::out(QStringLiteral("%1 %2 %3  %4")
                         .arg(entry.baseRelOffset(), 10)
                         .arg(entry.unCompSize(), 10)
                         .arg(entry.compSize(), 10)
                         .arg(PlainText::oneLine(entry.relFilePath())));
    }
}

void InfoCommand::printJson(const TrackPackage &package)
{
    QJsonArray files;
    for (const ZLibCompFileMetaData &entry : package.contents().compFileMetaData) {
        files.append(QJsonObject{
            {QStringLiteral("folder"), entry.relPath()},
            {QStringLiteral("name"), entry.filename()},
            {QStringLiteral("path"), entry.relFilePath()},
            {QStringLiteral("offset"), entry.baseRelOffset()},
            {QStringLiteral("size"), entry.unCompSize()},
            {QStringLiteral("compressedSize"), entry.compSize()},
        });
    }
    const QJsonObject info{
        {QStringLiteral("title"), package.pkgTitle()},
        {QStringLiteral("author"), package.pkgAuthor()},
        {QStringLiteral("comments"), package.pkgComments()},
        {QStringLiteral("version"), versionOf(package)},
        {QStringLiteral("files"), files},
    };
    answerJson(OutcomeCode::Ok, info);
}
