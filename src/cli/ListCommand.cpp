// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ListCommand.h"

#include "Console.h"
#include "ExitStatus.h"
#include "OutcomeCode.h"
#include "platform/PlainText.h"
#include "records/RecordStore.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

namespace {

// The installs by folder: each folder's newest first, the folder with the newest install first.
QList<QList<InstallRecord>> grouped(const QList<InstallRecord> &records)
{
    QList<QList<InstallRecord>> folders;
    for (const InstallRecord &record : records) {
        auto folder = std::find_if(folders.begin(), folders.end(), [&record](const QList<InstallRecord> &group) {
            return group.first().installBase == record.installBase;
        });
        if (folder == folders.end())
            folders.append({record});
        else
            folder->append(record);
    }
    return folders;
}

QString sizeText(qint64 size)
{
    return QLocale::c().formattedDataSize(size, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

ListCommand::ListCommand()
{
    name = QStringLiteral("list");
    usage = QStringLiteral("list [--json]");
    summary = tr("List the recorded installs, newest first, by install folder.");
    options = {JsonOption};
}

QString ListCommand::stateName(const InstallRecord &record)
{
    switch (record.state) {
    case InstallRecord::State::Journal:
        return QStringLiteral("interrupted");
    case InstallRecord::State::Undoing:
        return QStringLiteral("undoing");
    case InstallRecord::State::Ended:
        break;
    }
    return QStringLiteral("ended");
}

int ListCommand::run(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return usageError(tr("unexpected argument '%1'").arg(arguments.first()));
    const RecordStore store;
    repairInterrupted(store);
    QStringList unreadable;
    DiskResult listed;
    const QList<QList<InstallRecord>> folders = grouped(store.records(&unreadable, &listed));
    // Else it would say that nothing is recorded, of installs that may well be.
    if (!listed.ok()) {
        fail(OutcomeCode::Records, tr("the recorded installs can't be listed"), listed.describe(),
             parser.isSet(JsonOption), {{QStringLiteral("dataFolder"), store.folder()}});
        return ExitStatus::Refused;
    }
    for (const QString &problem : std::as_const(unreadable))
        Console::failure(tr("a record can't be read: ") + PlainText::oneLine(problem));
    if (parser.isSet(JsonOption))
        printJson(store, folders);
    else
        printText(store, folders);
    return ExitStatus::Success;
}

void ListCommand::printText(const RecordStore &store, const QList<QList<InstallRecord>> &folders)
{
    Console::out(tr("Data folder: %1 (%2)").arg(PlainText::oneLine(store.folder()), sizeText(store.size())));
    if (folders.isEmpty()) {
        Console::out(tr("No installs recorded."));
        return;
    }
    for (const QList<InstallRecord> &folder : folders) {
        Console::out(QString());
        Console::out(PlainText::oneLine(folder.first().installBase));
        for (const InstallRecord &record : folder) {
            const QString state = record.state == InstallRecord::State::Ended
                                      ? QString()
                                      : QStringLiteral(" [%1]").arg(stateName(record));
            Console::out(tr("  %1  %2  %3 %4 by %5, %6 file(s)%7")
                             .arg(record.id, record.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                  PlainText::oneLine(record.title), record.version, PlainText::oneLine(record.author))
                             .arg(record.files.size())
                             .arg(state));
        }
    }
}

void ListCommand::printJson(const RecordStore &store, const QList<QList<InstallRecord>> &folders)
{
    QJsonArray groups;
    for (const QList<InstallRecord> &folder : folders) {
        QJsonArray installs;
        for (const InstallRecord &record : folder) {
            installs.append(QJsonObject{
                {QStringLiteral("id"), record.id},
                {QStringLiteral("title"), record.title},
                {QStringLiteral("author"), record.author},
                {QStringLiteral("version"), record.version},
                {QStringLiteral("package"), record.packageName},
                {QStringLiteral("packageHash"), record.packageHash.toHex()},
                {QStringLiteral("time"), record.time.toString(Qt::ISODate)},
                {QStringLiteral("state"), stateName(record)},
                {QStringLiteral("result"), record.result ? QJsonValue(*record.result) : QJsonValue()},
                {QStringLiteral("files"), int(record.files.size())},
                {QStringLiteral("replaced"),
                 int(std::count_if(record.files.cbegin(), record.files.cend(),
                                   [](const RecordedFile &file) { return file.replaced; }))},
            });
        }
        groups.append(QJsonObject{{QStringLiteral("installBase"), folder.first().installBase},
                                  {QStringLiteral("installs"), installs}});
    }
    const QJsonObject list{
        {QStringLiteral("dataFolder"), store.folder()},
        {QStringLiteral("dataSize"), store.size()},
        {QStringLiteral("folders"), groups},
    };
    answerJson(OutcomeCode::Ok, list);
}
