// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The kernel profiles the other tests run under: each one answers exactly its call (and flag)
// with its error and lets every other call through, on every thread, through exec, and the
// helper that starts a program under them never starts it unfiltered.
#include "KernelProfile.h"
#include "TestFiles.h"

#include <QMap>
#include <QProcess>
#include <QTest>

#include <cerrno>
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

// Where each probe runs: a folder holding the file "a", open read-write.
struct At
{
    int folder, file;
    QByteArray path;
    QByteArray in(const char *name) const { return path + '/' + name; }
};

// Each probe makes one call and returns what it returned: -1, or anything else when it worked.
// Beside the calls some profile answers, the calls nearest to them, which none may catch.
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
    {"fallocate", [](const At &at) { return ::fallocate(at.file, 0, 0, 1 << 16); }},
    {"flock", [](const At &at) { return ::flock(at.file, LOCK_EX | LOCK_NB); }},
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
            if (folder < 0 || at.file < 0 || ::write(at.file, "a", 1) != 1 || ::pipe(go) != 0)
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
    QTest::addColumn<QString>("arguments"); // to kernel-profile, in a folder holding "a"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // what its standard error holds

    // A profile run that went on unfiltered would pass while testing nothing.
    QTest::newRow("the filter outlives exec") << "no-links ln a b" << 1 << "Operation not permitted";
    QTest::newRow("one unknown among known ones, nothing run")
        << "no-flock,no-such-thing touch b" << 125 << "no profile \"no-such-thing\"";
}

void TestProfiles::helper()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);

    TestFiles::Tree tree;
    QVERIFY(tree.make({u"a=a"_s}));
    QProcess helper;
    helper.setWorkingDirectory(tree.path());
    helper.start(Helper, arguments.split(u' '));
    QVERIFY(helper.waitForFinished());
    const QString errors = QString::fromLocal8Bit(helper.readAllStandardError());
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QVERIFY2(errors.contains(error), qPrintable(errors));
    QCOMPARE(helper.exitCode(), status);
    QCOMPARE(tree.describe(), QStringList{u"a=a"_s}); // no link made, nothing touched
}

QTEST_GUILESS_MAIN(TestProfiles)
#include "tst_profiles.moc"
