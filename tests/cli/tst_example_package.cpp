// The example package in examples/: the generator writes the same bytes every run, the
// committed file is what it writes, and the tool reads and installs it.
#include "CliRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool generate(const QString &output)
{
    QProcess process;
    process.start(QStringLiteral(MAKE_EXAMPLE_BINARY), {output});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

} // namespace

class TestExamplePackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void generatorIsDeterministic();
    void toolReadsAndInstallsIt();
};

void TestExamplePackage::generatorIsDeterministic()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("first.zcpack"));
    const QString second = dir.filePath(QStringLiteral("second.zcpack"));
    QVERIFY(generate(first));
    QVERIFY(generate(second));
    const QByteArray bytes = contentsOf(first);
    QVERIFY(bytes.size() > 100);
    QCOMPARE(contentsOf(second), bytes);
    QVERIFY2(contentsOf(QStringLiteral(EXAMPLE_PACKAGE)) == bytes,
             "examples/corkscrew-canyon.zcpack is out of date: run scripts/make-example.sh");
}

void TestExamplePackage::toolReadsAndInstallsIt()
{
    CliRunner cli;
    const CliResult info = cli.run({QStringLiteral("info"), QStringLiteral(EXAMPLE_PACKAGE), QStringLiteral("--json")});
    QCOMPARE(info.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(info.out).object();
    QCOMPARE(object.value(QStringLiteral("title")).toString(), QStringLiteral("Corkscrew Canyon"));
    QCOMPARE(object.value(QStringLiteral("version")).toString(), QStringLiteral("1.3.0"));
    QStringList paths;
    for (const QJsonValue &file : object.value(QStringLiteral("files")).toArray())
        paths << file.toObject().value(QStringLiteral("path")).toString();
    QVERIFY2(paths.contains(QStringLiteral("Tracks/Corkscrew Canyon.zctrack")), qPrintable(paths.join(u',')));
    QVERIFY2(paths.contains(QStringLiteral("Scenery/Canyon/Props/mesa.obj")), qPrintable(paths.join(u',')));

    const QString base = cli.home() + QStringLiteral("/Zoomcrest");
    const CliResult install = cli.run({QStringLiteral("install"), QStringLiteral(EXAMPLE_PACKAGE),
                                       QStringLiteral("--to"), base, QStringLiteral("--json")});
    QCOMPARE(install.exitCode, 0);
    const QString track = base + QStringLiteral("/Tracks/Corkscrew Canyon.zctrack");
    QCOMPARE(QJsonDocument::fromJson(install.out).object().value(QStringLiteral("trackFile")).toString(), track);
    QVERIFY(contentsOf(track).startsWith("# Zoomcrest track: Corkscrew Canyon\n"));
    for (const QString &path : std::as_const(paths))
        QVERIFY2(QFileInfo(base + QLatin1Char('/') + path).isFile(), qPrintable(path));
}

QTEST_GUILESS_MAIN(TestExamplePackage)
#include "tst_example_package.moc"
