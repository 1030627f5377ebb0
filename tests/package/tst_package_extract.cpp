// Extracting loaded packages into real folders: every install result code, the overwrite
// question, the track file, the output buffer rule, and packages built to escape or break.
#include "TestFiles.h"
#include "PackageWriter.h"
#include "RecordingPlatform.h"
#include "package/PackageExtractor.h"
#include "package/TrackPackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QQueue>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <limits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PackageWriter::Entry)
Q_DECLARE_METATYPE(QList<PackageWriter::Entry>)

namespace {

using TestFiles::writeFile;
using TestFiles::everythingUnder;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

PackageWriter::Entry entry(const QByteArray &folder, const QByteArray &name, const QByteArray &content)
{
    PackageWriter::Entry e;
    e.folder = folder;
    e.name = name;
    e.content = content;
    return e;
}

// Packages live in a folder of their own, so whatever lands under `root` was written by the
// extraction.
struct Fixture
{
    // Loads `writer`'s package and forgets the load's log line.
    bool load(TrackPackage &package, const PackageWriter &writer)
    {
        const QString path = packages.filePath(u"p%1.zcpack"_s.arg(++count));
        const bool loaded = writer.writeTo(path) && package.loadPackageFileAtPath(path) == 0;
        platform.events.clear();
        platform.logLines.clear();
        return loaded;
    }
    QString at(const QString &relative) const { return base + u'/' + relative; }

    QTemporaryDir packages;
    QTemporaryDir root;
    const QString base = root.filePath(u"base"_s);
    RecordingPlatform platform;
    int count = 0;
};

const QStringList Prompt{u"beep"_s, u"alert:File Already Exists"_s};

QString promptMessage(const QString &relFilePath)
{
    return u"The File '%1' already exists. Would you like to replace it?"_s.arg(relFilePath);
}

// Answers overwrite questions from a queue (Replace once it is empty) and notes what it was
// asked about. `meddle` runs while a question is open, as a user might change the disk then.
struct QueuedAnswers
{
    OverwriteQuery query()
    {
        return [this](const QString &relFilePath) {
            asked.append(relFilePath);
            if (meddle)
                meddle();
            return answers.isEmpty() ? OverwriteAnswer::Replace : answers.dequeue();
        };
    }

    QQueue<OverwriteAnswer> answers;
    QStringList asked;
    std::function<void()> meddle;
};

// The letters of the answer columns: y Yes, n No, a Yes To All; ? and ! for alert answers
// that lie outside the enum.
AlertAnswer alertAnswer(QChar letter)
{
    switch (letter.unicode()) {
    case u'y': return AlertAnswer::Default;
    case u'n': return AlertAnswer::Alternate;
    case u'a': return AlertAnswer::Other;
    case u'?': return AlertAnswer(2);
    default: return AlertAnswer(-7);
    }
}

OverwriteAnswer overwriteAnswer(QChar letter)
{
    switch (letter.unicode()) {
    case u'n': return OverwriteAnswer::Keep;
    case u'a': return OverwriteAnswer::ReplaceAll;
    default: return OverwriteAnswer::Replace;
    }
}

} // namespace

class PackageExtractTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extractsExampleThenAsks();
    void overwriteAnswers_data();
    void overwriteAnswers();
    void emptyQueryAsksThroughPlatform();
    void yesToAllLastsOneCall();
    void keptTrackFileIsStillRecorded();
    void marksTrackFiles_data();
    void marksTrackFiles();
    void laterTrackFileWinsAndStays();
    void writesDataFoundThroughOffsets();

    void outputBufferCapacity_data();
    void outputBufferCapacity();
    void writesExactlyUnCompSize_data();
    void writesExactlyUnCompSize();
    void sizesBufferForEachEntry_data();
    void sizesBufferForEachEntry();
    void unreadableStreamStopsBeforeAsking_data();
    void unreadableStreamStopsBeforeAsking();

    void preparesInstallBase_data();
    void preparesInstallBase();
    void refusesVersionOfNeverLoadedPackage();
    void refusesFileWhereFolderGoes();
    void refusesFolderWhereFileGoes_data();
    void refusesFolderWhereFileGoes();

    void refusesHostileEntriesBeforeWriting_data();
    void refusesHostileEntriesBeforeWriting();
    void hostileSetups_data();
    void hostileSetups();
    void stopsBetweenFilesOnSignal();
    void waitsForAnotherInstall();
};

void PackageExtractTest::extractsExampleThenAsks()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().setTitle("Loop").addFile("", "data", "hello")));
    QVERIFY(QDir().mkpath(f.base));

    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(everythingUnder(f.base), QStringList{u"data"_s});
    QCOMPARE(readFile(f.at(u"data"_s)), "hello");
    QVERIFY(f.platform.events.isEmpty());
    QCOMPARE(package.absoluteInstallPath(), f.base);
    QVERIFY(package.absoluteTrackFilePath().isEmpty());

    QVERIFY(writeFile(f.at(u"data"_s), "old"));
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(f.platform.events, Prompt);
    const Alert &alert = f.platform.alerts.at(0);
    QCOMPARE(alert.title, u"File Already Exists"_s);
    QCOMPARE(alert.message, promptMessage(u"data"_s));
    QCOMPARE(alert.defaultButton, u"Yes"_s);
    QCOMPARE(alert.alternateButton, u"No"_s);
    QCOMPARE(alert.otherButton, u"Yes To All"_s);
    QCOMPARE(readFile(f.at(u"data"_s)), "hello"); // an empty queue answers Yes
}

