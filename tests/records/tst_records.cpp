// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Records read from their text, line by line; and installs with their records kept, then undone,
// on real files in temporary folders: each row makes a tree (the install folder is Z/), runs its
// steps and compares the tree afterwards ("=": the tree as it was made) and what the last undo
// said it did.
#include "UndoTable.h"
#include "platform/FileName.h"
#include "records/InstallRecord.h"

#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using TestFiles::L;

namespace {

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

// The header's fields, a line each.
QStringList headerOf(const InstallRecord &r)
{
    const QString identity = r.baseIdentity ? u"%1:%2"_s.arg(r.baseIdentity->device).arg(r.baseIdentity->inode)
                                            : QString();
    return u"id=%1|title=%2|author=%3|version=%4|package=%5|packageHash=%6|installBase=%7|time=%8|baseId=%9|"_s
               .arg(r.id, r.title, r.author, r.version, r.packageName, nameOf(r.packageHash), r.installBase,
                    r.time.toString(Qt::ISODateWithMs), identity)
               .split(u'|')
           + QStringList{u"sequence="_s + (r.sequence ? QString::number(*r.sequence) : QString())};
}

// A line each: a header field that differs from Header's, a folder made ("D path"), a file
// written ("F path size #content", then " O #original mode" and " uid:gid" when known, or " N"
// when it replaced something) and the end ("end code").
QStringList describe(const InstallRecord &record)
{
    InstallRecord usual;
    QString error;
    QStringList said = headerOf(record);
    for (const QString &line : InstallRecord::parse(Header, &usual, &error) ? headerOf(usual) : QStringList())
        said.removeOne(line);
    for (const QString &folder : record.foldersMade)
        said << u"D "_s + folder;
    for (const RecordedFile &file : record.files) {
        QString line = u"F %1 %2 %3"_s.arg(file.path).arg(file.size).arg(nameOf(file.hash));
        if (file.replaced)
            line += u" O %1 %2"_s.arg(nameOf(file.original)).arg(file.originalMode, 0, 8);
        if (file.originalOwner)
            line += u" %1:%2"_s.arg(file.originalOwner->uid).arg(file.originalOwner->gid);
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
    void undo() { m_table.run(); }
    void cleanup() { m_table.cleanup(); }

private:
    UndoTable m_table;
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
    reads("the install folder's identity and the install's number", Header + "installBaseId\t2049\t77\nsequence\t12\n",
          {u"baseId=2049:77"_s, u"sequence=12"_s});
    reads("a folder made, once however often it comes", Header + "D\tTracks\nD\tTracks/Deep\nD\tTracks\n",
          {u"D Tracks"_s, u"D Tracks/Deep"_s});
    reads("a file written", written, {a});
    reads("a file replacing an original, kept with its owner", written + "E\ta\nO\t#orig\t100640\t1000\t100\ta\n",
          {a + u" O #orig 100640 1000:100"_s});
    reads("a file replacing an original, kept in an older record: no owner", written + "E\ta\nO\t#orig\t100640\ta\n",
          {a + u" O #orig 100640"_s});
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
    refuses("a tab in a path, unescaped", Header + "F\t3\t#one\ta\tb\n", line(5));
    refuses("an original with one too many", written + "E\ta\nO\t#orig\t100644\ta\tb\n", line(7));
    refuses("a size that is no number", Header + "F\t3x\t#one\ta\n", line(5));
    refuses("a size beyond 64 bits", Header + "F\t99999999999999999999\t#one\ta\n", line(5));
    refuses("an identity missing its inode", Header + "installBaseId\t2049\n", line(5));
    refuses("an owner that is no number", written + "E\ta\nO\t#orig\t100640\troot\t0\ta\n", line(7));
    refuses("a mode that is not octal", written + "E\ta\nO\t#orig\t100648\ta\n", line(7));
    refuses("an end code that is no number", written + "end\tzero\n", line(6));
    refuses("a time that is none", written + "time\tyesterday\n", line(6));
    refuses("a hash cut short", Header + "F\t3\t0123abcd\ta\n", line(5));
    refuses("a hash in capitals", Header + "F\t3\t" + hex("one").toUpper().toLatin1() + "\ta\n", line(5));
    refuses("an original's hash not hex", written + "E\ta\nO\t" + QByteArray(32, 'g') + "\t100644\ta\n", line(7));
    refuses("a package hash not hex", Header + "packageHash\tnone\n", line(5));
    refuses("an escape not in hex", Header + "F\t3\t#one\ta%zzb\n", line(5));
    refuses("an escape cut short", Header + "D\ta%4\n", line(5));
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
    UndoTable::addColumns();
    const QStringList same = L("=");
    const QStringList mine = L("Z/", "Z/mine.txt=m", "victim=v");
    const QStringList installed = mine + L("Z/Tracks/", "Z/Tracks/a.zctrack=one", "Z/readme.txt=r1");
    const QStringList originals = L("Z/Tracks/a.zctrack=orig (mode 0640)", "Z/readme.txt -> ../victim", "victim=v");

    const auto row = &UndoTable::row;
    row("single install, undone", mine, "install:1 undo:1", same, "Undone -Tracks/a.zctrack -readme.txt");
    row("replaced originals put back byte for byte, a link as a link", originals, "install:1 undo:1", same,
        "Undone +Tracks/a.zctrack +readme.txt");
    // Same length, same time: only the content tells.
    row("a file changed after the install is kept, though its length and time are the same", mine,
        "install:1 edit:Z/readme.txt=r9 undo:1", mine + L("Z/readme.txt=r9"), "Undone -Tracks/a.zctrack =readme.txt");
    row("a file removed after the install: its original comes back all the same", originals,
        "install:1 gone:Z/Tracks/a.zctrack undo:1", same, "Undone +Tracks/a.zctrack +readme.txt");
    row("kept files are no part of the install, even when they hold the same", L("Z/readme.txt=r1"), "keep:1 undo:1",
        same, "Undone -Tracks/a.zctrack");
    row("overlapping installs, the earlier undone first: the later takes its original over", originals,
        "install:1 install:2 undo:1 undo:2", same, "Undone -Scenery/extra.txt +Tracks/a.zctrack");
    row("a folder the earlier made, holding the later's file, goes with the later", mine,
        "install:1 install:2 undo:1 undo:2", same, "Undone -Tracks/a.zctrack -Scenery/extra.txt");
    row("the earlier undone alone leaves the later's files", originals, "install:1 install:2 undo:1",
        L("Z/", "Z/Scenery/", "Z/Scenery/extra.txt=x", "Z/Tracks/", "Z/Tracks/a.zctrack=two (mode 0640)",
          "Z/readme.txt -> ../victim", "victim=v"),
        "Undone +readme.txt >Tracks/a.zctrack");
    row("a file changed between two installs is the user's: the later install took over none of the earlier's", mine,
        "install:1 edit:Z/Tracks/a.zctrack=mine install:2 undo:1",
        L("Z/", "Z/Scenery/", "Z/Scenery/extra.txt=x", "Z/Tracks/", "Z/Tracks/a.zctrack=two", "Z/mine.txt=m",
          "victim=v"),
        "Undone -readme.txt =Tracks/a.zctrack");
    // Kept by linking its file, the original would change with its other name.
    row("an original with another name, changed through it after the install, put back as it was", originals,
        "hardlink:elsewhere=Z/Tracks/a.zctrack install:1 edit:elsewhere=mine undo:1",
        originals + L("Z/", "Z/Tracks/", "elsewhere=mine (mode 0640)"), "Undone +Tracks/a.zctrack +readme.txt");
    const QStringList alike = L("Z/", "Z/Tracks/", "Z/Tracks/a.zctrack=alike", "Z/readme.txt=alike");
    row("data folder on another file system: two originals alike kept, put back", alike, "otherfs install:1 undo:1",
        same, "Undone +Tracks/a.zctrack +readme.txt");
    row("an original that can't be kept is replaced all the same, and left by the undo",
        mine + L("Z/readme.txt (fifo)"), "install:1 undo:1", mine + L("Z/readme.txt=r1"),
        "Undone -Tracks/a.zctrack !readme.txt");
    const QStringList mounted = L("Z (tmpfs mode=0777)", "Z/mine.txt=m", "victim=v");
    row("an undo that can't remove says why, and keeps the record", mounted, "install:1 frozen undo:1", installed,
        "Failed [cannot remove 'Tracks/a.zctrack': Read-only file system] [cannot remove 'readme.txt': Read-only "
        "file system] [cannot remove folder 'Tracks': Read-only file system] (Some files could not be removed "
        "or put back.)");
    row("an install that could write nothing keeps no record", mounted + L("Z/Tracks/"), "frozen denied:1", same,
        "cannot write 'Tracks/a.zctrack': Read-only file system");
    row("an install that could replace nothing keeps no record, nor the original",
        mounted + L("Z/Tracks/a.zctrack=old"), "frozen denied:1", same,
        "cannot replace 'Tracks/a.zctrack': Read-only file system");
    // The record keeps the install folder's bytes, which are not UTF-8: else the undo would not
    // find it.
    const QString latin1 = FileName::decode("Z\xc3\xa9\xe9");
    row("install and data folders not named in UTF-8, undone", L(latin1 + u'/', latin1 + u"/mine.txt=m"_s),
        "latin1 install:1 undo:1", same, "Undone -Tracks/a.zctrack -readme.txt");
    row("a hidden file a killed install was writing goes with the undo", mine, "install:1 stray:Tracks undo:1", same,
        "Undone -Tracks/a.zctrack -readme.txt");
    row("entries inflated ahead, undone", mine, "install:4 undo:1", same, "Undone -Big/b0 -Big/b1…");
    row("a killed install, undone from its journal", originals, "noted:3=202 undo:1", same,
        "Undone -Many/Deep/f0 -Many/Deep/f1…");
    // Killed at known points: the next command finishes the last step, then the undo is whole.
    row("a file a killed install had only begun to write is removed, then the rest undone", mine,
        "torn:3=5 repair record:1=journal,?,Many/Deep/f0,Many/Deep/f1,Many/Deep/f2,Many/Deep/f3 undo:1", same,
        "Repaired what the killed install of \"Canyon 3\" into @ left: removed Many/Deep/f4, which it had only "
        "begun to write. / Undone -Many/Deep/f0 -Many/Deep/f1 -Many/Deep/f2 -Many/Deep/f3");
    row("killed once a file is noted, before it is written: the file there is left whole", originals,
        "noted:1=1 repair undo:1", same, "Undone =Tracks/a.zctrack");
    row("a killed install whose folder is still locked is left to its process", mine, "torn:3=5 locked repair",
        mine
            + L("Z/Many/", "Z/Many/Deep/", "Z/Many/Deep/f0=", "Z/Many/Deep/f1=m", "Z/Many/Deep/f2=mm",
                "Z/Many/Deep/f3=mmm", "Z/Many/Deep/f4="),
        "");
    row("a killed undo's hidden file is removed, and it is undone again", mine,
        "install:1 undoing:1 stray:Tracks repair undo:1", same,
        "Repaired what the killed undo of \"Canyon 1\" in @ left: removed 1 hidden temporary file(s). / Undone "
        "-Tracks/a.zctrack -readme.txt");
    row("a folder put in the install folder's place is not repaired", mine,
        "install:1 undoing:1 move:Z=Z.old install:2 stray:Tracks repair",
        L("Z.old/", "Z.old/Tracks/", "Z.old/Tracks/a.zctrack=one", "Z.old/mine.txt=m", "Z.old/readme.txt=r1", "Z/",
          "Z/Scenery/", "Z/Scenery/extra.txt=x", "Z/Tracks/", "Z/Tracks/.cratewright-kd8=half",
          "Z/Tracks/a.zctrack=two", "victim=v"),
        "");
    // What a failed or stopped install wrote is recorded as it went, and undone like any other.
    row("a stopped install: its record holds what it wrote, undone", originals,
        "stop:1 record:1=ended,-7,Tracks/a.zctrack* undo:1", same, "Undone +Tracks/a.zctrack");
    row("a failed install: its record holds what it wrote and what it meant to replace, undone",
        mounted + L("Z/readme.txt=old"), "fail:1 record:1=ended,-2,Tracks/a.zctrack,readme.txt* thaw undo:1", same,
        "Undone -Tracks/a.zctrack =readme.txt");
    row("a kept original damaged since: nothing changes", originals, "install:1 damage undo:1",
        L("Z/", "Z/Tracks/", "Z/Tracks/a.zctrack=one (mode 0640)", "Z/readme.txt=r1", "victim=v"),
        "Refused (The original of…");
    row("a record naming a path outside its folder is refused", mine, "install:1 tamper:1 undo:1", installed,
        "Refused (The record…");
    row("a data folder that can't be written: nothing changes", mine, "install:1 readonly undo:1", installed,
        "Refused (The data folder @data can't be written…");

    // The install folder's own path must lead to the folder the install went into, and the link
    // rule of installing holds on it too.
    const QStringList movedAside = L("Z.old/", "Z.old/mine.txt=m", "Z.old/Tracks/", "Z.old/Tracks/a.zctrack=one",
                                     "Z.old/readme.txt=r1", "victim=v");
    row("another user's link in place of the install folder is never followed, even to the folder", mine,
        "install:1 move:Z=Z.old planted:Z=Z.old undo:1", movedAside + L("Z -> Z.old (uid 65534)"),
        "Refused (The install folder @/Z of the record #1 lies behind a link that another user owns (@/Z), which an "
        "undo never follows; nothing was changed.)");
    row("the user's own link to another install's folder: refused", mine,
        "install:1 move:Z=Z.old install:1 move:Z=W link:Z=W undo:1",
        movedAside + L("W/", "W/Tracks/", "W/Tracks/a.zctrack=one", "W/readme.txt=r1", "Z -> W"),
        "Refused (@/Z is not the folder that the install of the record #1 went into: it was moved or replaced since; "
        "nothing was changed.)");
    row("the user's own link to the folder moved is followed", mine, "install:1 move:Z=Z.old link:Z=Z.old undo:1",
        L("Z -> Z.old", "Z.old/", "Z.old/mine.txt=m", "victim=v"), "Undone -Tracks/a.zctrack -readme.txt");
    row("the disk mounted again under another number: still the folder", mine, "install:1 renumbered:1 undo:1", same,
        "Undone -Tracks/a.zctrack -readme.txt");
    row("another number through a link: not known to be the folder", mine,
        "install:1 move:Z=Z.old link:Z=Z.old renumbered:1 undo:1", movedAside + L("Z -> Z.old"),
        "Refused (@/Z is not the folder…");
    // Put back as `cp -p` would, by root; anyone else says what it could not.
    const QStringList owned = mine + L("Z/readme.txt=old (uid 4242)");
    row("an original owned by another user comes back theirs", owned, "install:1 undo:1", same,
        "Undone -Tracks/a.zctrack +readme.txt");
    row("an original owned by another user, undone by one who may not give it back: said", owned, "install:1 nochown:1",
        mine + L("Z/readme.txt=old"), "Undone -Tracks/a.zctrack +readme.txt ~readme.txt");
    // Installs are ordered by when they took the folder, not by when they began to wait for it.
    row("twenty installs at once, each undone newest first as listed", originals, "race:20 listed", same, "Undone…");
    row("records from before installs were numbered: listed newest first by time", originals,
        "install:1 install:2 unnumbered listed", same, "Undone +Tracks/a.zctrack +readme.txt");
    row("the count of installs lost: the next is numbered after those recorded", originals,
        "install:1 install:2 lost install:1 undo:3 undo:2",
        L("Z/", "Z/Tracks/", "Z/Tracks/a.zctrack=one (mode 0640)", "Z/readme.txt=r1", "victim=v"),
        "Undone -Scenery/extra.txt +Tracks/a.zctrack");
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
