// The platform services that run without a window: notifications, starting processes,
// fetching over HTTP from a server in this process, and the version text.
#include "TestFiles.h"
#include "platform/NotificationCenter.h"
#include "platform/PlainText.h"
#include "platform/ProcessLauncher.h"
#include "platform/UserDefaults.h"
#include "platform/UrlFetcher.h"
#include "versioncheck/VersionText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <memory>
#include <optional>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Answers every GET with one status and body, or never answers at all.
class LocalHttpServer : public QObject
{
public:
    LocalHttpServer(int status, const QByteArray &body, bool answers = true)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this, status, body, answers] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [=] {
                    *received += socket->readAll();
                    if (!received->contains("\r\n\r\n"))
                        return;
                    requestLines.append(QString::fromLatin1(received->left(received->indexOf("\r\n"))));
                    if (!answers)
                        return;
                    socket->write("HTTP/1.1 " + QByteArray::number(status)
                                  + " Whatever\r\nContent-Type: text/plain\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl url(const QString &path = u"/maczccratewright/versioncheck.txt"_s) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
    }

    QStringList requestLines;

private:
    QTcpServer m_server;
};

// Answers every GET with a status line and headers that promise a body, then sends that body
// a byte at a time, each byte well within the fetch's time limit, so the answer never ends.
class TricklingHttpServer : public QObject
{
public:
    TricklingHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto *drip = new QTimer(socket);
                drip->setInterval(50);
                connect(drip, &QTimer::timeout, socket, [socket] { socket->write("1"); });
                connect(socket, &QTcpSocket::readyRead, socket, [socket, drip] {
                    socket->readAll();
                    if (drip->isActive())
                        return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                                  "Content-Length: 1000000\r\n\r\n1.");
                    drip->start();
                });
            }
        });
    }
    QUrl url() const
    {
        return QUrl(u"http://127.0.0.1:%1/maczccratewright/versioncheck.txt"_s.arg(m_server.serverPort()));
    }

private:
    QTcpServer m_server;
};

struct FetchResult
{
    bool done = false;
    std::optional<QString> text;
};

std::shared_ptr<FetchResult> fetch(const QUrl &url, QObject *context, int timeoutMs = 10000)
{
    auto result = std::make_shared<FetchResult>();
    UrlFetcher::fetch(url, context, [result](const std::optional<QString> &text) {
        result->done = true;
        result->text = text;
    }, timeoutMs);
    return result;
}

bool writeScript(const QString &path, const QByteArray &text, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
           && file.setPermissions(permissions);
}

const QFile::Permissions Executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// A stand-in simulator that leaves its pid beside itself, then does what the test says.
const QByteArray Runs = "#!/bin/sh\necho $$ > \"$0.pid\"\n";

} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notificationsReachObserversInOrder();
    void observerMayRemoveItselfDuringPost();

    void launchPassesArgumentsAsTheyStand();
    void launchDecides_data();
    void launchDecides();

    void fetchHandsOverOnlyStatus200_data();
    void fetchHandsOverOnlyStatus200();
    void fetchRefusedConnection();
    void fetchGivesUpOnSilentServer();
    void fetchGivesUpOnServerThatNeverFinishes();
    void fetchForgetsGoneContext();

    void untrustedTextIsShownPlain_data();
    void untrustedTextIsShownPlain();
    void storedFlags_data();
    void storedFlags();

    void versionMessages_data();
    void versionMessages();
    void siteComesFromEnvironment();
};

void PlatformTest::notificationsReachObserversInOrder()
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    QCOMPARE(&center, &NotificationCenter::defaultCenter());
    QStringList calls;
    int first = 0, second = 0, third = 0, poster = 0;
    auto record = [&calls, &poster](const char *who) {
        return [&calls, &poster, who](const Notification &n) {
            calls.append(QLatin1String(who) + u':' + n.name
                         + (n.object == &poster ? u":poster"_s : u":?"_s));
        };
    };
    center.addObserver(&first, u"preferencesDidGetSaved"_s, record("first"));
    center.addObserver(&second, u"installPathIsNewlyBlessed"_s, record("second"));
    center.addObserver(&third, u"preferencesDidGetSaved"_s, record("third"));
    center.addObserver(&first, u"installPathIsNewlyBlessed"_s, record("first"));

    center.postNotificationName(u"preferencesDidGetSaved"_s, &poster);
    QCOMPARE(calls, (QStringList{u"first:preferencesDidGetSaved:poster"_s,
                                 u"third:preferencesDidGetSaved:poster"_s}));
    calls.clear();
    center.postNotificationName(u"installPathIsNewlyBlessed"_s, &poster);
    QCOMPARE(calls, (QStringList{u"second:installPathIsNewlyBlessed:poster"_s,
                                 u"first:installPathIsNewlyBlessed:poster"_s}));

    // Removing an observer takes all of its names and nobody else's.
    calls.clear();
    center.removeObserver(&first);
    center.postNotificationName(u"installPathIsNewlyBlessed"_s, &poster);
    center.postNotificationName(u"preferencesDidGetSaved"_s, &poster);
    QCOMPARE(calls, (QStringList{u"second:installPathIsNewlyBlessed:poster"_s,
                                 u"third:preferencesDidGetSaved:poster"_s}));
    center.removeObserver(&second);
    center.removeObserver(&third);
}

