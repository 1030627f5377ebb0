// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What must hold on every disk our users install to, in one table that
// scripts/test-filesystems.sh runs on each file system it can mount, as root and as an
// ordinary user: the install tree lives wherever TMPDIR points, the data folder where
// CRATEWRIGHT_TEST_DATA_DIR points (by default beside the tree, on the same file system).
// Each row makes a tree (the install folder is Z/), installs a package into it with its
// record kept, maybe kills the install or undoes it, and compares the tree afterwards.
#include "PackageWriter.h"
#include "TestFiles.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "records/InstallJournal.h"
#include "records/InstallUndo.h"
#include "records/RecordStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Row
{
    QStringList before;                               // tree lines
    QList<std::pair<QByteArray, QByteArray>> package; // path in the package, content
    QString steps;     // "install:y", "install:n" or "kill", then maybe "undo" (CONTRIBUTING.md)
    int code;          // what the install returned (killed: not checked)
    QStringList after; // the tree; "=": as made; "X ?": X or nothing; "X | Y": one of them
    QString outcome;   // what the undo did, as in tst_records
    QString cause;     // the failure's cause as TrackPackage tells it
};

const QByteArray Small(100, 's');
const QByteArray Large(64 << 10, 'L');
const QByteArray Huge = [] { // large enough to be killed while it is written, even on tmpfs
    QByteArray bytes(8 << 20, 'h');
    for (qsizetype i = 0; i < bytes.size(); i += 4096)
        bytes[i] = char(i >> 12);
    return bytes;
}();

QString line(const char *path, const QByteArray &content)
{
    return TestFiles::fileLine(QString::fromUtf8(path), content);
}

PackageWriter packageOf(const QList<std::pair<QByteArray, QByteArray>> &files)
{
    PackageWriter writer;
    writer.setTitle("Disk");
    for (const auto &[path, content] : files) {
        const qsizetype slash = path.lastIndexOf('/');
        writer.addFile(QByteArray(path.left(slash + 1)).replace('/', '\\'), path.mid(slash + 1), content);
    }
    return writer;
}

// A regular file under `folder` that the process `child` holds open: a file being written.
bool writingUnder(pid_t child, const QString &folder)
{
    const QString fds = u"/proc/%1/fd"_s.arg(child);
    for (const QString &fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
        const QByteArray path = QFile::encodeName(fds + u'/' + fd);
        struct stat info;
        if (QFileInfo(QFile::decodeName(path)).symLinkTarget().startsWith(folder + u'/')
            && ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            return true;
    }
    return false;
}

bool ended(pid_t child)
{
    const QByteArray stat = TestFiles::readFile(u"/proc/%1/stat"_s.arg(child));
    return stat.isEmpty() || stat.contains(") Z ");
}

} // namespace

Q_DECLARE_METATYPE(Row)

class TestDisks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void disk_data();
    void disk();
    void cleanup();

private:
    int install(const QString &packagePath, OverwriteAnswer answer, QString *id, QString *cause);
    void killMidInstall(const QString &packagePath);

    std::unique_ptr<TestFiles::Tree> m_tree;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<RecordStore> m_store;
};

void TestDisks::initTestCase()
{
    ::umask(0); // the modes that tree lines take for granted
    const QByteArray data = qgetenv("CRATEWRIGHT_TEST_DATA_DIR");
    qInfo("install tree in %s, data folder in %s", qPrintable(QDir::tempPath()),
          data.isEmpty() ? "the same place" : data.constData());
}

