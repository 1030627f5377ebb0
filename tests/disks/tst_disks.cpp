// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What must hold on every disk our users install to, in one table that
// scripts/test-filesystems.sh runs on each file system it can mount, as root and as an
// ordinary user: the install tree lives wherever TMPDIR points, the data folder where
// CRATEWRIGHT_TEST_DATA_DIR points (by default beside the tree, on the same file system).
// The rows are tst_records' (UndoTable.h), with only what the data folder's place can change:
// the originals an install keeps, and the journal it writes as it goes. Which files an install
// writes and an undo removes is tst_records' and tst_package's business, and
// test-filesystems.sh runs them on every disk too.
#include "UndoTable.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using TestFiles::L;

class TestDisks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ::umask(0); // the modes that tree lines take for granted
        const QByteArray data = qgetenv("CRATEWRIGHT_TEST_DATA_DIR");
        qInfo("install tree in %s, data folder in %s", qPrintable(QDir::tempPath()),
              data.isEmpty() ? "the same place" : data.constData());
    }

    void disk_data()
    {
        UndoTable::addColumns();
        const QStringList old{u"Z/Tracks/a.zctrack=old"_s, u"Z/readme.txt=mine"_s};
        const QStringList folders{u"Z/"_s, u"Z/Tracks/"_s};
        // Each install twice: as it leaves the tree, and undone, when it leaves the tree as made.
        const auto row = [](const char *name, const QStringList &before, const char *step, const QStringList &after,
                            const char *undone) {
            UndoTable::row(name, before, step, after, "");
            UndoTable::row(QByteArray(name + ", undone"_ba).constData(), before,
                           QByteArray(step + " undo:1"_ba).constData(), {u"="_s}, undone);
        };
        row("replace existing files", old, "install:1", folders + L("Z/Tracks/a.zctrack=one", "Z/readme.txt=r1"),
            "Undone +Tracks/a.zctrack +readme.txt");
        // The store keeps an original once however often it is replaced: the second is found kept
        // already.
        row("replace two files with the same content", {u"Z/Tracks/a.zctrack=same"_s, u"Z/readme.txt=same"_s},
            "install:1", folders + L("Z/Tracks/a.zctrack=one", "Z/readme.txt=r1"),
            "Undone +Tracks/a.zctrack +readme.txt");
        // Killed while the large file is written, after the replacement: each file is whole or not
        // there.
        row("killed mid-install", old, "crash:5",
            folders
                + L("Z/Tracks/a.zctrack=old | Z/Tracks/a.zctrack=five", old[1], "Z/Big/ ?",
                    TestFiles::fileLine(u"Z/Big/huge.zctrack"_s, UndoTable::hugeContent()) + u" ?"_s),
            "Undone…");
        // An ordinary user's read-only folder: nothing can be replaced in it.
        UndoTable::row("a file that can't be replaced", {u"Z/Tracks/a.zctrack=old"_s, u"Z/Tracks/ (mode 0555)"_s},
                       "denied:1", {u"="_s}, "cannot replace 'Tracks/a.zctrack': Permission denied");
    }

    void disk() { m_table.run(); }
    void cleanup() { m_table.cleanup(); }

private:
    UndoTable m_table;
};

QTEST_GUILESS_MAIN(TestDisks)
#include "tst_disks.moc"
