// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The version check: what a version text means, where it is fetched from, and what the panel
// shows while and after it checks (fetching itself is the platform's, tested there).
#include "GuiTest.h"
#include "RecordingPlatform.h"

#include "versioncheck/VersionCheckPanelController.h"
#include "versioncheck/VersionText.h"

using namespace Qt::StringLiterals;

class TestVersionCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messages_data()
    {
        QTest::addColumn<QString>("text"); // null: nothing read
        QTest::addColumn<QString>("message");

        const QString latest = u"Latest Version: 1.1\n\nYou are up to date."_s;
        const QString newer = u"New Version: %1\n\nDownload & More Information:\n%2"_s;
        const QString failed = u"Error Retrieving Version Information"_s;
        QTest::newRow("up to date") << "1.1\nhttps://get.example/\n" << latest;
        QTest::newRow("up to date, one line") << "1.1\n" << latest;
        QTest::newRow("new version") << "1.2\nhttps://get.example/\n" << newer.arg(u"1.2"_s, u"https://get.example/"_s);
        QTest::newRow("a carriage return is part of the line") << "1.1\r\nhttps://get.example/\r\n"
                                                               << newer.arg(u"1.1\r"_s, u"https://get.example/\r"_s);
        QTest::newRow("lines after the second are ignored") << "1.3\nhttps://a.example/\nnotes\n"
                                                            << newer.arg(u"1.3"_s, u"https://a.example/"_s);
        QTest::newRow("1.10 is another version") << "1.10\nx" << newer.arg(u"1.10"_s, u"x"_s);
        QTest::newRow(" 1.1 is another version") << " 1.1\nx" << newer.arg(u" 1.1"_s, u"x"_s);
        QTest::newRow("empty first line") << "\nhttps://a.example/" << newer.arg(QString(), u"https://a.example/"_s);
        QTest::newRow("an empty text tells nothing") << u""_s << failed;
        QTest::newRow("nothing read") << QString() << failed;
    }

    void messages()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QCOMPARE(VersionText::messageFor(text.isNull() ? std::nullopt : std::optional<QString>(text)), message);
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("site"); // CRATEWRIGHT_SITE; empty: not set
        QTest::addColumn<QString>("base");
        QTest::newRow("the project's site") << u""_s << u"https://cratewright.zoomcrest.org"_s;
        QTest::newRow("final slashes") << u"http://mirror.example/site//"_s << u"http://mirror.example/site"_s;
    }

    void addresses()
    {
        QFETCH(QString, site);
        QFETCH(QString, base);
        if (site.isEmpty())
            qunsetenv("CRATEWRIGHT_SITE");
        else
            qputenv("CRATEWRIGHT_SITE", site.toUtf8());
        QCOMPARE(VersionText::versionCheckUrl().toString(), base + u"/maczccratewright/versioncheck.txt"_s);
        QCOMPARE(VersionText::documentationUrl().toString(), base + u"/maczccratewright/"_s);
    }

    void panel_data()
    {
        qputenv("CRATEWRIGHT_SITE", "http://updates.example.test");
        QTest::addColumn<QString>("steps"); // check, look, answer:TEXT, fail (CONTRIBUTING.md)
        QTest::addColumn<QStringList>("seen");
        const QString checking = u"fetch:"_s + VersionText::versionCheckUrl().toString();
        const QString newer = u"1.2\nhttps://get.example/"_s;
        QTest::newRow("the bar shows until the first answer, then goes for good")
            << u"check look answer:%1 look"_s.arg(newer)
            << QStringList{checking, u"(as loaded) [bar]"_s, VersionText::messageFor(newer)};
        QTest::newRow("a later check keeps the message until its answer")
            << "check answer:1.1\n check look fail look"
            << QStringList{checking, checking, VersionText::messageFor(u"1.1\n"_s),
                           VersionText::messageFor(std::nullopt)};
    }

    void panel()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, seen);

        RecordingPlatform platform;
        QStringList transcript;
        platform.probe = [&transcript](const QString &event) { transcript << event; };
        VersionCheckPanelController controller;
        controller.showWindow(nullptr);
        const QString loaded = controller.versionCheckMessage()->text();
        for (const QString &step : steps.split(u' ')) {
            if (step == u"check"_s) {
                controller.checkVersion();
            } else if (step == u"look"_s) {
                const QString message = controller.versionCheckMessage()->text();
                QProgressBar *bar = controller.versionCheckProgressBar();
                transcript << (message == loaded ? u"(as loaded)"_s : message)
                                  + (bar && bar->isVisible() ? u" [bar]"_s : u""_s);
            } else {
                QVERIFY2(step.startsWith(u"answer:"_s) || step == u"fail"_s,
                         qPrintable(u"unknown step \""_s + step + u'"'));
                const std::optional<QString> text = step.startsWith(u"answer:"_s) ? std::optional(step.mid(7))
                                                                                  : std::nullopt;
                platform.pendingFetches.takeFirst()(text);
            }
        }
        QCOMPARE(transcript, seen);
        // Taken out of the panel, not just hidden.
        QVERIFY(controller.window()->findChildren<QProgressBar *>().isEmpty());
    }
};

CRATEWRIGHT_GUI_TEST_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
