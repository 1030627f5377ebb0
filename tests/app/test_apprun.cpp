// Whole runs of the desktop program with the real Qt platform: real message boxes, sheets and
// file dialogs, answered the way a user would; a real simulator executable started as a child
// process. Every dialog that blocks is answered from a timer, which gives up (and closes the
// dialog) rather than hang.
#include "AppTestKit.h"
#include "GuiTestEnvironment.h"

#include "app/AppController.h"
#include "platform/QtPlatform.h"
#include "prefs/ZCTrackPackPrefWinController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace AppTestKit;

namespace {

GuiTestEnvironment *environment = nullptr;

constexpr int GiveUpAfterMs = 20000;

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Answers message boxes as they appear, in the order the test expects them. A box that is not
// expected is recorded and dismissed; after the time limit every open box is dismissed so a
// blocked test goes on and fails instead of hanging.
class DialogAnswerer : public QObject
{
public:
    struct Seen
    {
        QString title, text;
    };

    DialogAnswerer()
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_clock.start();
        m_timer.start();
    }

    void expect(const QString &title, const QString &button, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            m_expected.append({title, button});
    }
    bool allAnswered() const { return m_expected.isEmpty(); }

    QList<Seen> answered;
    QList<Seen> unexpected;
    bool gaveUp = false;

private:
    void tick()
    {
        const bool timeUp = m_clock.elapsed() > GiveUpAfterMs;
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            auto *box = qobject_cast<QMessageBox *>(window);
            if (!box || !box->isVisible() || m_handled.contains(box))
                continue;
            m_handled.append(box);
            const Seen seen{box->windowTitle(), box->text()};
            if (timeUp) {
                gaveUp = true;
                box->reject();
                continue;
            }
            if (m_expected.isEmpty() || m_expected.first().first != seen.title) {
                unexpected.append(seen);
                box->reject();
                continue;
            }
            const QString label = m_expected.takeFirst().second;
            QAbstractButton *button = nullptr;
            for (QAbstractButton *candidate : box->buttons()) {
                if (withoutMnemonic(candidate->text()) == label)
                    button = candidate;
            }
            if (!button) {
                unexpected.append({seen.title, seen.text + QStringLiteral(" [no button ") + label + QLatin1Char(']')});
                box->reject();
                continue;
            }
            answered.append(seen);
            button->click();
            return; // one answer per tick: the next box may only appear after this one is gone
        }
        if (timeUp)
            gaveUp = gaveUp || !m_expected.isEmpty();
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    QList<QPair<QString, QString>> m_expected;
    QList<QPointer<QMessageBox>> m_handled;
};

QStringList titles(const QList<DialogAnswerer::Seen> &seen)
{
    QStringList out;
    for (const DialogAnswerer::Seen &s : seen)
        out.append(s.title + QStringLiteral(": ") + s.text);
    return out;
}

QStringList readLines(const QString &path)
{
    const QString text = QString::fromUtf8(readFile(path));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

enum class Simulator { Runs, Missing, NotExecutable };

// Runs `action` inside the application's event loop, as in the running program, and answers
// whether the program then ended by itself (rather than being stopped after the time limit).
bool endsTheProgram(const AppController &controller, const std::function<void()> &action)
{
    QApplication::setQuitOnLastWindowClosed(controller.applicationShouldTerminateAfterLastWindowClosed(qApp));
    bool stopped = false;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, qApp, [&stopped] {
        stopped = true;
        QCoreApplication::quit();
    });
    giveUp.start(GiveUpAfterMs);
    QTimer::singleShot(0, qApp, action);
    QCoreApplication::exec();
    return !stopped;
}

} // namespace

Q_DECLARE_METATYPE(Simulator)

class TestAppRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunToQuit();
    void reinstallAsksBeforeReplacing_data();
    void reinstallAsksBeforeReplacing();
    void ride_data();
    void ride();
    void refusedPackageEndsTheRun();

