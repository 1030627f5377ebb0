// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallRecord.h"
#include "RecordStore.h"

#include <QList>
#include <QString>

#include <optional>

class InstallFolder;

// Finishes the last step of an install or undo that was killed, so that its install folder is
// again as a whole install or undo leaves it: run where an install, an undo or a listing begins.
//
// A journal or an undo's record is repaired only when its install folder's lock can be taken at
// once: while it is held, the process that writes the record still runs. Where the folder has no
// locks at all, that can't be told, and nothing is repaired.
//
// Of an install, the file in progress (the journal's last file line) is removed when it is new
// and the kill left it empty: a file of at most a page is created, then filled in one write. A
// replacement is renamed over the old file whole, so it never needs this: the old file or the
// new one stands, and the undo tells which. Of both, hidden temporary files are removed. The
// record stays, to be undone.
class InstallRepair
{
public:
    struct Repair
    {
        InstallRecord record; // as it stood before the repair
        QString removed;      // the file in progress, left empty
        int temporaries = 0;  // hidden temporary files removed

        // What was repaired, as one line for the user and the log.
        QString text() const;
    };

    explicit InstallRepair(const RecordStore &store);

    // Every repair made, one for each record that needed one.
    QList<Repair> run() const;

private:
    std::optional<Repair> repair(const QString &id) const;
    static bool isInstallFolder(const InstallFolder &folder, const InstallRecord &record);
    QString removeCutShort(InstallFolder &folder, const InstallRecord &record) const;

    const RecordStore &m_store;
};
