// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "TestFiles.h"

#include "fs/InstallFolder.h"
#include "package/TrackPackage.h"
#include "records/RecordStore.h"

#include <memory>

// The table of installs with their records kept, then undone, on real files in temporary
// folders ("tst_records, undo table" in CONTRIBUTING.md): each row makes a tree (the install
// folder is Z/), runs its steps and compares the tree afterwards and what the last undo said.
// tst_records runs it on the test machine, tst_disks on every disk. The data folder lies in a
// temporary folder of its own, under CRATEWRIGHT_TEST_DATA_DIR when that is set.
class UndoTable
{
public:
    static void addColumns();
    static void row(const char *name, const QStringList &before, const char *steps, const QStringList &after,
                    const char *outcome);
    // Runs the current row.
    void run();
    // After each row, whatever became of it.
    void cleanup();
    // Package 5's large file, Big/huge.zctrack.
    static QByteArray hugeContent();

private:
    QString install(int number, const OverwriteQuery &query, InstallResult expected = InstallResult::Success,
                    const std::function<void()> &fileDone = {}, int killAt = 0, bool torn = false);
    QString describeRecord(const QString &id) const;
    QString killWhileWriting(int number);
    QString killAtFile(const QString &argument, bool torn);
    void tamper(const QString &id);
    QString link(const QString &argument, bool byAnotherUser);
    QString undoWithoutChown(const QString &id);
    QStringList race(int count);
    QString undoAsListed(int *undone);

    std::unique_ptr<TestFiles::Tree> m_tree;
    std::unique_ptr<TestFiles::Tree> m_dataDir;
    std::unique_ptr<RecordStore> m_store;
    std::unique_ptr<InstallFolder> m_holder; // of the install folder's lock
    QString m_installFolder;
    QString m_mounted;
    QString m_cause;
    std::function<void()> m_lockWait; // for each install that waits for another
};
