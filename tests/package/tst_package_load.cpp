// Reading track packages from real files: the accepted layouts, every refusal with its load
// result code, and files built to break the reader.
#include "PackageWriter.h"
#include "RecordingPlatform.h"
#include "package/TrackPackage.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray HelloStream = QByteArray::fromHex("789ccb48cdc9c90700062c0215");

// The smallest useful package, written out by hand: one file "data" holding "hello", titled
// "Loop", version 1.3.0, 80 bytes with nothing in front.
const QByteArray ExampleBytes =
    "ZCSE" + QByteArray::fromHex("3b000000 01000000 04000000") // B, N, title length
    + "Loop" + QByteArray::fromHex("00000000 00000000 00000000 04000000") // author, comments, folder, name lengths
    + "data" + QByteArray::fromHex("00000000 05000000 0d000000") // data offset, sizes
    + "ZCTI" + QByteArray::fromHex("010300") + HelloStream // version 1.3.0, the data
    + QByteArray::fromHex("00000000 34000000"); // footer: P = 0, T = 52

PackageWriter exampleWriter()
{
    PackageWriter writer;
    writer.setTitle("Loop").addFile("", "data", "hello");
    return writer;
}

QByteArray withLong(QByteArray bytes, qint64 offset, qint32 value)
{
    QByteArray encoded;
    PackageWriter::appendLong(encoded, value);
    bytes.replace(offset, 4, encoded);
    return bytes;
}

// The address space this process uses now.
rlim_t addressSpaceInUse()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').value(0).toULongLong()) * 1024;
    }
    return 0;
}

} // namespace

class PackageLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void loadsExamplePackage();
    void loadsSelfExtractingFile_data();
    void loadsSelfExtractingFile();
    void refusesWhatCannotBeRead_data();
    void refusesWhatCannotBeRead();
    void judgesVersionBeforeTags_data();
    void judgesVersionBeforeTags();
    void refusesTagsAndCounts_data();
    void refusesTagsAndCounts();
    void hugeFileCountAllocatesNothingAhead();
    void joinsRelativePaths_data();
    void joinsRelativePaths();
    void keepsBytesAbove127();
    void secondLoadReplacesEntries();
    void readsLittleEndianLongs_data();
    void readsLittleEndianLongs();
    void readsSignedBytes_data();
    void readsSignedBytes();

    void survivesTruncationAtEveryLength_data();
    void survivesTruncationAtEveryLength();
    void refusesFooterOffsetsOutsideFile_data();
    void refusesFooterOffsetsOutsideFile();
    void refusesStringLengthsOutsideFile_data();
    void refusesStringLengthsOutsideFile();

private:
    QString store(const QByteArray &bytes);

    QTemporaryDir m_dir;
    int m_stored = 0;
};

QString PackageLoadTest::store(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(u"package-%1.zcpack"_s.arg(++m_stored));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void PackageLoadTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void PackageLoadTest::loadsExamplePackage()
{
    const PackageWriter writer = exampleWriter();
    QCOMPARE(ExampleBytes.size(), 80);
    QCOMPARE(writer.build(), ExampleBytes);

    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(ExampleBytes)), 0);
    QCOMPARE(platform.events, QStringList{u"log:Package Version: 1.3.0"_s});
    QVERIFY(package.pkgLoaded());
    QCOMPARE(package.pkgTitle(), u"Loop"_s);
    QCOMPARE(package.pkgAuthor(), QString());
    QCOMPARE(package.pkgComments(), QString());
    QVERIFY(!package.pkgAuthor().isNull());
    QVERIFY(!package.pkgComments().isNull());
    QCOMPARE(package.pkgFileVerMaj(), qint8(1));
    QCOMPARE(package.pkgFileVerMin(), qint8(3));
    QCOMPARE(package.pkgFileVerRev(), qint8(0));
    QCOMPARE(package.pkgHeaderOffset(), 0);
    QCOMPARE(package.trkInfoHeaderOffset(), 52);
    QCOMPARE(package.baseOffset(), 59);
    QCOMPARE(package.numFilesInPkg(), 1);
    QCOMPARE(package.pkgFilesCount(), 1u);
    QCOMPARE(package.pkgFileData(), ExampleBytes);
    QVERIFY(package.absoluteInstallPath().isEmpty());
    QVERIFY(package.absoluteTrackFilePath().isEmpty());

    const ZLibCompFileMetaData &entry = package.compFileMetaData().at(0);
    QCOMPARE(entry.relPath(), QString());
    QCOMPARE(entry.filename(), u"data"_s);
    QCOMPARE(entry.relFilePath(), u"data"_s);
    QCOMPARE(entry.baseRelOffset(), 0);
    QCOMPARE(entry.unCompSize(), 5);
    QCOMPARE(entry.compSize(), 13);
    QCOMPARE(package.pkgFileData().mid(59, 13), HelloStream);
}

