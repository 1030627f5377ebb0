// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UndoTable.h"

#include "KernelProfile.h"
#include "PackageWriter.h"
#include "package/ResultCodes.h"
#include "fs/Fd.h"
#include "fs/FileSystemFeatures.h"
#include "platform/FileName.h"
#include "records/InstallJournal.h"
#include "records/InstallRepair.h"
#include "records/InstallUndo.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

const OverwriteQuery Replace = [](const QString &) { return OverwriteAnswer::Replace; };
const OverwriteQuery Keep = [](const QString &) { return OverwriteAnswer::Keep; };

void remount(const QString &path, unsigned long flags)
{
    QVERIFY(::mount(nullptr, QFile::encodeName(path).constData(), nullptr, MS_REMOUNT | flags, nullptr) == 0);
}

// Its result, then -removed +restored =kept >handed on !its original not kept ~its owner not
// put back, each cause in brackets and its message in parentheses.
QString describeUndo(const InstallUndo::Outcome &done)
{
    const char *results[] = {"Undone", "NotFound", "Refused", "Failed", "Stopped"};
    QString said = QString::fromLatin1(results[int(done.result)]);
    for (const auto &[mark, paths] :
         {std::pair(u'-', done.removed), std::pair(u'+', done.restored), std::pair(u'=', done.kept),
          std::pair(u'>', done.handedOn), std::pair(u'!', done.notKept), std::pair(u'~', done.ownerNotRestored)})
        for (const QString &path : paths)
            said += u" %1%2"_s.arg(QChar(mark), path);
    for (const QString &cause : done.causeTexts())
        said += u" ["_s + cause + u']';
    return done.message.isEmpty() ? said : said + u" ("_s + done.message + u')';
}

// A journal killed outright once it notes its Kth file: at once, or (`torn`) once the file is
// made and its write begins, where a size limit of 0 ends the process with SIGXFSZ. That signal's
// default action, not a handler: a sanitizer delays handlers, and the install would go on to tidy
// up the failed write before it died. With K 0, just the journal.
class KillingJournal : public InstallJournal
{
public:
    KillingJournal(const RecordStore &store, const TrackPackage &package, int at, bool torn)
        : InstallJournal(store, package)
        , m_at(at)
        , m_torn(torn)
    {
    }

    void fileToBeWritten(const QString &path, qint64 size, const ContentHash &hash) override
    {
        InstallJournal::fileToBeWritten(path, size, hash);
        if (++m_noted != m_at)
            return;
        if (!m_torn)
            ::raise(SIGKILL);
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        ::setrlimit(RLIMIT_FSIZE, &none);
    }

private:
    const int m_at;
    const bool m_torn;
    int m_noted = 0;
};

// Whether installs into `folder` record its identity, for an undo to check.
bool keepsIdentity(const QString &folder)
{
    const Fd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd && FileSystemFeatures::keepsInodeNumbers(fd.get());
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
                    const char *outcome)
{
    QTest::newRow(name) << before << QString::fromUtf8(steps) << after << QString::fromUtf8(outcome);
}

void UndoTable::cleanup()
{
    if (!m_mounted.isEmpty())
        ::umount2(QFile::encodeName(std::exchange(m_mounted, QString())).constData(), MNT_DETACH);
    // A folder left read-only would keep its tree from being removed; a row that stopped early
    // has made neither.
    if (m_store && m_tree)
        for (const QString &folder : {m_store->recordsFolder(), m_tree->path(u"Z/Tracks"_s)})
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_holder.reset();
    m_store.reset();
    m_tree.reset();
    m_dataDir.reset();
}

