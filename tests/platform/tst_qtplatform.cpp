// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The desktop platform: its alerts, answered the way a user answers them, and the window
// frames it keeps.
#include "GuiTest.h"

#include "platform/QtPlatform.h"
#include "platform/WindowController.h"

using namespace Qt::StringLiterals;

class TestQtPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertAnswers_data()
    {
        // default, alternate (`*` before it: Enter takes it), other; empty: no such button; then
        // "information" for that icon
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("press");
        QTest::addColumn<AlertAnswer>("answer");
        const QStringList overwrite{u"Yes"_s, u"No"_s, u"Yes To All"_s};
        const QStringList yesOrNo{u"Yes"_s, QString(), u"No"_s};
        const QStringList report{u"OK"_s, QString(), QString()};
        const QStringList destroying{u"Uninstall"_s, u"*Cancel"_s, QString()};
        const QString escape = GuiTest::AlertAnswerer::EscapeKey;
        const QString enter = GuiTest::AlertAnswerer::EnterKey;
        QTest::newRow("default") << overwrite << "Yes" << AlertAnswer::Default;
        QTest::newRow("alternate") << overwrite << "No" << AlertAnswer::Alternate;
        QTest::newRow("other") << overwrite << "Yes To All" << AlertAnswer::Other;
        QTest::newRow("Enter takes the default") << overwrite << enter << AlertAnswer::Default;
        QTest::newRow("Escape takes the alternate") << overwrite << escape << AlertAnswer::Alternate;
        QTest::newRow("without an alternate, Escape takes the other") << yesOrNo << escape << AlertAnswer::Other;
        QTest::newRow("a report, Escape") << report << escape << AlertAnswer::Default;
        QTest::newRow("a good report, with its icon")
            << report + QStringList{u"information"_s} << enter << AlertAnswer::Default;
        QTest::newRow("destroying: Enter takes the alternate") << destroying << enter << AlertAnswer::Alternate;
        QTest::newRow("destroying: its own button still destroys") << destroying << "Uninstall" << AlertAnswer::Default;
    }

    void alertAnswers()
    {
        QFETCH(QStringList, labels);
        QFETCH(QString, press);
        QFETCH(AlertAnswer, answer);

        QtPlatform platform;
        GuiTest::AlertAnswerer answerer({press});
        // A package's file name may look like markup: shown as it stands.
        Alert alert{u"File Already Exists"_s, u"The File '<b>ride</b>.zctrack' exists."_s, labels[0], labels[1],
                    labels[2]};
        alert.enterTakesAlternate = alert.alternateButton.startsWith(u'*');
        alert.alternateButton.remove(u'*');
        labels[1] = alert.alternateButton;
        const bool information = labels.size() > 3 && labels.takeLast() == u"information"_s;
        alert.icon = information ? Alert::Icon::Information : Alert::Icon::Warning;
        QCOMPARE(platform.runAlertPanel(alert), answer);
        QVERIFY(answerer.done());
        QCOMPARE(answerer.answered.value(0).text, alert.message);
        QCOMPARE(answerer.answered.value(0).format, Qt::PlainText);
        QCOMPARE(answerer.answered.value(0).icon, information ? QMessageBox::Information : QMessageBox::Warning);
        QStringList buttons = answerer.answered.value(0).buttons;
        labels.removeAll(QString());
        buttons.sort();
        labels.sort();
        QCOMPARE(buttons, labels);
    }

    void frameIsKept()
    {
        struct Panel : WindowController
        {
            QWidget *makeWindow() override { return new QWidget; }
        };
        Panel first, second, other;
        first.setWindowFrameAutosaveName(u"Panel"_s);
        first.window()->setGeometry(50, 60, 321, 123);
        first.close();
        second.setWindowFrameAutosaveName(u"Panel"_s);
        other.setWindowFrameAutosaveName(u"Other"_s);
        QCOMPARE(second.window()->size(), QSize(321, 123));
        QVERIFY(other.window()->size() != QSize(321, 123));
    }
};

CRATEWRIGHT_GUI_TEST_MAIN(TestQtPlatform)
#include "tst_qtplatform.moc"