void PackageLoadTest::loadsSelfExtractingFile_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("one byte") << QByteArray(1, 'M');
    // A program in front that happens to hold the tags and a footer-like tail of its own.
    QByteArray program(4096, '\0');
    program.replace(0, 2, "MZ");
    program.replace(100, 4, "ZCSE");
    program.replace(200, 4, "ZCTI");
    program.replace(4088, 8, QByteArray::fromHex("6400000064000000"));
    QTest::newRow("program with tags inside") << program;
}

void PackageLoadTest::loadsSelfExtractingFile()
{
    QFETCH(QByteArray, prefix);
    const qint32 n = qint32(prefix.size());
    PackageWriter writer = exampleWriter();
    writer.setPrefix(prefix);
    // Exactly the example behind the prefix, with P, T and B raised by its length.
    QByteArray expected = prefix + ExampleBytes;
    expected = withLong(expected, n + 4, 59 + n);
    expected = withLong(expected, n + 72, n);
    expected = withLong(expected, n + 76, 52 + n);
    QCOMPARE(writer.build(), expected);

    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(expected)), 0);
    QCOMPARE(package.pkgHeaderOffset(), n);
    QCOMPARE(package.trkInfoHeaderOffset(), 52 + n);
    QCOMPARE(package.baseOffset(), 59 + n);
    QCOMPARE(package.pkgTitle(), u"Loop"_s);
    QCOMPARE(package.pkgFilesCount(), 1u);
    const ZLibCompFileMetaData &entry = package.compFileMetaData().at(0);
    QCOMPARE(entry.baseRelOffset(), 0);
    QCOMPARE(package.pkgFileData().mid(package.baseOffset() + entry.baseRelOffset(), entry.compSize()),
             HelloStream);
}

void PackageLoadTest::refusesWhatCannotBeRead_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::newRow("missing") << m_dir.filePath(u"no-such.zcpack"_s) << -3;
    QTest::newRow("missing parent") << m_dir.filePath(u"nowhere/x.zcpack"_s) << -3;
    QTest::newRow("empty") << store(QByteArray()) << -3;
    QVERIFY(QDir(m_dir.path()).mkpath(u"folder.zcpack"_s));
    QTest::newRow("folder") << m_dir.filePath(u"folder.zcpack"_s) << -3;
    // Reading these would block for ever (nobody writes to the pipe) or never end.
    const QString fifo = m_dir.filePath(u"pipe.zcpack"_s);
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 || QFile::exists(fifo));
    QTest::newRow("named pipe") << fifo << -3;
    QTest::newRow("endless device") << u"/dev/zero"_s << -3;
    // A terabyte of holes: far more than this machine's memory, and costing no disk.
    const QString huge = store(QByteArray());
    QVERIFY(QFile::resize(huge, qint64(1) << 40));
    QTest::newRow("larger than memory") << huge << -5;
}

void PackageLoadTest::refusesWhatCannotBeRead()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(path), code);
    QVERIFY(!package.pkgLoaded());
    QVERIFY(platform.events.isEmpty());
}

