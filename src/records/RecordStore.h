// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallRecord.h"
#include "fs/DiskResult.h"

#include <QList>
#include <QString>
#include <QStringList>

// The data folder that keeps the records of installs, $XDG_DATA_HOME/zc-cratewright (by
// default ~/.local/share/zc-cratewright): "records/" holds one file per install, named by its
// id (".journal" while the install goes or when it never ended, ".record" once it ended,
// ".undoing" while it is being undone), "store/" the originals the installs replaced, and
// "sequence" the number of the last install.
class RecordStore
{
public:
    static QString standardFolder();
    explicit RecordStore(const QString &folder = standardFolder());

    QString folder() const { return m_folder; }
    QString recordsFolder() const;
    QString storeFolder() const;
    // Makes the folders, for the user alone; false when they can't be made.
    bool makeFolders() const;

    // A new id: the time, then random letters, so ids sort by time and never collide.
    static QString newId(const QDateTime &time);
    QString pathOf(const QString &id, InstallRecord::State state) const;
    // The next number of the installs' sequence, from 1; 0 when the data folder can't keep it.
    quint64 takeSequence() const;

    // Every record, newest first; each one that can't be read adds "id: reason" to `unreadable`.
    // When the records folder itself can't be read (left behind by a run through sudo, say),
    // none are, and `listed` says why; a folder not made yet holds no records.
    QList<InstallRecord> records(QStringList *unreadable = nullptr, DiskResult *listed = nullptr) const;
    // The ids of the records whose files stand for `state`, unread: a look at the folder alone.
    QStringList ids(InstallRecord::State state) const;
    // The record of `id`, wherever its file stands; false with the reason otherwise.
    bool load(const QString &id, InstallRecord *record, QString *error) const;
    // Replaces the record's file as a whole, durably (written aside, then renamed over it).
    DiskResult write(const InstallRecord &record) const;
    // Renames the record's file to stand for `state`.
    DiskResult move(InstallRecord &record, InstallRecord::State state) const;
    DiskResult remove(const InstallRecord &record) const;

    // The bytes the data folder takes.
    qint64 size() const;

private:
    QString m_folder;
};
