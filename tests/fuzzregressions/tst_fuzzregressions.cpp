// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every file kept under fuzz/, one row each, through its fuzz target's own check: the inputs
// that once made a fuzzer stop (regressions/<target>/), and the corpora the fuzzers start from
// (corpus/package/, corpus/record/), whose files must also load and install or read, and, cut
// short at any length, still pass the check.
#include "PackageCheck.h"
#include "RecordCheck.h"
#include "RecordingPlatform.h"
#include "TestFiles.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A fuzz target's check on one input: its fault, and whether the input was taken (loaded, and
// installed by the install target; read as a record).
using Verdict = std::pair<QString, bool>;

Verdict verdict(const QString &target, const QByteArray &bytes, const QString &work)
{
    if (target == "package"_L1) {
        const PackageCheck check = checkRead(bytes);
        return {check.fault, check.loaded == 0};
    }
    if (target == "install"_L1) {
        const PackageCheck check = checkInstall(bytes, work);
        return {check.fault, check.loaded == 0 && check.installed == 0};
    }
    if (target == "record"_L1) {
        const RecordCheck check = checkRecord(bytes);
        return {check.fault, check.parsed};
    }
    return {u"no fuzz target named %1"_s.arg(target), false};
}

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptFiles_data();
    void keptFiles();
};

void TestFuzzRegressions::keptFiles_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("cutTarget"); // a corpus file's: it and each of its cuts run through it
    const QDir fuzz(QStringLiteral(CRATEWRIGHT_FUZZ_DIR));
    const QDir regressions(fuzz.filePath(u"regressions"_s));
    for (const QString &target : regressions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(regressions.filePath(target));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(u"regressions/%1/%2"_s.arg(target, name)))
                << target << dir.filePath(name) << QString();
    }
    // A package of the corpus is installed whole, and read in memory whole and cut.
    for (const auto &[corpus, target] : {std::pair(u"package"_s, u"install"_s), std::pair(u"record"_s, u"record"_s)}) {
        const QDir dir(fuzz.filePath(u"corpus/"_s + corpus));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(u"corpus/%1/%2"_s.arg(corpus, name))) << target << dir.filePath(name) << corpus;
    }
}

void TestFuzzRegressions::keptFiles()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFETCH(QString, cutTarget);
    RecordingPlatform platform; // keeps the log lines to itself
    QTemporaryDir work;
    const QByteArray bytes = TestFiles::readFile(path);
    const auto [fault, taken] = verdict(target, bytes, work.path());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    if (cutTarget.isEmpty())
        return;
    QVERIFY(taken);
    // A cut record may still read (a journal loses its cut last line); a cut package never loads.
    for (qsizetype length = 0; length <= bytes.size(); ++length) {
        const auto [cutFault, cutTaken] = verdict(cutTarget, bytes.left(length), work.path());
        const bool all = length == bytes.size();
        QVERIFY2(cutFault.isEmpty(), qPrintable(u"cut to %1 bytes: %2"_s.arg(length).arg(cutFault)));
        QVERIFY2(cutTaken == all || (!all && cutTarget == "record"_L1),
                 qPrintable(u"cut to %1 bytes, taken: %2"_s.arg(length).arg(cutTaken)));
    }
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
