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
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PackageWriter::Entry)

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

} // namespace

class PackageExtractTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extractsExampleThenAsks();
    void overwriteAnswers_data();
    void overwriteAnswers();
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
    void refusesLinkPlantedAtOutputPath();

    void refusesHostileEntriesBeforeWriting_data();
    void refusesHostileEntriesBeforeWriting();
    void refusesPackageLargerThanFreeSpace();
    void failedWriteLeavesNothingHalfDone_data();
    void failedWriteLeavesNothingHalfDone();
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
    const RecordingPlatform::Alert &alert = f.platform.alerts.at(0);
    QCOMPARE(alert.title, u"File Already Exists"_s);
    QCOMPARE(alert.message, promptMessage(u"data"_s));
    QCOMPARE(alert.defaultButton, u"Yes"_s);
    QCOMPARE(alert.alternateButton, u"No"_s);
    QCOMPARE(alert.otherButton, u"Yes To All"_s);
    QCOMPARE(readFile(f.at(u"data"_s)), "hello"); // an empty queue answers Yes
}

void PackageExtractTest::overwriteAnswers_data()
{
    QTest::addColumn<QString>("existing"); // per file: E there before, . not
    QTest::addColumn<bool>("ask");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QString>("outcome"); // per file: R replaced, K kept, W written
    QTest::addColumn<int>("prompts");

    QTest::newRow("yes each time") << "EEE" << true << QList<int>{1, 1, 1} << "RRR" << 3;
    QTest::newRow("no each time") << "EEE" << true << QList<int>{0, 0, 0} << "KKK" << 3;
    QTest::newRow("yes to all at first") << "EEE" << true << QList<int>{-1} << "RRR" << 1;
    QTest::newRow("no, then yes to all") << "EEE" << true << QList<int>{0, -1} << "KRR" << 2;
    QTest::newRow("yes, no, yes") << "EEE" << true << QList<int>{1, 0, 1} << "RKR" << 3;
    QTest::newRow("other values are yes") << "EEE" << true << QList<int>{2, 0, -7} << "RKR" << 3;
    QTest::newRow("only the existing one") << ".E." << true << QList<int>{0} << "WKW" << 1;
    QTest::newRow("asking off") << "EEE" << false << QList<int>() << "RRR" << 0;
}

void PackageExtractTest::overwriteAnswers()
{
    QFETCH(QString, existing);
    QFETCH(bool, ask);
    QFETCH(QList<int>, answers);
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
    QStringList expectedEvents, expectedMessages;
    for (int i = 0; i < 3; ++i) {
        if (existing.at(i) == u'E') {
            QVERIFY(writeFile(f.at(u"Tracks/new "_s + names.at(i)), "old, and longer than the new"));
            expectedMessages.append(promptMessage(u"Tracks/new "_s + names.at(i)));
        }
    }
    for (int answer : answers)
        f.platform.queueAlertAnswer(answer);

    QCOMPARE(package.expandPackageTo(f.base, ask), 0);
    for (int i = 0; i < prompts; ++i)
        expectedEvents += Prompt;
    QCOMPARE(f.platform.events, expectedEvents);
    for (int i = 0; i < prompts; ++i)
        QCOMPARE(f.platform.alerts.at(i).message, expectedMessages.at(i));
    for (int i = 0; i < 3; ++i) {
        const QByteArray expected = outcome.at(i) == u'K' ? QByteArray("old, and longer than the new")
                                                          : "new " + names.at(i).toLatin1();
        QCOMPARE(readFile(f.at(u"Tracks/new "_s + names.at(i))), expected);
    }
    QCOMPARE(everythingUnder(f.base).size(), 4); // no temporary file left beside them
}

void PackageExtractTest::yesToAllLastsOneCall()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("", "a", "a").addFile("", "b", "b")));
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QVERIFY(f.platform.events.isEmpty());

    f.platform.queueAlertAnswer(-1);
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(f.platform.events, Prompt);

    f.platform.events.clear();
    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(f.platform.events, Prompt + Prompt);
}