void PackageExtractTest::overwriteAnswers_data()
{
    QTest::addColumn<bool>("throughPlatform"); // the platform's alert, or a query of the test's own
    QTest::addColumn<QString>("existing");     // per file: E there before, . not
    QTest::addColumn<bool>("ask");
    QTest::addColumn<QString>("answers"); // y Yes, n No, a Yes To All; ? and ! alert answers outside the enum
    QTest::addColumn<QString>("outcome"); // per file: R replaced, K kept, W written
    QTest::addColumn<int>("prompts");

    struct Row
    {
        const char *name, *existing;
        bool ask;
        const char *answers, *outcome;
        int prompts;
    };
    const Row rows[] = {
        {"yes each time", "EEE", true, "yyy", "RRR", 3},
        {"no each time", "EEE", true, "nnn", "KKK", 3},
        {"yes to all at first", "EEE", true, "a", "RRR", 1},
        {"no, then yes to all", "EEE", true, "na", "KRR", 2},
        {"yes, no, yes", "EEE", true, "yny", "RKR", 3},
        {"other values are yes", "EEE", true, "?n!", "RKR", 3},
        {"only the existing one", ".E.", true, "n", "WKW", 1},
        {"asking off", "EEE", false, "", "RRR", 0},
    };
    for (const bool throughPlatform : {false, true}) {
        for (const Row &row : rows) {
            // A query answers with an OverwriteAnswer: it has no values outside the three.
            if (!throughPlatform && QByteArray(row.answers).contains('?'))
                continue;
            QTest::addRow("%s, %s", throughPlatform ? "platform" : "query", row.name)
                << throughPlatform << QString::fromLatin1(row.existing) << row.ask << QString::fromLatin1(row.answers)
                << QString::fromLatin1(row.outcome) << row.prompts;
        }
    }
}

void PackageExtractTest::overwriteAnswers()
{
    QFETCH(bool, throughPlatform);
    QFETCH(QString, existing);
    QFETCH(bool, ask);
    QFETCH(QString, answers);
    QFETCH(QString, outcome);
    QFETCH(int, prompts);

    Fixture f;
    TrackPackage package;
    const QStringList names{u"a.txt"_s, u"b.txt"_s, u"c.txt"_s};
    PackageWriter writer;
    for (const QString &name : names)
        writer.addFile("Tracks\\", "new " + name.toLatin1(), "new " + name.toLatin1());
    QVERIFY(f.load(package, writer));
    QVERIFY(QDir().mkpath(f.at(u"Tracks"_s)));
    QStringList expectedEvents, expectedAsked;
    for (int i = 0; i < 3; ++i) {
        if (existing.at(i) == u'E') {
            QVERIFY(writeFile(f.at(u"Tracks/new "_s + names.at(i)), "old, and longer than the new"));
            expectedAsked.append(u"Tracks/new "_s + names.at(i));
        }
    }
    QueuedAnswers query;
    for (const QChar answer : answers) {
        if (throughPlatform)
            f.platform.queueAnswer(alertAnswer(answer));
        else
            query.answers.enqueue(overwriteAnswer(answer));
    }
    if (!throughPlatform)
        package.setOverwriteQuery(query.query());

    QCOMPARE(package.expandPackageTo(f.base, ask), 0);
    expectedAsked = expectedAsked.mid(0, prompts);
    if (throughPlatform) {
        for (int i = 0; i < prompts; ++i)
            expectedEvents += Prompt;
        QCOMPARE(f.platform.events, expectedEvents);
        QCOMPARE(f.platform.alerts.size(), prompts);
        for (int i = 0; i < prompts; ++i)
            QCOMPARE(f.platform.alerts.at(i).message, promptMessage(expectedAsked.at(i)));
    } else {
        // The query is the whole question: no beep and no alert besides it.
        QCOMPARE(query.asked, expectedAsked);
        QVERIFY(f.platform.events.isEmpty());
    }
    for (int i = 0; i < 3; ++i) {
        const QByteArray expected = outcome.at(i) == u'K' ? QByteArray("old, and longer than the new")
                                                          : "new " + names.at(i).toLatin1();
        QCOMPARE(readFile(f.at(u"Tracks/new "_s + names.at(i))), expected);
    }
    QCOMPARE(everythingUnder(f.base).size(), 4); // no temporary file left beside them
}

void PackageExtractTest::emptyQueryAsksThroughPlatform()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("", "data", "hello")));
    QVERIFY(QDir().mkpath(f.base));
    QVERIFY(writeFile(f.at(u"data"_s), "old"));
    QueuedAnswers query;
    package.setOverwriteQuery(query.query());
    package.setOverwriteQuery(nullptr);
    f.platform.queueAnswer(AlertAnswer::Alternate);

    QCOMPARE(package.expandPackageTo(f.base), 0);
    QVERIFY(query.asked.isEmpty());
    QCOMPARE(f.platform.events, Prompt);
    QCOMPARE(f.platform.alerts.at(0).message, promptMessage(u"data"_s));
    QCOMPARE(readFile(f.at(u"data"_s)), "old");
}

void PackageExtractTest::yesToAllLastsOneCall()
{
    Fixture f;
    TrackPackage package;
    QueuedAnswers query;
    package.setOverwriteQuery(query.query());
    QVERIFY(f.load(package, PackageWriter().addFile("", "a", "a").addFile("", "b", "b")));
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QVERIFY(query.asked.isEmpty());

    query.answers.enqueue(OverwriteAnswer::ReplaceAll);
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(query.asked, QStringList{u"a"_s});

    query.asked.clear();
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(query.asked, (QStringList{u"a"_s, u"b"_s}));
    QVERIFY(f.platform.events.isEmpty());
}