void PlatformTest::observerMayRemoveItselfDuringPost()
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    QStringList calls;
    int once = 0, always = 0;
    const QString name = u"preferencesDidGetSaved"_s;
    const QString label = u"once, with state kept in the handler"_s;
    center.addObserver(&once, name, [&center, &calls, &once, label](const Notification &) {
        center.removeObserver(&once);
        calls.append(label); // the handler's own state is still there after the removal
    });
    center.addObserver(&always, name, [&calls](const Notification &) { calls.append(u"always"_s); });

    center.postNotificationName(name, nullptr);
    QCOMPARE(calls, (QStringList{label, u"always"_s}));
    center.postNotificationName(name, nullptr);
    QCOMPARE(calls, (QStringList{label, u"always"_s, u"always"_s}));
    center.removeObserver(&always);
}

void PlatformTest::launchPassesArgumentsAsTheyStand()
{
    QTemporaryDir dir;
    const QString script = dir.filePath(u"ZoomcrestSimulator"_s);
    QVERIFY(writeScript(script,
                        "#!/bin/sh\n"
                        "echo $$ > \"$(dirname \"$0\")/pid\"\n"
                        "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
                        "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n"
                        "exec sleep 60\n",
                        Executable));
    const QStringList arguments{u"-s"_s, u"/my tracks/Night Ride.zctrack"_s,
                                u"$HOME"_s, u"*"_s};

    // Nothing of ours may reach it: not this descriptor, nor our standard streams.
    const int ours = ::open("/dev/null", O_RDONLY);
    ProcessLauncher::launch(script, arguments, nullptr, nullptr);
    ::close(ours);
    QTRY_VERIFY(QFile::exists(dir.filePath(u"args"_s)));
    QFile args(dir.filePath(u"args"_s));
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()), arguments.join(u'\n') + u'\n');
    QFile pidFile(dir.filePath(u"pid"_s));
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t pid = pid_t(pidFile.readAll().trimmed().toLongLong());
    QVERIFY(pid > 0);
    // A session of its own: the hangup of our terminal doesn't reach it.
    QCOMPARE(getsid(pid), pid);
    QTRY_COMPARE(TestFiles::readFile(u"/proc/%1/comm"_s.arg(pid)), QByteArray("sleep\n")); // the script is done
    const QDir descriptors(u"/proc/%1/fd"_s.arg(pid));
    const QStringList open = descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QCOMPARE(open, (QStringList{u"0"_s, u"1"_s, u"2"_s}));
    for (const QString &descriptor : open)
        QCOMPARE(QFile::symLinkTarget(descriptors.filePath(descriptor)), u"/dev/null"_s);
    QCOMPARE(::kill(pid, SIGTERM), 0);
    QTRY_VERIFY(!QFileInfo::exists(u"/proc/%1"_s.arg(pid)));
}

void PlatformTest::launchDecides_data()
{
    QTest::addColumn<QByteArray>("script"); // empty: no file at all
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("launched");
    QTest::newRow("ends at once with status 0: handed off") << Runs + "exit 0\n" << true << true;
    QTest::newRow("ends at once with status 1") << Runs + "exit 1\n" << true << false;
    QTest::newRow("killed at once") << Runs + "kill -KILL $$\n" << true << false;
    QTest::newRow("keeps running") << Runs + "exec sleep 60\n" << true << true;
    QTest::newRow("missing") << QByteArray() << true << false;
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\nexec sleep 60\n") << false << false;
    QTest::newRow("interpreter missing") << QByteArray("#!/nonexistent/sh\nexec sleep 60\n") << true << false;
}

