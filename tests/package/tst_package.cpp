// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Loading and installing track packages from real files in temporary folders: every load
// result with what the package then holds, and every install result with the tree it leaves.
#include "KernelProfile.h"
#include "PackageCheck.h"
#include "PackageWriter.h"
#include "RecordingPlatform.h"
#include "TestFiles.h"
#include "package/EntryInflater.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"

#include <QDir>
#include <QQueue>
#include <QRegularExpression>
#include <QTest>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using TestFiles::fileLine;
using TestFiles::L;
using Entry = PackageWriter::Entry;
using Entries = QList<Entry>;

namespace {

// A load row: `before` is loaded into the same package first; an empty `path` is a file holding
// `bytes` (else `bytes`, when any, are written at `path`); in `log`, @ is the table's folder;
// `fields`, some of the lines load() lists, in its order.
struct LoadRow
{
    QByteArray before, bytes;
    QString path, log;
    int code, entries;
    QStringList fields;
};

// An install row (its cells in CONTRIBUTING.md): `before`, tree lines, the install goes into
// "base"; `events`, questions, waits and log lines, @ the root; `after`, the whole tree. A line
// ending in " ?" may be missing.
struct InstallRow
{
    Entries entries;
    QStringList before;
    QString setup, answers;
    int code;
    QStringList events, after;
    QString trackFile;
};

// The smallest useful package, written by hand rather than by the writer: one file "data"
// holding "hello", titled "Loop", version 1.3.0.
const QByteArray ExampleBytes = "ZCSE" + QByteArray::fromHex("3b000000 01000000 04000000") + "Loop" // B, N, title
                                + QByteArray::fromHex("00000000 00000000 00000000 04000000")
                                + "data"                                            // author, comments, folder, name
                                + QByteArray::fromHex("00000000 05000000 0d000000") // data offset, sizes
                                + "ZCTI" + QByteArray::fromHex("010300 789ccb48cdc9c90700062c0215") // version, the data
                                + QByteArray::fromHex("00000000 34000000"); // footer: P = 0, T = 52

PackageWriter example()
{
    return std::move(PackageWriter().setTitle("Loop").addFile("", "data", "hello"));
}

QByteArray withLong(QByteArray bytes, qint64 offset, qint32 value)
{
    QByteArray encoded;
    PackageWriter::appendLong(encoded, value);
    return bytes.replace(offset, 4, encoded);
}

Entry file(const QByteArray &folder, const QByteArray &name, const QByteArray &content,
           std::optional<qint32> unCompSize = {}, std::optional<qint32> dataOffset = {},
           std::optional<qint32> compSize = {})
{
    return Entry{folder, name, content, std::nullopt, dataOffset, unCompSize, compSize};
}

// The tree that installing `entries` leaves in "base" when nothing else was there.
QStringList packed(const Entries &entries)
{
    QStringList lines{u"base/"_s};
    for (const Entry &e : entries) {
        const QString path = u"base/"_s + QString::fromLatin1(e.folder).replace(u'\\', u'/')
                             + QString::fromLatin1(e.name);
        for (qsizetype at = path.indexOf(u'/', 5); at >= 0; at = path.indexOf(u'/', at + 1))
            lines << path.left(at + 1);
        QByteArray content = e.content;
        content.resize(e.unCompSize.value_or(content.size()), '\0');
        lines << fileLine(path, content);
    }
    return lines;
}

// The platform's question about one file, as the install table records it.
QStringList platformAsks(const QString &relFilePath)
{
    return {u"beep"_s, RecordingPlatform::describe(InstallText::overwriteAlert(relFilePath))};
}

QList<void *> stopHandlers()
{
    QList<void *> handlers;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction action;
        ::sigaction(signal, nullptr, &action);
        handlers << reinterpret_cast<void *>(action.sa_handler);
    }
    return handlers;
}

} // namespace

Q_DECLARE_METATYPE(LoadRow)
Q_DECLARE_METATYPE(InstallRow)

class TestPackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void load_data();
    void load();
    void byteReaders_data();
    void byteReaders();
    void inflate_data();
    void inflate();
    void install_data();
    void install();

private:
    QString store(const QByteArray &bytes);

    TestFiles::Tree m_files;
    int m_stored = 0;
};

void TestPackage::initTestCase()
{
    ::umask(0); // the modes that tree lines take for granted
    QVERIFY(m_files.make(L("folder.zcpack/", "huge.zcpack=")));
    // Where the file system has neither (FAT, exFAT), the rows that load them are skipped.
    m_files.make(L("pipe.zcpack (fifo)"));
    // fusefat takes the size and keeps another.
    if (!QFile::resize(m_files.path(u"huge.zcpack"_s), qint64(1) << 40) // holes: no disk
        || QFileInfo(m_files.path(u"huge.zcpack"_s)).size() != qint64(1) << 40)
        QFile::remove(m_files.path(u"huge.zcpack"_s));
}

QString TestPackage::store(const QByteArray &bytes)
{
    const QString path = m_files.path(u"p%1.zcpack"_s.arg(++m_stored));
    return TestFiles::writeFile(path, bytes) ? path : QString();
}