void PackageLoadTest::judgesVersionBeforeTags_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<bool>("goodTags");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("logLine");

    const bool good = true;
    QTest::newRow("1.3.0") << 1 << 3 << 0 << good << 0 << "Package Version: 1.3.0";
    QTest::newRow("1.5.0") << 1 << 5 << 0 << good << 0 << "Package Version: 1.5.0";
    QTest::newRow("1.5.9") << 1 << 5 << 9 << good << 0 << "Package Version: 1.5.9";
    QTest::newRow("revision 255") << 1 << 3 << 255 << good << 0 << "Package Version: 1.3.-1";
    QTest::newRow("1.4.0") << 1 << 4 << 0 << good << -4 << "Package Version: 1.4.0";
    QTest::newRow("2.3.0") << 2 << 3 << 0 << good << -4 << "Package Version: 2.3.0";
    QTest::newRow("0.3.0") << 0 << 3 << 0 << good << -4 << "Package Version: 0.3.0";
    QTest::newRow("major 255") << 255 << 3 << 0 << good << -4 << "Package Version: -1.3.0";
    QTest::newRow("minor 255") << 1 << 255 << 0 << good << -4 << "Package Version: 1.-1.0";
    QTest::newRow("1.4.0, bad tags") << 1 << 4 << 0 << !good << -4 << "Package Version: 1.4.0";
    QTest::newRow("1.3.0, bad tags") << 1 << 3 << 0 << !good << -1 << "Package Version: 1.3.0";
}

void PackageLoadTest::judgesVersionBeforeTags()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(bool, goodTags);
    QFETCH(int, code);
    QFETCH(QString, logLine);

    PackageWriter writer = exampleWriter();
    writer.setVersion(qint8(major), qint8(minor), qint8(revision));
    if (!goodTags)
        writer.setTags("XXXX", "YYYY");
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(writer.build())), code);
    QCOMPARE(platform.logLines, QStringList{logLine});
    QCOMPARE(package.pkgLoaded(), code == 0);
    QCOMPARE(package.pkgFileVerRev(), qint8(revision));
}

void PackageLoadTest::refusesTagsAndCounts_data()
{
    QTest::addColumn<QByteArray>("trackInfoTag");
    QTest::addColumn<QByteArray>("packageTag");
    QTest::addColumn<bool>("overrideCount");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<int>("code");
    QTest::addColumn<uint>("entriesRead");

    QTest::newRow("track-info tag lower case") << QByteArray("zcti") << QByteArray("ZCSE") << false << 0 << -1 << 0u;
    QTest::newRow("track-info tag one letter") << QByteArray("ZCTi") << QByteArray("ZCSE") << false << 0 << -1 << 0u;
    QTest::newRow("package tag one letter") << QByteArray("ZCTI") << QByteArray("ZCSe") << false << 0 << -1 << 0u;
    QTest::newRow("package tag lower case") << QByteArray("ZCTI") << QByteArray("zcse") << false << 0 << -1 << 0u;
    QTest::newRow("tag above 127") << QByteArray("ZCT\xc9") << QByteArray("ZCSE") << false << 0 << -1 << 0u;
    QTest::newRow("count 0") << QByteArray("ZCTI") << QByteArray("ZCSE") << true << 0 << -1 << 0u;
    QTest::newRow("count -1") << QByteArray("ZCTI") << QByteArray("ZCSE") << true << -1 << -1 << 0u;
    QTest::newRow("count INT32_MIN") << QByteArray("ZCTI") << QByteArray("ZCSE") << true
                                     << std::numeric_limits<qint32>::min() << -1 << 0u;
    QTest::newRow("count 2, one entry") << QByteArray("ZCTI") << QByteArray("ZCSE") << true << 2 << -2 << 1u;
    // Must stop where the file runs out instead of making room for two billion entries.
    QTest::newRow("count INT32_MAX") << QByteArray("ZCTI") << QByteArray("ZCSE") << true
                                     << std::numeric_limits<qint32>::max() << -2 << 1u;
}