QString UndoTable::install(int number, const OverwriteQuery &query, InstallResult expected,
                           const std::function<void()> &fileDone, int killAt, bool torn)
{
    // One each: installs in children run at once.
    const QString path = m_dataDir->path(u"package-%1.zcpack"_s.arg(::getpid()));
    TrackPackage package;
    if (!packageNumbered(number).writeTo(path) || package.loadPackageFileAtPath(path) != LoadResult::Loaded)
        return u"not loaded"_s;
    // Records are ordered by their time, to the millisecond: two installs within one would have
    // no order between them, and the undo of the earlier would not know the later.
    for (const qint64 start = QDateTime::currentMSecsSinceEpoch(); QDateTime::currentMSecsSinceEpoch() == start;)
        QThread::usleep(100);
    KillingJournal journal(*m_store, package, killAt, torn);
    package.setInstallObserver(&journal);
    package.setOverwriteQuery(query);
    package.setLockWaitHandler(m_lockWait);
    bool stopped = false;
    package.setProgressHandler([&](qint64 done, qint64) {
        if (fileDone)
            fileDone();
        if (expected == InstallResult::Stopped && done > 0 && !stopped) // once the first file is done
            stopped = ::raise(SIGTERM) == 0;
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

// "3=5": package 3, killed at its fifth file; the id of its journal.
QString UndoTable::killAtFile(const QString &argument, bool torn)
{
    const int status = TestFiles::runInChild([&] {
        install(argument.section(u'=', 0, 0).toInt(), Replace, InstallResult::Success, {},
                argument.section(u'=', 1).toInt(), torn);
        return 0;
    });
    const QStringList journals = QDir(m_store->recordsFolder()).entryList({u"*.journal"_s}, QDir::Files, QDir::Name);
    const bool killed = status == TestFiles::KilledBy + (torn ? SIGXFSZ : SIGKILL);
    return killed && !journals.isEmpty() ? journals.last().chopped(8) : u"not killed"_s;
}

void UndoTable::tamper(const QString &id)
{
    // A naive undo would remove the file outside: it holds what the record says.
    const QString path = m_store->pathOf(id, InstallRecord::State::Ended);
    QByteArray text = TestFiles::readFile(path);
    text.replace("F\t2\t" + contentHash("r1", 2).toHex().toLatin1() + "\treadme.txt",
                 "F\t1\t" + contentHash("v", 1).toHex().toLatin1() + "\t../victim");
    QVERIFY(text.contains("../victim") && TestFiles::writeFile(path, text));
}

// "Z=Z.old": a link at Z to Z.old, the user's own, or planted by another user (nobody) in the
// tree's root made a shared folder, world-writable and sticky as /tmp.
// Empty once made; else why this file system can't hold it, for the row to be skipped.
QString UndoTable::link(const QString &argument, bool byAnotherUser)
{
    const QString at = m_tree->path(argument.section(u'=', 0, 0)), target = argument.section(u'=', 1);
    if (!byAnotherUser)
        return QFile::link(target, at) ? QString() : u"this file system has no symbolic links"_s;
    if (::chmod(QFile::encodeName(m_tree->path()).constData(), 01777) != 0)
        return u"this file system keeps no modes: no folder shared as /tmp"_s;
    if (QProcess::execute(u"setpriv"_s, {u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s, u"ln"_s,
                                         u"-s"_s, target, at})
        != 0)
        return u"nobody can't reach this tree, or this file system has no symbolic links"_s;
    struct stat planted;
    if (::lstat(QFile::encodeName(at).constData(), &planted) != 0 || planted.st_uid == 0)
        return u"this file system gives every file the mount's owner: no link is another user's"_s;
    return QString();
}

// Undone by a user who may not give a file to another, in a child: the filter can't be taken back.
QString UndoTable::undoWithoutChown(const QString &id)
{
    const QString said = m_dataDir->path(u"said"_s);
    const int status = TestFiles::runInChild([&] {
        return KernelProfile::install(u"no-chown"_s)
                       && TestFiles::writeFile(said, describeUndo(InstallUndo(*m_store).undo(id, false)).toUtf8())
                   ? 0
                   : 1;
    });
    return status == 0 ? QString::fromUtf8(TestFiles::readFile(said)) : u"child ended with %1"_s.arg(status);
}

// `count` installs of packages 1 and 2 in turn, each in a child, at once: each takes its time and
// begins its record, then waits for the folder, which this process holds until all of them wait.
QStringList UndoTable::race(int count)
{
    int waiting[2];
    const Fd folder(::open(FileName::encode(m_tree->path(m_installFolder)).constData(), O_RDONLY | O_DIRECTORY));
    if (!folder || ::flock(folder.get(), LOCK_EX) != 0 || ::pipe(waiting) != 0)
        return {u"not locked"_s};
    m_lockWait = [&] { (void)!::write(waiting[1], "w", 1); };
    QList<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(install(1 + i % 2, Replace).contains(u' ') ? 1 : 0);
        children << child;
    }
    m_lockWait = nullptr;
    ::close(waiting[1]); // a child that ends before it waits can't hold this one up
    char byte;
    for (int i = 0; i < count && ::read(waiting[0], &byte, 1) == 1;)
        ++i;
    ::close(waiting[0]);
    ::flock(folder.get(), LOCK_UN);
    int failed = 0;
    for (const pid_t child : std::as_const(children)) {
        int status = 0;
        failed += ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    QStringList ids;
    for (const InstallRecord &record : m_store->records())
        ids << record.id;
    return failed == 0 && ids.size() == count ? ids : QStringList{u"%1 installs failed"_s.arg(failed)};
}

// Each install undone, newest first as the records are listed: what the first undo that was not
// Undone said, else the last.
QString UndoTable::undoAsListed(int *undone)
{
    QString said;
    for (const InstallRecord &record : m_store->records()) {
        said = describeUndo(InstallUndo(*m_store).undo(record.id, false));
        ++*undone;
        if (!said.startsWith(u"Undone"_s))
            break;
    }
    return said;
}

void UndoTable::run()
{
    QFETCH(QStringList, before);
    QFETCH(QString, steps);
    QFETCH(QStringList, after);
    QFETCH(QString, outcome);

    const auto has = [&](const char *step) { return steps.contains(QLatin1String(step)); };
    const bool root = ::geteuid() == 0, latin1 = steps.startsWith(u"latin1 "_s);
    const bool frozen = has("frozen"); // read-only to root too
    const std::pair<bool, const char *> unfit[] = {
        {TestFiles::Tree::needsRoot(before) && !root, "mounts need root"},
        {has("repair") && KernelProfile::isActive(u"no-flock"_s),
         "without locks a killed install can't be told from a running one: nothing is repaired"},
        {has("otherfs") && !root, "a file system of its own for the data folder needs root"},
        {has("denied:") && root && !frozen, "root replaces files in read-only folders"},
        {has("race:") && KernelProfile::isActive(u"no-flock"_s), "without locks, installs at once write in no order"},
        {has("planted:") && !root, "a link of another user's needs root to make"},
        {latin1 && !TestFiles::takesAnyName(QDir::tempPath()), "this file system takes only names in UTF-8"},
    };
    for (const auto &[skip, why] : unfit)
        if (skip)
            QSKIP(why);
    const QString dataParent = qEnvironmentVariable("CRATEWRIGHT_TEST_DATA_DIR");
    m_tree = std::make_unique<TestFiles::Tree>();
    m_dataDir = std::make_unique<TestFiles::Tree>((dataParent.isEmpty() ? QDir::tempPath() : dataParent)
                                                  + u"/zc-data-XXXXXX"_s);
    const bool treeMade = m_tree->make(before);
    if (!treeMade && !m_tree->unsupported().isEmpty())
        QSKIP(qPrintable(m_tree->unsupported()));
    QVERIFY(treeMade && m_dataDir->make({}));
    // Told apart by identity: a folder refused as another, or one a repair must leave alone.
    const bool tellsFoldersApart = outcome.contains(u"is not the folder"_s) || (has("repair") && has("move:"));
    if (tellsFoldersApart && !keepsIdentity(m_tree->path()))
        QSKIP("folders here keep no identity to check: the link rule alone guards the path");
    m_installFolder = latin1 ? FileName::decode("Z\xc3\xa9\xe9") : u"Z"_s;
    const QString data = m_dataDir->path(latin1 ? FileName::decode("zc\xe9") : u"zc"_s);
    if ((has("readonly") || has("otherfs")) && root) {
        QVERIFY(QDir().mkpath(data)
                && ::mount("tmpfs", QFile::encodeName(data).constData(), "tmpfs", 0, "mode=700") == 0);
        m_mounted = data;
    }
    if (has("readonly") && !root && !TestFiles::keepsModes(m_dataDir->path()))
        QSKIP("this file system keeps no modes: the data folder can't be made read-only");
    if (has("denied:") && !frozen && ::access(FileName::encode(m_tree->path(u"Z/Tracks"_s)).constData(), W_OK) == 0)
        QSKIP("this file system lets every folder be written");
    m_store = std::make_unique<RecordStore>(data);
    const QStringList made = m_tree->describe();

    QStringList ids;
    QString said;
    bool repaired = false;
    int undone = 0;
    for (const QString &step : steps.split(u' ').mid(latin1 ? 1 : 0)) {
        const QString verb = step.section(u':', 0, 0), argument = step.section(u':', 1);
        const auto treePath = [&](int part) {
            return FileName::encode(m_tree->path(argument.section(u'=', part, part)));
        };
        bool numbered = false;
        const int number = argument.toInt(&numbered);
        const auto among = [&](const char *verbs) { return QString::fromLatin1(verbs).split(u' ').contains(verb); };
        if (among("install keep crash stop fail denied"))
            QVERIFY2(numbered && number >= 1 && number <= Packages, qPrintable(u"no such package: "_s + step));
        if (among("noted torn"))
            QVERIFY2(argument.section(u'=', 0, 0).toInt() >= 1 && argument.section(u'=', 0, 0).toInt() <= Packages
                         && argument.section(u'=', 1).toInt() >= 1,
                     qPrintable(u"no such package or file: "_s + step));
        if (among("undo tamper undoing nochown renumbered"))
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
        } else if (verb == u"noted"_s || verb == u"torn"_s) {
            ids << killAtFile(argument, verb == u"torn"_s);
        } else if (verb == u"repair"_s) { // as the next command begins; said before what the undo says
            QStringList lines;
            for (const InstallRepair::Repair &repair : InstallRepair(*m_store).run())
                lines << repair.text().replace(m_tree->path(m_installFolder), u"@"_s);
            said = lines.join(u" / "_s);
            repaired = true;
        } else if (verb == u"undoing"_s) { // as an undo killed once it marked the record leaves it
            InstallRecord record;
            QString error;
            QVERIFY(m_store->load(ids.at(number - 1), &record, &error)
                    && m_store->move(record, InstallRecord::State::Undoing).ok());
        } else if (verb == u"locked"_s) { // by an install still running
            m_holder = std::make_unique<InstallFolder>(m_tree->path(m_installFolder));
            QVERIFY(m_holder->tryLock() && m_holder->lockError() == 0);
        } else if (verb == u"crash"_s) {
            ids << killWhileWriting(number);
        } else if (verb == u"denied"_s) { // into a folder an ordinary user may not write: why it failed
            const QString id = install(number, Replace, InstallResult::WRITE);
            said = id.startsWith(u"code "_s) ? id : m_cause;
        } else if (verb == u"edit"_s) {
            struct stat was;
            QVERIFY(::stat(treePath(0).constData(), &was) == 0);
            QVERIFY(
                TestFiles::writeFile(m_tree->path(argument.section(u'=', 0, 0)), argument.section(u'=', 1).toUtf8()));
            const struct timespec times[2] = {was.st_atim, was.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, treePath(0).constData(), times, 0) == 0);
        } else if (verb == u"gone"_s) { // removed by the user
            QVERIFY(QFile::remove(m_tree->path(argument)));
        } else if (verb == u"hardlink"_s) {
            const bool linked = ::link(treePath(1).constData(), treePath(0).constData()) == 0;
            if (!linked && (errno == EPERM || errno == EOPNOTSUPP))
                QSKIP("this file system has no hard links");
            QVERIFY(linked);
        } else if (verb == u"tamper"_s) {
            tamper(ids.at(number - 1));
        } else if (verb == u"damage"_s) { // every kept original no longer holds what it did
            const QDir store(m_store->storeFolder());
            for (const QString &name : store.entryList(QDir::Files))
                QVERIFY(TestFiles::writeFile(store.filePath(name), "damaged"));
        } else if (verb == u"renumbered"_s) { // the device number a disk mounted again may get
            const QString path = m_store->pathOf(ids.at(number - 1), InstallRecord::State::Ended);
            const QByteArray text = TestFiles::readFile(path);
            const qsizetype at = text.indexOf("installBaseId\t") + 14;
            if (at < 14)
                QSKIP("folders here keep no identity to check");
            QVERIFY(TestFiles::writeFile(path, text.left(at) + "1" + text.mid(at)));
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
            const QString outcome =
                describeUndo(InstallUndo(*m_store).undo(ids.at(number - 1), false)).replace(data, u"@data"_s);
            said = std::exchange(repaired, false) && !said.isEmpty() ? said + u" / "_s + outcome : outcome;
            ++undone;
        } else if (verb == u"nochown"_s) {
            said = undoWithoutChown(ids.at(number - 1));
            ++undone;
        } else if (verb == u"move"_s) {
            QVERIFY(::rename(treePath(0).constData(), treePath(1).constData()) == 0);
        } else if (verb == u"link"_s || verb == u"planted"_s) {
            if (const QString unheld = link(argument, verb == u"planted"_s); !unheld.isEmpty())
                QSKIP(qPrintable(unheld));
        } else if (verb == u"race"_s) {
            ids << race(number);
        } else if (verb == u"listed"_s) {
            said = undoAsListed(&undone);
        } else if (verb == u"unnumbered"_s) { // as older versions wrote them
            const QDir records(m_store->recordsFolder());
            for (const QString &name : records.entryList(QDir::Files)) {
                const QString path = records.filePath(name);
                QString text = QString::fromUtf8(TestFiles::readFile(path));
                QVERIFY(TestFiles::writeFile(path, text.remove(QRegularExpression(uR"(\nsequence\t\d+)"_s)).toUtf8()));
            }
        } else if (verb == u"lost"_s) { // the data folder's count of installs
            QVERIFY(QFile::remove(data + u"/sequence"_s));
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
        QVERIFY2(!ids.contains(QString()) && ids.filter(u" "_s).isEmpty(), qPrintable(ids.join(u", "_s)));
    }
    const QString base = m_tree->path(m_installFolder);
    const QStringList left = m_tree->describe();
    const bool crashed = has("crash:") && TestFiles::killMayLeaveHidden(base);
    const auto [actual, wanted] = TestFiles::treeTexts(crashed ? TestFiles::withoutHidden(left) : left, after, made);
    QCOMPARE(actual, wanted);
    said.replace(m_tree->path(), u"@"_s);
    for (int i = 0; i < ids.size(); ++i)
        said.replace(ids.at(i), u"#%1"_s.arg(i + 1));
    QVERIFY2(outcome.endsWith(u'…') ? said.startsWith(outcome.chopped(1)) : said == outcome, qPrintable(said));
    // Installs undone, or that wrote nothing, leave nothing behind them: no record, no original
    // nobody refers to.
    if ((ids.isEmpty() || said.startsWith(u"Undone"_s)) && undone == ids.size())
        QCOMPARE(TestFiles::describeTree(m_store->recordsFolder()) + TestFiles::describeTree(m_store->storeFolder()),
                 QStringList());
    // Records are kept where they were asked to be, not in a folder named after a lossy reading.
    QCOMPARE(TestFiles::describeTree(m_dataDir->path()).filter(QChar(QChar::ReplacementCharacter)), QStringList());
}
