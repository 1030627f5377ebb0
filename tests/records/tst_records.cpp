// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Records read from their text, line by line; and installs with their records kept, then undone,
// on real files in temporary folders: each row makes a tree (the install folder is Z/), runs its
// steps and compares the tree afterwards ("=": the tree as it was made) and what the last undo
// said it did.
#include "PackageWriter.h"
#include "TestFiles.h"
#include "UndoSummary.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "records/InstallJournal.h"

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
constexpr int Packages = 4;
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

// Contents whose hashes a record's text names as "#one", and a description of the record as
// "#one" too.
const QByteArrayList HashedContents{"one", "two", "orig"};

QString nameOf(const ContentHash &hash)
{
    for (const QByteArray &content : HashedContents) {
        if (hex(content) == hash.toHex())
            return u"#"_s + QString::fromLatin1(content);
    }
    return hash.toHex();
}

// What the rows' header holds: the least a record may have.
const QByteArray Header = "zc-cratewright install record 1\n"
                          "id\tr1\n"
                          "installBase\t/games/Z\n"
                          "time\t2026-01-01T10:00:00.000Z\n";

// A line each: a header field that differs from Header's, a folder made ("D path"), a file
// written ("F path size #content", then " O #original mode" or " N" when it replaced
// something) and the end ("end code").
QStringList describe(const InstallRecord &record)
{
    const std::pair<QString, QString> header[] = {
        {u"id"_s, record.id},
        {u"title"_s, record.title},
        {u"author"_s, record.author},
        {u"version"_s, record.version},
        {u"package"_s, record.packageName},
        {u"packageHash"_s, nameOf(record.packageHash)},
        {u"installBase"_s, record.installBase},
        {u"time"_s, record.time.toString(Qt::ISODateWithMs)},
    };
    const QHash<QString, QString> usual{{u"id"_s, u"r1"_s},
                                        {u"packageHash"_s, ContentHash().toHex()},
                                        {u"installBase"_s, u"/games/Z"_s},
                                        {u"time"_s, u"2026-01-01T10:00:00.000Z"_s}};
    QStringList said;
    for (const auto &[tag, value] : header) {
        if (value != usual.value(tag))
            said << tag + u'=' + value;
    }
    for (const QString &folder : record.foldersMade)
        said << u"D "_s + folder;
    for (const RecordedFile &file : record.files) {
        QString line = u"F %1 %2 %3"_s.arg(file.path).arg(file.size).arg(nameOf(file.hash));
        if (file.replaced)
            line += u" O %1 %2"_s.arg(nameOf(file.original)).arg(file.originalMode, 0, 8);
        if (file.notKept)
            line += u" N"_s;
        said << line;
    }
    if (record.result)
        said << u"end %1"_s.arg(*record.result);
    return said;
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ::umask(0); }
    void parse_data();
    void parse();
    void undo_data();
    void undo();
    void cleanup();

private:
    QString install(int number, const OverwriteQuery &query, InstallResult expected = InstallResult::Success);
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