void TestPackage::load_data()
{
    QTest::addColumn<LoadRow>("row");
    const auto row = [](const char *name, const QByteArray &bytes, int code, const QString &log, int entries,
                        const QStringList &fields = {}, const QString &path = {}, const QByteArray &before = {}) {
        QTest::newRow(name) << LoadRow{before, bytes, path, log, code, entries, fields};
    };
    const QString v130 = u"Package Version: 1.3.0"_s, none;
    row("example", ExampleBytes, 0, v130, 1,
        L("title=Loop", "author=", "comments=", "version=1.3.0", "P=0", "T=52", "B=59", "entry=|data|0|5|13"));
    QByteArray program(4096, 'M'); // a program in front, with tags and a footer of its own
    program.replace(100, 4, "ZCSE").replace(200, 4, "ZCTI").replace(4088, 8, QByteArray::fromHex("6400000064000000"));
    row("program in front", example().setPrefix(program).build(), 0, v130, 1, L("P=4096", "T=4148", "B=4155"));

    row("name not in UTF-8", ExampleBytes, 0, v130, 1, L("title=Loop"),
        m_files.path(FileName::decode("caf\xe9.zcpack")));
    row("missing", {}, -3, none, 0, {}, m_files.path(u"gone.zcpack"_s));
    row("empty", {}, -3, none, 0);
    row("folder", {}, -3, none, 0, {}, m_files.path(u"folder.zcpack"_s));
    row("named pipe", {}, -3, none, 0, {}, m_files.path(u"pipe.zcpack"_s));
    // Mapped, not read: only its last page is touched.
    row("larger than memory", {}, -4, u"Package Version: 0.0.0"_s, 0, {}, m_files.path(u"huge.zcpack"_s));
    row("seven bytes", QByteArray("ZCSE\1\0\0", 7), -1, none, 0);

    row("version 1.5.0", example().setVersion(1, 5, 0).build(), 0, u"Package Version: 1.5.0"_s, 1);
    row("revision 255", example().setVersion(1, 3, -1).build(), 0, u"Package Version: 1.3.-1"_s, 1,
        L("version=1.3.-1"));
    row("version 1.4.0", example().setVersion(1, 4, 0).build(), -4, u"Package Version: 1.4.0"_s, 0);
    row("version 2.3.0", example().setVersion(2, 3, 0).build(), -4, u"Package Version: 2.3.0"_s, 0);
    row("version 0.3.0", example().setVersion(0, 3, 0).build(), -4, u"Package Version: 0.3.0"_s, 0);
    row("version before tags", example().setVersion(1, 4, 0).setTags("XXXX", "YYYY").build(), -4,
        u"Package Version: 1.4.0"_s, 0);
    row("track-info tag case", example().setTags("ZCTi", "ZCSE").build(), -1, v130, 0);
    row("package tag case", example().setTags("ZCTI", "ZCSe").build(), -1, v130, 0);

    row("count 0", example().setFileCount(0).build(), -1, v130, 0);
    row("count -1", example().setFileCount(-1).build(), -1, v130, 0);
    // Room for fifty million entries claimed by 80 bytes: load() bounds the memory it keeps, and
    // reports the entries it found against the count.
    row("count 50 million", example().setFileCount(50000000).build(), -2, v130, 1);

    row("T negative", withLong(ExampleBytes, 76, -1), -1, none, 0);
    row("T's version past the end", withLong(ExampleBytes, 76, 74), -1, none, 0);
    row("P negative", withLong(ExampleBytes, 72, -4), -1, v130, 0);
    row("P's count past the end", withLong(ExampleBytes, 72, 70), -1, v130, 0);
    row("title one past the end", withLong(ExampleBytes, 12, 65), -1, v130, 0);
    row("author negative", withLong(ExampleBytes, 20, -4), -1, v130, 0);
    row("comments most negative", withLong(ExampleBytes, 24, INT_MIN), -1, v130, 0);
    row("entry folder past the end", withLong(ExampleBytes, 28, INT_MAX), -2, v130, 0);
    row("entry name negative", withLong(ExampleBytes, 32, -1), -2, v130, 0);

    PackageWriter paths;
    paths.addFile("Tracks\\", "loop.zctrack", "1").addFile("", "a", "2").addFile("Tracks", "b", "3");
    paths.addFile("Levels\\Night\\", "x\\y", "4").addFile("a/b\\c\\", "x", "5");
    row("paths, in file order", paths.build(), 0, v130, 5,
        L("path=Tracks/loop.zctrack", "path=a", "path=Tracksb", "path=Levels/Night/x\\y", "path=a/b/c/x"));
    PackageWriter latin1;
    latin1.setTitle("Caf\xe9")
        .setAuthor("\xff\x80")
        .setComments("na\xefve\r\n")
        .addFile("Pi\xf1"
                 "ata\\",
                 "\xe9t\xe9", "x");
    row("bytes above 127", latin1.build(), 0, v130, 1,
        L("title=Café", "author=\u00ff\u0080", "comments=naïve\r\n", "path=Piñata/été"));
    PackageWriter three, one;
    three.addFile("Tracks\\", "c.zctrack", "c").addFile("", "a", "a").addFile("Sky\\", "b", "b");
    one.setTitle("One").setAuthor("Bo").addFile("Tracks\\", "z.zctrack", "zz");
    row("second load replaces entries", one.build(), 0, v130, 1, L("title=One", "author=Bo", "path=Tracks/z.zctrack"),
        {}, three.build());
    row("failed load after a good one", {}, -3, none, 1, L("title=Loop"), m_files.path(u"gone.zcpack"_s), ExampleBytes);
}