void PlatformTest::launchDecides()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, executable);
    QFETCH(bool, launched);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ZoomcrestSimulator"_s);
    if (!script.isEmpty())
        QVERIFY(writeScript(path, script, executable ? Executable : QFile::ReadOwner | QFile::WriteOwner));

    QObject context;
    std::optional<bool> answer;
    ProcessLauncher::launch(path, {u"-s"_s, u"x.zctrack"_s}, &context, [&answer](bool a) { answer = a; });
    QVERIFY(!answer); // never before the call has returned
    QTRY_VERIFY(answer);
    QCOMPARE(*answer, launched);

    // Whatever became of the program, it doesn't linger as a zombie once it ends.
    if (!script.startsWith(Runs))
        return;
    QTRY_VERIFY(QFile::exists(path + u".pid"_s));
    QFile pidFile(path + u".pid"_s);
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t pid = pid_t(pidFile.readAll().trimmed().toLongLong());
    const QString proc = u"/proc/%1"_s.arg(pid);
    if (QFileInfo::exists(proc))
        ::kill(pid, SIGKILL);
    QTRY_VERIFY(!QFileInfo::exists(proc));
}

void PlatformTest::fetchHandsOverOnlyStatus200_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("hasText");
    QTest::addColumn<QString>("text");
    QTest::newRow("200") << 200 << QByteArray("1.2\nhttps://get.example/\n") << true << "1.2\nhttps://get.example/\n";
    QTest::newRow("200, UTF-8") << 200 << QByteArray("1.2\nCaf\xc3\xa9") << true << "1.2\nCaf\u00e9";
    QTest::newRow("200, empty") << 200 << QByteArray() << true << "";
    QTest::newRow("203") << 203 << QByteArray("1.2\n") << false << "";
    QTest::newRow("404 page") << 404 << QByteArray("<html>Not Found</html>") << false << "";
    QTest::newRow("500") << 500 << QByteArray("1.2\n") << false << "";
    QTest::newRow("200, more than a version text can be")
        << 200 << QByteArray(2 * 1024 * 1024, 'x') << false << "";
}

void PlatformTest::fetchHandsOverOnlyStatus200()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, hasText);
    QFETCH(QString, text);

    LocalHttpServer server(status, body);
    QObject context;
    const auto result = fetch(server.url(), &context);
    QTRY_VERIFY(result->done);
    QCOMPARE(result->text.has_value(), hasText);
    if (hasText)
        QCOMPARE(*result->text, text);
    QCOMPARE(server.requestLines, QStringList{u"GET /maczccratewright/versioncheck.txt HTTP/1.1"_s});
}

void PlatformTest::fetchRefusedConnection()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    QObject context;
    const auto result = fetch(QUrl(u"http://127.0.0.1:%1/x"_s.arg(port)), &context);
    QTRY_VERIFY(result->done);
    QVERIFY(!result->text);
}

void PlatformTest::fetchGivesUpOnSilentServer()
{
    LocalHttpServer server(200, "1.2\n", false);
    QObject context;
    const auto result = fetch(server.url(), &context, 300);
    QTRY_VERIFY(result->done);
    QVERIFY(!result->text);
    QCOMPARE(server.requestLines.size(), 1);
}

void PlatformTest::fetchGivesUpOnServerThatNeverFinishes()
{
    // Bytes keep coming, but the answer never ends: the limit is on the whole fetch.
    TricklingHttpServer server;
    QObject context;
    const auto result = fetch(server.url(), &context, 300);
    QTRY_VERIFY(result->done);
    QVERIFY(!result->text);
}

void PlatformTest::fetchForgetsGoneContext()
{
    LocalHttpServer server(200, "1.2\n");
    auto gone = std::make_unique<QObject>();
    const auto forgotten = fetch(server.url(), gone.get());
    gone.reset();
    QObject context;
    const auto later = fetch(server.url(u"/later"_s), &context);
    QTRY_VERIFY(later->done);
    QTRY_COMPARE(server.requestLines.size(), 2);
    QCoreApplication::processEvents();
    QVERIFY(!forgotten->done);
}

void PlatformTest::untrustedTextIsShownPlain_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("severalLines"); // where line feeds may stay
    QTest::newRow("plain") << u"Package Version: 1.3.0"_s << u"Package Version: 1.3.0"_s
                           << u"Package Version: 1.3.0"_s;
    QTest::newRow("line feed in a name")
        << u"folder ovewrite rejected: /z/a\nPackage Version: 9.9.9"_s
        << u"folder ovewrite rejected: /z/a\\nPackage Version: 9.9.9"_s
        << u"folder ovewrite rejected: /z/a\nPackage Version: 9.9.9"_s;
    QTest::newRow("carriage return") << u"x\ry"_s << u"x\\ry"_s << u"x\\ry"_s;
    QTest::newRow("escape sequence") << u"x\x1b[2Jy"_s << u"x\ufffd[2Jy"_s << u"x\ufffd[2Jy"_s;
    // Latin-1 names hold these too: DEL, NEL and the one-byte control sequence introducer.
    QTest::newRow("DEL and C1") << u"a\x7f b\u0085 c\u009b2J"_s << u"a\ufffd b\ufffd c\ufffd2J"_s
                                << u"a\ufffd b\ufffd c\ufffd2J"_s;
    QTest::newRow("tab and Latin-1 kept") << u"a\tb \u00e9\u00a0"_s << u"a\tb \u00e9\u00a0"_s
                                          << u"a\tb \u00e9\u00a0"_s;
}