private:
    // As main() makes it: the window shown, files handed over, then launching finishes.
    AppController &launch(const QStringList &handedOver = {});
    QString simulatorFolder() const { return m_dir->filePath(QStringLiteral("Zoomcrest Sim Folder")); }
    QString argumentsFile() const { return m_dir->filePath(QStringLiteral("simulator arguments.txt")); }
    QString packagePath() const { return m_dir->filePath(QStringLiteral("Downloads/Corkscrew Canyon.zcpack")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<AppController> m_controller;
};

void TestAppRun::initTestCase()
{
    AppController::initialize();
}

void TestAppRun::init()
{
    environment->clearSettings();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(writeFile(packagePath(), standardPackage().build()));
    m_platform = std::make_unique<QtPlatform>();
    Platform::setCurrent(m_platform.get());
}

void TestAppRun::cleanup()
{
    m_controller.reset();
    Platform::setCurrent(nullptr);
    m_platform.reset();
    m_dir.reset();
}

AppController &TestAppRun::launch(const QStringList &handedOver)
{
    m_controller = std::make_unique<AppController>();
    m_controller->showWindow(nullptr);
    for (const QString &file : handedOver)
        m_controller->applicationOpenFile(file);
    m_controller->applicationDidFinishLaunching(nullptr);
    return *m_controller;
}

void TestAppRun::firstRunToQuit()
{
    installSimulatorScript(simulatorFolder(), argumentsFile());
    DialogAnswerer answerer;
    answerer.expect(QStringLiteral("First Run"), QStringLiteral("Yeah, I'll Do That..."));
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);

    AppController &controller = launch();

    // The welcome sheet hangs on the preferences window and waits for its answer.
    ZCTrackPackPrefWinController *prefs = controller.prefWinController();
    QVERIFY(prefs && prefs->window()->isVisible());
    auto *sheet = prefs->window()->findChild<QMessageBox *>();
    QVERIFY(sheet);
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QTRY_VERIFY_WITH_TIMEOUT(answerer.allAnswered() || answerer.gaveUp, GiveUpAfterMs + 1000);
    QVERIFY(!answerer.gaveUp);
    QVERIFY(answerer.answered.first().text.startsWith(QStringLiteral("Welcome To the Zoomcrest Cratewright.")));

    // The user names the simulator folder and saves: the package chooser opens on the main window.
    prefs->zcFolderPathField()->setText(simulatorFolder());
    QPushButton *save = nullptr;
    for (QPushButton *button : prefs->window()->findChildren<QPushButton *>()) {
        if (withoutMnemonic(button->text()) == QLatin1String("Save"))
            save = button;
    }
    QVERIFY(save);
    save->click();
    QVERIFY(!prefs->window()->isVisible());
    QVERIFY(!controller.waitingToLoadPkg());

    auto *chooser = controller.window()->findChild<QFileDialog *>();
    QVERIFY(chooser);
    QVERIFY(chooser->isVisible());
    QCOMPARE(chooser->windowModality(), Qt::WindowModal);
    chooser->selectFile(packagePath());
    static_cast<QDialog *>(chooser)->accept(); // QFileDialog::accept checks the chosen file

    QCOMPARE(controller.PkgTitleField()->text(), QStringLiteral("Corkscrew Canyon"));
    QCOMPARE(controller.PkgAuthorField()->text(), QStringLiteral("By: R. Coaster"));
    QCOMPARE(controller.PkgCommentsTextView()->toPlainText(),
             QStringLiteral("Two inversions and a long drop.\nHold on tight."));
    QCOMPARE(controller.PkgLeftInfoField()->text(), QStringLiteral("2 File(s) In Package."));
    QVERIFY(controller.progIndicator()->isHidden());

    QPushButton *button = controller.InstallPkgButton();
    QVERIFY(button->isEnabled());
    button->click();
    QCOMPARE(controller.PkgRightInfoField()->text(), QStringLiteral("Package Installed Successfully."));
    QCOMPARE(readFile(simulatorFolder() + QLatin1Char('/') + TrackFile), QByteArray("track data ").repeated(40));
    QCOMPARE(readFile(simulatorFolder() + QLatin1Char('/') + SceneryFile), QByteArray("v 0 0 0\n").repeated(20));
    QCOMPARE(button->text(), QStringLiteral("Ride!"));

    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(readLines(argumentsFile()),
                              (QStringList{QStringLiteral("-s"), simulatorFolder() + QLatin1Char('/') + TrackFile}),
                              GiveUpAfterMs);
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Quit"), GiveUpAfterMs);
    QVERIFY(button->isEnabled());

    QVERIFY(endsTheProgram(controller, [button] { button->click(); }));
    QVERIFY(!controller.window()->isVisible());
    QCOMPARE(lastWindowClosed.size(), 1);
    QCOMPARE(titles(answerer.unexpected), QStringList());
}

void TestAppRun::reinstallAsksBeforeReplacing_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("prompts");
    QTest::addColumn<QByteArray>("trackAfter");
    QTest::addColumn<QByteArray>("sceneryAfter");

    QTest::newRow("No keeps each file") << QStringLiteral("No") << 2 << QByteArray("old track") << QByteArray("old rock");
    QTest::newRow("Yes To All replaces them all")
        << QStringLiteral("Yes To All") << 1 << QByteArray("track data ").repeated(40)
        << QByteArray("v 0 0 0\n").repeated(20);
}