void TestRecords::parse_data()
{
    // The record's text; "#one" stands for the hash of "one".
    QTest::addColumn<QByteArray>("text");
    // What is read (see describe()), when it may be.
    QTest::addColumn<QStringList>("read");
    // Why it may not: the reader's error, or "outside: PATH" when a path it names lies outside
    // its install folder.
    QTest::addColumn<QString>("refused");
    const auto reads = [](const char *name, const QByteArray &text, const QStringList &read) {
        QTest::newRow(name) << text << read << QString();
    };
    const auto refuses = [](const char *name, const QByteArray &text, const QString &why) {
        QTest::newRow(name) << text << QStringList() << why;
    };
    const auto line = [](int number) { return u"line %1 cannot be read"_s.arg(number); };
    const QByteArray written = Header + "F\t3\t#one\ta\n";
    const QString a = u"F a 3 #one"_s;

    reads("a header alone", Header, {});
    reads("each header field, escaped as written",
          Header + "title\tLoop%09the%0Aloop\nauthor\tA%25B\nversion\t1.3\npackage\tloop.zcpack\npackageHash\t#one\n",
          {u"title=Loop\tthe\nloop"_s, u"author=A%B"_s, u"version=1.3"_s, u"package=loop.zcpack"_s,
           u"packageHash=#one"_s});
    reads("a folder made, once however often it comes", Header + "D\tTracks\nD\tTracks/Deep\nD\tTracks\n",
          {u"D Tracks"_s, u"D Tracks/Deep"_s});
    reads("a file written", written, {a});
    reads("a file replacing an original, kept", written + "E\ta\nO\t#orig\t100640\ta\n", {a + u" O #orig 100640"_s});
    reads("a file replacing what could not be kept", written + "E\ta\nN\ta\n", {a + u" N"_s});
    reads("a file found and kept is no part of the install", written + "F\t3\t#two\tb\nE\tb\n", {a});
    reads("a file tried again after it was kept", written + "E\ta\nF\t4\t#two\ta\nE\ta\nO\t#orig\t120777\ta\n",
          {u"F a 4 #two O #orig 120777"_s});
    reads("a file tried again after it was kept, the install killed before it said what stood there",
          written + "E\ta\nF\t4\t#two\ta\n", {u"F a 4 #two"_s});
    reads("a file written twice by the install: what the second replaced is no original",
          written + "F\t4\t#two\ta\nE\ta\nO\t#one\t100644\ta\n", {u"F a 4 #two"_s});
    reads("the end", written + "end\t-3\n", {a, u"end -3"_s});
    reads("tabs, line feeds, '%' and '\\' in a path, escaped as written", Header + "F\t3\t#one\tA%09B%0AC%25D%5CE\n",
          {u"F A\tB\nC%D\\E 3 #one"_s});
    reads("escapes in lower case", Header + "D\ta%0ab\n", {u"D a\nb"_s});
    reads("a name not in UTF-8 keeps its bytes", Header + "F\t3\t#one\tcaf%E9\n",
          {u"F "_s + FileName::decode("caf\xe9") + u" 3 #one"_s});
    reads("a last line cut short is lost: the install was killed writing it", written + "F\t3\t#two\tb", {a});

    refuses("no text", QByteArray(), u"not an install record"_s);
    refuses("another format", QByteArray(Header).replace(" 1\n", " 2\n"), u"not an install record"_s);
    refuses("cut short in the header", Header.chopped(1), u"its header is incomplete"_s);
    refuses("no id", QByteArray(Header).replace("id\tr1\n", ""), u"its header is incomplete"_s);
    refuses("an unknown line", Header + "X\ta\n", line(5));
    refuses("an empty line", written + "\n", line(6));
    refuses("a tag in another case", Header + "d\ta\n", line(5));
    refuses("a header field missing its value", Header + "title\n", line(5));
    refuses("a header field with one too many", Header + "title\ta\tb\n", line(5));
    refuses("a folder with one too many", Header + "D\ta\tb\n", line(5));
    refuses("a file missing its path", Header + "F\t3\t#one\n", line(5));
    refuses("a tab in a path, unescaped", Header + "F\t3\t#one\ta\tb\n", line(5));
    refuses("an original with one too many", written + "E\ta\nO\t#orig\t100644\ta\tb\n", line(7));
    refuses("not kept with one too many", written + "E\ta\nN\ta\tb\n", line(7));
    refuses("an end with one too many", written + "end\t0\t0\n", line(6));
    refuses("a size that is no number", Header + "F\t3x\t#one\ta\n", line(5));
    refuses("a size beyond 64 bits", Header + "F\t99999999999999999999\t#one\ta\n", line(5));
    refuses("a mode that is not octal", written + "E\ta\nO\t#orig\t100648\ta\n", line(7));
    refuses("an end code that is no number", written + "end\tzero\n", line(6));
    refuses("a time that is none", written + "time\tyesterday\n", line(6));
    refuses("a hash cut short", Header + "F\t3\t0123abcd\ta\n", line(5));
    refuses("a hash in capitals", Header + "F\t3\t" + hex("one").toUpper().toLatin1() + "\ta\n", line(5));
    refuses("an original's hash not hex", written + "E\ta\nO\t" + QByteArray(32, 'g') + "\t100644\ta\n", line(7));
    refuses("a package hash not hex", Header + "packageHash\tnone\n", line(5));
    refuses("an escape not in hex", Header + "F\t3\t#one\ta%zzb\n", line(5));
    refuses("an escape cut short", Header + "D\ta%4\n", line(5));
    refuses("a '%' at the end", Header + "title\ta%\n", line(5));
    refuses("found, never written", written + "E\tb\n", line(6));
    refuses("an original, never written", written + "O\t#orig\t100644\tb\n", line(6));
    refuses("not kept, never written", written + "N\tb\n", line(6));
    // Read, but an undo must not follow them.
    refuses("a path climbing out", Header + "F\t3\t#one\t../victim\n", u"outside: ../victim"_s);
    refuses("a path climbing out on its way", Header + "F\t3\t#one\ta/../../victim\n", u"outside: a/../../victim"_s);
    refuses("a folder climbing out", Header + "D\t..\n", u"outside: .."_s);
    refuses("an absolute path", Header + "F\t3\t#one\t/etc/passwd\n", u"outside: /etc/passwd"_s);
    refuses("an absolute path, escaped", Header + "D\t%2Fetc\n", u"outside: /etc"_s);
    refuses("a relative install folder", written + "installBase\tgames/Z\n", u"outside: games/Z"_s);
}