void TestPackage::load()
{
    QFETCH(LoadRow, row);
    auto &[before, bytes, path, log, code, entries, fields] = row;

    if ((path.endsWith(u"pipe.zcpack"_s) || path.endsWith(u"huge.zcpack"_s)) && !QFileInfo::exists(path))
        QSKIP("this file system has no named pipes or no 1 TiB files with holes");
    if (TestFiles::holdsBytesNotUtf8(path) && !TestFiles::takesAnyName(m_files.path()))
        QSKIP("this file system takes only names in UTF-8");
    RecordingPlatform platform;
    TrackPackage package;
    QVERIFY(before.isEmpty() || package.loadPackageFileAtPath(store(before)) == LoadResult::Loaded);
    platform.events.clear();
    if (path.isEmpty())
        path = store(bytes);
    else if (!bytes.isEmpty())
        QVERIFY(TestFiles::writeFile(path, bytes));
    const auto inUse = [] { return qint64(::mallinfo2().uordblks + ::mallinfo2().hblkhd); };
    const qint64 memoryBefore = inUse();
    QCOMPARE(number(package.loadPackageFileAtPath(path)), code);
    const qint64 kept = inUse() - memoryBefore;
    QVERIFY2(kept < (1 << 20) + 8 * bytes.size(), qPrintable(u"%1 bytes kept"_s.arg(kept)));
    QCOMPARE(platform.events,
             log.isEmpty() ? QStringList() : QStringList{u"log:"_s + log.replace(u'@', m_files.path())});
    QCOMPARE(package.pkgLoaded(), code == 0 || !before.isEmpty()); // never taken back
    QCOMPARE(int(package.pkgFilesCount()), entries);

    const auto text = [](const QString &s) { return s.isNull() ? u"(none)"_s : s; };
    const PackageContents &read = package.contents();
    QStringList listed{u"title="_s + text(package.pkgTitle()),
                       u"author="_s + text(package.pkgAuthor()),
                       u"comments="_s + text(package.pkgComments()),
                       u"version=%1.%2.%3"_s.arg(read.pkgFileVerMaj).arg(read.pkgFileVerMin).arg(read.pkgFileVerRev),
                       u"P=%1"_s.arg(read.pkgHeaderOffset),
                       u"T=%1"_s.arg(read.trkInfoHeaderOffset),
                       u"B=%1"_s.arg(read.baseOffset)};
    for (const ZLibCompFileMetaData &e : read.compFileMetaData)
        listed << u"entry=%1|%2|%3|%4|%5"_s.arg(e.relPath(), e.filename())
                      .arg(e.baseRelOffset())
                      .arg(e.unCompSize())
                      .arg(e.compSize())
               << u"path="_s + e.relFilePath();
    const QRegularExpression value(u"=.*"_s, QRegularExpression::DotMatchesEverythingOption);
    const QStringList keys = QStringList(fields).replaceInStrings(value, QString());
    QCOMPARE(listed.filter(QRegularExpression(u"^(%1)="_s.arg(keys.join(u'|')))), fields);
}

void TestPackage::byteReaders_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("longValue");
    QTest::addColumn<int>("charValue");

    QTest::newRow("most negative") << QByteArray::fromHex("00000080") << 0 << INT_MIN << 0;
    QTest::newRow("minus one") << QByteArray::fromHex("ffffffff") << 0 << -1 << -1;
    QTest::newRow("one byte short") << QByteArray::fromHex("010000") << 0 << 0 << 1;
    QTest::newRow("negative offset") << QByteArray::fromHex("0100000002") << -1 << 0 << 0;
    QTest::newRow("largest offset") << QByteArray::fromHex("01000000") << INT_MAX << 0 << 0;
}

void TestPackage::byteReaders()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    QFETCH(int, longValue);
    QFETCH(int, charValue);
    QCOMPARE(TrackPackage::longFromLittleEndianData(bytes, offset), longValue);
    QCOMPARE(int(TrackPackage::charFromOneByteData(bytes, offset)), charValue);
}

void TestPackage::inflate_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("unCompSize");
    QTest::addColumn<QByteArray>("inflated"); // null: fails

    const QByteArray hello = PackageWriter::compress("hello");
    QTest::newRow("bytes after the stream's end") << hello + "more" << 5 << QByteArray("hello");
    QTest::newRow("stored blocks") << PackageWriter::compress(QByteArray(70000, 's'), 0) << 70000
                                   << QByteArray(70000, 's');
    QTest::newRow("header check") << QByteArray(hello).replace(1, 1, "\x9d") << 5 << QByteArray();
    QTest::newRow("preset dictionary") << QByteArray::fromHex("78bb 00000001") + hello.mid(2) << 5 << QByteArray();
    QTest::newRow("window above 32 KiB") << QByteArray::fromHex("881c") + hello.mid(2) << 5 << QByteArray();
    QTest::newRow("nothing stored") << QByteArray() << 0 << QByteArray();
    // zlib refuses this one (EntryInflater.h): a literal, then length symbol 286 read as 285.
    QTest::newRow("length symbol 286") << QByteArray::fromHex("789c4b1c0300d9a86224") << 259 << QByteArray(259, 'a');
}

void TestPackage::inflate()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, unCompSize);
    QFETCH(QByteArray, inflated);
    QByteArray out(EntryInflater::outputBufferCapacity(unCompSize), 'x');
    const bool ok = EntryInflater().inflate(stored.constData(), stored.size(), unCompSize, out.data());
    QCOMPARE(ok, !inflated.isNull());
    QCOMPARE(out.left(ok ? unCompSize : 0), inflated);
    QCOMPARE(inflationDifference(stored, unCompSize), QString());
}

