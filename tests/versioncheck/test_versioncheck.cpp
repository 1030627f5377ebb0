#include "GuiTestEnvironment.h"
#include "RecordingPlatform.h"
#include "TinyHttpServer.h"
#include "platform/QtPlatform.h"
#include "versioncheck/VersionCheckPanelController.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTcpServer>
#include <QTest>

namespace {
const QString UpToDate = QStringLiteral("Latest Version: 1.1\n\nYou are up to date.");
const QString Failed = QStringLiteral("Error Retrieving Version Information");

QString newVersion(const QString &version, const QString &address)
{
    return QStringLiteral("New Version: %1\n\nDownload & More Information:\n%2").arg(version, address);
}
} // namespace

class TestVersionCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void checkFetchesTheVersionText();
    void firstAnswerRemovesTheIndicator();
    void laterChecksOnlyReplaceTheMessage();
    void pendingCheckKeepsTheOldMessage();

    void againstRealServer_data();
    void againstRealServer();
};

void TestVersionCheck::init()
{
    qputenv("CRATEWRIGHT_SITE", "http://updates.example.test");
}

void TestVersionCheck::checkFetchesTheVersionText()
{
    RecordingPlatform platform;
    VersionCheckPanelController controller;
    QCOMPARE(controller.windowFrameAutosaveName(), QStringLiteral("VersionCheckPanel"));
    controller.showWindow(nullptr);
    controller.checkVersion();
    QCOMPARE(platform.fetchedUrls,
             QList<QUrl>({QUrl(QStringLiteral("http://updates.example.test/maczccratewright/versioncheck.txt"))}));
    QVERIFY(controller.versionCheckProgressBar());
    QVERIFY(controller.versionCheckProgressBar()->isVisible());
}

void TestVersionCheck::firstAnswerRemovesTheIndicator()
{
    RecordingPlatform platform;
    platform.queueFetchResult(QStringLiteral("1.2\nhttps://example.test/get\n"));
    VersionCheckPanelController controller;
    controller.showWindow(nullptr);
    QPointer<QProgressBar> bar = controller.versionCheckProgressBar();
    controller.checkVersion();
    QCOMPARE(controller.versionCheckMessage()->text(), newVersion(QStringLiteral("1.2"), QStringLiteral("https://example.test/get")));
    QVERIFY(!controller.versionCheckProgressBar());
    QVERIFY(!bar); // taken out of the panel, not just hidden
}

void TestVersionCheck::laterChecksOnlyReplaceTheMessage()
{
    RecordingPlatform platform;
    platform.queueFetchResult(std::nullopt);
    platform.queueFetchResult(QStringLiteral("1.1\n"));
    VersionCheckPanelController controller;
    controller.showWindow(nullptr);
    controller.checkVersion();
    QCOMPARE(controller.versionCheckMessage()->text(), Failed);
    controller.checkVersion();
    QCOMPARE(controller.versionCheckMessage()->text(), UpToDate);
    QVERIFY(!controller.versionCheckProgressBar());
    QCOMPARE(platform.fetchedUrls.size(), 2);
}

void TestVersionCheck::pendingCheckKeepsTheOldMessage()
{
    RecordingPlatform platform;
    VersionCheckPanelController controller;
    controller.showWindow(nullptr);
    const QString initial = controller.versionCheckMessage()->text();
    controller.checkVersion();
    QCOMPARE(controller.versionCheckMessage()->text(), initial);
    QCOMPARE(platform.pendingFetches.size(), 1);
    platform.pendingFetches.takeFirst()(QStringLiteral("1.1\nignored"));
    QCOMPARE(controller.versionCheckMessage()->text(), UpToDate);
}

void TestVersionCheck::againstRealServer_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("serverDown");
    QTest::addColumn<QString>("message");
    QTest::newRow("up to date") << 200 << QByteArray("1.1\nhttps://example.test/dl\n") << false << UpToDate;
    QTest::newRow("new version")
        << 200 << QByteArray("1.2\nhttps://example.test/dl\n") << false
        << newVersion(QStringLiteral("1.2"), QStringLiteral("https://example.test/dl"));
    QTest::newRow("carriage return before the line feed")
        << 200 << QByteArray("1.1\r\nhttps://example.test/dl\r\n") << false
        << newVersion(QStringLiteral("1.1\r"), QStringLiteral("https://example.test/dl\r"));
    QTest::newRow("three lines use the first two")
        << 200 << QByteArray("2.0\nhttps://example.test/dl\nrelease notes\n") << false
        << newVersion(QStringLiteral("2.0"), QStringLiteral("https://example.test/dl"));
    QTest::newRow("an error page is no version text")
        << 404 << QByteArray("1.1\nnot found page\n") << false << Failed;
    QTest::newRow("server down") << 200 << QByteArray() << true << Failed;
}

void TestVersionCheck::againstRealServer()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, serverDown);
    QFETCH(QString, message);

    TinyHttpServer server;
    QVERIFY(server.listen());
    server.respondWith(status, body);
    QUrl site = server.baseUrl();
    if (serverDown) {
        // A port that was just free: nobody listens there now.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        site.setPort(probe.serverPort());
        probe.close();
    }
    qputenv("CRATEWRIGHT_SITE", site.toString().toUtf8());

    QtPlatform platform;
    Platform::setCurrent(&platform);
    VersionCheckPanelController controller;
    controller.showWindow(nullptr);
    controller.checkVersion();
    QTRY_VERIFY_WITH_TIMEOUT(!controller.versionCheckProgressBar(), 20000);
    Platform::setCurrent(nullptr);
    QCOMPARE(controller.versionCheckMessage()->text(), message);
    if (!serverDown)
        QCOMPARE(server.lastRequestPath(), QByteArray("/maczccratewright/versioncheck.txt"));
}

int main(int argc, char **argv)
{
    GuiTestEnvironment env;
    QApplication app(argc, argv);
    TestVersionCheck test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_versioncheck.moc"