void PackageExtractTest::keptTrackFileIsStillRecorded()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("Tracks\\", "ride.zctrack", "track").addFile("", "readme", "r")));
    QVERIFY(QDir().mkpath(f.at(u"Tracks"_s)));
    QVERIFY(writeFile(f.at(u"Tracks/ride.zctrack"_s), "mine"));
    QueuedAnswers query;
    query.answers.enqueue(OverwriteAnswer::Keep);
    package.setOverwriteQuery(query.query());

    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(query.asked, QStringList{u"Tracks/ride.zctrack"_s}); // the path inside the package
    QCOMPARE(readFile(f.at(u"Tracks/ride.zctrack"_s)), "mine");
    QCOMPARE(package.absoluteTrackFilePath(), f.at(u"Tracks/ride.zctrack"_s));
    QCOMPARE(readFile(f.at(u"readme"_s)), "r");
}

void PackageExtractTest::marksTrackFiles_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("marked");

    QTest::newRow("Ride.ZCTRACK") << QByteArray("Tracks\\") << QByteArray("Ride.ZCTRACK") << true;
    QTest::newRow("ride.zct") << QByteArray("Tracks\\") << QByteArray("ride.zct") << true;
    QTest::newRow("a.Zct") << QByteArray() << QByteArray("a.Zct") << true;
    QTest::newRow("mixed case") << QByteArray() << QByteArray("x.zCtRaCk") << true;
    QTest::newRow("ride.zctrack.bak") << QByteArray() << QByteArray("ride.zctrack.bak") << false;
    QTest::newRow("ridezct") << QByteArray() << QByteArray("ridezct") << false;
    QTest::newRow("ridezctrack") << QByteArray() << QByteArray("ridezctrack") << false;
    QTest::newRow("only the folder") << QByteArray("a.zct\\") << QByteArray("data") << false;
}

void PackageExtractTest::marksTrackFiles()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, name);
    QFETCH(bool, marked);

    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile(folder, name, "x")));
    QCOMPARE(package.expandPackageTo(f.base), 0);
    const QString output = f.at(package.compFileMetaData().at(0).relFilePath());
    QVERIFY(QFile::exists(output));
    QCOMPARE(package.absoluteTrackFilePath(), marked ? output : QString());
}

void PackageExtractTest::laterTrackFileWinsAndStays()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("T\\", "first.zctrack", "1").addFile("T\\", "second.ZCT", "2").addFile("", "z", "z")));
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(package.absoluteTrackFilePath(), f.at(u"T/second.ZCT"_s));

    // Neither a package without a track file nor a failed call empties the recorded path.
    QVERIFY(f.load(package, PackageWriter().addFile("", "notes.txt", "n")));
    QCOMPARE(package.expandPackageTo(f.root.filePath(u"other"_s)), 0);
    QCOMPARE(package.absoluteInstallPath(), f.root.filePath(u"other"_s));
    QCOMPARE(package.absoluteTrackFilePath(), f.at(u"T/second.ZCT"_s));
    QVERIFY(writeFile(f.root.filePath(u"plain"_s), ""));
    QCOMPARE(package.expandPackageTo(f.root.filePath(u"plain"_s)), -3);
    QCOMPARE(package.absoluteTrackFilePath(), f.at(u"T/second.ZCT"_s));
}

void PackageExtractTest::writesDataFoundThroughOffsets()
{
    Fixture f;
    TrackPackage package;
    PackageWriter writer;
    writer.addFile("", "one", "first file").addFile("", "two", QByteArray(5000, '2')).addFile("", "three", "3");
    writer.setDataInReverseOrder(true);
    QVERIFY(f.load(package, writer));
    const QList<ZLibCompFileMetaData> &entries = package.compFileMetaData();
    QCOMPARE(entries.at(2).baseRelOffset(), 0); // stored first
    QVERIFY(entries.at(0).baseRelOffset() > entries.at(1).baseRelOffset());

    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(readFile(f.at(u"one"_s)), "first file");
    QCOMPARE(readFile(f.at(u"two"_s)), QByteArray(5000, '2'));
    QCOMPARE(readFile(f.at(u"three"_s)), "3");
}

void PackageExtractTest::outputBufferCapacity_data()
{
    QTest::addColumn<int>("unCompSize");
    QTest::addColumn<qint64>("capacity");
    QTest::newRow("0") << 0 << qint64(12);
    QTest::newRow("1") << 1 << qint64(13);
    QTest::newRow("99") << 99 << qint64(111);
    QTest::newRow("100") << 100 << qint64(113);
    QTest::newRow("1000") << 1000 << qint64(1022);
    // Here single precision rounds up past the next whole byte.
    QTest::newRow("259599") << 259599 << qint64(262207);
    QTest::newRow("16000052") << 16000052 << qint64(16160065);
    QTest::newRow("largest") << std::numeric_limits<qint32>::max() << qint64(2168958464);
}

void PackageExtractTest::outputBufferCapacity()
{
    QFETCH(int, unCompSize);
    QFETCH(qint64, capacity);
    QCOMPARE(PackageExtractor::outputBufferCapacity(unCompSize), capacity);
}

void PackageExtractTest::writesExactlyUnCompSize_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("unCompSize");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("exact") << QByteArray("hello") << 5 << 0 << QByteArray("hello");
    QTest::newRow("short stream padded") << QByteArray("abc") << 10 << 0 << QByteArray("abc\0\0\0\0\0\0\0", 10);
    QTest::newRow("empty") << QByteArray() << 0 << 0 << QByteArray();
    QTest::newRow("twelve bytes in size 0") << QByteArray(12, 'x') << 0 << 0 << QByteArray();
    QTest::newRow("thirteen bytes in size 0") << QByteArray(13, 'x') << 0 << -1 << QByteArray();
    QTest::newRow("longer, fits, cut") << QByteArray(113, 'x') << 100 << 0 << QByteArray(100, 'x');
    QTest::newRow("one past capacity") << QByteArray(114, 'x') << 100 << -1 << QByteArray();
    QTest::newRow("rounded capacity fits") << QByteArray(262207, 'r') << 259599 << 0 << QByteArray(259599, 'r');
    QTest::newRow("rounded capacity exceeded") << QByteArray(262208, 'r') << 259599 << -1 << QByteArray();
}