void TestPackage::install_data()
{
    QTest::addColumn<InstallRow>("row");
    const auto row = [](const char *name, const Entries &entries, const QStringList &before, const QString &setup,
                        const QString &answers, int code, const QStringList &events, const QStringList &after,
                        const QString &trackFile = {}) {
        QTest::newRow(name) << InstallRow{entries, before, setup, answers, code, events, after, trackFile};
    };
    const QString ask, off = u"-"_s, plain;
    const QStringList none, base = L("base/");

    const Entries data{file("", "data", "hello")};
    const Entries abcd{file("", "a", "new a"), file("", "b", "new b"), file("", "c", "new c"), file("", "d", "new d")};
    const QStringList oldAbcd = L("base/", "base/a=old", "base/b=old", "base/c=old", "base/d=old");
    row("platform: other value, No, Yes To All", abcd, oldAbcd, plain, u"?NA"_s, 0,
        platformAsks(u"a"_s) + platformAsks(u"b"_s) + platformAsks(u"c"_s),
        L("base/", "base/a=new a", "base/b=old", "base/c=new c", "base/d=new d"));
    row("query: Replace, Keep, ReplaceAll", abcd + Entries{file("", "e", "new e")},
        L("base/a=old", "base/c=old", "base/d=old", "base/e=old"), plain, u"yna"_s, 0, L("ask:a", "ask:c", "ask:d"),
        L("base/", "base/a=new a", "base/b=new b", "base/c=old", "base/d=new d", "base/e=new e"));
    row("Yes To All lasts one call", abcd.mid(0, 2), oldAbcd.mid(0, 3), u"again=base"_s, u"a"_s, 0,
        L("ask:a", "ask:a", "ask:b"), packed(abcd.mid(0, 2)));
    const Entries ride{file("Tracks\\", "Ride.ZCTRACK", "track"), file("", "readme", "r")};
    row("kept track file", ride, L("base/Tracks/Ride.ZCTRACK=mine"), plain, u"n"_s, 0, L("ask:Tracks/Ride.ZCTRACK"),
        L("base/", "base/Tracks/", "base/Tracks/Ride.ZCTRACK=mine", "base/readme=r"), u"@/base/Tracks/Ride.ZCTRACK"_s);

    const Entries marks{file("T\\", "first.zctrack", "1"), file("T\\", "second.zct", "2"),
                        file("", "readme", "r"),           file("", "ridezct", "x"),
                        file("", "ride.zctrack.bak", "x"), file("a.zct\\", "data", "x")};
    row("the last marked entry", marks, none, plain, ask, 0, none, packed(marks), u"@/base/T/second.zct"_s);
    const Entries track{file("Tracks\\", "x.zctrack", "x")};
    row("track file kept through a failed call", track, L("plain=x"), u"again=plain"_s, ask, -3,
        L("log:Install into @/plain failed: cannot use folder '@/plain': Not a directory"),
        packed(track) << u"plain=x"_s, u"@/base/Tracks/x.zctrack"_s);

    const Entries sizes{file("", "first", QByteArray(1000, 'X')), file("", "padded", "ab", 50),
                        file("", "cut", QByteArray(113, 'x'), 100),
                        file("", "rounded", QByteArray(262207, 'r'), 259599),
                        file("", "empty", QByteArray(12, 'x'), 0)};
    row("exactly unCompSize bytes", sizes, none, plain, ask, 0, none, packed(sizes));
    const Entries over{file("", "first", "1"), file("", "over", QByteArray(114, 'x'), 100), file("", "third", "3")};
    row("stream past its buffer", over, none, plain, ask, -1, none, packed(over.mid(0, 1)));
    const QByteArray stream = PackageWriter::compress("the second file");
    QByteArray badSum = stream;
    badSum[badSum.size() - 1] = char(badSum.back() ^ 0x55);
    for (const auto &[name, stored] :
         {std::pair{"stream cut short", stream.chopped(3)}, std::pair{"bad checksum", badSum}}) {
        Entries broken{file("", "first", "1"), file("", "second", "the second file"), file("", "third", "3")};
        broken[1].compressed = stored;
        row(name, broken, L("base/second=old"), plain, ask, -1, none, L("base/", "base/first=1", "base/second=old"));
    }

    row("missing base, with parents", track, none, u"to=a/b/c"_s, ask, 0, none,
        L("a/", "a/b/", "a/b/c/", "a/b/c/Tracks/", "a/b/c/Tracks/x.zctrack=x"), u"@/a/b/c/Tracks/x.zctrack"_s);
    row("final separator", track, none, u"to=base/"_s, ask, 0, none, packed(track), u"@/base//Tracks/x.zctrack"_s);
    const QString cafe = FileName::decode("caf\xe9"); // in Latin-1: no sibling named "caf\uFFFD" made instead
    row("base named in Latin-1", track, none, u"to="_s + cafe, ask, 0, none,
        {cafe + u'/', cafe + u"/Tracks/"_s, cafe + u"/Tracks/x.zctrack=x"_s}, u"@/"_s + cafe + u"/Tracks/x.zctrack"_s);
    row("chain of links", track, L("base/", "l1 -> base", "l2 -> l1"), u"to=l2"_s, ask, 0, none,
        packed(track) + L("l1 -> base", "l2 -> l1"), u"@/base/Tracks/x.zctrack"_s);
    row("base is a dangling link", track, L("base -> gone"), plain, ask, -3,
        L("log:Failed to create folder at @/base",
          "log:Install into @/base failed: cannot create folder '@/base' (mkdir): File exists"),
        L("base -> gone"));
    row("never loaded", {}, none, u"unloaded"_s, ask, -6, none, base);

    row("file where a folder goes", {file("", "first", "1"), file("Tracks\\Night\\", "x", "x")},
        L("base/Tracks=in the way"), plain, ask, -4,
        L("log:Failed to create folder at @/base/Tracks/Night/",
          "log:Install into @/base failed: cannot create folder 'Tracks' (mkdir): Not a directory"),
        L("base/", "base/Tracks=in the way", "base/first=1"));
    row("folder where a file goes", {file("T\\", "data", "x"), file("", "after", "a")}, L("base/T/data/"), plain, ask,
        -5, L("log:folder ovewrite rejected: @/base/T/data"), L("base/", "base/T/", "base/T/data/"));
    row("empty name, asking off", {file("", "", "x")}, none, plain, off, -5, L("log:folder ovewrite rejected: @/base/"),
        base);
    const QStringList outside = L("outside/", "outside/elsewhere/", "outside/fifo (fifo)", "outside/victim=victim");
    row("link to a folder at a file's path", track, outside + L("base/Tracks/x.zctrack -> ../../outside/elsewhere"),
        plain, off, -5, L("log:folder ovewrite rejected: @/base/Tracks/x.zctrack"),
        outside + L("base/", "base/Tracks/", "base/Tracks/x.zctrack -> ../../outside/elsewhere"));
    const Entries abc{file("Tracks\\", "a", "new a"), file("Tracks\\", "b", "new b"), file("Tracks\\", "c", "new c")};
    row("links at files' paths are replaced", abc,
        outside
            + L("base/Tracks/a -> ../../outside/victim", "base/Tracks/b -> ../../outside/nothing",
                "base/Tracks/c -> ../../outside/fifo"),
        plain, u"yna"_s, 0, L("ask:Tracks/a", "ask:Tracks/b", "ask:Tracks/c"),
        outside
            + L("base/", "base/Tracks/", "base/Tracks/a=new a", "base/Tracks/b -> ../../outside/nothing",
                "base/Tracks/c=new c"));
    row("foreign link to a folder", Entries{file("", "first", "1")} + track,
        outside + L("base/Tracks -> ../outside/elsewhere (uid 4242)"), plain, ask, -4,
        L("log:Refused link owned by another user: @/base/Tracks"),
        outside + L("base/", "base/Tracks -> ../outside/elsewhere (uid 4242)"));
    row("own link to a folder", track, outside + L("base/Tracks -> ../outside/elsewhere"), plain, ask, 0, none,
        outside + L("base/", "base/Tracks -> ../outside/elsewhere", "outside/elsewhere/x.zctrack=x"),
        u"@/base/Tracks/x.zctrack"_s);
    row("link of the folder's owner", {file("shared\\Tracks\\", "x.zctrack", "x")},
        outside + L("base/shared/ (uid 4242)", "base/shared/Tracks -> ../../outside/elsewhere (uid 4242)"), plain, ask,
        0, none,
        outside
            + L("base/", "base/shared/ (uid 4242)", "base/shared/Tracks -> ../../outside/elsewhere (uid 4242)",
                "outside/elsewhere/x.zctrack=x"),
        u"@/base/shared/Tracks/x.zctrack"_s);

    // Refused before anything is written, the valid first entry included.
    const auto refused = [&](const char *name, const Entry &hostile, int code, const QString &log) {
        row(name, {file("Tracks\\", "valid.zctrack", "valid"), hostile}, none, plain, ask, code,
            log.isEmpty() ? none : QStringList{u"log:"_s + log}, base);
    };
    const QString out = u"Refused path outside the install folder: "_s;
    refused("climbs out through the folder", file("Tracks\\..\\..\\", "evil", "x"), -4, out + "Tracks/../../evil"_L1);
    refused("climbs out inside the name", file("Tracks\\", "a/../../evil", "x"), -4, out + "Tracks/a/../../evil"_L1);
    refused("name is ..", file("Tracks\\", "..", "x"), -4, out + "Tracks/.."_L1);
    refused("NUL in the name", file("Tracks\\", QByteArray("a\0b.zctrack", 11), "x"), -4,
            u"Refused path with a NUL character: Tracks/a?b.zctrack"_s);
    refused(
        "the simulator's program", file("ZoomcrestSimulator.app\\Contents\\MacOS\\", "ZoomcrestSimulator", "#!"), -4,
        u"Refused entry in the simulator's program folder: ZoomcrestSimulator.app/Contents/MacOS/ZoomcrestSimulator"_s);
    refused("path too long", file("", QByteArray(5000, 'x'), "x"), -4,
            u"Refused path too long to create: "_s + QString(5000, u'x'));
    refused("a name longer than the file system takes", file("Tracks\\", QByteArray(256, 'n'), "x"), -4,
            u"Refused name too long to create: Tracks/"_s + QString(256, u'n'));
    refused("a folder name longer than the file system takes", file(QByteArray(252, 'f') + "\xe9\xe9\\", "x", "x"), -4,
            u"Refused name too long to create: "_s + QString(252, u'f') + u"\u00e9\u00e9/x"_s);
    refused("data before the file", file("", "hostile", "x", {}, -100000), -1, {});
    refused("data offset largest", file("", "hostile", "x", {}, INT_MAX), -1, {});
    refused("compressed size largest", file("", "hostile", "x", {}, {}, INT_MAX), -1, {});
    refused("uncompressed size negative", file("", "hostile", "x", -5), -1, {});
    const Entries app{file("ZoomcrestSimulator.app\\Contents\\", "MacOS.txt", "r"),
                      file("ZoomcrestSimulator.app\\Contents\\Resources\\", "MacOS", "r")};
    row("other files of the simulator", app, none, plain, ask, 0, none, packed(app));
    const Entries longest{file("", QByteArray(255, 'n'), "x")};
    row("a name as long as the file system takes", longest, none, plain, ask, 0, none, packed(longest));
    Entries deep;
    for (QByteArray folder; deep.size() < 1000;)
        deep << file(folder += "d\\", "f", QByteArray::number(deep.size()));
    row("a thousand folders deep", deep, none, plain, ask, 0, none, packed(deep));
    row("folders that may be searched and written but not read", track, L("base/Tracks/"), u"unreadable"_s, ask, 0,
        {u"log:Installing into @/base without a lock (Permission denied): another install into it could run at the "
         "same time ?"_s},
        packed(track), u"@/base/Tracks/x.zctrack"_s);

    row("replacement keeps the mode, not set-id", {file("", "run", "new")}, L("base/run=old (mode 4750)"), plain, off,
        0, none, L("base/", "base/run=new (mode 0750)"));
    const Entries big{file("Tracks\\", "big.zctrack", QByteArray(1 << 20, 'b'))};
    row("size limit, new file", big, none, u"fsize"_s, ask, -2, none, L("base/", "base/Tracks/"));
    // Written in one step, under its own name: a failure takes the name away again.
    row("size limit, small new file", {file("Tracks\\", "small.zctrack", QByteArray(4000, 's'))}, none, u"fsize"_s, ask,
        -2, none, L("base/", "base/Tracks/"));
    row("size limit, old file stays whole", big, L("base/Tracks/big.zctrack=old"), u"fsize"_s, off, -2, none,
        L("base/", "base/Tracks/", "base/Tracks/big.zctrack=old"));
    const Entries large{file("", "first", "1"), file("", "large", QByteArray(64 << 20, 'z'))};
    row("killed while writing", large, none, u"kill"_s, ask, TestFiles::KilledBy + SIGKILL, none,
        L("base/", "base/first=1") << fileLine(u"base/large"_s, large[1].content) + " ?"_L1);
    const Entries three{file("", "one", "1"), file("", "two", "2"), file("", "three", "3")};
    for (const char *signal : {"SIGINT", "SIGTERM", "SIGHUP"})
        row(signal, three, none, QString::fromLatin1(signal), ask, number(InstallResult::Stopped), none,
            L("base/", "base/one=1"));
    // Large enough to be inflated ahead by workers: what they inflate past a failure or a stop
    // never reaches the disk.
    Entries ahead;
    for (int i = 0; i < 8; ++i)
        ahead << file(i < 5 ? "A\\" : "B\\", "f" + QByteArray::number(i), QByteArray(256 << 10, char('a' + i)));
    Entries brokenAhead = ahead;
    brokenAhead[4].compressed = PackageWriter::compress(ahead[4].content);
    brokenAhead[4].compressed->back() ^= 1;
    row("bad checksum, inflated ahead", brokenAhead, none, plain, ask, -1, none, packed(ahead.mid(0, 4)));
    row("SIGINT, inflated ahead", ahead, none, u"SIGINT"_s, ask, number(InstallResult::Stopped), none,
        packed(ahead.mid(0, 1)));
    // A stop while a large file is made gives that file up: nothing of it under its name, no
    // hidden temporary, the old file whole.
    const Entries huge{file("Tracks\\", "huge.zctrack", QByteArray(20 << 20, 'h'))};
    row("SIGTERM inside a large new file", huge, none, u"SIGTERM=inside"_s, ask, number(InstallResult::Stopped), none,
        L("base/"));
    row("SIGHUP inside a large file that replaces one", huge, L("base/Tracks/huge.zctrack=old"), u"SIGHUP=inside"_s,
        off, number(InstallResult::Stopped), none, L("base/", "base/Tracks/", "base/Tracks/huge.zctrack=old"));
    // A large file is made where it is inflated, unnamed: named at Yes, gone at No.
    row("large file replaces one", huge, L("base/Tracks/huge.zctrack=old"), plain, u"y"_s, 0,
        L("ask:Tracks/huge.zctrack"), packed(huge), u"@/base/Tracks/huge.zctrack"_s);
    row("large file kept at No", huge, L("base/Tracks/huge.zctrack=old"), plain, u"n"_s, 0,
        L("ask:Tracks/huge.zctrack"), L("base/", "base/Tracks/", "base/Tracks/huge.zctrack=old"),
        u"@/base/Tracks/huge.zctrack"_s);
    // A package cut short under its mapping: the entries past the cut fail, nothing crashes.
    QByteArray noise(1 << 16, 0);
    quint32 state = 1;
    for (char &byte : noise)
        byte = char((state = state * 1103515245 + 12345) >> 24);
    row("package cut short during the install", {file("", "a", "a"), file("", "b", noise)}, none, u"cut"_s, ask, -1,
        none, L("base/", "base/a=a"));
    // The next one, inflated ahead or not, is given up too, never written.
    const Entries twoHuge = huge + Entries{file("Tracks\\", "next.zctrack", QByteArray(20 << 20, 'n'))};
    row("SIGINT inside a large file, the next inflated ahead", twoHuge, none, u"SIGINT=inside"_s, ask,
        number(InstallResult::Stopped), none, L("base/"));
    // Tracks/ and Tracks/Night/ are made again, though the cache of folders made says they exist.
    const Entries meddled{file("Tracks\\", "a", "a"), file("", "readme", "new"), file("Tracks\\Night\\", "b", "b")};
    row("folder removed during a question, a folder in it", meddled, L("base/readme=old"), u"meddle"_s, u"y"_s, 0,
        L("ask:readme"), L("base/", "base/Tracks/", "base/Tracks/Night/", "base/Tracks/Night/b=b", "base/readme=new"));
    row("another install holds the folder", data, base, u"lock"_s, ask, 0, L("wait"), packed(data));
    row("stopped while another install holds the folder", data, base, u"lock=stop"_s, ask,
        number(InstallResult::Stopped), L("wait", "pause"), base);

    Entries many, kept;
    QStringList full, fullAfter, keptAsks;
    for (int i = 0; i < 600; ++i)
        many << file("Many\\", "f" + QByteArray::number(i), "m");
    for (int i = 0; i < 12; ++i) {
        kept << file("Many\\", "f" + QByteArray::number(i), QByteArray(80 << 10, 'm'));
        full << u"base/Many/f%1="_s.arg(i) + QString(80 << 10, u'o');
        fullAfter << fileLine(u"base/Many/f%1"_s.arg(i), QByteArray(80 << 10, 'o'));
        keptAsks << u"ask:Many/f%1"_s.arg(i);
    }
    const QString noRoom = u"log:Not enough free space at @/base"_s;
    row("blocks, not bytes", many, L("base (tmpfs size=1m)"), plain, ask, -2, {noRoom}, base);
    row("inodes", many.mid(0, 50), L("base (tmpfs size=64m,nr_inodes=20)"), plain, ask, -2, {noRoom}, base);
    row("kept files need no room", kept.mid(0, 10), L("base (tmpfs size=1m)") + full.mid(0, 10), plain, u"nnnnnnnnnn"_s,
        0, keptAsks.mid(0, 10), L("base/", "base/Many/") + fullAfter.mid(0, 10));
    row("room for a replacement copy", kept, L("base (tmpfs size=1m)") + full, plain, u"n"_s.repeated(12), -2, {noRoom},
        L("base/", "base/Many/") + fullAfter);
    row("nothing to be replaced needs no room for a copy", kept, L("base (tmpfs size=1m)") + full, u"never"_s,
        u"n"_s.repeated(12), 0, keptAsks, L("base/", "base/Many/") + fullAfter);
    row("a read-only file system: why, in the log", data, L("base (tmpfs ro)"), plain, ask, -2,
        L("log:Install into @/base failed: cannot write 'data' (create): Read-only file system"), base);
    row("no capacity reported", many, L("base (ramfs)"), plain, ask, 0, none, packed(many));
}