void TestAppRun::reinstallAsksBeforeReplacing()
{
    QFETCH(QString, answer);
    QFETCH(int, prompts);
    QFETCH(QByteArray, trackAfter);
    QFETCH(QByteArray, sceneryAfter);

    makeSimulatorFolder(simulatorFolder());
    writeFile(simulatorFolder() + QLatin1Char('/') + TrackFile, "old track");
    writeFile(simulatorFolder() + QLatin1Char('/') + SceneryFile, "old rock");
    storeInstallLocation(simulatorFolder(), false);
    DialogAnswerer answerer;
    answerer.expect(QStringLiteral("File Already Exists"), answer, prompts);

    AppController &controller = launch({packagePath()});
    QCOMPARE(controller.PkgTitleField()->text(), QStringLiteral("Corkscrew Canyon"));
    controller.InstallPkgButton()->click();

    QVERIFY(!answerer.gaveUp);
    QCOMPARE(titles(answerer.unexpected), QStringList());
    QCOMPARE(answerer.answered.size(), prompts);
    QCOMPARE(answerer.answered.first().text,
             QStringLiteral("The File 'Tracks/Corkscrew Canyon.zctrack' already exists. Would you like to replace it?"));
    QCOMPARE(readFile(simulatorFolder() + QLatin1Char('/') + TrackFile), trackAfter);
    QCOMPARE(readFile(simulatorFolder() + QLatin1Char('/') + SceneryFile), sceneryAfter);
    QCOMPARE(controller.PkgRightInfoField()->text(), QStringLiteral("Package Installed Successfully."));
    QCOMPARE(controller.InstallPkgButton()->text(), QStringLiteral("Ride!"));
    QVERIFY(controller.InstallPkgButton()->isEnabled());
}

void TestAppRun::ride_data()
{
    QTest::addColumn<Simulator>("simulator");
    QTest::newRow("simulator starts") << Simulator::Runs;
    QTest::newRow("simulator missing") << Simulator::Missing;
    QTest::newRow("simulator not executable") << Simulator::NotExecutable;
}

void TestAppRun::ride()
{
    QFETCH(Simulator, simulator);

    const QString executable = installSimulatorScript(simulatorFolder(), argumentsFile());
    if (simulator == Simulator::Missing)
        QVERIFY(QFile::remove(executable));
    if (simulator == Simulator::NotExecutable)
        QVERIFY(QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner));
    storeInstallLocation(simulatorFolder(), false);
    DialogAnswerer answerer;
    if (simulator != Simulator::Runs)
        answerer.expect(QStringLiteral("Launch Failed"), QStringLiteral("Oh Well"));

    AppController &controller = launch({packagePath()});
    QPushButton *button = controller.InstallPkgButton();
    button->click();
    QCOMPARE(button->text(), QStringLiteral("Ride!"));
    button->click();
    // Started or not, the button then ends the run.
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Quit"), GiveUpAfterMs);

    QVERIFY(!answerer.gaveUp);
    QCOMPARE(titles(answerer.unexpected), QStringList());
    QCOMPARE(answerer.answered.size(), simulator == Simulator::Runs ? 0 : 1);
    if (simulator == Simulator::Runs) {
        QTRY_COMPARE_WITH_TIMEOUT(readLines(argumentsFile()),
                                  (QStringList{QStringLiteral("-s"), simulatorFolder() + QLatin1Char('/') + TrackFile}),
                                  GiveUpAfterMs);
    } else {
        QVERIFY(answerer.answered.first().text.startsWith(QStringLiteral("You either did not install the track")));
        QVERIFY(!QFile::exists(argumentsFile()));
    }
    QVERIFY(button->isEnabled());
    button->click();
    QVERIFY(!controller.window()->isVisible());
}

void TestAppRun::refusedPackageEndsTheRun()
{
    makeSimulatorFolder(simulatorFolder());
    storeInstallLocation(simulatorFolder(), false);
    const QString notAPackage = m_dir->filePath(QStringLiteral("Downloads/readme.zcpack"));
    writeFile(notAPackage, "This is a text file that only carries a package's name.");
    DialogAnswerer answerer;
    answerer.expect(QStringLiteral("File Open Error"), QStringLiteral("OK"));
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);

    m_controller = std::make_unique<AppController>();
    AppController &controller = *m_controller;
    controller.showWindow(nullptr);
    controller.applicationOpenFile(notAPackage);
    QVERIFY(endsTheProgram(controller, [&controller] { controller.applicationDidFinishLaunching(nullptr); }));

    QVERIFY(!answerer.gaveUp);
    QCOMPARE(titles(answerer.unexpected), QStringList());
    QCOMPARE(titles(answerer.answered),
             QStringList{QStringLiteral("File Open Error: Could not open file. (Err: -1)\n\nIt does not appear to be a "
                                        "track package file.")});
    QVERIFY(!controller.window()->isVisible());
    QCOMPARE(lastWindowClosed.size(), 1);
}

int main(int argc, char **argv)
{
    GuiTestEnvironment env;
    environment = &env;
    QApplication app(argc, argv);
    TestAppRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_apprun.moc"
