// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UndoTable.h"

#include "PackageWriter.h"
#include "package/ResultCodes.h"
#include "platform/FileName.h"
#include "records/InstallJournal.h"
#include "records/InstallUndo.h"

#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

QByteArray UndoTable::hugeContent()
{
    QByteArray bytes(8 << 20, 'h');
    for (qsizetype i = 0; i < bytes.size(); i += 4096)
        bytes[i] = char(i >> 12);
    return bytes;
}

namespace {

// 1 and 2 share a file; 4 is large; 3 writes many files, replaces a.zctrack and then stops at the question
// about readme.txt, where the test kills it; 5 replaces a.zctrack, then writes a file large enough
// to be killed while it is written, even on tmpfs.
constexpr int Packages = 5;
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
    if (number == 5)
        writer.addFile("Tracks\\", "a.zctrack", "five").addFile("Big\\", "huge.zctrack", UndoTable::hugeContent());
    return writer;
}

QString hex(const QByteArray &bytes)
{
    return contentHash(bytes.constData(), size_t(bytes.size())).toHex();
}

const OverwriteQuery Replace = [](const QString &) { return OverwriteAnswer::Replace; };
const OverwriteQuery Keep = [](const QString &) { return OverwriteAnswer::Keep; };

void remount(const QString &path, unsigned long flags)
{
    QVERIFY(::mount(nullptr, QFile::encodeName(path).constData(), nullptr, MS_REMOUNT | flags, nullptr) == 0);
}

// Its result, then -removed +restored =kept >handed on !its original not kept, each cause in
// brackets and its message in parentheses.
QString describeUndo(const InstallUndo::Outcome &done)
{
    const char *results[] = {"Undone", "NotFound", "Refused", "Failed", "Stopped"};
    QString said = QString::fromLatin1(results[int(done.result)]);
    for (const auto &[mark, paths] :
         {std::pair(u'-', done.removed), std::pair(u'+', done.restored), std::pair(u'=', done.kept),
          std::pair(u'>', done.handedOn), std::pair(u'!', done.notKept)})
        for (const QString &path : paths)
            said += u" %1%2"_s.arg(QChar(mark), path);
    for (const QString &cause : done.causeTexts())
        said += u" ["_s + cause + u']';
    return done.message.isEmpty() ? said : said + u" ("_s + done.message + u')';
}

} // namespace

void UndoTable::addColumns()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("steps");     // split at blanks (CONTRIBUTING.md); any other step fails the row
    QTest::addColumn<QStringList>("after"); // "=": as made; "X ?": X or nothing; "X | Y": either
    // what the last undo did, or why the install was denied; "…" at the end: how that begins
    QTest::addColumn<QString>("outcome");
}

void UndoTable::row(const char *name, const QStringList &before, const char *steps, const QStringList &after,
                    const QString &outcome)
{
    QTest::newRow(name) << before << QString::fromUtf8(steps) << after << outcome;
}

void UndoTable::cleanup()
{
    if (!m_mounted.isEmpty())
        ::umount2(QFile::encodeName(std::exchange(m_mounted, QString())).constData(), MNT_DETACH);
    // A folder left read-only would keep its tree from being removed; a row that stopped early
    // has made neither.
    for (const QString &folder :
         {m_store ? m_store->recordsFolder() : QString(), m_tree ? m_tree->path(u"Z/Tracks"_s) : QString()})
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_store.reset();
    m_tree.reset();
    m_dataDir.reset();
}

QString UndoTable::install(int number, const OverwriteQuery &query, InstallResult expected,
                           const std::function<void()> &fileDone)
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
    package.setProgressHandler([&](qint64 done, qint64) {
        if (fileDone)
            fileDone();
        if (expected == InstallResult::Stopped && done == 1)
            ::raise(SIGTERM);
    });
    const InstallResult code = package.expandPackageTo(m_tree->path(m_installFolder), bool(query));
    m_cause = package.lastInstall().causeText();
    return code == expected ? journal.recordId() : u"code %1"_s.arg(::number(code));
}

// "ended,-2,Tracks/a.zctrack,readme.txt*": its state, the extraction's code and its files.
QString UndoTable::describeRecord(const QString &id) const
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

// Killed while it asks, as a user's kill would find it.
void UndoTable::killAtQuestion(int number)
{
    int questions = 0;
    const int status = TestFiles::runInChild([&] {
        install(number, [&](const QString &) {
            if (++questions == 2)
                ::raise(SIGKILL);
            return OverwriteAnswer::Replace;
        });
        return 0;
    });
    QCOMPARE(status, TestFiles::KilledBy + SIGKILL);
}