void PlatformTest::untrustedTextIsShownPlain()
{
    QFETCH(QString, line);
    QFETCH(QString, written);
    QFETCH(QString, severalLines);
    QCOMPARE(PlainText::oneLine(line), written);
    QCOMPARE(PlainText::lines(line), severalLines);
}

void PlatformTest::storedFlags_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("flag");
    // Written by the program: a bool until the file is read again, then its text.
    QTest::newRow("true, as written") << QVariant(true) << true;
    QTest::newRow("false, as written") << QVariant(false) << false;
    QTest::newRow("true, as read back") << QVariant(u"true"_s) << true;
    QTest::newRow("false, as read back") << QVariant(u"false"_s) << false;
    // Edited by hand.
    for (const QString &text : {u"no"_s, u"off"_s, u"n"_s, u"0"_s, u"-00"_s, u""_s, u"+"_s, u"- 1"_s})
        QTest::newRow(qPrintable(u"'%1'"_s.arg(text))) << QVariant(text) << false;
    for (const QString &text : {u"yes"_s, u"Y"_s, u"T"_s, u"  +0002"_s, u"-1"_s, u"9 lives"_s})
        QTest::newRow(qPrintable(u"'%1'"_s.arg(text))) << QVariant(text) << true;
}

void PlatformTest::storedFlags()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, flag);
    QCOMPARE(UserDefaults::boolValue(stored), flag);
}

void PlatformTest::versionMessages_data()
{
    QTest::addColumn<bool>("hasText");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    const QString latest = u"Latest Version: 1.1\n\nYou are up to date."_s;
    const QString newer = u"New Version: %1\n\nDownload & More Information:\n%2"_s;
    QTest::newRow("up to date") << true << "1.1\nhttps://get.example/\n" << latest;
    QTest::newRow("up to date, one line") << true << "1.1\n" << latest;
    QTest::newRow("new version") << true << "1.2\nhttps://get.example/\n"
                                 << newer.arg(u"1.2"_s, u"https://get.example/"_s);
    QTest::newRow("carriage return is part of the line")
        << true << "1.1\r\nhttps://get.example/\r\n"
        << newer.arg(u"1.1\r"_s, u"https://get.example/\r"_s);
    QTest::newRow("three lines") << true << "1.3\nhttps://a.example/\nignored\nalso ignored"
                                 << newer.arg(u"1.3"_s, u"https://a.example/"_s);
    QTest::newRow("1.10 is another version") << true << "1.10\nx" << newer.arg(u"1.10"_s, u"x"_s);
    QTest::newRow("1.1.0 is another version") << true << "1.1.0\nx" << newer.arg(u"1.1.0"_s, u"x"_s);
    QTest::newRow("empty first line") << true << "\nhttps://a.example/" << newer.arg(QString(), u"https://a.example/"_s);
    QTest::newRow("nothing") << false << "" << "Error Retrieving Version Information";
}

void PlatformTest::versionMessages()
{
    QFETCH(bool, hasText);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(VersionText::messageFor(hasText ? std::optional<QString>(text) : std::nullopt), message);
}

void PlatformTest::siteComesFromEnvironment()
{
    LocalHttpServer server(200, "1.2\nhttps://get.example/\n");
    qputenv("CRATEWRIGHT_SITE", server.url(u"/"_s).toString().toUtf8());
    const QUrl versionUrl = VersionText::versionCheckUrl();
    const QUrl documentationUrl = VersionText::documentationUrl();
    qunsetenv("CRATEWRIGHT_SITE");
    QCOMPARE(versionUrl, server.url());
    QCOMPARE(documentationUrl, server.url(u"/maczccratewright/"_s));

    QObject context;
    const auto result = fetch(versionUrl, &context);
    QTRY_VERIFY(result->done);
    QCOMPARE(VersionText::messageFor(result->text),
             u"New Version: 1.2\n\nDownload & More Information:\nhttps://get.example/"_s);
    QCOMPARE(server.requestLines, QStringList{u"GET /maczccratewright/versioncheck.txt HTTP/1.1"_s});

    QCOMPARE(VersionText::versionCheckUrl().scheme(), u"https"_s);
    QCOMPARE(VersionText::versionCheckUrl().path(), u"/maczccratewright/versioncheck.txt"_s);
    QVERIFY(!VersionText::versionCheckUrl().host().isEmpty());
}

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"
