// The desktop platform's alerts, answered the way a user answers them.
#include "GuiTestEnvironment.h"
#include "platform/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class QtPlatformTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertAnswers_data();
    void alertAnswers();
};

namespace {

struct SeenBox
{
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QStringList buttons;
};

// Waits for the modal alert, notes what it shows, then presses `answer` (a button's text, or
// "Escape" for the key). Gives up after a few seconds so a missing alert fails, not hangs.
void answerNextAlert(const QString &answer, SeenBox *seen)
{
    auto *poll = new QTimer(qApp);
    auto *waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box && waited->elapsed() < 10000)
            return;
        poll->deleteLater();
        delete waited;
        if (!box)
            return;
        seen->text = box->text();
        seen->format = box->textFormat();
        for (QAbstractButton *button : box->buttons())
            seen->buttons.append(button->text());
        if (answer == QLatin1String("Escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *button : box->buttons())
            if (button->text() == answer)
                button->click();
    });
    poll->start(20);
}

} // namespace

void QtPlatformTest::alertAnswers_data()
{
    QTest::addColumn<QStringList>("labels"); // default, alternate, other
    QTest::addColumn<QString>("answer");
    QTest::addColumn<AlertAnswer>("expected");
    const QStringList overwrite{QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Yes To All")};
    const QStringList yesOrNo{QStringLiteral("Yes"), QString(), QStringLiteral("No")};
    const QStringList report{QStringLiteral("OK"), QString(), QString()};
    QTest::newRow("default") << overwrite << "Yes" << AlertAnswer::Default;
    QTest::newRow("alternate") << overwrite << "No" << AlertAnswer::Alternate;
    QTest::newRow("other") << overwrite << "Yes To All" << AlertAnswer::Other;
    QTest::newRow("escape takes the alternate") << overwrite << "Escape" << AlertAnswer::Alternate;
    QTest::newRow("without alternate, escape takes the other") << yesOrNo << "Escape" << AlertAnswer::Other;
    QTest::newRow("without alternate, default") << yesOrNo << "Yes" << AlertAnswer::Default;
    QTest::newRow("single button") << report << "OK" << AlertAnswer::Default;
    QTest::newRow("single button, escape") << report << "Escape" << AlertAnswer::Default;
}

void QtPlatformTest::alertAnswers()
{
    QFETCH(QStringList, labels);
    QFETCH(QString, answer);
    QFETCH(AlertAnswer, expected);

    QtPlatform platform;
    SeenBox seen;
    // A package's file name may look like markup; it must be shown as it stands.
    const QString message = QStringLiteral("The File '<b>ride</b>.zctrack' already exists.");
    answerNextAlert(answer, &seen);
    const AlertAnswer result =
        platform.runAlertPanel(Alert{QStringLiteral("File Already Exists"), message, labels.at(0), labels.at(1), labels.at(2)});
    QCOMPARE(result, expected);
    QCOMPARE(seen.text, message);
    QCOMPARE(seen.format, Qt::PlainText);
    QStringList shown = seen.buttons;
    QStringList wanted = labels;
    wanted.removeAll(QString());
    shown.sort();
    wanted.sort();
    QCOMPARE(shown, wanted); // an empty label means no button
}

int main(int argc, char **argv)
{
    GuiTestEnvironment environment;
    QApplication app(argc, argv);
    QtPlatformTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qtplatform.moc"
