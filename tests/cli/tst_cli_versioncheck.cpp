// `cratewright version-check` against a local server: the message for each version text,
// and exit status 4 when no version text could be had.
#include "CliRunner.h"
#include "TinyHttpServer.h"

#include <QTcpServer>
#include <QtTest>

class TestCliVersionCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionCheck_data();
    void versionCheck();
};

void TestCliVersionCheck::versionCheck_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("up to date") << true << 200 << QByteArray("1.1\nhttps://cratewright.example/download\n") << 0
                                << QStringLiteral("Latest Version: 1.1\n\nYou are up to date.");
    QTest::newRow("new version")
        << true << 200 << QByteArray("1.2\nhttps://cratewright.example/download\nanything else\n") << 0
        << QStringLiteral("New Version: 1.2\n\nDownload & More Information:\nhttps://cratewright.example/download");
    QTest::newRow("older version is news too") << true << 200 << QByteArray("1.0\nhttps://x.example/\n") << 0
                                               << QStringLiteral("New Version: 1.0\n\nDownload & More Information:\nhttps://x.example/");
    QTest::newRow("carriage return makes another version")
        << true << 200 << QByteArray("1.1\r\nhttps://x.example/\r\n") << 0
        // The carriage return is shown escaped, not sent to the terminal.
        << QStringLiteral("New Version: 1.1\\r\n\nDownload & More Information:\nhttps://x.example/\\r");
    QTest::newRow("not found") << true << 404 << QByteArray("1.1\nhttps://x.example/\n") << 4
                               << QStringLiteral("Error Retrieving Version Information");
    QTest::newRow("server error") << true << 500 << QByteArray("oops") << 4
                                  << QStringLiteral("Error Retrieving Version Information");
    QTest::newRow("empty answer") << true << 200 << QByteArray() << 4
                                  << QStringLiteral("Error Retrieving Version Information");
    QTest::newRow("nobody listening") << false << 0 << QByteArray() << 4
                                      << QStringLiteral("Error Retrieving Version Information");
}

void TestCliVersionCheck::versionCheck()
{
    QFETCH(bool, serverUp);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    CliRunner cli;
    TinyHttpServer server;
    QUrl site;
    if (serverUp) {
        QVERIFY(server.listen());
        server.respondWith(status, body);
        site = server.baseUrl();
    } else {
        // A port that was free a moment ago and that nobody listens on now.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        site = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
    }
    cli.setEnvironment(QStringLiteral("CRATEWRIGHT_SITE"), site.toString());

    const CliResult result = cli.run({QStringLiteral("version-check")});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, exitCode);
    if (exitCode == 0) {
        QCOMPARE(result.outText(), message + QLatin1Char('\n'));
        QCOMPARE(result.errText(), QString());
    } else {
        QCOMPARE(result.errText(), message + QLatin1Char('\n'));
        QCOMPARE(result.out, QByteArray());
    }
    if (serverUp) {
        QCOMPARE(server.requestCount(), 1);
        QCOMPARE(server.lastRequestPath(), QByteArray("/maczccratewright/versioncheck.txt"));
    }
}

QTEST_GUILESS_MAIN(TestCliVersionCheck)
#include "tst_cli_versioncheck.moc"