void PackageLoadTest::refusesTagsAndCounts()
{
    QFETCH(QByteArray, trackInfoTag);
    QFETCH(QByteArray, packageTag);
    QFETCH(bool, overrideCount);
    QFETCH(int, fileCount);
    QFETCH(int, code);
    QFETCH(uint, entriesRead);

    PackageWriter writer = exampleWriter();
    writer.setTags(trackInfoTag, packageTag);
    if (overrideCount)
        writer.setFileCount(fileCount);
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(writer.build())), code);
    QVERIFY(!package.pkgLoaded());
    QCOMPARE(package.pkgFilesCount(), entriesRead);
}

void PackageLoadTest::hugeFileCountAllocatesNothingAhead()
{
    // Room for fifty million entries, claimed by an 80-byte file, is far more than the
    // address space this child may use.
    const QString path = store(exampleWriter().setFileCount(50000000).build());
    const rlim_t inUse = addressSpaceInUse();
    QVERIFY(inUse > 0);

    RecordingPlatform platform;
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const struct rlimit limit = {inUse + (512 << 20), inUse + (512 << 20)};
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(2);
        int refused = 3; // the child must end here, whatever is thrown
        try {
            TrackPackage package;
            refused = package.loadPackageFileAtPath(path) == -2 && package.pkgFilesCount() == 1 ? 0 : 1;
        } catch (...) {
        }
        _exit(refused);
    }
    int result = 0;
    QCOMPARE(waitpid(child, &result, 0), child);
    QVERIFY(WIFEXITED(result));
    QCOMPARE(WEXITSTATUS(result), 0);
}

void PackageLoadTest::joinsRelativePaths_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("relPath");
    QTest::addColumn<QString>("relFilePath");

    QTest::newRow("backslash folder") << QByteArray("Tracks\\") << QByteArray("loop.zctrack")
                                      << "Tracks/" << "Tracks/loop.zctrack";
    QTest::newRow("empty folder") << QByteArray() << QByteArray("loop.zctrack") << ""
                                  << "loop.zctrack";
    QTest::newRow("no separator") << QByteArray("Tracks") << QByteArray("loop.zctrack") << "Tracks"
                                  << "Tracksloop.zctrack";
    QTest::newRow("two levels") << QByteArray("Levels\\Night\\") << QByteArray("a.zct")
                                << "Levels/Night/" << "Levels/Night/a.zct";
    QTest::newRow("mixed separators") << QByteArray("a/b\\c\\") << QByteArray("x") << "a/b/c/"
                                      << "a/b/c/x";
    QTest::newRow("backslash in name kept") << QByteArray("T\\") << QByteArray("x\\y") << "T/"
                                            << "T/x\\y";
}

void PackageLoadTest::joinsRelativePaths()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, name);
    QFETCH(QString, relPath);
    QFETCH(QString, relFilePath);

    PackageWriter writer;
    writer.addFile(folder, name, "content");
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(writer.build())), 0);
    const ZLibCompFileMetaData &entry = package.compFileMetaData().at(0);
    QCOMPARE(entry.relPath(), relPath);
    QCOMPARE(entry.filename(), QString::fromLatin1(name));
    QCOMPARE(entry.relFilePath(), relFilePath);
}

void PackageLoadTest::keepsBytesAbove127()
{
    PackageWriter writer;
    writer.setTitle("Caf\xe9").setAuthor("\xff\x80").setComments("na\xefve\r\n");
    writer.addFile("Pi\xf1" "ata\\", "\xe9t\xe9.zct", "x");
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(writer.build())), 0);
    QCOMPARE(package.pkgTitle(), u"Caf\u00e9"_s);
    QCOMPARE(package.pkgAuthor(), u"\u00ff\u0080"_s);
    QCOMPARE(package.pkgComments(), u"na\u00efve\r\n"_s);
    QCOMPARE(package.compFileMetaData().at(0).relFilePath(), u"Pi\u00f1ata/\u00e9t\u00e9.zct"_s);
}