void PackageExtractTest::keptTrackFileIsStillRecorded()
{
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("Tracks\\", "ride.zctrack", "track").addFile("", "readme", "r")));
    QVERIFY(QDir().mkpath(f.at(u"Tracks"_s)));
    QVERIFY(writeFile(f.at(u"Tracks/ride.zctrack"_s), "mine"));
    f.platform.queueAlertAnswer(0);

    QCOMPARE(package.expandPackageTo(f.base), 0);
    QCOMPARE(f.platform.alerts.at(0).message, promptMessage(u"Tracks/ride.zctrack"_s));
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

    QCOMPARE(package.expandPackageTo(target.replace(u'@', root)), code);
    QCOMPARE(package.absoluteInstallPath(), installPath.replace(u'@', root));
    QCOMPARE(package.absoluteTrackFilePath(), trackFile.replace(u'@', root));
    QCOMPARE(f.platform.logLines, log.replaceInStrings(u"@"_s, root));
    QVERIFY(f.platform.alerts.isEmpty());
    if (code == 0)
        QCOMPARE(readFile(trackFile), "x");
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

void PackageExtractTest::refusesLinkPlantedAtOutputPath()
{
    // A dangling link where a new file goes must not lead the write out of the install base.
    Fixture f;
    TrackPackage package;
    QVERIFY(f.load(package, PackageWriter().addFile("", "data", "hello")));
    QVERIFY(QDir().mkpath(f.base));
    const QString outside = f.root.filePath(u"outside"_s);
    QVERIFY(QFile::link(outside, f.at(u"data"_s)));
    QCOMPARE(package.expandPackageTo(f.base), -2);
    QVERIFY(!QFile::exists(outside));
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

void PackageExtractTest::refusesPackageLargerThanFreeSpace()
{
    // Ten thousand entries of 2 GiB each, all sharing the first entry's bytes, which don't
    // form a stream: should the size check ever be skipped, inflating fails at once instead
    // of filling the disk.
    Fixture f;
    TrackPackage package;
    PackageWriter writer;
    PackageWriter::Entry first = entry("", "first", "1");
    first.compressed = QByteArray("not a stream");
    writer.addEntry(first);
    PackageWriter::Entry huge = entry("", "huge", "x");
    huge.compressed = QByteArray();
    huge.dataOffset = 0;
    huge.compSize = 12;
    huge.unCompSize = std::numeric_limits<qint32>::max();
    for (int i = 0; i < 10000; ++i)
        writer.addEntry(huge);
    QVERIFY(f.load(package, writer));
    QCOMPARE(package.expandPackageTo(f.base), -2);
    QCOMPARE(f.platform.logLines, QStringList{u"Not enough free space at "_s + f.base});
    QVERIFY(everythingUnder(f.base).isEmpty());
}

void PackageExtractTest::failedWriteLeavesNothingHalfDone_data()
{
    QTest::addColumn<QByteArray>("existing"); // empty: no file there before
    QTest::newRow("new file") << QByteArray();
    QTest::newRow("replacing a file") << QByteArray("the old contents, which must survive");
}

void PackageExtractTest::failedWriteLeavesNothingHalfDone()
{
    QFETCH(QByteArray, existing);

    // Root may write anywhere, so the failure comes from a file size limit in a child process.
    Fixture f;
    TrackPackage package;
    QByteArray big;
    while (big.size() < 1024 * 1024)
        big += "a line of track data that compresses well\n";
    QVERIFY(f.load(package, PackageWriter().addFile("Tracks\\", "big.zctrack", big)));
    QVERIFY(QDir().mkpath(f.at(u"Tracks"_s)));
    const QString output = f.at(u"Tracks/big.zctrack"_s);
    if (!existing.isEmpty())
        QVERIFY(writeFile(output, existing));

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        int code = 0; // the child must end here, whatever is thrown
        try {
            const struct rlimit limit = {64 * 1024, 64 * 1024};
            signal(SIGXFSZ, SIG_IGN);
            if (setrlimit(RLIMIT_FSIZE, &limit) == 0)
                code = 128 + package.expandPackageTo(f.base, false);
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status) - 128, -2);

    if (existing.isEmpty()) {
        QCOMPARE(everythingUnder(f.base), QStringList{u"Tracks"_s});
    } else {
        QCOMPARE(readFile(output), existing);
        QCOMPARE(everythingUnder(f.base), (QStringList{u"Tracks"_s, u"Tracks/big.zctrack"_s}));
    }
}

QTEST_GUILESS_MAIN(PackageExtractTest)
#include "tst_package_extract.moc"