void TestRecords::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, read);
    QFETCH(QString, refused);
    for (const QByteArray &content : HashedContents)
        text.replace('#' + content, hex(content).toLatin1());

    InstallRecord record;
    QString error; // stays empty when it is read
    const bool parsed = InstallRecord::parse(text, &record, &error);
    QString why = error;
    if (parsed && !record.pathOutside().isNull())
        why = u"outside: "_s + record.pathOutside();
    QCOMPARE(why, refused);
    if (!refused.isEmpty())
        return;
    QCOMPARE(describe(record), read);
    // What was read is written so that it reads back the same.
    InstallRecord again;
    QVERIFY2(InstallRecord::parse(record.serialized(), &again, &error), qPrintable(error));
    QCOMPARE(describe(again), read);
}

void TestRecords::undo_data()
{
    QTest::addColumn<QStringList>("before");
    // install:N (package N, replacing), keep:N (answering No), kill:N, stop:N (SIGTERM once a
    // file is written), fail:N (the install folder's file system made read-only at the first
    // question; thaw makes it writable again), edit:PATH=TEXT (its time kept), undo:K (the Kth
    // install), tamper:K, record:K=STATE,RESULT,PATH… (what the record holds, * after a file it
    // replaced), stray:FOLDER (a staged file left there), readonly (the data folder), otherfs
    // (the data folder on a file system of its own), frozen (the install folder's file system
    // made read-only); any other step fails the row. "latin1" first: the install folder is "Zé"
    // + 0xE9 in bytes, and the data folder's name ends so too
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

QString TestRecords::install(int number, const OverwriteQuery &query, InstallResult expected)
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
    const InstallResult code = package.expandPackageTo(m_tree->path(m_installFolder), bool(query));
    return code == expected ? journal.recordId() : u"code %1"_s.arg(::number(code));
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
        bool numbered = false;
        const int number = argument.toInt(&numbered);
        if (verb == u"install"_s || verb == u"keep"_s || verb == u"kill"_s || verb == u"stop"_s || verb == u"fail"_s)
            QVERIFY2(numbered && number >= 1 && number <= Packages, qPrintable(u"no such package: "_s + step));
        if (verb == u"undo"_s || verb == u"tamper"_s)
            QVERIFY2(numbered && number >= 1 && number <= ids.size(), qPrintable(u"no such install: "_s + step));
        if (verb == u"install"_s || verb == u"keep"_s) {
            const OverwriteQuery query = [keep = verb == u"keep"_s](const QString &) {
                return keep ? OverwriteAnswer::Keep : OverwriteAnswer::Replace;
            };
            ids << install(number, query);
        } else if (verb == u"stop"_s) {
            ids << install(
                number, [](const QString &) { return OverwriteAnswer::Replace; }, InstallResult::Stopped);
        } else if (verb == u"fail"_s) {
            ids << install(
                number,
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
            killMidInstall(number);
            ids = QDir(m_store->recordsFolder()).entryList({u"*.journal"_s}).replaceInStrings(u".journal"_s, QString());
        } else if (verb == u"edit"_s) {
            const QString path = m_tree->path(argument.section(u'=', 0, 0));
            struct stat was;
            QVERIFY(::stat(FileName::encode(path).constData(), &was) == 0);
            QVERIFY(TestFiles::writeFile(path, argument.section(u'=', 1).toUtf8()));
            const struct timespec times[2] = {was.st_atim, was.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, FileName::encode(path).constData(), times, 0) == 0);
        } else if (verb == u"tamper"_s) {
            tamper(ids.at(number - 1));
        } else if (verb == u"readonly"_s) {
            makeDataReadOnly();
        } else if (verb == u"stray"_s) { // as a kill leaves it where there are no unnamed files
            QVERIFY(
                TestFiles::writeFile(m_tree->path(m_installFolder + u'/' + argument + u"/.cratewright-kd8"_s), "half"));
        } else if (verb == u"otherfs"_s) {
            continue; // mounted above
        } else if (verb == u"frozen"_s) {
            remount(MS_RDONLY);
        } else if (verb == u"undo"_s) {
            said = UndoSummary::of(InstallUndo(*m_store).undo(ids.at(number - 1), false)).replace(data, u"@data"_s);
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
        QVERIFY2(!ids.contains(QString()) && ids.filter(u" "_s).isEmpty(), qPrintable(ids.join(u", "_s)));
    }
    after.sort();
    QCOMPARE(m_tree->describe(), after == QStringList{u"="_s} ? made : after);
    QVERIFY2(UndoSummary::matches(said, outcome), qPrintable(said));
    if (said.startsWith(u"Undone"_s) && steps.count(u"undo"_s) == ids.size())
        QCOMPARE(UndoSummary::leftIn(*m_store), QStringList());
    // Records are kept where they were asked to be, not in a folder named after a lossy reading.
    QCOMPARE(TestFiles::describeTree(m_dataDir->path()).filter(QChar(QChar::ReplacementCharacter)), QStringList());
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