void PackageLoadTest::secondLoadReplacesEntries()
{
    PackageWriter three;
    three.setTitle("Three").addFile("Tracks\\", "c.zctrack", "c").addFile("", "a", "a").addFile("Sky\\", "b", "b");
    PackageWriter one;
    one.setTitle("One").setAuthor("Bo").addFile("Tracks\\", "z.zctrack", "zz");

    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(three.build())), 0);
    QStringList paths;
    for (const ZLibCompFileMetaData &entry : package.compFileMetaData())
        paths.append(entry.relFilePath());
    QCOMPARE(paths, (QStringList{u"Tracks/c.zctrack"_s, u"a"_s, u"Sky/b"_s})); // file order
    QCOMPARE(package.loadPackageFileAtPath(store(one.build())), 0);
    QCOMPARE(package.pkgFilesCount(), 1u);
    QCOMPARE(package.compFileMetaData().at(0).relFilePath(), u"Tracks/z.zctrack"_s);
    QCOMPARE(package.pkgTitle(), u"One"_s);
    QCOMPARE(package.pkgAuthor(), u"Bo"_s);

    // A failed load afterwards never takes back the earlier success.
    QCOMPARE(package.loadPackageFileAtPath(m_dir.filePath(u"gone.zcpack"_s)), -3);
    QVERIFY(package.pkgLoaded());
    QCOMPARE(package.loadPackageFileAtPath(store(QByteArray(40, 'x'))), -1);
    QVERIFY(package.pkgLoaded());
}

void PackageLoadTest::readsLittleEndianLongs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");

    QTest::newRow("one") << QByteArray::fromHex("01000000") << 0 << 1;
    QTest::newRow("most negative") << QByteArray::fromHex("00000080") << 0
                                   << std::numeric_limits<qint32>::min();
    QTest::newRow("minus one") << QByteArray::fromHex("ffffffff") << 0 << -1;
    QTest::newRow("byte order") << QByteArray::fromHex("78563412") << 0 << 0x12345678;
    QTest::newRow("at offset") << QByteArray::fromHex("ee01020000") << 1 << 0x201;
    QTest::newRow("last four bytes") << QByteArray::fromHex("ee000000ff7f") << 2 << 0x7fff0000;
    QTest::newRow("one byte short") << QByteArray::fromHex("010000") << 0 << 0;
    QTest::newRow("runs past end") << QByteArray::fromHex("01000000") << 1 << 0;
    QTest::newRow("negative offset") << QByteArray::fromHex("0100000002000000") << -1 << 0;
    QTest::newRow("far negative") << QByteArray::fromHex("01000000") << std::numeric_limits<qint32>::min() << 0;
    QTest::newRow("far past end") << QByteArray::fromHex("01000000") << std::numeric_limits<qint32>::max() << 0;
    QTest::newRow("empty") << QByteArray() << 0 << 0;
}

void PackageLoadTest::readsLittleEndianLongs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    QFETCH(int, value);
    QCOMPARE(TrackPackage::longFromLittleEndianData(bytes, offset), value);
}

void PackageLoadTest::readsSignedBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");

    QTest::newRow("255 is -1") << QByteArray::fromHex("ff") << 0 << -1;
    QTest::newRow("127") << QByteArray::fromHex("7f") << 0 << 127;
    QTest::newRow("128 is -128") << QByteArray::fromHex("0080") << 1 << -128;
    QTest::newRow("past end") << QByteArray::fromHex("05") << 1 << 0;
    QTest::newRow("negative offset") << QByteArray::fromHex("05") << -1 << 0;
}

void PackageLoadTest::readsSignedBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    QFETCH(int, value);
    QCOMPARE(int(TrackPackage::charFromOneByteData(bytes, offset)), value);
}

