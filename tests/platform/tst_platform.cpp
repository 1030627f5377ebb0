// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The platform services that need no window: notifications, starting a program, fetching over
// HTTP, text made safe for a log, file names as bytes, stored flags, and what a process without a
// platform answers.
#include "SimulatorStandIn.h"
#include "TestFiles.h"
#include "TinyHttpServer.h"

#include "platform/FileName.h"
#include "platform/NotificationCenter.h"
#include "platform/PlainText.h"
#include "platform/ProcessLauncher.h"
#include "platform/UrlFetcher.h"
#include "platform/UserDefaults.h"

#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Observers are called in the order they were added, each for its own name; one that
    // removes itself while it is called misses later posts, and the others still get this one.
    void notifications()
    {
        NotificationCenter &center = NotificationCenter::defaultCenter();
        QStringList calls;
        int first = 0, second = 0, poster = 0;
        const auto note = [&](const QString &who) {
            return [&, who](const Notification &n) { calls << who + n.name + (n.object == &poster ? u""_s : u"?"_s); };
        };
        center.addObserver(&first, u"a"_s, note(u"1"_s));
        center.addObserver(&second, u"b"_s, note(u"2"_s));
        center.addObserver(&second, u"a"_s,
                           [&](const Notification &n) { center.removeObserver(&second), note(u"2"_s)(n); });
        center.addObserver(&first, u"a"_s, note(u"1'"_s));
        for (const QString &name : {u"a"_s, u"b"_s, u"a"_s})
            center.postNotificationName(name, &poster);
        center.removeObserver(&first);
        center.postNotificationName(u"a"_s, &poster);
        QCOMPARE(calls, (QStringList{u"1a"_s, u"2a"_s, u"1'a"_s, u"1a"_s, u"1'a"_s}));
    }

    void launch_data()
    {
        QTest::addColumn<int>("ending"); // the stand-in's, or -10: its interpreter missing
        QTest::addColumn<bool>("launched");
        QTest::newRow("ends at once with status 0: handed off") << 0 << true;
        QTest::newRow("ends at once with status 1") << 1 << false;
        QTest::newRow("killed at once") << int(SimulatorStandIn::KillsItself) << false;
        QTest::newRow("keeps running") << int(SimulatorStandIn::StaysUp) << true;
        // Every failed exec (missing, not executable) is reported alike, by posix_spawn: no
        // interpreter is the one that a look at the file beforehand would miss.
        QTest::newRow("its interpreter missing") << -10 << false;
    }

    void launch()
    {
        QFETCH(int, ending);
        QFETCH(bool, launched);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sim"_s), arguments = dir.filePath(u"arguments"_s);
        QVERIFY(SimulatorStandIn::write(path, arguments, ending > -10 ? ending : 0));
        if (ending == -10)
            QVERIFY(TestFiles::writeFile(path, "#!/nonexistent/sh\n"));

        const QStringList given{u"-s"_s, u"/my tracks/Night Ride.zctrack"_s, u"$HOME"_s, u"*"_s, u"a'b"_s};
        QObject context;
        std::optional<bool> answer;
        const int ours = ::open("/dev/null", O_RDONLY); // without close-on-exec
        ProcessLauncher::launch(path, given, &context, [&answer](bool a) { answer = a; });
        ::close(ours);
        QVERIFY(!answer); // never before the call has returned
        QTRY_VERIFY(answer);
        QCOMPARE(*answer, launched);
        if (ending <= -10)
            return;
        QTRY_COMPARE(SimulatorStandIn::arguments(arguments), given); // handed over alone, no shell between
        const qint64 pid = SimulatorStandIn::pid(arguments);
        QVERIFY(pid > 0); // else the kill below would reach the whole process group
        if (ending == SimulatorStandIn::StaysUp) {
            // A session of its own, so our terminal's hangup can't reach it; /dev/null for its
            // streams and nothing else of ours, so whoever waits for our output doesn't wait for it.
            QCOMPARE(qint64(getsid(pid_t(pid))), pid);
            QTRY_COMPARE(QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(pid)),
                         QFileInfo(u"/bin/sleep"_s).canonicalFilePath());
            QStringList open;
            for (const QFileInfo &fd :
                 QDir(u"/proc/%1/fd"_s.arg(pid)).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                open << fd.fileName() + u' ' + fd.symLinkTarget();
            QCOMPARE(open, (QStringList{u"0 /dev/null"_s, u"1 /dev/null"_s, u"2 /dev/null"_s}));
        }
        // Whatever became of it, it doesn't linger as a zombie once it has ended.
        ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY(!QFileInfo::exists(u"/proc/%1"_s.arg(pid)));
    }

    void fetch_data()
    {
        QTest::addColumn<QString>("server"); // answers, silent, trickling, or none
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text"); // null: none handed over
        QTest::newRow("200, UTF-8") << "answers" << 200 << QByteArray("1.2\nCaf\xc3\xa9") << "1.2\nCaf\u00e9";
        QTest::newRow("200, empty") << "answers" << 200 << QByteArray() << "";
        QTest::newRow("203") << "answers" << 203 << QByteArray("1.2\n") << QString();
        QTest::newRow("404 page") << "answers" << 404 << QByteArray("<html>Not Found</html>") << QString();
        QTest::newRow("more than a version text can be") << "answers" << 200 << QByteArray(2 << 20, 'x') << QString();
        QTest::newRow("no answer") << "silent" << 200 << QByteArray() << QString();
        QTest::newRow("an answer that never ends") << "trickling" << 200 << QByteArray("1.") << QString();
        QTest::newRow("nobody listening") << "none" << 0 << QByteArray() << QString();
    }

    void fetch()
    {
        QFETCH(QString, server);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QVERIFY2(QStringList({u"answers"_s, u"silent"_s, u"trickling"_s, u"none"_s}).contains(server),
                 qPrintable(u"unknown server \""_s + server + u'"'));

        TinyHttpServer http;
        QVERIFY(http.listen());
        http.respondWith(status, body);
        http.setSilent(server == u"silent"_s);
        http.setTrickling(server == u"trickling"_s);
        // Port 9, discard: nobody listens there.
        const QUrl url = server == u"none"_s ? QUrl(u"http://127.0.0.1:9/versioncheck.txt"_s)
                                             : http.url(u"/versioncheck.txt"_s);
        QObject context;
        bool done = false;
        std::optional<QString> got;
        UrlFetcher::fetch(
            url, &context, [&](const std::optional<QString> &t) { done = true, got = t; },
            server == u"answers"_s ? 20000 : 300);
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QCOMPARE(got.value_or(u"(none)"_s), text.isNull() ? u"(none)"_s : text);
        QCOMPARE(http.lastRequestPath(), server == u"none"_s ? QByteArray() : QByteArray("/versioncheck.txt"));
    }

    void fetchForgetsGoneContext()
    {
        TinyHttpServer http;
        QVERIFY(http.listen());
        auto gone = std::make_unique<QObject>();
        bool forgottenDone = false, laterDone = false;
        UrlFetcher::fetch(http.url(u"/a"_s), gone.get(), [&](const std::optional<QString> &) { forgottenDone = true; });
        gone.reset();
        QObject context;
        UrlFetcher::fetch(http.url(u"/b"_s), &context, [&](const std::optional<QString> &) { laterDone = true; });
        QTRY_VERIFY(laterDone && http.requestCount() == 2);
        QCoreApplication::processEvents();
        QVERIFY(!forgottenDone);
    }

    void plainText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("oneLine");
        QTest::addColumn<QString>("lines"); // where line feeds may stay
        const auto row = [](const char *name, const QString &text, const QString &oneLine, const QString &lines = {}) {
            QTest::newRow(name) << text << oneLine << (lines.isNull() ? oneLine : lines);
        };
        row("line feed", u"a\nPackage Version: 9"_s, u"a\\nPackage Version: 9"_s, u"a\nPackage Version: 9"_s);
        row("carriage return", u"x\ry"_s, u"x\\ry"_s);
        row("escape sequence", u"x\x1b[2Jy"_s, u"x\ufffd[2Jy"_s);
        row("DEL and C1", u"a\x7f b\u0085 c\u009b2J"_s, u"a\ufffd b\ufffd c\ufffd2J"_s);
        row("tab and Latin-1 kept", u"a\tb \u00e9\u00a0"_s, u"a\tb \u00e9\u00a0"_s);
    }

    void plainText()
    {
        QFETCH(QString, text);
        QFETCH(QString, oneLine);
        QFETCH(QString, lines);
        QCOMPARE(PlainText::oneLine(text), oneLine);
        QCOMPARE(PlainText::lines(text), lines);
    }

    // Every byte string comes back from decode() and encode() as it was; what is not UTF-8 is
    // escaped byte by byte, and shown as U+FFFD where text must be valid.
    void fileNames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // FileName::asText
        const auto row = [](const char *title, const QByteArray &bytes, const QString &name,
                            const QString &text = QString()) {
            QTest::newRow(title) << bytes << name << (text.isNull() ? name : text);
        };
        row("empty", QByteArray(), QString());
        row("UTF-8 of two, three and four bytes", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa2",
            u"caf\u00e9 \u20ac \U0001F3A2"_s);
        // Its second UTF-16 unit is U+DC80, which alone would be the escape of byte 0x80.
        row("U+10080, half of it in the escapes' range", "\xf0\x90\x82\x80", u"\U00010080"_s);
        row("Latin-1", "/tmp/caf\xe9", u"/tmp/caf\xdce9"_s, u"/tmp/caf\ufffd"_s);
        row("lone 0xFF", "\xff", u"\xdcff"_s, u"\ufffd"_s);
        row("stray continuation byte", "\x80/", u"\xdc80/"_s, u"\ufffd/"_s);
        row("overlong slash", "\xc0\xaf", u"\xdcc0\xdcaf"_s, u"\ufffd\ufffd"_s);
        row("U+07FF in three bytes", "\xe0\x9f\xbf", u"\xdce0\xdc9f\xdcbf"_s, u"\ufffd\ufffd\ufffd"_s);
        row("U+FFFF in four bytes", "\xf0\x8f\xbf\xbf", u"\xdcf0\xdc8f\xdcbf\xdcbf"_s, u"\ufffd\ufffd\ufffd\ufffd"_s);
        row("cut short at the end", "a\xe2\x82", u"a\xdce2\xdc82"_s, u"a\ufffd\ufffd"_s);
        row("cut short, then whole", "\xe2\x82\xe2\x82\xac", u"\xdce2\xdc82\u20ac"_s, u"\ufffd\ufffd\u20ac"_s);
        row("beyond U+10FFFF", "\xf4\x90\x80\x80", u"\xdcf4\xdc90\xdc80\xdc80"_s, u"\ufffd\ufffd\ufffd\ufffd"_s);
        // U+DCE9 itself, as UTF-8 would write it: three bytes that are not UTF-8, not the
        // escape of 0xE9.
        row("bytes that look like an escape", "\xed\xb3\xa9", u"\xdced\xdcb3\xdca9"_s, u"\ufffd\ufffd\ufffd"_s);
    }

    void fileNames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QCOMPARE(FileName::decode(bytes), name);
        QCOMPARE(FileName::encode(name), bytes);
        QCOMPARE(FileName::asText(name), text);
    }

    void storedFlags_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("flag");
        // As the program writes it (a bool until the file is read again, then its text), or by hand.
        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        for (const QString &text : {u"true"_s, u"yes"_s, u"Y"_s, u"T"_s, u"  +0002"_s, u"-1"_s, u"9 lives"_s})
            QTest::addRow("'%s'", qPrintable(text)) << QVariant(text) << true;
        for (const QString &text : {u"false"_s, u"no"_s, u"off"_s, u"0"_s, u"-00"_s, u""_s, u"+"_s, u"- 1"_s})
            QTest::addRow("'%s'", qPrintable(text)) << QVariant(text) << false;
    }

    void storedFlags()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, flag);
        QCOMPARE(UserDefaults::boolValue(stored), flag);
    }

    // Nobody answers: a question with a way out takes it (an overwrite keeps the file), a report
    // is acknowledged.
    void headlessAnswers()
    {
        HeadlessPlatform platform;
        QCOMPARE(platform.runAlertPanel(Alert{u"Q"_s, u"Replace?"_s, u"Yes"_s, u"No"_s, u"Yes To All"_s}),
                 AlertAnswer::Alternate);
        QCOMPARE(platform.runAlertPanel(Alert{u"R"_s, u"Failed."_s, u"OK"_s}), AlertAnswer::Default);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
