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
#include "UndoSummary.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "records/InstallJournal.h"

#include <QDir>
#include <QTest>

#include <climits>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using TestFiles::L;

namespace {

using Files = QList<std::pair<QByteArray, QByteArray>>; // path in the package, content

struct Row
{
    QStringList before; // tree lines
    Files package;
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

PackageWriter packageOf(const Files &files)
{
    PackageWriter writer;
    writer.setTitle("Disk");
    for (const auto &[path, content] : files) {
        const qsizetype slash = path.lastIndexOf('/');
        writer.addFile(QByteArray(path.left(slash + 1)).replace('/', '\\'), path.mid(slash + 1), content);
    }
    return writer;
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
    InstallResult install(const QString &packagePath, OverwriteAnswer answer, QString *cause,
                          const std::function<void()> &fileDone = {});

    std::unique_ptr<TestFiles::Tree> m_tree;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<RecordStore> m_store;
    QString m_id;
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
    const QStringList old = L(u"Z/Tracks/loop.zctrack=old"_s, u"Z/readme.txt=mine"_s);
    const QString loop = u"Z/Tracks/loop.zctrack="_s;
    // Each install twice: as it leaves the tree, and undone, when it leaves the tree as made.
    const auto installed = [](const char *name, const QStringList &before, const Files &package, const char *install,
                              const QStringList &after, const QString &undone) {
        QTest::newRow(name) << Row{before, package, QString::fromLatin1(install), 0, after, {}, {}};
        QTest::addRow("%s, undone", name)
            << Row{before, package, QString::fromLatin1(install) + u" undo"_s, 0, {u"="_s}, undone, {}};
    };
    const QStringList folders = L(u"Z/"_s, u"Z/Tracks/"_s);
    installed("replace an existing file", old, {{"Tracks/loop.zctrack", "new"}}, "install:y",
              folders + L(loop + u"new"_s, old[1]), u"Undone +Tracks/loop.zctrack"_s);
    installed("keep an existing file", old, {{"readme.txt", "theirs"}, {"Tracks/extra.zctrack", "x"}}, "install:n",
              folders + L(u"Z/Tracks/extra.zctrack=x"_s) + old, u"Undone -Tracks/extra.zctrack"_s);
    for (const auto &[name, content] :
         {std::pair("a new file under 4 KiB", Small), std::pair("a new file over 4 KiB", Large)})
        installed(name, L(u"Z/"_s), {{"Tracks/new.zctrack", content}}, "install:y",
                  folders + L(TestFiles::fileLine(u"Z/Tracks/new.zctrack"_s, content)),
                  u"Undone -Tracks/new.zctrack"_s);
    // The store keeps an original once however often it is replaced: the second is found kept
    // already.
    installed("replace two files with the same content", L(u"Z/a.txt=same"_s, u"Z/b.txt=same"_s),
              {{"a.txt", "new a"}, {"b.txt", "new b"}}, "install:y", L(u"Z/"_s, u"Z/a.txt=new a"_s, u"Z/b.txt=new b"_s),
              u"Undone +a.txt +b.txt"_s);
    // Killed while the large file is written, after the replacement: each file is whole or not
    // there.
    const Files killed{{"Tracks/loop.zctrack", "new"}, {"Big/huge.zctrack", Huge}};
    QTest::newRow("killed mid-install") << Row{old,
                                               killed,
                                               u"kill"_s,
                                               0,
                                               folders
                                                   + L(loop + u"old | "_s + loop + u"new"_s, old[1], u"Z/Big/ ?"_s,
                                                       TestFiles::fileLine(u"Z/Big/huge.zctrack"_s, Huge) + u" ?"_s),
                                               {},
                                               {}};
    QTest::newRow("killed mid-install, undone") << Row{old, killed, u"kill undo"_s, 0, {u"="_s}, u"Undone…"_s, {}};
    // An ordinary user's read-only folder: nothing can be replaced in it.
    QTest::newRow("a file that can't be replaced") << Row{{loop + u"old"_s, u"Z/Tracks/ (mode 0555)"_s},
                                                          {{"Tracks/loop.zctrack", "new"}},
                                                          u"install:y"_s,
                                                          number(InstallResult::WRITE),
                                                          {u"="_s},
                                                          {},
                                                          u"cannot replace 'Tracks/loop.zctrack': Permission denied"_s};
}

InstallResult TestDisks::install(const QString &packagePath, OverwriteAnswer answer, QString *cause,
                                 const std::function<void()> &fileDone)
{
    TrackPackage package;
    if (package.loadPackageFileAtPath(packagePath) != LoadResult::Loaded)
        return InstallResult(INT_MIN);
    InstallJournal journal(*m_store, package);
    package.setInstallObserver(&journal);
    package.setOverwriteQuery([answer](const QString &) { return answer; });
    if (fileDone)
        package.setProgressHandler([&](qint64, qint64) { fileDone(); });
    const InstallResult code = package.expandPackageTo(m_tree->path(u"Z"_s), true);
    m_id = journal.recordId();
    *cause = package.lastInstall().causeText();
    return code;
}

void TestDisks::disk()
{
    QFETCH(Row, row);
    const QStringList steps = row.steps.split(u' ');
    QVERIFY2(L(u"install:y"_s, u"install:n"_s, u"kill"_s).contains(steps[0]) && steps.size() <= 2
                 && steps.value(1, u"undo"_s) == u"undo"_s,
             qPrintable(u"unknown steps \"%1\""_s.arg(row.steps)));
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
    const QString packagePath = m_data->filePath(u"disk.zcpack"_s), base = m_tree->path(u"Z"_s);
    QVERIFY(packageOf(row.package).writeTo(packagePath));

    const bool killed = steps[0] == u"kill"_s;
    if (killed) {
        QCOMPARE(TestFiles::killWhileWriting(base,
                                             [&](const std::function<void()> &fileDone) {
                                                 QString cause;
                                                 install(packagePath, OverwriteAnswer::Replace, &cause, fileDone);
                                             }),
                 TestFiles::KilledBy + SIGKILL);
        // A journal, or a record when the install was quicker than the kill.
        const QStringList records = QDir(m_store->recordsFolder()).entryList(QDir::Files);
        QCOMPARE(records.size(), 1);
        m_id = records[0].section(u'.', 0, -2);
    } else {
        QString cause;
        const auto answer = steps[0] == u"install:y"_s ? OverwriteAnswer::Replace : OverwriteAnswer::Keep;
        QCOMPARE(number(install(packagePath, answer, &cause)), row.code);
        QCOMPARE(cause, row.cause);
        QVERIFY(row.code != 0 || !m_id.isEmpty());
    }
    QString said;
    if (steps.size() == 2)
        said = UndoSummary::of(InstallUndo(*m_store).undo(m_id, false));

    const QStringList left = m_tree->describe();
    const auto [actual, wanted] = TestFiles::treeTexts(
        killed && TestFiles::killMayLeaveHidden(base) ? TestFiles::withoutHidden(left) : left, row.after, before);
    QCOMPARE(actual, wanted);
    if (steps.size() == 2) {
        QVERIFY2(UndoSummary::matches(said, row.outcome), qPrintable(said));
        QCOMPARE(UndoSummary::leftIn(*m_store), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestDisks)
#include "tst_disks.moc"