void PackageLoadTest::survivesTruncationAtEveryLength_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("example") << ExampleBytes;
    PackageWriter rich;
    rich.setPrefix("MZ\x90").setTitle("Night Ride").setAuthor("Ann").setComments("Two laps.\n");
    rich.addFile("Tracks\\", "night.zctrack", QByteArray(300, 'n')).addFile("Scenery\\Sky\\", "sky", "blue");
    QTest::newRow("three strings, two entries, prefix") << rich.build();
}

void PackageLoadTest::survivesTruncationAtEveryLength()
{
    QFETCH(QByteArray, bytes);
    RecordingPlatform platform;
    TrackPackage package;
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        const int code = package.loadPackageFileAtPath(store(bytes.left(length)));
        if (length == 0)
            QCOMPARE(code, -3);
        else if (length < 8)
            QCOMPARE(code, -1);
        else if (code == 0)
            QFAIL(qPrintable(u"a file cut to %1 bytes loaded"_s.arg(length)));
    }
    QVERIFY(!package.pkgLoaded());
    // Nothing of the refused files lingers: the whole file still loads into the same object.
    QCOMPARE(package.loadPackageFileAtPath(store(bytes)), 0);
}

void PackageLoadTest::refusesFooterOffsetsOutsideFile_data()
{
    QTest::addColumn<int>("footerOffset"); // 72: package header P, 76: track-info header T
    QTest::addColumn<int>("value");

    const int P = 72, T = 76;
    QTest::newRow("T -1") << T << -1;
    QTest::newRow("T most negative") << T << std::numeric_limits<qint32>::min();
    QTest::newRow("T at the end") << T << 80;
    QTest::newRow("T version bytes past end") << T << 74;
    QTest::newRow("T largest") << T << std::numeric_limits<qint32>::max();
    QTest::newRow("P -1") << P << -1;
    QTest::newRow("P -4") << P << -4;
    QTest::newRow("P at the end") << P << 80;
    QTest::newRow("P count past end") << P << 70;
    QTest::newRow("P largest") << P << std::numeric_limits<qint32>::max();
}

void PackageLoadTest::refusesFooterOffsetsOutsideFile()
{
    QFETCH(int, footerOffset);
    QFETCH(int, value);
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(withLong(ExampleBytes, footerOffset, value))), -1);
    QVERIFY(!package.pkgLoaded());
}

void PackageLoadTest::refusesStringLengthsOutsideFile_data()
{
    QTest::addColumn<int>("lengthOffset");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code");

    const int title = 12, author = 20, comments = 24, folder = 28, name = 32;
    const qint32 largest = std::numeric_limits<qint32>::max();
    const qint32 smallest = std::numeric_limits<qint32>::min();
    QTest::newRow("title -1") << title << -1 << -1;
    QTest::newRow("title one past end") << title << 65 << -1;
    QTest::newRow("title largest") << title << largest << -1;
    QTest::newRow("author -4") << author << -4 << -1;
    QTest::newRow("author largest") << author << largest << -1;
    QTest::newRow("comments most negative") << comments << smallest << -1;
    QTest::newRow("comments past end") << comments << 53 << -1;
    // The entry list runs out before the count is reached.
    QTest::newRow("folder -1") << folder << -1 << -2;
    QTest::newRow("folder largest") << folder << largest << -2;
    QTest::newRow("name past end") << name << 1000 << -2;
    QTest::newRow("name most negative") << name << smallest << -2;
}

void PackageLoadTest::refusesStringLengthsOutsideFile()
{
    QFETCH(int, lengthOffset);
    QFETCH(int, value);
    QFETCH(int, code);
    RecordingPlatform platform;
    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(store(withLong(ExampleBytes, lengthOffset, value))), code);
    QVERIFY(!package.pkgLoaded());
    QCOMPARE(package.pkgFilesCount(), 0u);
}

QTEST_GUILESS_MAIN(PackageLoadTest)
#include "tst_package_load.moc"