void TestPackage::install()
{
    QFETCH(InstallRow, row);
    auto &[entries, before, setup, answers, code, events, after, trackFile] = row;

    const QString step = setup.section(u'=', 0, 0), value = setup.section(u'=', 1);
    static const QStringList steps = L("", "again", "to", "never", "unloaded", "meddle", "lock", "SIGINT", "SIGTERM",
                                       "SIGHUP", "unreadable", "fsize", "kill", "cut");
    QVERIFY2(steps.contains(step), qPrintable(u"unknown setup \""_s + setup + u'"'));
    static const QRegularExpression answerLetters(u"^(-|[ynaYNA?]*)$"_s);
    QVERIFY2(answerLetters.match(answers).hasMatch(), qPrintable(u"unknown answers \""_s + answers + u'"'));

    if (TestFiles::Tree::needsRoot(before) && ::geteuid() != 0)
        QSKIP("mounts and files of another owner need root");
    // Folders and files of a few bytes, each made in one call that no profile touches: seconds
    // of mkdir, once is enough.
    if (!qEnvironmentVariableIsEmpty(KernelProfile::Variable)
        && qstrcmp(QTest::currentDataTag(), "a thousand folders deep") == 0)
        QSKIP("nothing here that a kernel profile changes");
    TestFiles::Tree tree;
    if (TestFiles::holdsBytesNotUtf8(setup) && !TestFiles::takesAnyName(QDir::tempPath()))
        QSKIP("this file system takes only names in UTF-8");
    const bool made = tree.make(before);
    if (!made && !tree.unsupported().isEmpty())
        QSKIP(qPrintable(tree.unsupported()));
    QVERIFY(made);
    const QString root = tree.path(), base = tree.path(u"base"_s);
    RecordingPlatform platform;
    TrackPackage package;
    PackageWriter writer;
    for (const Entry &e : std::as_const(entries))
        writer.addEntry(e);
    package.setReplacesNothing(step == "never"_L1);
    const QString stored = store(writer.build());
    QVERIFY(step == "unloaded"_L1 || package.loadPackageFileAtPath(stored) == LoadResult::Loaded);
    QCOMPARE(inflationDifference(package.contents()), QString());
    QVERIFY(step != "cut"_L1 || ::truncate(QFile::encodeName(stored).constData(), 4096) == 0);
    platform.events.clear();

    QQueue<OverwriteAnswer> queued;
    for (const QChar answer : std::as_const(answers)) {
        const int index = u"ynaYNA?"_s.indexOf(answer);
        if (index < 3)
            queued << QList{OverwriteAnswer::Replace, OverwriteAnswer::Keep, OverwriteAnswer::ReplaceAll}.value(index);
        else
            platform.queueAnswer(
                QList{AlertAnswer::Default, AlertAnswer::Alternate, AlertAnswer::Other, AlertAnswer(2)}.at(index - 3));
    }
    package.setOverwriteQuery([&](const QString &relFilePath) {
        platform.events << u"ask:"_s + relFilePath;
        if (step == "meddle"_L1)
            QDir(base + "/Tracks"_L1).removeRecursively();
        return queued.isEmpty() ? OverwriteAnswer::Replace : queued.dequeue();
    });
    if (answers != answers.toLower())
        package.setOverwriteQuery(nullptr); // an empty query hands the question back to the platform
    int other = -1;
    if (step == "lock"_L1) {
        if (KernelProfile::isActive(u"no-flock"_s))
            QSKIP("no flock(2) here: the test can't hold the folder, and the install goes on unlocked");
        other = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(::flock(other, LOCK_SH | LOCK_NB) == 0); // as little as a lock can hold
    }
    package.setLockWaitHandler([&] {
        platform.events << u"wait"_s;
        if (value != "stop"_L1)
            ::close(other);
    });
    // The first pause asks to stop; were the wait to go on, the next lets it take the lock.
    package.setLockWaitPause([&](std::chrono::milliseconds) {
        platform.events << u"pause"_s;
        if (platform.events.count(u"pause"_s) == 1)
            return false;
        ::close(other);
        return true;
    });
    const int stopSignal = QList{0, SIGINT, SIGTERM, SIGHUP}.at(L("SIGINT", "SIGTERM", "SIGHUP").indexOf(step) + 1);
    // Once the first file is done, or with "inside" once a large file has begun.
    if (stopSignal)
        package.setProgressHandler(
            [stopSignal, inside = value == "inside"_L1, raised = false](qint64 done, qint64 total) mutable {
                if (!raised && (inside ? done < total : done > 0))
                    raised = ::raise(stopSignal) == 0;
            });
    const QList<void *> handlers = stopHandlers();

    if (step == "unreadable"_L1 && !TestFiles::keepsModes(base))
        QSKIP("this file system keeps no modes");
    const QStringList unreadable{base, base + "/Tracks"_L1};
    for (const QString &folder : unreadable)
        QVERIFY(step != "unreadable"_L1 || ::chmod(QFile::encodeName(folder).constData(), 0333) == 0);
    const bool ask = answers != "-"_L1;
    const QString target = step == "to"_L1 ? root + u'/' + value : base;
    int result;
    if (step == "fsize"_L1) {
        result = TestFiles::runInChild([&] {
            const struct rlimit limit = {1 << 10, 1 << 10};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return number(package.expandPackageTo(target, ask));
        });
    } else if (step == "kill"_L1) {
        result = TestFiles::killWhileWriting(base, [&](const std::function<void()> &fileDone) {
            package.setProgressHandler([&](qint64, qint64) { fileDone(); });
            package.expandPackageTo(base, false);
        });
    } else {
        const uint threads = QDir(u"/proc/self/task"_s).count();
        result = number(package.expandPackageTo(target, ask));
        if (step == "again"_L1)
            result = number(package.expandPackageTo(root + u'/' + value, ask));
        // No worker left running; an inflate given up ends on its own, a moment later.
        QTRY_COMPARE(QDir(u"/proc/self/task"_s).count(), threads);
    }
    for (const QString &folder : unreadable)
        QVERIFY(step != "unreadable"_L1 || ::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
    QCOMPARE(result, code);

    QStringList seen;
    qsizetype alerts = 0;
    for (const QString &event : std::as_const(platform.events))
        seen << (event.startsWith("alert:"_L1) ? RecordingPlatform::describe(platform.alerts.at(alerts++)) : event);
    if (KernelProfile::isActive(u"no-flock"_s)) // every install says it goes on without a lock
        seen.removeIf([](const QString &event) { return event.contains(" without a lock (No locks available)"_L1); });
    events.removeIf([&](const QString &event) { // said only where it applies (as an ordinary user, say)
        return event.endsWith(" ?"_L1) && !seen.contains(QString(event).chopped(2).replace(u'@', root));
    });
    QCOMPARE(seen, events.replaceInStrings(u" ?"_s, QString()).replaceInStrings(u"@"_s, root));
    const QStringList left = tree.describe();
    const auto [actual, wanted] = TestFiles::treeTexts(
        step == "kill"_L1 && TestFiles::killMayLeaveHidden(base) ? TestFiles::withoutHidden(left) : left, after);
    QCOMPARE(actual, wanted);
    QCOMPARE(package.absoluteTrackFilePath(), trackFile.replace(u'@', root));
    if (code == number(InstallResult::Stopped))
        QCOMPARE(package.lastInstall().filesDone, step == "lock"_L1 || value == "inside"_L1 ? 0 : 1);
    QVERIFY2(stopHandlers() == handlers, "a signal handler was left behind");
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
