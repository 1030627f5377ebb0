// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RecordStore.h"

#include "DurableFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace {

const char *const Extensions[] = {".journal", ".record", ".undoing"};

QString extensionOf(InstallRecord::State state)
{
    return QString::fromLatin1(Extensions[int(state)]);
}

bool makeFolder(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST)
        return QFileInfo(path).isDir();
    return false;
}

} // namespace

QString RecordStore::standardFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zc-cratewright");
}

RecordStore::RecordStore(const QString &folder)
    : m_folder(folder)
{
}

QString RecordStore::recordsFolder() const
{
    return m_folder + QStringLiteral("/records");
}

QString RecordStore::storeFolder() const
{
    return m_folder + QStringLiteral("/store");
}

bool RecordStore::makeFolders() const
{
    QDir().mkpath(QFileInfo(m_folder).absolutePath());
    return makeFolder(m_folder) && makeFolder(recordsFolder()) && makeFolder(storeFolder());
}

QString RecordStore::newId(const QDateTime &time)
{
    static const char Letters[] = "abcdefghijkmnpqrstuvwxyz23456789";
    QString id = time.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-"));
    for (int i = 0; i < 4; ++i)
        id += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    return id;
}

QString RecordStore::pathOf(const QString &id, InstallRecord::State state) const
{
    return recordsFolder() + QLatin1Char('/') + id + extensionOf(state);
}

QList<InstallRecord> RecordStore::records(QStringList *unreadable) const
{
    QList<InstallRecord> records;
    QStringList ids;
    for (const QFileInfo &info : QDir(recordsFolder()).entryInfoList(QDir::Files)) {
        if (info.suffix() == QLatin1String("journal") || info.suffix() == QLatin1String("record")
            || info.suffix() == QLatin1String("undoing"))
            ids << info.completeBaseName();
    }
    ids.removeDuplicates();
    for (const QString &id : std::as_const(ids)) {
        InstallRecord record;
        QString error;
        if (load(id, &record, &error))
            records << record;
        else if (unreadable)
            *unreadable << id + QStringLiteral(": ") + error;
    }
    std::sort(records.begin(), records.end(),
              [](const InstallRecord &a, const InstallRecord &b) { return a.isLaterThan(b); });
    return records;
}

bool RecordStore::load(const QString &id, InstallRecord *record, QString *error) const
{
    // A record being undone comes first: its undo was begun and must be finished.
    for (const auto state :
         {InstallRecord::State::Undoing, InstallRecord::State::Ended, InstallRecord::State::Journal}) {
        QFile file(pathOf(id, state));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        if (!InstallRecord::parse(file.readAll(), record, error))
            return false;
        if (record->id != id) {
            *error = QStringLiteral("it names another install (%1)").arg(record->id);
            return false;
        }
        record->state = state;
        return true;
    }
    *error = QStringLiteral("no install has the id %1").arg(id);
    return false;
}

bool RecordStore::write(const InstallRecord &record) const
{
    return DurableFile::write(recordsFolder(), record.id + extensionOf(record.state), record.serialized());
}

bool RecordStore::move(InstallRecord &record, InstallRecord::State state) const
{
    if (record.state == state)
        return DurableFile::touch(recordsFolder());
    if (std::rename(QFile::encodeName(pathOf(record.id, record.state)).constData(),
                    QFile::encodeName(pathOf(record.id, state)).constData())
        != 0)
        return false;
    record.state = state;
    return DurableFile::syncFolder(recordsFolder());
}

bool RecordStore::remove(const InstallRecord &record) const
{
    return QFile::remove(pathOf(record.id, record.state)) && DurableFile::syncFolder(recordsFolder());
}

qint64 RecordStore::size() const
{
    qint64 total = 0;
    QDirIterator it(m_folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}