void PackageExtractTest::writesExactlyUnCompSize()
{
    QFETCH(QByteArray, content);
    QFETCH(int, unCompSize);
    QFETCH(int, code);
    QFETCH(QByteArray, written);

    Fixture f;
    TrackPackage package;
    PackageWriter::Entry e = entry("", "out", content);
    e.unCompSize = unCompSize;
    QVERIFY(f.load(package, PackageWriter().addEntry(e)));
    QCOMPARE(package.expandPackageTo(f.base), code);
    if (code == 0)
        QCOMPARE(readFile(f.at(u"out"_s)), written);
    else
        QVERIFY(everythingUnder(f.base).isEmpty());
    QVERIFY(f.platform.events.isEmpty());
}

void PackageExtractTest::sizesBufferForEachEntry_data()
{
    // A first entry of 1000 bytes, then a second one that the room for the first would hold.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("unCompSize");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("padding is zeros") << QByteArray("ab") << 50 << 0 << QByteArray("ab") + QByteArray(48, '\0');
    QTest::newRow("own capacity exceeded") << QByteArray(200, 's') << 10 << -1 << QByteArray();
}

void PackageExtractTest::sizesBufferForEachEntry()
{
    QFETCH(QByteArray, content);
    QFETCH(int, unCompSize);
    QFETCH(int, code);
    QFETCH(QByteArray, written);

    Fixture f;
    TrackPackage package;
    PackageWriter::Entry second = entry("", "second", content);
    second.unCompSize = unCompSize;
    QVERIFY(f.load(package, PackageWriter().addFile("", "first", QByteArray(1000, 'X')).addEntry(second)));
    QCOMPARE(package.expandPackageTo(f.base), code);
    QCOMPARE(readFile(f.at(u"first"_s)), QByteArray(1000, 'X'));
    if (code == 0)
        QCOMPARE(readFile(f.at(u"second"_s)), written);
    else
        QVERIFY(!QFile::exists(f.at(u"second"_s)));
}

void PackageExtractTest::unreadableStreamStopsBeforeAsking_data()
{
    QTest::addColumn<QByteArray>("stored");
    const QByteArray good = PackageWriter::compress("the second file");
    QByteArray badSum = good;
    badSum[badSum.size() - 1] = char(badSum.at(badSum.size() - 1) ^ 0x55);
    QTest::newRow("not zlib") << QByteArray("plain text, not a stream");
    QTest::newRow("cut short") << good.left(good.size() - 3);
    QTest::newRow("bad checksum") << badSum;
    QTest::newRow("empty") << QByteArray();
}

void PackageExtractTest::unreadableStreamStopsBeforeAsking()
{
    QFETCH(QByteArray, stored);
    Fixture f;
    TrackPackage package;
    PackageWriter::Entry broken = entry("", "second", "the second file");
    broken.compressed = stored;
    QVERIFY(f.load(package, PackageWriter().addFile("", "first", "1").addEntry(broken).addFile("", "third", "3")));
    QVERIFY(QDir().mkpath(f.base));
    QVERIFY(writeFile(f.at(u"second"_s), "old"));

    QCOMPARE(package.expandPackageTo(f.base), -1);
    QVERIFY(f.platform.events.isEmpty());
    QCOMPARE(readFile(f.at(u"second"_s)), "old");
    QCOMPARE(everythingUnder(f.base), (QStringList{u"first"_s, u"second"_s}));
}

void PackageExtractTest::preparesInstallBase_data()
{
    // "@" stands for the test's root folder. Made first: "dir:", "file:" or "link:name>target".
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("installPath");
    QTest::addColumn<QString>("trackFile");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("missing, with parents") << QStringList() << "@/a/b/c" << 0 << "@/a/b/c"
                                           << "@/a/b/c/Tracks/x.zctrack" << QStringList();
    QTest::newRow("final separator") << QStringList{u"dir:base"_s} << "@/base/" << 0 << "@/base/"
                                     << "@/base//Tracks/x.zctrack" << QStringList();
    QTest::newRow("chain of links") << QStringList{u"dir:base"_s, u"link:l1>@/base"_s, u"link:l2>@/l1"_s}
                                    << "@/l2" << 0 << "@/base" << "@/base/Tracks/x.zctrack" << QStringList();
    QTest::newRow("regular file") << QStringList{u"file:base"_s} << "@/base" << -3 << "@/base" << ""
                                  << QStringList();
    QTest::newRow("dangling link") << QStringList{u"link:base>@/gone"_s} << "@/base" << -3 << "@/base" << ""
                                   << QStringList{u"Failed to create folder at @/base"_s};
}

void PackageExtractTest::preparesInstallBase()
{
    QFETCH(QStringList, made);
    QFETCH(QString, target);
    QFETCH(int, code);
    QFETCH(QString, installPath);
    QFETCH(QString, trackFile);
    QFETCH(QStringList, log);

    Fixture f;
    const QString root = f.root.path();
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("Tracks\\", "x.zctrack", "x")));
    QStringList before;
    for (const QString &what : made) {
        const QString name = what.section(u':', 1).section(u'>', 0, 0);
        const QString path = root + u'/' + name;
        const QString linkTarget = what.section(u'>', 1).replace(u'@', root);
        QVERIFY(what.startsWith("dir:"_L1) ? QDir().mkpath(path)
                : what.startsWith("file:"_L1) ? writeFile(path, "a file") : QFile::link(linkTarget, path));
        before.append(name);
    }
    before.sort();

    const mode_t mask = ::umask(0); // so that a folder's mode is the one asked for
    QCOMPARE(package.expandPackageTo(target.replace(u'@', root)), code);
    ::umask(mask);
    QCOMPARE(package.absoluteInstallPath(), installPath.replace(u'@', root));
    QCOMPARE(package.absoluteTrackFilePath(), trackFile.replace(u'@', root));
    QCOMPARE(f.platform.logLines, log.replaceInStrings(u"@"_s, root));
    QVERIFY(f.platform.alerts.isEmpty());
    struct stat folder;
    if (code == 0)
        QVERIFY(readFile(trackFile) == "x" && ::stat(QFile::encodeName(installPath + "/Tracks"_L1).constData(), &folder) == 0
                && (folder.st_mode & 0777) == 0777);
    else
        QCOMPARE(everythingUnder(root), before); // nothing created, nothing replaced
}

