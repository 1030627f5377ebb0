// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The kernel profiles the other tests run under: each one answers exactly its call (and flag)
// with its error and lets every other call through, on every thread, through exec, and the
// helper that starts a program under them says what went wrong when it can't.
#include "KernelProfile.h"
#include "TestFiles.h"

#include <QMap>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Where each probe runs: a folder holding the files "a" and "b", with "a" open read-write.
struct At
{
    int folder, file;
    QByteArray path;
    QByteArray in(const char *name) const { return path + '/' + name; }
};

// Each probe makes one call and returns what it returned: -1, or anything else when it worked.
using Probe = int (*)(const At &);
const QList<std::pair<const char *, Probe>> Probes{
    {"link", [](const At &at) { return ::link(at.in("a"), at.in("new")); }},
    {"linkat", [](const At &at) { return ::linkat(at.folder, "a", at.folder, "new", 0); }},
    {"linkat AT_EMPTY_PATH", [](const At &at) { return ::linkat(at.file, "", at.folder, "new", AT_EMPTY_PATH); }},
    {"linkat through /proc",
     [](const At &at) {
         const QByteArray proc = "/proc/self/fd/" + QByteArray::number(at.file);
         return ::linkat(AT_FDCWD, proc.constData(), at.folder, "new", AT_SYMLINK_FOLLOW);
     }},
    {"openat O_TMPFILE", [](const At &at) { return ::openat(at.folder, ".", O_TMPFILE | O_WRONLY, 0666); }},
    {"open O_TMPFILE", [](const At &at) { return ::open(at.path, O_TMPFILE | O_RDWR, 0666); }},
#ifdef SYS_open
    {"open system call O_TMPFILE",
     [](const At &at) { return int(::syscall(SYS_open, at.path.constData(), O_TMPFILE | O_WRONLY, 0666)); }},
#endif
    {"openat O_CREAT", [](const At &at) { return ::openat(at.folder, "new", O_CREAT | O_EXCL | O_WRONLY, 0666); }},
    {"openat O_DIRECTORY", [](const At &at) { return ::openat(at.folder, ".", O_DIRECTORY | O_RDONLY); }},
    {"openat2",
     [](const At &at) {
         open_how how{};
         how.flags = O_RDONLY;
         return int(::syscall(SYS_openat2, at.folder, "a", &how, sizeof how));
     }},
    {"renameat2 RENAME_NOREPLACE",
     [](const At &at) { return ::renameat2(at.folder, "a", at.folder, "new", RENAME_NOREPLACE); }},
    {"renameat2 RENAME_EXCHANGE",
     [](const At &at) { return ::renameat2(at.folder, "a", at.folder, "b", RENAME_EXCHANGE); }},
    {"renameat", [](const At &at) { return ::renameat(at.folder, "a", at.folder, "b"); }},
    {"fallocate", [](const At &at) { return ::fallocate(at.file, 0, 0, 1 << 16); }},
    {"ftruncate", [](const At &at) { return ::ftruncate(at.file, 1 << 16); }},
    {"flock", [](const At &at) { return ::flock(at.file, LOCK_EX | LOCK_NB); }},
    {"fcntl lock",
     [](const At &at) {
         struct flock lock
         {
         };
         lock.l_type = F_WRLCK;
         return ::fcntl(at.file, F_OFD_SETLK, &lock);
     }},
};

// What a kernel without the feature answers; every probe not named goes through. Profiles
// joined by commas combine, as on FAT where several are missing at once.
const QMap<QString, QList<std::pair<const char *, int>>> Blocked{
    {u"no-empty-path-links"_s, {{"linkat AT_EMPTY_PATH", ENOENT}}},
    {u"no-tmpfile"_s,
     {{"openat O_TMPFILE", EOPNOTSUPP},
      {"open O_TMPFILE", EOPNOTSUPP},
      {"open system call O_TMPFILE", EOPNOTSUPP},
      {"openat2", ENOSYS}}},
    {u"no-noreplace"_s, {{"renameat2 RENAME_NOREPLACE", EINVAL}}},
    {u"no-links"_s,
     {{"link", EPERM}, {"linkat", EPERM}, {"linkat AT_EMPTY_PATH", EPERM}, {"linkat through /proc", EPERM}}},
    {u"no-fallocate"_s, {{"fallocate", EOPNOTSUPP}}},
    {u"no-flock"_s, {{"flock", ENOLCK}}},
};

constexpr int NotInstalled = -1;

QString errorName(int error)
{
    return error == NotInstalled ? u"no filter"_s
           : error == 0          ? u"goes through"_s
                                 : QString::fromLatin1(std::strerror(error));
}

const QString Helper = QStringLiteral(KERNEL_PROFILE_HELPER);

} // namespace

class TestProfiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ::umask(0); } // the modes that tree lines take for granted
    void calls_data();
    void calls();
    void helper_data();
    void helper();
};

