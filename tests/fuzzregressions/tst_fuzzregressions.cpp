// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every file kept under fuzz/, one row each, through the fuzzer's own check: the inputs that
// once made the fuzzer stop (regressions/), and the corpus it starts from (corpus/), whose
// packages must also load and install, and, cut short at any length, still pass the check
// without loading.
#include "PackageCheck.h"
#include "RecordingPlatform.h"
#include "TestFiles.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptFiles_data();
    void keptFiles();
};

void TestFuzzRegressions::keptFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("valid");
    for (const QString &folder : {u"regressions"_s, u"corpus"_s}) {
        const QDir dir(QStringLiteral(CRATEWRIGHT_FUZZ_DIR) + u'/' + folder);
        for (const QString &name : dir.entryList({u"*.zcpack"_s}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(folder + u'/' + name)) << dir.filePath(name) << (folder == "corpus"_L1);
    }
}

void TestFuzzRegressions::keptFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, valid);
    RecordingPlatform platform; // keeps the log lines to itself
    QTemporaryDir work;
    const QByteArray bytes = TestFiles::readFile(path);
    const PackageCheck check = checkPackage(bytes, work.path());
    QVERIFY2(check.fault.isEmpty(), qPrintable(check.fault));
    if (!valid)
        return;
    QCOMPARE(check.loaded, 0);
    QCOMPARE(check.installed, 0);
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        const PackageCheck cut = checkPackage(bytes.left(length), work.path());
        QVERIFY2(cut.fault.isEmpty() && cut.loaded != 0,
                 qPrintable(u"cut to %1 bytes: %2"_s.arg(length).arg(cut.fault)));
    }
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