void PackageExtractTest::refusesVersionOfNeverLoadedPackage()
{
    // A package object that never loaded has version 0.0: the base is still prepared first.
    Fixture f;
    TrackPackage package;
    QCOMPARE(package.expandPackageTo(f.base), -6);
    QVERIFY(TrackPackage::pathIsFolder(f.base));
    QVERIFY(everythingUnder(f.base).isEmpty());

    TrackPackage another;
    QVERIFY(writeFile(f.at(u"file"_s), ""));
    QCOMPARE(another.expandPackageTo(f.at(u"file"_s)), -3);
}

void PackageExtractTest::refusesFileWhereFolderGoes()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("", "first", "1").addFile("Tracks\\Night\\", "x", "x")));
    QVERIFY(QDir().mkpath(f.base));
    QVERIFY(writeFile(f.at(u"Tracks"_s), "in the way"));

    QCOMPARE(package.expandPackageTo(f.base), -4);
    QCOMPARE(f.platform.logLines, QStringList{u"Failed to create folder at "_s + f.at(u"Tracks/Night/"_s)});
    QCOMPARE(readFile(f.at(u"Tracks"_s)), "in the way");
    QCOMPARE(everythingUnder(f.base), (QStringList{u"Tracks"_s, u"first"_s}));
}

void PackageExtractTest::refusesFolderWhereFileGoes_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("outputPath");
    QTest::addColumn<bool>("ask");

    QTest::newRow("folder of that name, asking") << QByteArray("T\\") << QByteArray("data") << "T/data" << true;
    QTest::newRow("folder of that name, not asking") << QByteArray("T\\") << QByteArray("data") << "T/data" << false;
    QTest::newRow("empty name") << QByteArray("T\\") << QByteArray() << "T/" << true;
    QTest::newRow("empty name, empty folder") << QByteArray() << QByteArray() << "" << false;
}

void PackageExtractTest::refusesFolderWhereFileGoes()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, name);
    QFETCH(QString, outputPath);
    QFETCH(bool, ask);

    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addEntry(entry(folder, name, "x")).addFile("", "after", "a")));
    if (!name.isEmpty())
        QVERIFY(QDir().mkpath(f.at(u"T/data"_s)));
    QCOMPARE(package.expandPackageTo(f.base, ask), -5);
    QCOMPARE(f.platform.events, QStringList{u"log:folder ovewrite rejected: "_s + f.at(outputPath)});
    QVERIFY(!QFile::exists(f.at(u"after"_s)));
}

void PackageExtractTest::refusesHostileEntriesBeforeWriting_data()
{
    QTest::addColumn<PackageWriter::Entry>("hostile");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("logLine");

    const qint32 smallest = std::numeric_limits<qint32>::min();
    const qint32 largest = std::numeric_limits<qint32>::max();
    const PackageWriter::Entry e = entry("", "hostile", "content");
    auto withOffset = [e](qint32 offset) { PackageWriter::Entry c = e; c.dataOffset = offset; return c; };
    auto withCompSize = [e](qint32 size) { PackageWriter::Entry c = e; c.compSize = size; return c; };
    auto withUnCompSize = [e](qint32 size) { PackageWriter::Entry c = e; c.unCompSize = size; return c; };
    const QString none;

    QTest::newRow("data before the file") << withOffset(-100000) << -1 << none;
    QTest::newRow("data offset most negative") << withOffset(smallest) << -1 << none;
    QTest::newRow("data offset past end") << withOffset(1000) << -1 << none;
    QTest::newRow("data offset largest") << withOffset(largest) << -1 << none;
    QTest::newRow("compressed size past end") << withCompSize(100000) << -1 << none;
    QTest::newRow("compressed size largest") << withCompSize(largest) << -1 << none;
    QTest::newRow("compressed size negative") << withCompSize(-1) << -1 << none;
    QTest::newRow("uncompressed size negative") << withUnCompSize(-5) << -1 << none;
    QTest::newRow("uncompressed size most negative") << withUnCompSize(smallest) << -1 << none;

    const QString refused = u"Refused path outside the install folder: "_s;
    QTest::newRow("folder ..") << entry("..\\", "evil", "x") << -4 << refused + "../evil"_L1;
    QTest::newRow("folder climbs twice") << entry("Tracks\\..\\..\\", "evil", "x") << -4
                                         << refused + "Tracks/../../evil"_L1;
    QTest::newRow("name ../") << entry("", "../evil", "x") << -4 << refused + "../evil"_L1;
    QTest::newRow("name climbs inside") << entry("Tracks\\", "a/../../evil", "x") << -4
                                        << refused + "Tracks/a/../../evil"_L1;
    QTest::newRow("name is ..") << entry("Tracks\\", "..", "x") << -4 << refused + "Tracks/.."_L1;

    // The file system would stop at the NUL and write "Tracks/a" instead.
    const QString nul = u"Refused path with a NUL character: "_s;
    QTest::newRow("NUL in the name") << entry("Tracks\\", QByteArray("a\0b.zctrack", 11), "x") << -4
                                     << nul + "Tracks/a?b.zctrack"_L1;
    QTest::newRow("NUL in the folder") << entry(QByteArray("Tr\0acks\\", 8), "b", "x") << -4
                                       << nul + "Tr?acks/b"_L1;
}