void TestDisks::cleanup()
{
    // A folder left read-only would keep its tree from being removed.
    if (m_tree)
        QFile::setPermissions(m_tree->path(u"Z/Tracks"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_tree.reset();
    m_store.reset();
    m_data.reset();
}

void TestDisks::disk_data()
{
    QTest::addColumn<Row>("row");
    const QStringList same{u"="_s};
    const QStringList old{u"Z/Tracks/loop.zctrack=old"_s, u"Z/readme.txt=mine"_s};
    const auto row = [](const QByteArray &name, const Row &row) { QTest::newRow(name.constData()) << row; };

    for (const bool undo : {false, true}) {
        const auto name = [undo](const char *text) { return QByteArray(text) + (undo ? ", undone" : ""); };
        const QString steps = undo ? u" undo"_s : QString();
        const auto after = [&](const QStringList &installed) { return undo ? same : installed; };
        row(name("replace an existing file"),
            {old,
             {{"Tracks/loop.zctrack", "new"}},
             u"install:y"_s + steps,
             0,
             after({u"Z/"_s, u"Z/Tracks/"_s, u"Z/Tracks/loop.zctrack=new"_s, u"Z/readme.txt=mine"_s}),
             undo ? u"Undone +Tracks/loop.zctrack"_s : QString(),
             {}});
        row(name("keep an existing file"), {old,
                                            {{"readme.txt", "theirs"}, {"Tracks/extra.zctrack", "x"}},
                                            u"install:n"_s + steps,
                                            0,
                                            after({u"Z/"_s, u"Z/Tracks/"_s, u"Z/Tracks/extra.zctrack=x"_s,
                                                   u"Z/Tracks/loop.zctrack=old"_s, u"Z/readme.txt=mine"_s}),
                                            undo ? u"Undone -Tracks/extra.zctrack"_s : QString(),
                                            {}});
        row(name("a new file under 4 KiB"), {{u"Z/"_s},
                                             {{"Tracks/small.zctrack", Small}},
                                             u"install:y"_s + steps,
                                             0,
                                             after({u"Z/"_s, u"Z/Tracks/"_s, line("Z/Tracks/small.zctrack", Small)}),
                                             undo ? u"Undone -Tracks/small.zctrack"_s : QString(),
                                             {}});
        row(name("a new file over 4 KiB"), {{u"Z/"_s},
                                            {{"Tracks/large.zctrack", Large}},
                                            u"install:y"_s + steps,
                                            0,
                                            after({u"Z/"_s, u"Z/Tracks/"_s, line("Z/Tracks/large.zctrack", Large)}),
                                            undo ? u"Undone -Tracks/large.zctrack"_s : QString(),
                                            {}});
        // The store keeps an original once however often it is replaced: the second is found
        // kept already.
        row(name("replace two files with the same content"), {{u"Z/a.txt=same"_s, u"Z/b.txt=same"_s},
                                                              {{"a.txt", "new a"}, {"b.txt", "new b"}},
                                                              u"install:y"_s + steps,
                                                              0,
                                                              after({u"Z/"_s, u"Z/a.txt=new a"_s, u"Z/b.txt=new b"_s}),
                                                              undo ? u"Undone +a.txt +b.txt"_s : QString(),
                                                              {}});
        // Killed while the large file is written, after the replacement: each file is whole or
        // not there.
        row(name("killed mid-install"),
            {old,
             {{"Tracks/loop.zctrack", "new"}, {"Big/huge.zctrack", Huge}},
             u"kill"_s + steps,
             0,
             undo ? same
                  : QStringList{u"Z/"_s, u"Z/Tracks/"_s, u"Z/Tracks/loop.zctrack=old | Z/Tracks/loop.zctrack=new"_s,
                                u"Z/readme.txt=mine"_s, u"Z/Big/ ?"_s, line("Z/Big/huge.zctrack", Huge) + u" ?"_s},
             undo ? u"Undone…"_s : QString(),
             {}});
    }
    // An ordinary user's read-only folder: nothing can be replaced in it.
    row("a file that can't be replaced", {{u"Z/Tracks/loop.zctrack=old"_s, u"Z/Tracks/ (mode 0555)"_s},
                                          {{"Tracks/loop.zctrack", "new"}},
                                          u"install:y"_s,
                                          number(InstallResult::WRITE),
                                          same,
                                          {},
                                          u"cannot replace 'Tracks/loop.zctrack': Permission denied"_s});
}

int TestDisks::install(const QString &packagePath, OverwriteAnswer answer, QString *id, QString *cause)
{
    TrackPackage package;
    if (package.loadPackageFileAtPath(packagePath) != LoadResult::Loaded)
        return INT_MIN;
    InstallJournal journal(*m_store, package);
    package.setInstallObserver(&journal);
    package.setOverwriteQuery([answer](const QString &) { return answer; });
    const InstallResult code = package.expandPackageTo(m_tree->path(u"Z"_s), true);
    *id = journal.recordId();
    *cause = package.lastInstall().causeText();
    return number(code);
}

// Installs in a child that is killed outright once the first file is done and the next is
// being written (or, on a disk too quick to be caught, once the install has ended).
void TestDisks::killMidInstall(const QString &packagePath)
{
    int reports[2];
    QVERIFY(::pipe2(reports, O_NONBLOCK | O_CLOEXEC) == 0);
    const QString base = m_tree->path(u"Z"_s);
    const int status = TestFiles::runInChild(
        [&] {
            TrackPackage package;
            if (package.loadPackageFileAtPath(packagePath) != LoadResult::Loaded)
                return 1;
            InstallJournal journal(*m_store, package);
            package.setInstallObserver(&journal);
            package.setOverwriteQuery([](const QString &) { return OverwriteAnswer::Replace; });
            package.setProgressHandler([&](qint64, qint64) { (void)!::write(reports[1], "x", 1); });
            package.expandPackageTo(base, true);
            (void)!::write(reports[1], "xx", 2);
            return ::pause();
        },
        [&](pid_t child) {
            char report;
            for (int done = 0; done < 2 && !(done == 1 && writingUnder(child, base)) && !ended(child);)
                done += ::read(reports[0], &report, 1) == 1;
            ::kill(child, SIGKILL);
        });
    ::close(reports[0]);
    ::close(reports[1]);
    QCOMPARE(status, TestFiles::KilledBy + SIGKILL);
}

void TestDisks::disk()
{
    QFETCH(Row, row);
    const QStringList steps = row.steps.split(u' ');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QStringList known = i == 0   ? QStringList{u"install:y"_s, u"install:n"_s, u"kill"_s}
                                  : i == 1 ? QStringList{u"undo"_s}
                                           : QStringList();
        QVERIFY2(known.contains(steps.at(i)),
                 qPrintable(u"unknown step \"%1\" in \"%2\""_s.arg(steps.at(i), row.steps)));
    }
    const bool readOnlyFolder = row.before.join(u'\n').contains(u"(mode 0555)"_s);
    if (readOnlyFolder && ::geteuid() == 0)
        QSKIP("root replaces files in read-only folders");

    const QByteArray dataParent = qgetenv("CRATEWRIGHT_TEST_DATA_DIR");
    m_data = dataParent.isEmpty()
                 ? std::make_unique<QTemporaryDir>()
                 : std::make_unique<QTemporaryDir>(QFile::decodeName(dataParent) + u"/zc-data-XXXXXX"_s);
    m_tree = std::make_unique<TestFiles::Tree>();
    QVERIFY2(m_data->isValid(), qPrintable(m_data->errorString()));
    const bool made = m_tree->make(row.before);
    if (!made && !m_tree->unsupported().isEmpty())
        QSKIP(qPrintable(m_tree->unsupported()));
    QVERIFY(made);
    m_store = std::make_unique<RecordStore>(m_data->filePath(u"zc"_s));
    if (readOnlyFolder && ::access(QFile::encodeName(m_tree->path(u"Z/Tracks"_s)).constData(), W_OK) == 0)
        QSKIP("this file system lets every folder be written");
    const QStringList before = m_tree->describe();
    const QString packagePath = m_data->filePath(u"disk.zcpack"_s);
    QVERIFY(packageOf(row.package).writeTo(packagePath));

    QString id;
    if (row.steps.startsWith(u"kill"_s)) {
        killMidInstall(packagePath);
        if (QTest::currentTestFailed())
            return;
        // A journal, or a record when the install was quicker than the kill.
        const QFileInfoList records = QDir(m_store->recordsFolder()).entryInfoList(QDir::Files);
        QCOMPARE(records.size(), 1);
        id = records.first().completeBaseName();
    } else {
        QString cause;
        const OverwriteAnswer answer = row.steps.startsWith(u"install:y"_s) ? OverwriteAnswer::Replace
                                                                            : OverwriteAnswer::Keep;
        QCOMPARE(install(packagePath, answer, &id, &cause), row.code);
        if (!row.cause.isEmpty()) {
            QCOMPARE(m_tree->describe(), before);
            QCOMPARE(cause, row.cause);
        }
        QVERIFY(row.code != number(InstallResult::Success) || !id.isEmpty());
    }

    QString said;
    if (row.steps.endsWith(u"undo"_s)) {
        const InstallUndo::Outcome done = InstallUndo(*m_store).undo(id, false);
        const char *results[] = {"Undone", "NotFound", "Refused", "Failed", "Stopped"};
        said = QString::fromLatin1(results[int(done.result)]);
        for (const auto &[mark, paths] : {std::pair(u'-', done.removed), std::pair(u'+', done.restored),
                                          std::pair(u'=', done.kept), std::pair(u'>', done.handedOn)})
            for (const QString &path : paths)
                said += QStringLiteral(" %1%2").arg(QChar(mark), path);
        if (!done.message.isEmpty())
            said += u" ("_s + done.message + u')';
    }

    // What is there, less what may be: a hidden temporary where the disk has no unnamed files.
    QStringList left = m_tree->describe(), expected, hidden;
    const bool mayLeaveHidden = row.steps.startsWith(u"kill"_s) && !TestFiles::hasUnnamedFiles(m_tree->path(u"Z"_s));
    for (const QString &path : std::as_const(left))
        if (QFileInfo(path).fileName().startsWith(u".cratewright-"_s))
            hidden << path;
    if (mayLeaveHidden)
        for (const QString &path : std::as_const(hidden))
            left.removeOne(path);
    for (const QString &wanted : row.after == QStringList{u"="_s} ? before : row.after) {
        if (wanted.endsWith(u" ?"_s)) {
            left.removeOne(wanted.chopped(2));
        } else if (wanted.contains(u" | "_s)) {
            const QStringList either = wanted.split(u" | "_s);
            const auto found = std::find_if(left.cbegin(), left.cend(),
                                            [&](const QString &l) { return either.contains(l); });
            expected << (found != left.cend() ? *found : wanted);
        } else {
            expected << wanted;
        }
    }
    expected.sort();
    // As text: a list that differs in length would be reported by its length alone.
    QCOMPARE(left.join(u'\n'), expected.join(u'\n'));

    if (row.steps.endsWith(u"undo"_s)) {
        QVERIFY2(row.outcome.endsWith(u'…') ? said.startsWith(row.outcome.chopped(1)) : said == row.outcome,
                 qPrintable(said));
        // Undone installs leave nothing behind them: no record, no original nobody refers to.
        const auto contents = [](const QString &folder) {
            return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        };
        QCOMPARE(contents(m_store->recordsFolder()), QStringList());
        QCOMPARE(contents(m_store->storeFolder()), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestDisks)
#include "tst_disks.moc"
