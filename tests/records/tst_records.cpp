// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Installs with their records kept, then undone, on real files in temporary folders: each row
// makes a tree (the install folder is Z/), runs its steps and compares the tree afterwards
// ("=": the tree as it was made) and what the last undo said it did.
#include "PackageWriter.h"
#include "TestFiles.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "records/InstallJournal.h"
#include "records/InstallUndo.h"
#include "records/RecordStore.h"

#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// 1 and 2 share a file; 4 is large; 3 writes many files, replaces a.zctrack and then stops at the question
// about readme.txt, where the test kills it.
PackageWriter packageNumbered(int number)
{
    PackageWriter writer;
    writer.setTitle("Canyon " + QByteArray::number(number));
    if (number == 1)
        writer.addFile("Tracks\\", "a.zctrack", "one").addFile("", "readme.txt", "r1");
    if (number == 2)
        writer.addFile("Tracks\\", "a.zctrack", "two").addFile("Scenery\\", "extra.txt", "x");
    if (number == 3) {
        for (int i = 0; i < 200; ++i)
            writer.addFile("Many\\Deep\\", "f" + QByteArray::number(i), QByteArray(i, 'm'));
        writer.addFile("Tracks\\", "a.zctrack", "three").addFile("", "readme.txt", "r3");
    }
    for (int i = 0; number == 4 && i < 8; ++i) // enough to be inflated, and hashed, by workers
        writer.addFile("Big\\", "b" + QByteArray::number(i), QByteArray(256 << 10, char('a' + i)));
    return writer;
}

QString hex(const QByteArray &bytes)
{
    return contentHash(bytes.constData(), size_t(bytes.size())).toHex();
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ::umask(0); }
    void undo_data();
    void undo();
    void cleanup();

private:
    QString install(int number, const OverwriteQuery &query, int expected = InstallResult::Success);
    QString describeRecord(const QString &id) const;
    void remount(unsigned long flags);
    void killMidInstall(int number);
    void tamper(const QString &id);
    void makeDataReadOnly();

    std::unique_ptr<TestFiles::Tree> m_tree;
    std::unique_ptr<TestFiles::Tree> m_dataDir;
    std::unique_ptr<RecordStore> m_store;
    QString m_installFolder;
    QString m_mounted;
};