void TestProfiles::calls_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("probe");
    QTest::addColumn<int>("error");

    for (const QString &profile : Blocked.keys() + QStringList{u"no-tmpfile,no-links"_s}) {
        for (qsizetype probe = 0; probe < Probes.size(); ++probe) {
            int error = 0;
            for (const QString &each : profile.split(u','))
                for (const auto &[name, answer] : Blocked[each])
                    error = qstrcmp(name, Probes.at(probe).first) == 0 ? answer : error;
            QTest::addRow("%s: %s", qPrintable(profile), Probes.at(probe).first) << profile << int(probe) << error;
        }
    }
}

// Each probe runs on a thread started before the filter: a worker that was already running
// must not slip past it.
void TestProfiles::calls()
{
    QFETCH(QString, profile);
    QFETCH(int, probe);
    QFETCH(int, error);

    const auto run = [&](bool filtered) {
        QTemporaryDir dir; // each run its own, the probes make files
        const QByteArray path = QFile::encodeName(dir.path());
        return TestFiles::runInChild([&] {
            const int folder = ::open(path, O_DIRECTORY | O_RDONLY);
            const At at{folder, ::openat(folder, "a", O_CREAT | O_RDWR, 0666), path};
            int go[2], answer = NotInstalled;
            if (folder < 0 || at.file < 0 || ::openat(folder, "b", O_CREAT | O_RDWR, 0666) < 0
                || ::write(at.file, "a", 1) != 1 || ::pipe(go) != 0)
                return int(NotInstalled);
            std::thread earlier([&] {
                char byte;
                if (::read(go[0], &byte, 1) == 1)
                    answer = Probes.at(probe).second(at) < 0 ? errno : 0;
            });
            const bool installed = !filtered || KernelProfile::install(profile);
            (void)!::write(go[1], installed ? "g" : "", installed ? 1 : 0);
            ::close(go[1]);
            earlier.join();
            return answer;
        });
    };

    const int plain = run(false);
    if (plain != 0)
        QSKIP(qPrintable(u"this machine can't do it either: "_s + errorName(plain)));
    QCOMPARE(errorName(run(true)), errorName(error));
}

void TestProfiles::helper_data()
{
    QTest::addColumn<QStringList>("arguments"); // to kernel-profile, in a folder holding "a"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error"); // what its standard error holds
    QTest::addColumn<QStringList>("after");

    const auto row = [](const char *name, const QStringList &arguments, int status, const QString &output,
                        const QString &error, const QStringList &after = {u"a=a"_s}) {
        QTest::newRow(name) << arguments << status << output << error << after;
    };
    const auto words = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    const QString none;
    const QStringList shell{
        u"sh"_s, u"-c"_s,
        u"echo \"$%1\"; flock -n a true || echo unlocked; ln a b"_s.arg(QLatin1String(KernelProfile::Variable))};
    row("the filter outlives exec", words("no-links ln a b"), 1, none, u"Operation not permitted"_s);
    row("what it doesn't name works", words("no-links cp a b"), 0, none, none, {u"a=a"_s, u"b=a"_s});
    row("the names in force, for the program", words("no-flock,no-links") + shell, 1,
        u"no-flock,no-links\nunlocked\n"_s, u"Operation not permitted"_s);
    row("profiles stack", words("no-flock") + QStringList{Helper, u"no-links"_s} + shell, 1,
        u"no-flock,no-links\nunlocked\n"_s, u"No locks available"_s);
    row("unknown profile, nothing run", words("no-such-thing touch b"), 125, none, u"no profile \"no-such-thing\""_s);
    row("one unknown among known ones, nothing run", words("no-flock,no-such-thing touch b"), 125, none,
        u"no profile \"no-such-thing\""_s);
    row("no program", words("no-flock"), 125, none, u"usage: kernel-profile"_s);
    row("missing program", words("no-flock ./missing"), 127, none, u"./missing: No such file or directory"_s);
    row("not a program", words("no-flock ./a"), 126, none, u"./a: Permission denied"_s);
}

void TestProfiles::helper()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QStringList, after);

    TestFiles::Tree tree;
    QVERIFY(tree.make({u"a=a"_s}));
    QProcess helper;
    helper.setWorkingDirectory(tree.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QLatin1String(KernelProfile::Variable));
    helper.setProcessEnvironment(environment);
    helper.start(Helper, arguments);
    QVERIFY(helper.waitForFinished());
    const QString errors = QString::fromLocal8Bit(helper.readAllStandardError());
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QVERIFY2(errors.contains(error), qPrintable(errors));
    QCOMPARE(helper.exitCode(), status);
    QCOMPARE(QString::fromLocal8Bit(helper.readAllStandardOutput()), output);
    QCOMPARE(tree.describe(), after);
}

QTEST_GUILESS_MAIN(TestProfiles)
#include "tst_profiles.moc"