// Its record's id: a journal's, or an ended record's when the install was quicker than the kill.
QString UndoTable::killWhileWriting(int number)
{
    const int status = TestFiles::killWhileWriting(
        m_tree->path(m_installFolder),
        [&](const std::function<void()> &fileDone) { install(number, Replace, InstallResult::Success, fileDone); });
    const QStringList records = QDir(m_store->recordsFolder()).entryList(QDir::Files);
    return status == TestFiles::KilledBy + SIGKILL && records.size() == 1 ? records[0].section(u'.', 0, -2)
                                                                          : u"not killed"_s;
}

void UndoTable::tamper(const QString &id)
{
    // A naive undo would remove the file outside: it holds what the record says.
    const QString path = m_store->pathOf(id, InstallRecord::State::Ended);
    QByteArray text = TestFiles::readFile(path);
    text.replace("F\t2\t" + hex("r1").toLatin1() + "\treadme.txt", "F\t1\t" + hex("v").toLatin1() + "\t../victim");
    QVERIFY(text.contains("../victim") && TestFiles::writeFile(path, text));
}

void UndoTable::run()
{
    QFETCH(QStringList, before);
    QFETCH(QString, steps);
    QFETCH(QStringList, after);
    QFETCH(QString, outcome);

    const bool root = ::geteuid() == 0, latin1 = steps.startsWith(u"latin1 "_s);
    if (TestFiles::Tree::needsRoot(before) && !root)
        QSKIP("mounts need root");
    if (steps.contains(u"otherfs"_s) && !root)
        QSKIP("a file system of its own for the data folder needs root");
    const bool frozen = steps.contains(u"frozen"_s); // read-only to root too
    if (steps.contains(u"denied:"_s) && root && !frozen)
        QSKIP("root replaces files in read-only folders");
    if (latin1 && !TestFiles::takesAnyName(QDir::tempPath()))
        QSKIP("this file system takes only names in UTF-8");
    const QString dataParent = qEnvironmentVariable("CRATEWRIGHT_TEST_DATA_DIR");
    m_tree = std::make_unique<TestFiles::Tree>();
    m_dataDir = std::make_unique<TestFiles::Tree>((dataParent.isEmpty() ? QDir::tempPath() : dataParent)
                                                  + u"/zc-data-XXXXXX"_s);
    const bool treeMade = m_tree->make(before);
    if (!treeMade && !m_tree->unsupported().isEmpty())
        QSKIP(qPrintable(m_tree->unsupported()));
    QVERIFY(treeMade && m_dataDir->make({}));
    m_installFolder = latin1 ? FileName::decode("Z\xc3\xa9\xe9") : u"Z"_s;
    const QString data = m_dataDir->path(latin1 ? FileName::decode("zc\xe9") : u"zc"_s);
    if ((steps.contains(u"readonly"_s) || steps.contains(u"otherfs"_s)) && root) {
        QVERIFY(QDir().mkpath(data)
                && ::mount("tmpfs", QFile::encodeName(data).constData(), "tmpfs", 0, "mode=700") == 0);
        m_mounted = data;
    }
    if (steps.contains(u"readonly"_s) && !root && !TestFiles::keepsModes(m_dataDir->path()))
        QSKIP("this file system keeps no modes: the data folder can't be made read-only");
    if (steps.contains(u"denied:"_s) && !frozen
        && ::access(FileName::encode(m_tree->path(u"Z/Tracks"_s)).constData(), W_OK) == 0)
        QSKIP("this file system lets every folder be written");
    m_store = std::make_unique<RecordStore>(data);
    const QStringList made = m_tree->describe();

    QStringList ids;
    QString said;
    for (const QString &step : steps.split(u' ').mid(latin1 ? 1 : 0)) {
        const QString verb = step.section(u':', 0, 0), argument = step.section(u':', 1);
        bool numbered = false;
        const int number = argument.toInt(&numbered);
        if (QStringList{u"install"_s, u"keep"_s, u"kill"_s, u"crash"_s, u"stop"_s, u"fail"_s, u"denied"_s}.contains(
                verb))
            QVERIFY2(numbered && number >= 1 && number <= Packages, qPrintable(u"no such package: "_s + step));
        if (verb == u"undo"_s || verb == u"tamper"_s)
            QVERIFY2(numbered && number >= 1 && number <= ids.size(), qPrintable(u"no such install: "_s + step));
        if (verb == u"install"_s || verb == u"keep"_s) {
            ids << install(number, verb == u"keep"_s ? Keep : Replace);
        } else if (verb == u"stop"_s) {
            ids << install(number, Replace, InstallResult::Stopped);
        } else if (verb == u"fail"_s) {
            const auto freeze = [&](const QString &) {
                remount(m_tree->path(u"Z"_s), MS_RDONLY);
                return OverwriteAnswer::Replace;
            };
            ids << install(number, freeze, InstallResult::WRITE);
        } else if (verb == u"thaw"_s || verb == u"frozen"_s) {
            remount(m_tree->path(u"Z"_s), verb == u"frozen"_s ? MS_RDONLY : 0);
        } else if (verb == u"record"_s) {
            QCOMPARE(describeRecord(ids.value(argument.section(u'=', 0, 0).toInt() - 1)), argument.section(u'=', 1));
        } else if (verb == u"kill"_s) {
            killAtQuestion(number);
            ids = QDir(m_store->recordsFolder()).entryList({u"*.journal"_s}).replaceInStrings(u".journal"_s, QString());
        } else if (verb == u"crash"_s) {
            ids << killWhileWriting(number);
        } else if (verb == u"denied"_s) { // into a folder an ordinary user may not write: why it failed
            const QString id = install(number, Replace, InstallResult::WRITE);
            said = id.startsWith(u"code "_s) ? id : m_cause;
        } else if (verb == u"edit"_s) {
            const QString path = m_tree->path(argument.section(u'=', 0, 0));
            struct stat was;
            QVERIFY(::stat(FileName::encode(path).constData(), &was) == 0);
            QVERIFY(TestFiles::writeFile(path, argument.section(u'=', 1).toUtf8()));
            const struct timespec times[2] = {was.st_atim, was.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, FileName::encode(path).constData(), times, 0) == 0);
        } else if (verb == u"hardlink"_s) {
            const bool linked = ::link(FileName::encode(m_tree->path(argument.section(u'=', 1))).constData(),
                                       FileName::encode(m_tree->path(argument.section(u'=', 0, 0))).constData())
                                == 0;
            if (!linked && (errno == EPERM || errno == EOPNOTSUPP))
                QSKIP("this file system has no hard links");
            QVERIFY(linked);
        } else if (verb == u"tamper"_s) {
            tamper(ids.at(number - 1));
        } else if (verb == u"readonly"_s && !root) {
            QVERIFY(QFile::setPermissions(m_store->recordsFolder(), QFile::ReadOwner | QFile::ExeOwner));
        } else if (verb == u"readonly"_s) { // root writes anywhere: only a read-only file system stops it
            remount(m_mounted, MS_RDONLY);
        } else if (verb == u"stray"_s) { // as a kill leaves it where there are no unnamed files
            QVERIFY(
                TestFiles::writeFile(m_tree->path(m_installFolder + u'/' + argument + u"/.cratewright-kd8"_s), "half"));
        } else if (verb == u"otherfs"_s) {
            continue; // mounted above
        } else if (verb == u"undo"_s) {
            said = describeUndo(InstallUndo(*m_store).undo(ids.at(number - 1), false)).replace(data, u"@data"_s);
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
        QVERIFY2(!ids.contains(QString()) && ids.filter(u" "_s).isEmpty(), qPrintable(ids.join(u", "_s)));
    }
    const QString base = m_tree->path(m_installFolder);
    const QStringList left = m_tree->describe();
    const bool crashed = steps.contains(u"crash:"_s) && TestFiles::killMayLeaveHidden(base);
    const auto [actual, wanted] = TestFiles::treeTexts(crashed ? TestFiles::withoutHidden(left) : left, after, made);
    QCOMPARE(actual, wanted);
    QVERIFY2(outcome.endsWith(u'…') ? said.startsWith(outcome.chopped(1)) : said == outcome, qPrintable(said));
    // Installs undone, or that wrote nothing, leave nothing behind them: no record, no original
    // nobody refers to.
    if ((ids.isEmpty() || said.startsWith(u"Undone"_s)) && steps.count(u"undo"_s) == ids.size())
        QCOMPARE(TestFiles::describeTree(m_store->recordsFolder()) + TestFiles::describeTree(m_store->storeFolder()),
                 QStringList());
    // Records are kept where they were asked to be, not in a folder named after a lossy reading.
    QCOMPARE(TestFiles::describeTree(m_dataDir->path()).filter(QChar(QChar::ReplacementCharacter)), QStringList());
}
