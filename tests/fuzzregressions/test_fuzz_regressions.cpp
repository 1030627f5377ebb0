// The files the fuzzer keeps: the corpus it starts from (fuzz/corpus/) and the inputs that once
// made the program fail (fuzz/regressions/). Every one of them is loaded and, when it loads,
// installed with asking off; none may crash, return a code outside the tables, or write
// anything outside the install folder. The corpus packages are all valid, so they must also
// install completely, with every file holding exactly its inflated bytes.
#include "TestFiles.h"
#include "RecordingPlatform.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

namespace {

using TestFiles::readFile;

const QString FuzzDir = QStringLiteral(CRATEWRIGHT_FUZZ_DIR);

QStringList packagesIn(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.zcpack")}, QDir::Files, QDir::Name))
        paths.append(dir.filePath(name));
    return paths;
}

// Everything in `folder`, one level, so that a stray file beside the install base shows.
QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// What an entry's file must hold: its stored bytes inflated, cut or padded with zeros to its
// uncompressed size.
QByteArray inflatedEntry(const TrackPackage &package, const ZLibCompFileMetaData &entry)
{
    const QByteArray stored = package.pkgFileData().mid(qsizetype(package.baseOffset()) + entry.baseRelOffset(),
                                                        entry.compSize());
    QByteArray out(entry.unCompSize() + 64, '\0');
    uLongf produced = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef *>(out.data()), &produced,
                   reinterpret_cast<const Bytef *>(stored.constData()), uLong(stored.size()))
        != Z_OK)
        return QByteArray("<does not inflate>");
    out.truncate(entry.unCompSize());
    return out;
}

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKeptInputIsHandled_data();
    void everyKeptInputIsHandled();
    void corpusPackagesInstallCompletely_data();
    void corpusPackagesInstallCompletely();
};

void TestFuzzRegressions::everyKeptInputIsHandled_data()
{
    QTest::addColumn<QString>("path");
    const QStringList paths = packagesIn(FuzzDir + QStringLiteral("/regressions"))
                              + packagesIn(FuzzDir + QStringLiteral("/corpus"));
    QVERIFY2(!paths.isEmpty(), qPrintable(FuzzDir));
    for (const QString &path : paths) {
        const QString row = QDir(FuzzDir).relativeFilePath(path);
        QTest::newRow(qPrintable(row)) << path;
    }
}

void TestFuzzRegressions::everyKeptInputIsHandled()
{
    QFETCH(QString, path);
    RecordingPlatform platform;
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString base = root.filePath(QStringLiteral("base"));

    TrackPackage package;
    const int loaded = package.loadPackageFileAtPath(path);
    QVERIFY2(loaded == LoadResult::Loaded || loaded == LoadResult::CannotOpen
                 || loaded == LoadResult::VersionNotAccepted || loaded == LoadResult::NotAPackage
                 || loaded == LoadResult::FileCountMismatch,
             qPrintable(QString::number(loaded)));
    if (loaded != LoadResult::Loaded)
        return;

    const int installed = package.expandPackageTo(base, false);
    QVERIFY2(installed <= InstallResult::Success && installed >= InstallResult::MISC,
             qPrintable(QString::number(installed)));
    QCOMPARE(namesIn(root.path()), QStringList{QStringLiteral("base")});
    QCOMPARE(platform.alerts.size(), 0); // asking is off
}

void TestFuzzRegressions::corpusPackagesInstallCompletely_data()
{
    QTest::addColumn<QString>("path");
    const QStringList paths = packagesIn(FuzzDir + QStringLiteral("/corpus"));
    QVERIFY2(!paths.isEmpty(), qPrintable(FuzzDir));
    for (const QString &path : paths)
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestFuzzRegressions::corpusPackagesInstallCompletely()
{
    QFETCH(QString, path);
    RecordingPlatform platform;
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString base = root.filePath(QStringLiteral("base"));

    TrackPackage package;
    QCOMPARE(package.loadPackageFileAtPath(path), int(LoadResult::Loaded));
    QVERIFY(package.pkgFilesCount() > 0);
    // Twice: into a new folder, then over the files the first install left.
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(package.expandPackageTo(base, false), int(InstallResult::Success));
        QCOMPARE(namesIn(root.path()), QStringList{QStringLiteral("base")});
        QStringList expected;
        for (const ZLibCompFileMetaData &entry : package.compFileMetaData()) {
            const QString file = base + QLatin1Char('/') + entry.relFilePath();
            QCOMPARE(readFile(file), inflatedEntry(package, entry));
            expected.append(QDir::cleanPath(entry.relFilePath()));
        }
        QStringList written;
        QDirIterator it(base, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            written.append(QDir(base).relativeFilePath(it.next()));
        written.sort();
        expected.sort();
        QCOMPARE(written, expected);
    }
    QCOMPARE(platform.alerts.size(), 0);
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