void TestRecords::undo_data()
{
    QTest::addColumn<QStringList>("before");
    // install:N (replacing), keep:N (answering No), edit:PATH=TEXT (its time kept), undo:K, kill:N,
    // tamper:K, stray:FOLDER (a staged file left there), stop:N (SIGTERM once a file is written),
    // fail:N (the install folder's file system made read-only at the first question; thaw makes
    // it writable again), record:K=STATE,RESULT,PATH… (what the record holds, * after a file it
    // replaced),
    // readonly (the data folder), otherfs (the data folder on a file system of its own), frozen
    // (the install folder's file system made read-only)
    // "latin1" first: the
    // install folder is "Zé" + 0xE9 in bytes, and the data folder's name ends so too
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("after");
    // what the last undo did (-removed +restored =kept >handed on !its original not kept); "…" at
    // the end: how that begins
    QTest::addColumn<QString>("outcome");
    const QStringList same{u"="_s};
    const QStringList mine{u"Z/"_s, u"Z/mine.txt=m"_s, u"victim=v"_s};
    const QStringList installed = mine + QStringList{u"Z/Tracks/"_s, u"Z/Tracks/a.zctrack=one"_s, u"Z/readme.txt=r1"_s};
    const QStringList originals{u"Z/Tracks/a.zctrack=orig (mode 0640)"_s, u"Z/readme.txt -> ../victim"_s,
                                u"victim=v"_s};

    QTest::newRow("single install, undone")
        << mine << "install:1 undo:1" << same << "Undone -Tracks/a.zctrack -readme.txt";
    QTest::newRow("replaced originals put back byte for byte, a link as a link")
        << originals << "install:1 undo:1" << same << "Undone +Tracks/a.zctrack +readme.txt";
    QTest::newRow("a file changed after the install is kept")
        << mine << "install:1 edit:Z/readme.txt=mine undo:1" << mine + QStringList{u"Z/readme.txt=mine"_s}
        << "Undone -Tracks/a.zctrack =readme.txt";
    // Same length, same time: only the content tells.
    QTest::newRow("a change that keeps the file's length and time is seen")
        << mine << "install:1 edit:Z/readme.txt=r9 undo:1" << mine + QStringList{u"Z/readme.txt=r9"_s}
        << "Undone -Tracks/a.zctrack =readme.txt";
    QTest::newRow("kept files are no part of the install, even when they hold the same")
        << QStringList{u"Z/readme.txt=r1"_s} << "keep:1 undo:1" << same << "Undone -Tracks/a.zctrack";
    QTest::newRow("overlapping installs, the later undone first")
        << originals << "install:1 install:2 undo:2 undo:1" << same << "Undone +Tracks/a.zctrack +readme.txt";
    QTest::newRow("overlapping installs, the earlier undone first: the later takes its original over")
        << originals << "install:1 install:2 undo:1 undo:2" << same << "Undone -Scenery/extra.txt +Tracks/a.zctrack";
    QTest::newRow("the earlier undone alone leaves the later's files")
        << originals << "install:1 install:2 undo:1"
        << QStringList{u"Z/"_s,
                       u"Z/Scenery/"_s,
                       u"Z/Scenery/extra.txt=x"_s,
                       u"Z/Tracks/"_s,
                       u"Z/Tracks/a.zctrack=two (mode 0640)"_s,
                       u"Z/readme.txt -> ../victim"_s,
                       u"victim=v"_s}
        << "Undone +readme.txt >Tracks/a.zctrack";
    const QStringList alike{u"Z/"_s, u"Z/Tracks/"_s, u"Z/Tracks/a.zctrack=alike"_s, u"Z/readme.txt=alike"_s};
    QTest::newRow("data folder on another file system: two originals alike kept, put back")
        << alike << "otherfs install:1 undo:1" << same << "Undone +Tracks/a.zctrack +readme.txt";
    QTest::newRow("an original that can't be kept is replaced all the same, and left by the undo")
        << mine + QStringList{u"Z/readme.txt (fifo)"_s} << "install:1 undo:1"
        << mine + QStringList{u"Z/readme.txt=r1"_s} << "Undone -Tracks/a.zctrack !readme.txt";
    const QStringList mounted{u"Z (tmpfs mode=0777)"_s, u"Z/mine.txt=m"_s, u"victim=v"_s};
    QTest::newRow("an undo that can't remove says why, and keeps the record")
        << mounted << "install:1 frozen undo:1" << installed
        << "Failed [cannot remove 'Tracks/a.zctrack': Read-only file system] [cannot remove 'readme.txt': Read-only "
           "file system] [cannot remove folder 'Tracks': Read-only file system] (Some files could not be removed "
           "or put back.)";
    // The record keeps the install folder's bytes, which are not UTF-8: else the undo would not
    // find it.
    const QString latin1 = FileName::decode("Z\xc3\xa9\xe9");
    QTest::newRow("install and data folders not named in UTF-8, undone")
        << QStringList{latin1 + u'/', latin1 + u"/mine.txt=m"_s} << "latin1 install:1 undo:1" << same
        << "Undone -Tracks/a.zctrack -readme.txt";
    QTest::newRow("a hidden file a killed install was writing goes with the undo")
        << mine << "install:1 stray:Tracks undo:1" << same << "Undone -Tracks/a.zctrack -readme.txt";
    QTest::newRow("entries inflated ahead, undone") << mine << "install:4 undo:1" << same << "Undone -Big/b0 -Big/b1…";
    QTest::newRow("a killed install, undone from its journal")
        << originals << "kill:3 undo:1" << same << "Undone -Many/Deep/f0 -Many/Deep/f1…";
    // What a failed or stopped install wrote is recorded as it went, and undone like any other.
    QTest::newRow("a stopped install: its record holds what it wrote, undone")
        << originals << "stop:1 record:1=ended,-7,Tracks/a.zctrack* undo:1" << same << "Undone +Tracks/a.zctrack";
    QTest::newRow("a failed install: its record holds what it wrote and what it meant to replace, undone")
        << mounted + QStringList{u"Z/readme.txt=old"_s}
        << "fail:1 record:1=ended,-2,Tracks/a.zctrack,readme.txt* thaw undo:1" << same
        << "Undone -Tracks/a.zctrack =readme.txt";
    QTest::newRow("a record naming a path outside its folder is refused")
        << mine << "install:1 tamper:1 undo:1" << installed << "Refused (The record…";
    QTest::newRow("a data folder that can't be written: nothing changes")
        << mine << "install:1 readonly undo:1" << installed << "Refused (The data folder @data can't be written…";
}