void PackageExtractTest::refusesHostileEntriesBeforeWriting()
{
    QFETCH(PackageWriter::Entry, hostile);
    QFETCH(int, code);
    QFETCH(QString, logLine);

    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("Tracks\\", "valid.zctrack", "valid").addEntry(hostile)));
    QCOMPARE(package.expandPackageTo(f.base), code);
    QCOMPARE(f.platform.logLines, logLine.isEmpty() ? QStringList() : QStringList{logLine});
    QCOMPARE(everythingUnder(f.root.path()), QStringList{u"base"_s});
    QVERIFY(package.absoluteTrackFilePath().isEmpty());
}

namespace {

// One line per thing in a tree, links and special files included, never following a link:
// enough to tell that nothing outside an install base changed.
QStringList describeTree(const QString &folder)
{
    QStringList lines;
    for (const QString &relative : everythingUnder(folder)) {
        const QString path = folder + u'/' + relative;
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            lines << relative + " (gone)"_L1;
        else if (S_ISLNK(info.st_mode))
            lines << relative + " -> "_L1 + QFile::symLinkTarget(path);
        else if (S_ISDIR(info.st_mode))
            lines << relative + u'/';
        else if (S_ISFIFO(info.st_mode))
            lines << relative + " (fifo)"_L1;
        else if (info.st_size > 16)
            lines << relative + u'=' + QString::number(info.st_size) + " bytes"_L1;
        else
            lines << relative + u'=' + QString::fromLatin1(readFile(path));
    }
    return lines;
}

// File systems mounted for one test and gone with it; only root may mount.
struct Mount
{
    bool mount(const QString &at, const char *type, const char *options)
    {
        if (::mount(type, QFile::encodeName(at).constData(), type, 0, options) != 0)
            return false;
        mounted = at;
        return true;
    }
    ~Mount()
    {
        if (!mounted.isEmpty())
            ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
    }
    QString mounted;
};

QList<PackageWriter::Entry> manyFiles(int count, qint32 size)
{
    QList<PackageWriter::Entry> entries;
    for (int i = 0; i < count; ++i)
        entries << entry("Many\\", "f" + QByteArray::number(i), QByteArray(size, 'm'));
    return entries;
}

QList<PackageWriter::Entry> deepFolders(int depth)
{
    QList<PackageWriter::Entry> entries;
    QByteArray folder;
    for (int i = 0; i < depth; ++i) {
        folder += "d\\";
        entries << entry(folder, "f", QByteArray::number(i));
    }
    return entries;
}

const QByteArray OneMiB = QByteArray("a line of track data that compresses well\n").repeated(25000).left(1 << 20);

bool setUp(const QString &setup, const QString &base, const QString &outside, Mount &mount)
{
    const QByteArray track = QFile::encodeName(base + "/Tracks/x.zctrack"_L1);
    const QByteArray tracks = QFile::encodeName(base + "/Tracks"_L1);
    const QByteArray elsewhere = QFile::encodeName(outside + "/elsewhere"_L1);
    QDir().mkpath(base + "/Tracks"_L1);
    if (setup == "link to a file"_L1)
        return ::symlink(QFile::encodeName(outside + "/victim"_L1), track) == 0;
    if (setup == "link to a fifo"_L1)
        return ::symlink(QFile::encodeName(outside + "/fifo"_L1), track) == 0;
    if (setup == "dangling link"_L1)
        return ::symlink(QFile::encodeName(outside + "/nothing"_L1), track) == 0;
    if (setup == "link to a folder"_L1)
        return ::symlink(elsewhere, track) == 0;
    if (setup == "foreign folder link"_L1 || setup == "own folder link"_L1) {
        const bool foreign = setup.startsWith("foreign"_L1);
        return ::rmdir(tracks) == 0 && ::symlink(elsewhere, tracks) == 0 && (!foreign || ::lchown(tracks, 4242, 4242) == 0);
    }
    if (setup == "link of the folder's owner"_L1) {
        const QByteArray shared = QFile::encodeName(base + "/shared"_L1);
        return ::rmdir(tracks) == 0 && ::mkdir(shared, 0755) == 0 && ::chown(shared, 4242, 4242) == 0
               && ::symlink(elsewhere, shared + "/Tracks") == 0 && ::lchown(shared + "/Tracks", 4242, 4242) == 0;
    }
    if (setup == "existing big file"_L1)
        return writeFile(base + "/Tracks/big.zctrack"_L1, "old");
    if (setup == "existing readme"_L1)
        return writeFile(base + "/readme"_L1, "old");
    ::rmdir(tracks);
    if (setup == "small tmpfs"_L1)
        return mount.mount(base, "tmpfs", "size=1m");
    if (setup == "inode-starved tmpfs"_L1)
        return mount.mount(base, "tmpfs", "size=64m,nr_inodes=20");
    if (setup.endsWith("full tmpfs"_L1)) {
        if (!mount.mount(base, "tmpfs", "size=1m"))
            return false;
        for (const PackageWriter::Entry &e : manyFiles(setup.startsWith("nearly"_L1) ? 10 : 12, 80 * 1024))
            if (!writeFile(base + "/Many/"_L1 + QString::fromLatin1(e.name), e.content))
                return false;
        return true;
    }
    if (setup == "ramfs"_L1)
        return mount.mount(base, "ramfs", "");
    return true;
}

// Runs `install` in a child process, as when a limit or a signal must not reach the test.
int inChild(const std::function<int()> &install, const std::function<void()> &limit)
{
    const pid_t child = fork();
    if (child == 0) {
        int code = 255; // the child must end here, whatever is thrown
        try {
            limit();
            code = 128 + install();
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 1;
    return WEXITSTATUS(status) - 128;
}

} // namespace

void PackageExtractTest::hostileSetups_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QList<PackageWriter::Entry>>("entries");
    QTest::addColumn<QList<OverwriteAnswer>>("answers");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("log");           // "@" stands for the install base
    QTest::addColumn<QStringList>("inside");    // the base afterwards; none given: every file as packed
    QTest::addColumn<QStringList>("outside");   // none given: unchanged; "@O" stands for it

    const QList<PackageWriter::Entry> track{entry("Tracks\\", "x.zctrack", "new")};
    const QStringList replaced{u"Tracks/"_s, u"Tracks/x.zctrack=new"_s};
    const QStringList same, yes{u"Tracks/"_s}, none;
    const QStringList followed{u"elsewhere/"_s, u"elsewhere/x.zctrack=new"_s, u"fifo (fifo)"_s, u"victim=victim"_s};
    const QString noLog;
    using Answers = QList<OverwriteAnswer>;
    const OverwriteAnswer replace = OverwriteAnswer::Replace, keep = OverwriteAnswer::Keep;
    QTest::newRow("link to a file is replaced, not written through")
        << "link to a file" << track << Answers{replace} << 0 << noLog << replaced << same;
    QTest::newRow("link to a fifo, asking off") << "link to a fifo" << track << Answers() << 0 << noLog << replaced << same;
    QTest::newRow("dangling link is asked about and replaced")
        << "dangling link" << track << Answers{replace} << 0 << noLog << replaced << same;
    QTest::newRow("link to a folder is a folder") << "link to a folder" << track << Answers() << -5
        << u"folder ovewrite rejected: @/Tracks/x.zctrack"_s << QStringList{u"Tracks/"_s, u"Tracks/x.zctrack -> @O/elsewhere"_s} << same;
    QTest::newRow("link to a file kept on No")
        << "link to a file" << track << Answers{keep} << 0 << noLog << QStringList{u"Tracks/"_s, u"Tracks/x.zctrack -> @O/victim"_s} << same;
    QTest::newRow("foreign link to a folder refuses the package")
        << "foreign folder link" << QList<PackageWriter::Entry>{entry("", "first", "1")} + track << Answers() << -4
        << u"Refused link owned by another user: @/Tracks"_s << QStringList{u"Tracks -> @O/elsewhere"_s} << same;
    QTest::newRow("own link to a folder is followed")
        << "own folder link" << track << Answers() << 0 << noLog << QStringList{u"Tracks -> @O/elsewhere"_s} << followed;
    QTest::newRow("link of the folder's owner is followed")
        << "link of the folder's owner" << QList<PackageWriter::Entry>{entry("shared\\Tracks\\", "x.zctrack", "new")}
        << Answers() << 0 << noLog << QStringList{u"shared/"_s, u"shared/Tracks -> @O/elsewhere"_s} << followed;
    QTest::newRow("the simulator program is never replaced")
        << "none" << QList<PackageWriter::Entry>{entry("", "first", "1"),
                                                  entry("ZoomcrestSimulator.app\\Contents\\MacOS\\", "ZoomcrestSimulator", "#!")}
        << Answers() << -4 << u"Refused entry in the simulator's program folder: ZoomcrestSimulator.app/Contents/MacOS/ZoomcrestSimulator"_s
        << none << same;
    QTest::newRow("other files of the application are allowed")
        << "none" << QList<PackageWriter::Entry>{entry("ZoomcrestSimulator.app\\Contents\\", "MacOS.txt", "r"),
                                                  entry("ZoomcrestSimulator.app\\Contents\\Resources\\", "MacOS", "r")}
        << Answers() << 0 << noLog << none << same;
    QTest::newRow("a thousand folders deep") << "none" << deepFolders(1000) << Answers() << 0 << noLog << none << same;

    const QString noRoom = u"Not enough free space at @"_s;
    QTest::newRow("blocks, not bytes") << "small tmpfs" << manyFiles(600, 1) << Answers() << -2 << noRoom << same << same;
    QTest::newRow("inodes") << "inode-starved tmpfs" << manyFiles(50, 1) << Answers() << -2 << noRoom << same << same;
    QStringList kept{u"Many/"_s};
    for (int i = 0; i < 10; ++i)
        kept << u"Many/f%1=81920 bytes"_s.arg(i);
    kept.sort();
    QTest::newRow("kept files need no room") << "nearly full tmpfs" << manyFiles(10, 80 * 1024)
                                             << Answers(10, keep) << 0 << noLog << kept << same;
    QStringList full; // in the order of their names
    for (int i = 0; i < 12; ++i)
        full << u"Many/f%1"_s.arg(i);
    full.sort();
    full = full.replaceInStrings(QRegularExpression(u"$"_s), u"=81920 bytes"_s);
    full.prepend(u"Many/"_s);
    QTest::newRow("room for a replacement copy") << "full tmpfs" << manyFiles(12, 80 * 1024)
                                                 << Answers(12, keep) << -2 << noRoom << full << same;
    QTest::newRow("no capacity reported") << "ramfs" << manyFiles(600, 1) << Answers() << 0 << noLog << none << same;

    const QList<PackageWriter::Entry> big{entry("Tracks\\", "big.zctrack", OneMiB)};
    QTest::newRow("size limit, new file") << "size limit" << big << Answers() << -2 << noLog << yes << same;
    QTest::newRow("size limit, old file stays whole") << "existing big file" << big << Answers() << -2 << noLog
                                                      << QStringList{u"Tracks/"_s, u"Tracks/big.zctrack=old"_s} << same;
    QTest::newRow("folder removed during a question is made again")
        << "existing readme" << QList<PackageWriter::Entry>{entry("Tracks\\", "a", "a"), entry("", "readme", "new"), entry("Tracks\\", "b", "b")}
        << Answers{replace} << 0 << noLog << QStringList{u"Tracks/"_s, u"Tracks/b=b"_s, u"readme=new"_s} << same;
    QTest::newRow("folder removed during a question, then a folder in it")
        << "existing readme" << QList<PackageWriter::Entry>{entry("Tracks\\", "a", "a"), entry("", "readme", "new"), entry("Tracks\\Night\\", "b", "b")}
        << Answers{replace} << 0 << noLog << QStringList{u"Tracks/"_s, u"Tracks/Night/"_s, u"Tracks/Night/b=b"_s, u"readme=new"_s} << same;
}

void PackageExtractTest::hostileSetups()
{
    QFETCH(QString, setup);
    QFETCH(QList<PackageWriter::Entry>, entries);
    QFETCH(QList<OverwriteAnswer>, answers);
    QFETCH(int, code);
    QFETCH(QString, log);
    QFETCH(QStringList, inside);
    QFETCH(QStringList, outside);

    Fixture f;
    const QString out = f.root.filePath(u"outside"_s);
    QVERIFY(QDir().mkpath(out + "/elsewhere"_L1) && writeFile(out + "/victim"_L1, "victim"));
    QVERIFY(::mkfifo(QFile::encodeName(out + "/fifo"_L1).constData(), 0644) == 0);
    const QStringList outsideBefore = describeTree(out);
    Mount mount;
    if (!setUp(setup, f.base, out, mount))
        QSKIP("this setup needs root and a kernel that lets it mount");
    TrackPackage package;
    PackageWriter writer;
    for (const PackageWriter::Entry &e : entries)
        writer.addEntry(e);
    QVERIFY(f.load(package, writer));
    QueuedAnswers query;
    for (OverwriteAnswer answer : answers)
        query.answers.enqueue(answer);
    if (setup == "existing readme"_L1)
        query.meddle = [&f] { QDir(f.at(u"Tracks"_s)).removeRecursively(); };
    package.setOverwriteQuery(query.query());

    const bool ask = !answers.isEmpty();
    const auto install = [&] { return package.expandPackageTo(f.base, ask); };
    const auto limit = [] {
        const struct rlimit fileSize = {64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &fileSize);
    };
    QCOMPARE(setup.contains("size limit"_L1) || setup == "existing big file"_L1 ? inChild(install, limit) : install(), code);

    QCOMPARE(f.platform.logLines, log.isEmpty() ? QStringList() : QStringList{log.replace(u'@', f.base)});
    if (!inside.isEmpty() || code != 0) {
        QCOMPARE(describeTree(f.base), inside.replaceInStrings(u"@O"_s, out));
    } else {
        for (const PackageWriter::Entry &e : entries)
            QCOMPARE(readFile(f.at(QString::fromLatin1(e.folder).replace(u'\\', u'/') + QString::fromLatin1(e.name))), e.content);
    }
    QCOMPARE(describeTree(out), outside.isEmpty() ? outsideBefore : outside.replaceInStrings(u"@O"_s, out));
}

void PackageExtractTest::stopsBetweenFilesOnSignal()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("", "one", "1").addFile("", "two", "2").addFile("", "three", "3")));
    struct sigaction before, after;
    QVERIFY(::sigaction(SIGTERM, nullptr, &before) == 0);
    package.setProgressHandler([](qint64 done, qint64) {
        if (done == 1)
            ::raise(SIGTERM);
    });
    QCOMPARE(package.expandPackageTo(f.base), -7);
    QCOMPARE(package.entriesDone(), 1);
    QCOMPARE(describeTree(f.base), QStringList{u"one=1"_s});
    QVERIFY(::sigaction(SIGTERM, nullptr, &after) == 0 && after.sa_handler == before.sa_handler);

    // Killed outright while a large file is written: it is there whole, or not at all.
    PackageWriter writer;
    writer.addFile("", "first", "1").addFile("", "large", QByteArray(256 << 20, 'z'));
    package.setProgressHandler(nullptr);
    QVERIFY(f.load(package, writer));
    QDir(f.base).removeRecursively();
    int ready[2];
    QVERIFY(::pipe(ready) == 0);
    package.setProgressHandler([&ready](qint64, qint64) { (void)!::write(ready[1], "x", 1); });
    const pid_t child = fork();
    if (child == 0) {
        package.expandPackageTo(f.base, false);
        _exit(0);
    }
    char byte;
    QCOMPARE(::read(ready[0], &byte, 1), 1); // the first file is done; the large one is under way
    ::kill(child, SIGKILL);
    QCOMPARE(waitpid(child, nullptr, 0), child);
    ::close(ready[0]);
    ::close(ready[1]);
    const QStringList left = describeTree(f.base);
    QVERIFY2(left == QStringList{u"first=1"_s} || left == (QStringList{u"first=1"_s, u"large=268435456 bytes"_s}),
             qPrintable(left.join(u", "_s)));
}

void PackageExtractTest::waitsForAnotherInstall()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("", "data", "hello")));
    QVERIFY(QDir().mkpath(f.base));
    int other = ::open(QFile::encodeName(f.base).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(other >= 0 && ::flock(other, LOCK_SH | LOCK_NB) == 0); // as much as any lock may be
    int waits = 0;
    package.setLockWaitHandler([&] {
        ++waits;
        QVERIFY(!QFile::exists(f.at(u"data"_s)));
        ::close(other); // the other install ends
    });
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(waits, 1);
    QCOMPARE(readFile(f.at(u"data"_s)), "hello");
    other = ::open(QFile::encodeName(f.base).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(::flock(other, LOCK_EX | LOCK_NB) == 0); // and the lock went with the install
    ::close(other);
    QCOMPARE(package.expandPackageTo(f.base, false), 0);
    QCOMPARE(waits, 1);
}

QTEST_GUILESS_MAIN(PackageExtractTest)
#include "tst_package_extract.moc"
