// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallRecord.h"
#include "RecordStore.h"
#include "fs/DiskResult.h"
#include "fs/InstallFolder.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ContentStore;
class InstallFolder;

// Undoes one recorded install, holding its install folder's lock: each file the install wrote
// is removed if it still holds what was written, a replaced original is put back, a file
// changed since is kept, and the folders the install made are removed once empty. A later
// install that replaced one of its files takes that file over with its original: the later
// file stays. Everything in the install folder is reached through InstallFolder, by the link
// rules of installing, and a record that names a path outside its folder is refused. So is the
// install folder's own path: a link on it that another user owns is not followed, and the
// folder it leads to must be the one the install went into.
class InstallUndo
{
public:
    enum class Result {
        Undone,
        NotFound, // no such record, or it can't be read
        Refused,  // a tampered record, an unreachable folder or data folder, a lost original:
                  // nothing was changed
        Failed,   // some files could not be removed or put back; the record keeps them
        Stopped,  // stopped by a signal, or by its pause, while waiting for another install
    };

    struct Outcome
    {
        Result result = Result::Undone;
        QString message; // why, when not Undone
        InstallRecord record;
        QStringList removed, restored, kept, handedOn, foldersRemoved, failed;
        // Replaced by the install without their originals, which could not be kept: they stay.
        QStringList notKept;
        // Put back, but owned by the undoing user: only root may give a file to another.
        QStringList ownerNotRestored;
        // Why each of `failed` failed, and each folder that could not be removed.
        QList<DiskResult> causes;

        // The causes as the user reads them ("cannot remove 'x': Permission denied").
        QStringList causeTexts() const;
        // The causes as the log's lines, for whoever ran the undo to write.
        QStringList logLines() const;
    };

    explicit InstallUndo(const RecordStore &store);
    // Called once when the undo has to wait for an install into the same folder.
    void setLockWaitHandler(std::function<void()> handler) { m_lockWaitHandler = std::move(handler); }
    // Spends each pause of that wait; returning false stops the undo with nothing changed.
    void setLockWaitPause(InstallFolder::LockPause pause) { m_lockWaitPause = std::move(pause); }

    // With `dryRun` nothing is changed; the outcome says what would be. `folder`, when given, is
    // where the install folder is now, moved on purpose: it must be the same folder.
    Outcome undo(const QString &id, bool dryRun, const QString &folder = QString());

    // Removes the hidden files that a killed install or undo left in the folders of `record`,
    // with the folder's lock held; how many.
    static int removeStaged(InstallFolder &folder, const InstallRecord &record);

private:
    enum class Action { Remove, Restore, Keep, HandOn, NotKept, Gone, Unreachable };
    struct Step
    {
        Action action = Action::Gone;
        int file = 0;
        int later = -1; // the later record that takes the file over, and its file
        int laterFile = -1;
        QByteArray original;
    };

    // What applying leaves for the commit: the files and folders that could not be undone, which
    // stay recorded to be undone again, and the originals that may no longer be referred to.
    struct Leftovers
    {
        QList<RecordedFile> files;
        QStringList folders;
        QList<ContentHash> dropped;
    };

    // Each false, with the outcome saying why, when the undo ends there.
    bool load(const QString &id, Outcome *outcome) const;
    bool reached(const InstallFolder &folder, const QString &path, Outcome *outcome) const;
    bool lock(InstallFolder &folder, Outcome *outcome);
    bool trusted(Outcome *outcome) const; // false when stopped meanwhile

    // What would be done to each file, said in the outcome; nothing when the undo is refused.
    QList<Step> plan(InstallFolder &folder, const ContentStore &contents, Outcome *outcome);
    void findLater(const InstallRecord &record);
    std::optional<Step> planFile(InstallFolder &folder, const ContentStore &contents, int i, Outcome *outcome);
    Action actionFor(InstallFolder &folder, const RecordedFile &file, Step *step);
    static QStringList *listOf(Action action, Outcome *outcome);

    bool apply(InstallFolder &folder, const QList<Step> &steps, Outcome *outcome, Leftovers *leftovers);
    void applyStep(InstallFolder &folder, const Step &step, Outcome *outcome, Leftovers *leftovers);
    void handOn(const Step &step, const RecordedFile &file, QList<ContentHash> *dropped);
    int carryOut(InstallFolder &folder, const RecordedFile &file, const Step &step, bool *ownerRestored);
    void removeFolders(InstallFolder &folder, Outcome *outcome, QStringList *left);

    void commit(ContentStore &contents, const Leftovers &leftovers, Outcome *outcome);

    const RecordStore &m_store;
    std::function<void()> m_lockWaitHandler;
    InstallFolder::LockPause m_lockWaitPause;
    QList<InstallRecord> m_later;            // later installs into the same folder, earliest first
    QList<QHash<QString, int>> m_laterIndex; // their files by path: each looked up once per file
    QList<bool> m_laterChanged;
};