void TestRecords::cleanup()
{
    if (!m_mounted.isEmpty())
        ::umount2(QFile::encodeName(std::exchange(m_mounted, QString())).constData(), MNT_DETACH);
    if (m_store) // a row that stopped before it made its store has nothing to give back
        QFile::setPermissions(m_store->recordsFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString TestRecords::install(int number, const OverwriteQuery &query, int expected)
{
    const QString path = m_dataDir->path(u"package.zcpack"_s);
    TrackPackage package;
    if (!packageNumbered(number).writeTo(path) || package.loadPackageFileAtPath(path) != LoadResult::Loaded)
        return u"not loaded"_s;
    // Records are ordered by their time, to the millisecond: two installs within one would have
    // no order between them, and the undo of the earlier would not know the later.
    for (const qint64 start = QDateTime::currentMSecsSinceEpoch(); QDateTime::currentMSecsSinceEpoch() == start;)
        QThread::usleep(100);
    InstallJournal journal(*m_store, package);
    package.setInstallObserver(&journal);
    package.setOverwriteQuery(query);
    if (expected == InstallResult::Stopped)
        package.setProgressHandler([](qint64 done, qint64) {
            if (done == 1)
                ::raise(SIGTERM);
        });
    const int code = package.expandPackageTo(m_tree->path(m_installFolder), bool(query));
    return code == expected ? journal.recordId() : u"code %1"_s.arg(code);
}

// "ended,-2,Tracks/a.zctrack,readme.txt*": its state, the extraction's code and its files.
QString TestRecords::describeRecord(const QString &id) const
{
    InstallRecord record;
    QString error;
    if (!m_store->load(id, &record, &error))
        return error;
    QStringList parts{QStringList{u"journal"_s, u"ended"_s, u"undoing"_s}.at(int(record.state)),
                      record.result ? QString::number(*record.result) : u"?"_s};
    for (const RecordedFile &file : std::as_const(record.files))
        parts << file.path + (file.replaced ? u"*"_s : QString());
    return parts.join(u',');
}

void TestRecords::remount(unsigned long flags)
{
    QVERIFY(::mount(nullptr, QFile::encodeName(m_tree->path(u"Z"_s)).constData(), nullptr, MS_REMOUNT | flags, nullptr)
            == 0);
}

void TestRecords::killMidInstall(int number)
{
    const QString asking = m_dataDir->path(u"asking"_s);
    const auto body = [&] {
        int questions = 0;
        install(number, [&](const QString &) {
            if (++questions == 1)
                return OverwriteAnswer::Replace;
            TestFiles::writeFile(asking, "y");
            ::pause(); // until killed
            return OverwriteAnswer::Keep;
        });
        return 0;
    };
    const int status = TestFiles::runInChild(body, [&](pid_t child) {
        for (int i = 0; i < 2000 && !QFile::exists(asking); ++i)
            QThread::msleep(5);
        ::kill(child, SIGKILL);
    });
    QCOMPARE(status, TestFiles::KilledBy + SIGKILL);
    QVERIFY(QFile::exists(asking));
}

void TestRecords::tamper(const QString &id)
{
    // A naive undo would remove the file outside: it holds what the record says.
    const QString path = m_store->pathOf(id, InstallRecord::State::Ended);
    QByteArray text = TestFiles::readFile(path);
    text.replace("F\t2\t" + hex("r1").toLatin1() + "\treadme.txt", "F\t1\t" + hex("v").toLatin1() + "\t../victim");
    QVERIFY(text.contains("../victim") && TestFiles::writeFile(path, text));
}

void TestRecords::makeDataReadOnly()
{
    if (::geteuid() != 0) {
        QVERIFY(QFile::setPermissions(m_store->recordsFolder(), QFile::ReadOwner | QFile::ExeOwner));
        return;
    }
    // Root writes anywhere: only a read-only file system stops it.
    QVERIFY(::mount(nullptr, QFile::encodeName(m_mounted).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
}

void TestRecords::undo()
{
    QFETCH(QStringList, before);
    QFETCH(QString, steps);
    QFETCH(QStringList, after);
    QFETCH(QString, outcome);

    if (TestFiles::Tree::needsRoot(before) && ::geteuid() != 0)
        QSKIP("mounts need root");
    if (steps.startsWith(u"latin1 "_s) && !TestFiles::takesAnyName(QDir::tempPath()))
        QSKIP("this file system takes only names in UTF-8");
    m_tree = std::make_unique<TestFiles::Tree>();
    m_dataDir = std::make_unique<TestFiles::Tree>();
    const bool treeMade = m_tree->make(before);
    if (!treeMade && !m_tree->unsupported().isEmpty())
        QSKIP(qPrintable(m_tree->unsupported()));
    QVERIFY(treeMade && m_dataDir->make({}));
    const bool latin1 = steps.startsWith(u"latin1 "_s);
    m_installFolder = latin1 ? FileName::decode("Z\xc3\xa9\xe9") : u"Z"_s;
    const QString data = m_dataDir->path(latin1 ? FileName::decode("zc\xe9") : u"zc"_s);
    if (steps.contains(u"otherfs"_s) && ::geteuid() != 0)
        QSKIP("a file system of its own for the data folder needs root");
    if ((steps.contains(u"readonly"_s) || steps.contains(u"otherfs"_s)) && ::geteuid() == 0) {
        QVERIFY(QDir().mkpath(data)
                && ::mount("tmpfs", QFile::encodeName(data).constData(), "tmpfs", 0, "mode=700") == 0);
        m_mounted = data;
    }
    if (steps.contains(u"readonly"_s) && ::geteuid() != 0 && !TestFiles::keepsModes(m_dataDir->path()))
        QSKIP("this file system keeps no modes: the data folder can't be made read-only");
    m_store = std::make_unique<RecordStore>(data);
    const QStringList made = m_tree->describe();

    QStringList ids;
    QString said;
    for (const QString &step : steps.split(u' ').mid(latin1 ? 1 : 0)) {
        const QString verb = step.section(u':', 0, 0), argument = step.section(u':', 1);
        if (verb == u"install"_s || verb == u"keep"_s) {
            const OverwriteQuery query = [keep = verb == u"keep"_s](const QString &) {
                return keep ? OverwriteAnswer::Keep : OverwriteAnswer::Replace;
            };
            ids << install(argument.toInt(), query);
        } else if (verb == u"stop"_s) {
            ids << install(
                argument.toInt(), [](const QString &) { return OverwriteAnswer::Replace; }, InstallResult::Stopped);
        } else if (verb == u"fail"_s) {
            ids << install(
                argument.toInt(),
                [this](const QString &) {
                    remount(MS_RDONLY);
                    return OverwriteAnswer::Replace;
                },
                InstallResult::WRITE);
        } else if (verb == u"thaw"_s) {
            remount(0);
        } else if (verb == u"record"_s) {
            QCOMPARE(describeRecord(ids.value(argument.section(u'=', 0, 0).toInt() - 1)), argument.section(u'=', 1));
        } else if (verb == u"kill"_s) {
            killMidInstall(argument.toInt());
            ids = QDir(m_store->recordsFolder()).entryList({u"*.journal"_s}).replaceInStrings(u".journal"_s, QString());
        } else if (verb == u"edit"_s) {
            const QString path = m_tree->path(argument.section(u'=', 0, 0));
            struct stat was;
            QVERIFY(::stat(FileName::encode(path).constData(), &was) == 0);
            QVERIFY(TestFiles::writeFile(path, argument.section(u'=', 1).toUtf8()));
            const struct timespec times[2] = {was.st_atim, was.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, FileName::encode(path).constData(), times, 0) == 0);
        } else if (verb == u"tamper"_s) {
            tamper(ids.value(argument.toInt() - 1));
        } else if (verb == u"readonly"_s) {
            makeDataReadOnly();
        } else if (verb == u"stray"_s) { // as a kill leaves it where there are no unnamed files
            QVERIFY(
                TestFiles::writeFile(m_tree->path(m_installFolder + u'/' + argument + u"/.cratewright-kd8"_s), "half"));
        } else if (verb == u"otherfs"_s) {
            continue; // mounted above
        } else if (verb == u"frozen"_s) {
            remount(MS_RDONLY);
        } else {
            const InstallUndo::Outcome done = InstallUndo(*m_store).undo(ids.value(argument.toInt() - 1), false);
            const char *results[] = {"Undone", "NotFound", "Refused", "Failed", "Stopped"};
            said = QString::fromLatin1(results[int(done.result)]);
            for (const auto &[mark, paths] :
                 {std::pair(u'-', done.removed), std::pair(u'+', done.restored), std::pair(u'=', done.kept),
                  std::pair(u'>', done.handedOn), std::pair(u'!', done.notKept)})
                for (const QString &path : paths)
                    said += QStringLiteral(" %1%2").arg(QChar(mark), path);
            for (const QString &cause : done.causes)
                said += u" ["_s + cause + u']';
            if (!done.message.isEmpty())
                said += u" ("_s + QString(done.message).replace(data, u"@data"_s) + u')';
        }
        QVERIFY2(!ids.contains(QString()) && ids.filter(u" "_s).isEmpty(), qPrintable(ids.join(u", "_s)));
    }
    after.sort();
    QCOMPARE(m_tree->describe(), after == QStringList{u"="_s} ? made : after);
    QVERIFY2(outcome.endsWith(u'…') ? said.startsWith(outcome.chopped(1)) : said == outcome, qPrintable(said));
    // Undone installs leave nothing behind them: no record, no original nobody refers to.
    if (said.startsWith(u"Undone"_s) && steps.count(u"undo"_s) == ids.size()) {
        QCOMPARE(TestFiles::describeTree(m_store->recordsFolder()), QStringList());
        QCOMPARE(TestFiles::describeTree(m_store->storeFolder()), QStringList());
    }
    // Records are kept where they were asked to be, not in a folder named after a lossy reading.
    QCOMPARE(TestFiles::describeTree(m_dataDir->path()).filter(QChar(QChar::ReplacementCharacter)), QStringList());
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
