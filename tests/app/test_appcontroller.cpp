// The application controller against a recording platform: start-up and the first-run chain,
// choosing and presenting a package, installing it, starting the simulator, and the menu
// commands. Packages and folders are real files in a temporary folder; the windows are real
// widgets.
#include "AppTestKit.h"
#include "GuiTestEnvironment.h"

#include "app/AppController.h"
#include "install/InstallLocation.h"
#include "package/ResultCodes.h"
#include "platform/NotificationCenter.h"
#include "prefs/ZCTrackPackPrefWinController.h"
#include "versioncheck/VersionCheckPanelController.h"
#include "versioncheck/VersionText.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>
#include <memory>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace AppTestKit;

namespace {

GuiTestEnvironment *environment = nullptr;

const QString Installed = QStringLiteral("Package Installed Successfully.");
const QString FirstRunMessage = QStringLiteral(
    "Welcome To the Zoomcrest Cratewright. Please set your Zoomcrest application folder, and then "
    "choose \"Save\".\n\nAfter you have completed this task, the Cratewright will be fully "
    "configured, and you will be prompted to open a track pack to install.\n\nHave Fun!\n");

// What the install button stands for.
enum class Press { Install, Ride, Quit };

// What the stored install folder is made into before an install.
enum class Base { SimulatorFolder, PlainFolder, Missing, RegularFile, FileWhereFolderGoes, FolderWhereFileGoes };

enum class LaunchCase { NotLoaded, NoTrackFile, SimulatorFails };

AppController::Action actionFor(Press press)
{
    switch (press) {
    case Press::Install:
        return &AppController::DoStartInstall;
    case Press::Ride:
        return &AppController::launchSimWithTrackFile;
    case Press::Quit:
        return &AppController::closeMainWindow;
    }
    return nullptr;
}

// The events a user notices: everything but log lines, with launches shown without their path.
QStringList noticeable(const QStringList &events)
{
    QStringList out;
    for (const QString &event : events) {
        if (event.startsWith(QLatin1String("log:")))
            continue;
        out.append(event.startsWith(QLatin1String("launch:")) ? QStringLiteral("launch") : event);
    }
    return out;
}

QByteArray bigPackage()
{
    // Far more than any disk holds: the install must stop before it writes anything.
    PackageWriter writer = standardPackage();
    PackageWriter::Entry entry;
    entry.folder = "Huge\\";
    entry.compressed = PackageWriter::compress("x");
    entry.unCompSize = std::numeric_limits<qint32>::max();
    for (int i = 0; i < 8192; ++i) {
        entry.name = "part" + QByteArray::number(i) + ".bin";
        writer.addEntry(entry);
    }
    return writer.build();
}

} // namespace

Q_DECLARE_METATYPE(Press)
Q_DECLARE_METATYPE(Base)
Q_DECLARE_METATYPE(LaunchCase)

class TestAppController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    // Start-up and the first-run chain
    void freshSettingsShowFirstRunSheet();
    void startUpWithValidFolder_data();
    void startUpWithValidFolder();
    void firstRunSaveCompletesStartUp_data();
    void firstRunSaveCompletesStartUp();
    void firstRunWindowClosedThenLaterSave();
    void saveAfterStartUpChangesNothing();
    void fileHandedOverWhileRunningIsOnlyRecorded();

    // Choosing and presenting a package
    void chooserIsSetUpForPackages();
    void chooserEnds_data();
    void chooserEnds();
    void presentsPackage_data();
    void presentsPackage();
    void indicatorShownOnlyWhileLoading_data();
    void indicatorShownOnlyWhileLoading();
    void loadFailure_data();
    void loadFailure();

    // Installing
    void installStatus_data();
    void installStatus();
    void installWaitsForAnotherInstall_data();
    void installWaitsForAnotherInstall();
    void overwritePromptDuringInstall_data();
    void overwritePromptDuringInstall();
    void installWithoutPackage_data();
    void installWithoutPackage();

    // The install button and launching the simulator
    void buttonWalksFromInstallToQuit_data();
    void buttonWalksFromInstallToQuit();
    void launchFailures_data();
    void launchFailures();

    // Menu commands
    void preferencesCommandKeepsOneController_data();
    void preferencesCommandKeepsOneController();
    void versionCheckCommandChecksEachTime();
    void helpCommand_data();
    void helpCommand();
    void menuItemsSendTheirCommands_data();
    void menuItemsSendTheirCommands();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString writePackage(const QString &name, const QByteArray &bytes);
    // A controller as main() leaves it: its window shown, launching not yet finished.
    AppController &makeController();
    // Stores `folder` and starts up with `package` handed over: the package is shown.
    void startWithPackage(const QString &folder, bool knownFolderNotForZC, const QString &package);
    QString makeBase(Base kind);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ProbingPlatform> m_platform;
    std::unique_ptr<AppController> m_controller;
};

void TestAppController::initTestCase()
{
    AppController::initialize();
    // A write past the file size limit must fail with an error rather than end the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

void TestAppController::init()
{
    environment->clearSettings();
    qputenv("CRATEWRIGHT_SITE", "http://docs.example.test");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_platform = std::make_unique<ProbingPlatform>();
}

void TestAppController::cleanup()
{
    m_controller.reset();
    m_platform.reset();
    m_dir.reset();
}

QString TestAppController::writePackage(const QString &name, const QByteArray &bytes)
{
    const QString file = path(name);
    if (!writeFile(file, bytes))
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

AppController &TestAppController::makeController()
{
    m_controller = std::make_unique<AppController>();
    m_controller->showWindow(nullptr);
    return *m_controller;
}

void TestAppController::startWithPackage(const QString &folder, bool knownFolderNotForZC, const QString &package)
{
    storeInstallLocation(folder, knownFolderNotForZC);
    AppController &controller = makeController();
    controller.applicationOpenFile(package);
    controller.applicationDidFinishLaunching(nullptr);
}

QString TestAppController::makeBase(Base kind)
{
    const QString base = path(QStringLiteral("Zoomcrest Sim"));
    switch (kind) {
    case Base::SimulatorFolder:
        makeSimulatorFolder(base);
        break;
    case Base::PlainFolder:
        QDir().mkpath(base);
        break;
    case Base::Missing:
        break;
    case Base::RegularFile:
        writeFile(base, "not a folder");
        break;
    case Base::FileWhereFolderGoes:
        makeSimulatorFolder(base);
        writeFile(base + QStringLiteral("/Tracks"), "in the way");
        break;
    case Base::FolderWhereFileGoes:
        makeSimulatorFolder(base);
        QDir().mkpath(base + QLatin1Char('/') + TrackFile);
        break;
    }
    return base;
}

// Start-up and the first-run chain

void TestAppController::freshSettingsShowFirstRunSheet()
{
    if (InstallLocation::storedLocationIsValid())
        QSKIP("this machine has a simulator at the default folder");

    AppController &controller = makeController();
    controller.applicationDidFinishLaunching(nullptr);

    QCOMPARE(m_platform->events, QStringList{QStringLiteral("sheet:First Run")});
    const RecordingPlatform::Sheet sheet = m_platform->sheets.value(0);
    QCOMPARE(sheet.message, FirstRunMessage);
    QCOMPARE(sheet.defaultButton, QStringLiteral("Yeah, I'll Do That..."));
    QCOMPARE(sheet.alternateButton, QString());
    QCOMPARE(sheet.otherButton, QString());
    QVERIFY(controller.prefWinController());
    QCOMPARE(sheet.window, controller.prefWinController()->window());
    QVERIFY(sheet.window->isVisible());
    QVERIFY(controller.waitingToLoadPkg());
    QVERIFY(controller.window()->isVisible());
    QVERIFY(!controller.InstallPkgButton()->isEnabled());
}

void TestAppController::startUpWithValidFolder_data()
{
    QTest::addColumn<QStringList>("handedOver");
    QTest::addColumn<QString>("shownTitle"); // empty: nothing loaded
    QTest::addColumn<int>("choosers");

    QTest::newRow("nothing handed over") << QStringList() << QString() << 1;
    QTest::newRow("one file handed over") << QStringList{QStringLiteral("First")} << QStringLiteral("First") << 0;
    QTest::newRow("several files handed over")
        << QStringList{QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Third")}
        << QStringLiteral("Third") << 0;
}

void TestAppController::startUpWithValidFolder()
{
    QFETCH(QStringList, handedOver);
    QFETCH(QString, shownTitle);
    QFETCH(int, choosers);

    storeInstallLocation(makeSimulatorFolder(path(QStringLiteral("Zoomcrest"))), false);
    AppController &controller = makeController();
    const QString initialTitle = controller.PkgTitleField()->text();
    controller.window()->move(0, 0);
    for (const QString &title : handedOver) {
        const QString file = writePackage(title + QStringLiteral(".zcpack"),
                                          standardPackage().setTitle(title.toUtf8()).build());
        QVERIFY(controller.applicationOpenFile(file));
    }

    controller.applicationDidFinishLaunching(nullptr);

    QVERIFY(!controller.waitingToLoadPkg());
    QVERIFY(m_platform->sheets.isEmpty());
    QCOMPARE(m_platform->panels.size(), choosers);
    if (choosers) {
        QCOMPARE(m_platform->lastPanel()->window, controller.window());
        QCOMPARE(controller.PkgTitleField()->text(), initialTitle);
    } else {
        QCOMPARE(controller.PkgTitleField()->text(), shownTitle);
    }
    // Ready to install exactly when a package was loaded.
    QCOMPARE(controller.InstallPkgButton()->isEnabled(), !shownTitle.isEmpty());
    QCOMPARE(m_platform->logLines.filter(QStringLiteral("Package Version")).size(), shownTitle.isEmpty() ? 0 : 1);

    const QScreen *screen = controller.window()->screen();
    const QPoint offCentre =
        controller.window()->frameGeometry().center() - screen->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2, "the main window is centred");
}

void TestAppController::firstRunSaveCompletesStartUp_data()
{
    QTest::addColumn<bool>("handOver");
    QTest::newRow("file handed over: loaded") << true;
    QTest::newRow("nothing handed over: chooser") << false;
}

void TestAppController::firstRunSaveCompletesStartUp()
{
    QFETCH(bool, handOver);

    storeInstallLocation(path(QStringLiteral("missing")), false);
    AppController &controller = makeController();
    const QString package = writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build());
    if (handOver)
        controller.applicationOpenFile(package);
    controller.applicationDidFinishLaunching(nullptr);
    QVERIFY(controller.waitingToLoadPkg());
    QAction *open = controller.window()->findChild<QAction *>(QStringLiteral("actionOpenPackage"));
    QVERIFY(!open->isEnabled());
    ZCTrackPackPrefWinController *prefs = controller.prefWinController();
    QVERIFY(prefs);

    // The start-up sequence runs again inside the save, after the window has closed.
    bool prefsVisible = true;
    bool probed = false;
    m_platform->probe = [&](const QString &event) {
        if (event.startsWith(QLatin1String("log:Package Version")) || event == QLatin1String("openPanel")) {
            probed = true;
            prefsVisible = prefs->window()->isVisible();
        }
    };

    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest")));
    prefs->zcFolderPathField()->setText(simulator);
    prefs->saveChanges(nullptr);
    m_platform->probe = nullptr;

    QVERIFY2(probed, "the start-up sequence ran again inside the save");
    QVERIFY2(!prefsVisible, "the preferences window closed before the package is opened");
    QVERIFY(!controller.waitingToLoadPkg());
    QVERIFY(open->isEnabled());
    QCOMPARE(controller.prefWinController(), prefs);
    if (handOver) {
        QCOMPARE(controller.PkgTitleField()->text(), QStringLiteral("Corkscrew Canyon"));
        QVERIFY(controller.InstallPkgButton()->isEnabled());
        QVERIFY(m_platform->panels.isEmpty());
    } else {
        QCOMPARE(m_platform->panels.size(), 1);
        QCOMPARE(m_platform->lastPanel()->window, controller.window());
        QVERIFY(!controller.InstallPkgButton()->isEnabled());
    }
}

void TestAppController::firstRunWindowClosedThenLaterSave()
{
    storeInstallLocation(path(QStringLiteral("missing")), false);
    AppController &controller = makeController();
    controller.applicationOpenFile(writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
    controller.applicationDidFinishLaunching(nullptr);
    ZCTrackPackPrefWinController *prefs = controller.prefWinController();

    prefs->close(); // closed by the user, nothing saved
    QVERIFY(controller.waitingToLoadPkg());
    QVERIFY(!controller.InstallPkgButton()->isEnabled());
    QVERIFY(controller.window()->isVisible());

    controller.showPrefWindow(nullptr);
    QCOMPARE(controller.prefWinController(), prefs);
    QVERIFY(prefs->window()->isVisible());
    prefs->zcFolderPathField()->setText(makeSimulatorFolder(path(QStringLiteral("Zoomcrest"))));
    prefs->saveChanges(nullptr);

    QVERIFY(!controller.waitingToLoadPkg());
    QCOMPARE(controller.PkgTitleField()->text(), QStringLiteral("Corkscrew Canyon"));
    QVERIFY(controller.InstallPkgButton()->isEnabled());
    QCOMPARE(m_platform->sheets.size(), 1);
}

void TestAppController::saveAfterStartUpChangesNothing()
{
    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest")));
    startWithPackage(simulator, false,
                     writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
    AppController &controller = *m_controller;
    const int eventsBefore = m_platform->events.size();

    controller.showPrefWindow(nullptr);
    controller.prefWinController()->saveChanges(nullptr);

    QCOMPARE(m_platform->events.mid(eventsBefore), QStringList());
    QVERIFY(!controller.waitingToLoadPkg());
    QVERIFY(controller.InstallPkgButton()->isEnabled());
}

void TestAppController::fileHandedOverWhileRunningIsOnlyRecorded()
{
    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest")));
    startWithPackage(simulator, false,
                     writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
    AppController &controller = *m_controller;
    const QString later = writePackage(QStringLiteral("Later.zcpack"), standardPackage().setTitle("Later").build());
    const int eventsBefore = m_platform->events.size();

    QVERIFY(controller.applicationOpenFile(later));

    QCOMPARE(controller.openFileAtStartupAtPath(), later);
    QCOMPARE(controller.PkgTitleField()->text(), QStringLiteral("Corkscrew Canyon"));
    QCOMPARE(m_platform->events.mid(eventsBefore), QStringList());
}

// Choosing and presenting a package

void TestAppController::chooserIsSetUpForPackages()
{
    AppController &controller = makeController();
    controller.chooseTrackPack(nullptr);

    QCOMPARE(m_platform->events, QStringList{QStringLiteral("openPanel")});
    const auto panel = m_platform->lastPanel();
    QVERIFY(panel->begun);
    QVERIFY(!panel->canChooseDirectories());
    QVERIFY(panel->canChooseFiles());
    QVERIFY(!panel->allowsMultipleSelection());
    QCOMPARE(panel->types, (QStringList{QStringLiteral("exe"), QStringLiteral("EXE"), QStringLiteral("zcpack"),
                                        QStringLiteral("ZCPACK")}));
    QCOMPARE(panel->directory, QDir::homePath() + QStringLiteral("/Desktop"));
    QCOMPARE(panel->file, QString());
    QCOMPARE(panel->window, controller.window());
    QCOMPARE(panel->closeCount, 0);
}

void TestAppController::chooserEnds_data()
{
    QTest::addColumn<QByteArray>("fileBytes"); // empty: nothing chosen
    QTest::addColumn<int>("returnCode");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("windowOpen");
    QTest::addColumn<QStringList>("noticed");

    const QByteArray package = standardPackage().build();
    const QStringList failed{QStringLiteral("beep"), QStringLiteral("alert:File Open Error")};
    QTest::newRow("OK with a package") << package << 1 << true << true << QStringList();
    QTest::newRow("OK with a file that is no package")
        << QByteArray("just some text, no track package here") << 1 << false << false << failed;
    QTest::newRow("OK with nothing chosen") << QByteArray() << 1 << false << true << QStringList();
    QTest::newRow("Cancel") << package << 0 << false << false << QStringList();
}

void TestAppController::chooserEnds()
{
    QFETCH(QByteArray, fileBytes);
    QFETCH(int, returnCode);
    QFETCH(bool, loaded);
    QFETCH(bool, windowOpen);
    QFETCH(QStringList, noticed);

    AppController &controller = makeController();
    const QString initialTitle = controller.PkgTitleField()->text();
    const QString chosen = fileBytes.isEmpty() ? QString() : writePackage(QStringLiteral("Chosen.zcpack"), fileBytes);
    controller.chooseTrackPack(nullptr);
    const auto panel = m_platform->lastPanel();
    int closesAtAlert = -1;
    m_platform->probe = [&](const QString &event) {
        if (event.startsWith(QLatin1String("alert:")))
            closesAtAlert = panel->closeCount;
    };

    panel->finish(chosen, returnCode);

    QCOMPARE(noticeable(m_platform->events), QStringList{QStringLiteral("openPanel")} + noticed);
    QCOMPARE(panel->closeCount, 1);
    if (!noticed.isEmpty())
        QCOMPARE(closesAtAlert, 0); // the alert comes while the chooser is still there
    QCOMPARE(controller.window()->isVisible(), windowOpen);
    QCOMPARE(controller.thePackage().pkgLoaded(), loaded);
    QCOMPARE(controller.PkgTitleField()->text(), loaded ? QStringLiteral("Corkscrew Canyon") : initialTitle);
    QCOMPARE(controller.InstallPkgButton()->isEnabled(), loaded);
}

void TestAppController::presentsPackage_data()
{
    QTest::addColumn<QByteArray>("package");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("comments");
    QTest::addColumn<QString>("count");

    QTest::newRow("title, author, comments, two files")
        << standardPackage().build() << QStringLiteral("Corkscrew Canyon") << QStringLiteral("By: R. Coaster")
        << QStringLiteral("Two inversions and a long drop.\nHold on tight.")
        << QStringLiteral("2 File(s) In Package.");
    QTest::newRow("no comments") << standardPackage().setComments("").build() << QStringLiteral("Corkscrew Canyon")
                                 << QStringLiteral("By: R. Coaster") << QStringLiteral("(No Comments In Package File)")
                                 << QStringLiteral("2 File(s) In Package.");
    QTest::newRow("a single blank is a comment")
        << standardPackage().setComments(" ").build() << QStringLiteral("Corkscrew Canyon")
        << QStringLiteral("By: R. Coaster") << QStringLiteral(" ") << QStringLiteral("2 File(s) In Package.");
    QTest::newRow("no author") << standardPackage().setAuthor("").build() << QStringLiteral("Corkscrew Canyon")
                               << QStringLiteral("By: ") << QStringLiteral("Two inversions and a long drop.\nHold on tight.")
                               << QStringLiteral("2 File(s) In Package.");
    QTest::newRow("one file") << PackageWriter().setTitle("Solo").setAuthor("A").setComments("c").addFile("", "solo.zct", "x").build()
                              << QStringLiteral("Solo") << QStringLiteral("By: A") << QStringLiteral("c")
                              << QStringLiteral("1 File(s) In Package.");
    QTest::newRow("markup is shown as typed")
        << standardPackage().setTitle("<b>Fast</b> &amp; <i>loud</i>").setAuthor("<a href=\"x\">me</a>").setComments("<h1>Big</h1>").build()
        << QStringLiteral("<b>Fast</b> &amp; <i>loud</i>") << QStringLiteral("By: <a href=\"x\">me</a>")
        << QStringLiteral("<h1>Big</h1>") << QStringLiteral("2 File(s) In Package.");
    QTest::newRow("placeholders are shown as typed")
        << standardPackage().setTitle("%1 %2").setAuthor("%1").setComments("%i %@").build() << QStringLiteral("%1 %2")
        << QStringLiteral("By: %1") << QStringLiteral("%i %@") << QStringLiteral("2 File(s) In Package.");
    QTest::newRow("version 1.5") << standardPackage().setVersion(1, 5, 2).build() << QStringLiteral("Corkscrew Canyon")
                                 << QStringLiteral("By: R. Coaster")
                                 << QStringLiteral("Two inversions and a long drop.\nHold on tight.")
                                 << QStringLiteral("2 File(s) In Package.");
}

void TestAppController::presentsPackage()
{
    QFETCH(QByteArray, package);
    QFETCH(QString, title);
    QFETCH(QString, author);
    QFETCH(QString, comments);
    QFETCH(QString, count);

    storeInstallLocation(makeSimulatorFolder(path(QStringLiteral("Zoomcrest"))), false);
    AppController &controller = makeController();
    // An earlier package, installed and ready to ride, must give way entirely.
    controller.loadPackageAtPath(writePackage(
        QStringLiteral("Earlier.zcpack"),
        PackageWriter().setTitle("Earlier").setAuthor("Someone").setComments("Earlier comments.").addFile("", "a.zct", "b").build()));
    controller.DoStartInstall(nullptr);

    controller.loadPackageAtPath(writePackage(QStringLiteral("Shown.zcpack"), package));

    QCOMPARE(controller.PkgTitleField()->text(), title);
    QCOMPARE(controller.PkgAuthorField()->text(), author);
    QCOMPARE(controller.PkgCommentsTextView()->toPlainText(), comments);
    QCOMPARE(controller.PkgLeftInfoField()->text(), count);
    QCOMPARE(controller.PkgRightInfoField()->text(), QString());
    for (QLabel *label : {controller.PkgTitleField(), controller.PkgAuthorField(), controller.PkgLeftInfoField(),
                          controller.PkgRightInfoField()})
        QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(controller.PkgCommentsTextView()->isReadOnly());
    QVERIFY(controller.InstallPkgButton()->isEnabled());
    QCOMPARE(controller.InstallPkgButton()->text(), QStringLiteral("Install"));
    QCOMPARE(controller.installButtonAction(), &AppController::DoStartInstall);
    QVERIFY(controller.window()->isVisible());
    QCOMPARE(noticeable(m_platform->events), QStringList());
}

void TestAppController::indicatorShownOnlyWhileLoading_data()
{
    QTest::addColumn<QByteArray>("package");
    QTest::newRow("load succeeds") << standardPackage().build();
    QTest::newRow("load fails") << standardPackage().setVersion(1, 2, 0).build();
}

void TestAppController::indicatorShownOnlyWhileLoading()
{
    QFETCH(QByteArray, package);

    AppController &controller = makeController();
    const QString file = writePackage(QStringLiteral("Package.zcpack"), package);
    bool shownDuringLoad = false;
    m_platform->probe = [&](const QString &event) {
        if (event.startsWith(QLatin1String("log:Package Version")))
            shownDuringLoad = controller.progIndicator()->isVisible();
    };

    controller.loadPackageAtPath(file);

    QVERIFY(shownDuringLoad);
    QVERIFY(controller.progIndicator()->isHidden());
}

void TestAppController::loadFailure_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("message");

    const QString cannotOpen = QStringLiteral("Could not open file. (Err: -3)\n\nPermission problem? Doesn't exist?");
    QTest::newRow("-3 missing file") << QByteArray() << false << cannotOpen;
    QTest::newRow("-3 empty file") << QByteArray() << true << cannotOpen;
    QTest::newRow("-1 not a package")
        << QByteArray("A plain text file that only looks like a package by its name.") << true
        << QStringLiteral("Could not open file. (Err: -1)\n\nIt does not appear to be a track package file.");
    QTest::newRow("-2 file count mismatch")
        << standardPackage().setFileCount(3).build() << true
        << QStringLiteral("Could not open file. (Err: -2)\n\nFile count does not match expected.");
    QTest::newRow("-4 version too old")
        << standardPackage().setVersion(1, 2, 0).build() << true
        << QStringLiteral("Could not load Track Package. (Err: -4)\n\nThe package version is too old.\n\nCurrently, "
                          "only 1.3.x SFX Track Package files are supported.\n\nSorry.");
}

void TestAppController::loadFailure()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    QFETCH(QString, message);

    storeInstallLocation(makeSimulatorFolder(path(QStringLiteral("Zoomcrest"))), false);
    AppController &controller = makeController();
    controller.loadPackageAtPath(writePackage(QStringLiteral("Good.zcpack"), standardPackage().build()));
    controller.DoStartInstall(nullptr);
    const QString failing = exists ? writePackage(QStringLiteral("Failing.zcpack"), bytes)
                                   : path(QStringLiteral("nowhere/Failing.zcpack"));
    bool windowOpenAtAlert = false;
    m_platform->probe = [&](const QString &event) {
        if (event.startsWith(QLatin1String("alert:")))
            windowOpenAtAlert = controller.window()->isVisible();
    };
    const int eventsBefore = m_platform->events.size();

    controller.loadPackageAtPath(failing);

    QCOMPARE(noticeable(m_platform->events.mid(eventsBefore)),
             (QStringList{QStringLiteral("beep"), QStringLiteral("alert:File Open Error")}));
    const Alert alert = m_platform->alerts.last();
    QCOMPARE(alert.message, message);
    QCOMPARE(alert.defaultButton, QStringLiteral("OK"));
    QCOMPARE(alert.alternateButton, QString());
    QCOMPARE(alert.otherButton, QString());
    QVERIFY2(windowOpenAtAlert, "the window closes after the alert");
    QVERIFY(!controller.window()->isVisible());
    QVERIFY(controller.progIndicator()->isHidden());
    // The fields keep what they showed.
    QCOMPARE(controller.PkgTitleField()->text(), QStringLiteral("Corkscrew Canyon"));
    QCOMPARE(controller.PkgLeftInfoField()->text(), QStringLiteral("2 File(s) In Package."));
    // Nothing of the package installed before can be ridden or installed again.
    QCOMPARE(controller.installButtonAction(), &AppController::DoStartInstall);
    QVERIFY(!controller.InstallPkgButton()->isEnabled());
    controller.launchSimWithTrackFile(nullptr);
    QVERIFY(m_platform->launches.isEmpty());
}

// Installing

void TestAppController::installStatus_data()
{
    QTest::addColumn<QByteArray>("package");
    QTest::addColumn<Base>("base");
    QTest::addColumn<bool>("knownFolderNotForZC");
    QTest::addColumn<int>("fileSizeLimit"); // bytes; 0 for none
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("buttonTitle");
    QTest::addColumn<bool>("buttonEnabled");
    QTest::addColumn<Press>("press");

    const QByteArray package = standardPackage().build();
    PackageWriter corrupt = standardPackage();
    PackageWriter::Entry garbage;
    garbage.folder = "Scenery\\";
    garbage.name = "broken.obj";
    garbage.content = "what the stream claims";
    garbage.compressed = QByteArray("these bytes are no zlib stream");
    corrupt.addEntry(garbage);
    const QByteArray withLargeFile =
        standardPackage().addFile("Scenery\\", "terrain.raw", QByteArray(64 * 1024, 'T')).build();

    QTest::newRow("0 into the simulator folder")
        << package << Base::SimulatorFolder << false << 0 << Installed << QStringLiteral("Ride!") << true << Press::Ride;
    QTest::newRow("0 into a missing folder, which is made")
        << package << Base::Missing << false << 0 << Installed << QStringLiteral("Ride!") << true << Press::Ride;
    QTest::newRow("0 into a folder known not to be the simulator's")
        << package << Base::PlainFolder << true << 0 << Installed << QStringLiteral("Quit") << true << Press::Quit;
    QTest::newRow("0 with the override flag on a simulator folder")
        << package << Base::SimulatorFolder << true << 0 << Installed << QStringLiteral("Quit") << true << Press::Quit;
    QTest::newRow("-1 corrupt compressed data")
        << corrupt.build() << Base::SimulatorFolder << false << 0
        << QStringLiteral("Error Installing Package (UCOMP/-1).") << QStringLiteral("Install") << false << Press::Install;
    QTest::newRow("-2 more than the disk holds")
        << bigPackage() << Base::SimulatorFolder << false << 0
        << QStringLiteral("Error Installing Package (WRITE/-2).") << QStringLiteral("Install") << false << Press::Install;
    QTest::newRow("-2 a file that cannot be written whole")
        << withLargeFile << Base::SimulatorFolder << false << 4096
        << QStringLiteral("Error Installing Package (WRITE/-2).") << QStringLiteral("Install") << false << Press::Install;
    QTest::newRow("-3 install folder is a regular file")
        << package << Base::RegularFile << false << 0
        << QStringLiteral("Error Installing Package (BDIR/-3).") << QStringLiteral("Install") << false << Press::Install;
    QTest::newRow("-4 a file where a package folder goes")
        << package << Base::FileWhereFolderGoes << false << 0
        << QStringLiteral("Error Installing Package (FDIR/-4).") << QStringLiteral("Install") << false << Press::Install;
    QTest::newRow("-5 a folder where a package file goes")
        << package << Base::FolderWhereFileGoes << false << 0
        << QStringLiteral("Error Installing Package (FLDROW/-5).") << QStringLiteral("Install") << false << Press::Install;
}

void TestAppController::installStatus()
{
    QFETCH(QByteArray, package);
    QFETCH(Base, base);
    QFETCH(bool, knownFolderNotForZC);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, status);
    QFETCH(QString, buttonTitle);
    QFETCH(bool, buttonEnabled);
    QFETCH(Press, press);

    const QString folder = makeBase(base);
    storeInstallLocation(folder, knownFolderNotForZC);
    AppController &controller = makeController();
    controller.loadPackageAtPath(writePackage(QStringLiteral("Package.zcpack"), package));
    QVERIFY(controller.InstallPkgButton()->isEnabled());
    const int eventsBefore = m_platform->events.size();

    rlimit saved{};
    if (fileSizeLimit) {
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(fileSizeLimit);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    controller.DoStartInstall(nullptr);
    if (fileSizeLimit)
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    QCOMPARE(controller.PkgRightInfoField()->text(), status);
    QCOMPARE(controller.InstallPkgButton()->text(), buttonTitle);
    QCOMPARE(controller.InstallPkgButton()->isEnabled(), buttonEnabled);
    QCOMPARE(controller.installButtonAction(), actionFor(press));
    QVERIFY(controller.progIndicator()->isHidden());
    QCOMPARE(noticeable(m_platform->events.mid(eventsBefore)), QStringList());
    if (status == Installed) {
        QCOMPARE(readFile(folder + QLatin1Char('/') + TrackFile), QByteArray("track data ").repeated(40));
        QCOMPARE(controller.thePackage().absoluteTrackFilePath(), folder + QLatin1Char('/') + TrackFile);
    }
}

void TestAppController::installWaitsForAnotherInstall_data()
{
    QTest::addColumn<bool>("interrupt");
    QTest::addColumn<QString>("status");
    QTest::newRow("the other install ends") << false << Installed;
    QTest::newRow("stopped while it waits") << true << QStringLiteral("Install stopped after 0 of 2 files.");
}

void TestAppController::installWaitsForAnotherInstall()
{
    QFETCH(bool, interrupt);
    QFETCH(QString, status);

    const QString folder = makeBase(Base::SimulatorFolder);
    storeInstallLocation(folder, false);
    AppController &controller = makeController();
    controller.loadPackageAtPath(writePackage(QStringLiteral("Package.zcpack"), standardPackage().build()));
    const int other = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(other >= 0 && ::flock(other, LOCK_EX) == 0);
    // The window keeps running its events while the install waits.
    QString whileWaiting;
    QTimer::singleShot(50, &controller, [&] {
        whileWaiting = controller.PkgRightInfoField()->text();
        if (interrupt)
            ::raise(SIGINT);
        ::close(other);
    });
    controller.DoStartInstall(nullptr);
    QCOMPARE(whileWaiting, InstallResult::waitingText());
    QCOMPARE(controller.PkgRightInfoField()->text(), status);
    QCOMPARE(QFileInfo::exists(folder + QLatin1Char('/') + TrackFile), !interrupt);
}

void TestAppController::overwritePromptDuringInstall_data()
{
    QTest::addColumn<QList<AlertAnswer>>("answers");
    QTest::addColumn<int>("prompts");
    QTest::addColumn<QByteArray>("trackAfter");
    QTest::addColumn<QByteArray>("sceneryAfter");

    const QByteArray newTrack = QByteArray("track data ").repeated(40);
    const QByteArray newScenery = QByteArray("v 0 0 0\n").repeated(20);
    const AlertAnswer yes = AlertAnswer::Default, no = AlertAnswer::Alternate, yesToAll = AlertAnswer::Other;
    QTest::newRow("No to every file") << QList<AlertAnswer>{no, no} << 2 << QByteArray("old track") << QByteArray("old rock");
    QTest::newRow("Yes to every file") << QList<AlertAnswer>{yes, yes} << 2 << newTrack << newScenery;
    QTest::newRow("Yes To All") << QList<AlertAnswer>{yesToAll} << 1 << newTrack << newScenery;
}

void TestAppController::overwritePromptDuringInstall()
{
    QFETCH(QList<AlertAnswer>, answers);
    QFETCH(int, prompts);
    QFETCH(QByteArray, trackAfter);
    QFETCH(QByteArray, sceneryAfter);

    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest")));
    writeFile(simulator + QLatin1Char('/') + TrackFile, "old track");
    writeFile(simulator + QLatin1Char('/') + SceneryFile, "old rock");
    startWithPackage(simulator, false, writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
    AppController &controller = *m_controller;
    controller.PkgRightInfoField()->setText(QStringLiteral("before"));
    for (AlertAnswer answer : answers)
        m_platform->queueAnswer(answer);

    // What the window shows while the install waits for an answer.
    QStringList statusAtPrompt;
    bool indicatorAtPrompt = false;
    bool buttonAtPrompt = true;
    bool openAtPrompt = true;
    QAction *open = controller.window()->findChild<QAction *>(QStringLiteral("actionOpenPackage"));
    m_platform->probe = [&](const QString &event) {
        if (event == QLatin1String("alert:File Already Exists")) {
            statusAtPrompt.append(controller.PkgRightInfoField()->text());
            indicatorAtPrompt = controller.progIndicator()->isVisible();
            buttonAtPrompt = controller.InstallPkgButton()->isEnabled();
            openAtPrompt = open->isEnabled();
        }
    };

    controller.InstallPkgButton()->click();

    QCOMPARE(statusAtPrompt, QStringList(prompts, QStringLiteral("Installing Package...")));
    QVERIFY(indicatorAtPrompt);
    QVERIFY(!buttonAtPrompt);
    QVERIFY(!openAtPrompt);
    QVERIFY(open->isEnabled());
    QCOMPARE(readFile(simulator + QLatin1Char('/') + TrackFile), trackAfter);
    QCOMPARE(readFile(simulator + QLatin1Char('/') + SceneryFile), sceneryAfter);
    QCOMPARE(controller.PkgRightInfoField()->text(), Installed);
    QCOMPARE(controller.InstallPkgButton()->text(), QStringLiteral("Ride!"));
    QVERIFY(controller.InstallPkgButton()->isEnabled());
    // A kept track file is still the one to ride.
    QCOMPARE(controller.thePackage().absoluteTrackFilePath(), simulator + QLatin1Char('/') + TrackFile);
}

void TestAppController::installWithoutPackage_data()
{
    QTest::addColumn<QByteArray>("attempted"); // empty: no load at all
    QTest::newRow("nothing loaded") << QByteArray();
    QTest::newRow("load refused") << QByteArray("not a package at all, just text");
}

void TestAppController::installWithoutPackage()
{
    QFETCH(QByteArray, attempted);

    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest")));
    storeInstallLocation(simulator, false);
    AppController &controller = makeController();
    if (!attempted.isEmpty())
        controller.loadPackageAtPath(writePackage(QStringLiteral("Attempted.zcpack"), attempted));
    controller.PkgRightInfoField()->setText(QStringLiteral("earlier status"));
    controller.InstallPkgButton()->setEnabled(true);
    const int eventsBefore = m_platform->events.size();

    controller.InstallPkgButton()->click();

    QCOMPARE(controller.PkgCommentsTextView()->toPlainText(), QStringLiteral("Package Was NOT Loaded!"));
    QCOMPARE(controller.PkgRightInfoField()->text(), QStringLiteral("earlier status"));
    QVERIFY(!controller.InstallPkgButton()->isEnabled());
    QCOMPARE(controller.InstallPkgButton()->text(), QStringLiteral("Install"));
    QCOMPARE(controller.installButtonAction(), &AppController::DoStartInstall);
    QVERIFY(controller.progIndicator()->isHidden());
    QCOMPARE(m_platform->events.mid(eventsBefore), QStringList());
    QCOMPARE(QDir(simulator).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("ZoomcrestSimulator.app")});
}

// The install button and launching the simulator

void TestAppController::buttonWalksFromInstallToQuit_data()
{
    QTest::addColumn<QString>("storedSuffix");
    QTest::newRow("folder stored as is") << QString();
    QTest::newRow("folder stored with a final slash") << QStringLiteral("/");
}

void TestAppController::buttonWalksFromInstallToQuit()
{
    QFETCH(QString, storedSuffix);

    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest Sim Folder")));
    startWithPackage(simulator + storedSuffix, false,
                     writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
    AppController &controller = *m_controller;
    QPushButton *button = controller.InstallPkgButton();
    QCOMPARE(button->text(), QStringLiteral("Install"));
    QVERIFY(button->isEnabled());

    button->click();
    QCOMPARE(controller.PkgRightInfoField()->text(), Installed);
    QCOMPARE(button->text(), QStringLiteral("Ride!"));
    QVERIFY(m_platform->launches.isEmpty());

    button->click();
    QCOMPARE(m_platform->launches.size(), 1);
    const RecordingPlatform::Launch launch = m_platform->launches.first();
    QCOMPARE(launch.path, simulator + QLatin1Char('/') + SimulatorExecutable);
    const QString track = controller.thePackage().absoluteTrackFilePath();
    QCOMPARE(launch.arguments, (QStringList{QStringLiteral("-s"), track}));
    QVERIFY(QFileInfo(track).isFile());
    QVERIFY(track.endsWith(QStringLiteral("/Tracks/Corkscrew Canyon.zctrack")));
    // The window goes on while the start is decided, with no second start or other package.
    QAction *open = controller.window()->findChild<QAction *>(QStringLiteral("actionOpenPackage"));
    QCOMPARE(button->text(), QStringLiteral("Ride!"));
    QVERIFY(!button->isEnabled());
    QVERIFY(!open->isEnabled());
    m_platform->pendingLaunches.takeFirst()(true);
    QCOMPARE(noticeable(m_platform->events).filter(QRegularExpression(QStringLiteral("^(beep|alert)"))), QStringList());
    QCOMPARE(button->text(), QStringLiteral("Quit"));
    QVERIFY(button->isEnabled());
    QVERIFY(open->isEnabled());
    QVERIFY(controller.window()->isVisible());

    button->click();
    QVERIFY(!controller.window()->isVisible());
    QCOMPARE(m_platform->launches.size(), 1);
}

void TestAppController::launchFailures_data()
{
    QTest::addColumn<LaunchCase>("launchCase");
    QTest::addColumn<QStringList>("noticed");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("alertButton");
    QTest::addColumn<QString>("titleAfter");
    QTest::addColumn<bool>("enabledAfter");
    QTest::addColumn<Press>("pressAfter");

    const QString contact = QLatin1String(MaintainerContactAddress);
    QTest::newRow("package not loaded: beep, log, alert")
        << LaunchCase::NotLoaded
        << QStringList{QStringLiteral("beep"), QStringLiteral("log:Could not launch track file - package not loaded."),
                       QStringLiteral("alert:Launch Failed")}
        << QStringLiteral("Could not launch track file - package not loaded.")
        << QStringLiteral("Could not launch track file. This was not supposed to happen. Tell %1 how you ended up here, "
                          "and tell him 'pre-load launch' (he'll know what it means).")
               .arg(contact)
        << QStringLiteral("I'll do that.") << QStringLiteral("Install") << false << Press::Install;
    QTest::newRow("no track file, after a package with one: beep, alert, log")
        << LaunchCase::NoTrackFile
        << QStringList{QStringLiteral("beep"), QStringLiteral("alert:Launch Failed"),
                       QStringLiteral("log:Could not launch track file - package not installed.")}
        << QStringLiteral("Could not launch track file - package not installed.")
        << QStringLiteral("Could not launch track file. This was not supposed to happen. Tell %1 how you ended up here, "
                          "and tell him 'pre-install launch' (he'll know what it means).")
               .arg(contact)
        << QStringLiteral("I'll do that.") << QStringLiteral("Ride!") << true << Press::Ride;
    QTest::newRow("simulator not started: beep, alert, log, then Quit")
        << LaunchCase::SimulatorFails
        << QStringList{QStringLiteral("launch:"), QStringLiteral("beep"), QStringLiteral("alert:Launch Failed"),
                       QStringLiteral("log:Could not launch track file - sim not found.")}
        << QStringLiteral("Could not launch track file - sim not found.")
        << QStringLiteral("You either did not install the track to your Zoomcrest directory, or the Zoomcrest "
                          "simulator could not be found (make sure it is named 'ZoomcrestSimulator').")
        << QStringLiteral("Oh Well") << QStringLiteral("Quit") << true << Press::Quit;
}

void TestAppController::launchFailures()
{
    QFETCH(LaunchCase, launchCase);
    QFETCH(QStringList, noticed);
    QFETCH(QString, logLine);
    QFETCH(QString, message);
    QFETCH(QString, alertButton);
    QFETCH(QString, titleAfter);
    QFETCH(bool, enabledAfter);
    QFETCH(Press, pressAfter);

    const QString simulator = makeSimulatorFolder(path(QStringLiteral("Zoomcrest")));
    switch (launchCase) {
    case LaunchCase::NotLoaded:
        makeController();
        break;
    case LaunchCase::NoTrackFile:
        startWithPackage(simulator, false, writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
        m_controller->DoStartInstall(nullptr);
        m_controller->loadPackageAtPath(writePackage(
            QStringLiteral("NoTrack.zcpack"), PackageWriter().setTitle("Scenery only").addFile("Scenery\\", "rock.obj", "v").build()));
        m_controller->DoStartInstall(nullptr);
        break;
    case LaunchCase::SimulatorFails:
        m_platform->queueLaunchResult(false);
        startWithPackage(simulator, false, writePackage(QStringLiteral("Corkscrew.zcpack"), standardPackage().build()));
        m_controller->DoStartInstall(nullptr);
        break;
    }
    AppController &controller = *m_controller;
    const int eventsBefore = m_platform->events.size();

    controller.launchSimWithTrackFile(nullptr);

    QStringList events = m_platform->events.mid(eventsBefore);
    for (QString &event : events) {
        if (event.startsWith(QLatin1String("launch:")))
            event = QStringLiteral("launch:");
    }
    QCOMPARE(events, noticed);
    QCOMPARE(m_platform->logLines.last(), logLine);
    const Alert alert = m_platform->alerts.last();
    QCOMPARE(alert.title, QStringLiteral("Launch Failed"));
    QCOMPARE(alert.message, message);
    QCOMPARE(alert.defaultButton, alertButton);
    QCOMPARE(alert.alternateButton, QString());
    QCOMPARE(alert.otherButton, QString());
    QCOMPARE(controller.InstallPkgButton()->text(), titleAfter);
    QCOMPARE(controller.InstallPkgButton()->isEnabled(), enabledAfter);
    QCOMPARE(controller.installButtonAction(), actionFor(pressAfter));
    QVERIFY(controller.window()->isVisible());
}

// Menu commands

void TestAppController::preferencesCommandKeepsOneController_data()
{
    QTest::addColumn<bool>("duringFirstRun");
    QTest::newRow("before start-up") << false;
    QTest::newRow("while the first-run sheet is up") << true;
}

void TestAppController::preferencesCommandKeepsOneController()
{
    QFETCH(bool, duringFirstRun);

    storeInstallLocation(path(QStringLiteral("missing")), false);
    AppController &controller = makeController();
    if (duringFirstRun)
        controller.applicationDidFinishLaunching(nullptr);
    ZCTrackPackPrefWinController *atStart = controller.prefWinController();
    QCOMPARE(atStart != nullptr, duringFirstRun);

    controller.showPrefWindow(nullptr);
    ZCTrackPackPrefWinController *first = controller.prefWinController();
    QVERIFY(first);
    if (duringFirstRun)
        QCOMPARE(first, atStart);
    QWidget *window = first->window();
    QVERIFY(window->isVisible());
    first->zcFolderPathField()->setText(QStringLiteral("/typed/but/not/saved"));
    first->close();

    controller.showPrefWindow(nullptr);
    QCOMPARE(controller.prefWinController(), first);
    QCOMPARE(controller.prefWinController()->window(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(first->zcFolderPathField()->text(), QStringLiteral("/typed/but/not/saved"));
    QCOMPARE(controller.findChildren<ZCTrackPackPrefWinController *>().size(), 1);
}

void TestAppController::versionCheckCommandChecksEachTime()
{
    AppController &controller = makeController();
    QVERIFY(!controller.versionCehckPanel());

    controller.showVersionCheckPanel(nullptr);
    VersionCheckPanelController *panel = controller.versionCehckPanel();
    QVERIFY(panel);
    QVERIFY(panel->window()->isVisible());
    controller.showVersionCheckPanel(nullptr);

    QCOMPARE(controller.versionCehckPanel(), panel);
    QCOMPARE(controller.findChildren<VersionCheckPanelController *>().size(), 1);
    QCOMPARE(m_platform->fetchedUrls, (QList<QUrl>{VersionText::versionCheckUrl(), VersionText::versionCheckUrl()}));
}

void TestAppController::helpCommand_data()
{
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QStringList>("events");
    const QString open = QStringLiteral("openUrl:http://docs.example.test/maczccratewright/");
    QTest::newRow("browser opens the address") << true << QStringList{open};
    QTest::newRow("browser cannot open it") << false << QStringList{open, QStringLiteral("alert:ZC Cratewright Help")};
}

void TestAppController::helpCommand()
{
    QFETCH(bool, opens);
    QFETCH(QStringList, events);

    AppController &controller = makeController();
    m_platform->setOpenUrlResult(opens);

    controller.showHelp(nullptr);

    QCOMPARE(m_platform->events, events);
    if (!opens) {
        const Alert alert = m_platform->alerts.first();
        QCOMPARE(alert.message, QStringLiteral("All Zoomcrest Cratewright documentation is available online at:\n\n"
                                               "http://docs.example.test/maczccratewright/"));
        QCOMPARE(alert.defaultButton, QStringLiteral("OK"));
        QCOMPARE(alert.alternateButton, QString());
        QCOMPARE(alert.otherButton, QString());
    }
}

void TestAppController::menuItemsSendTheirCommands_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("event"); // the first event the command causes, or empty
    QTest::addColumn<bool>("mainWindowOpen");
    QTest::addColumn<bool>("preferencesOpen");

    QTest::newRow("Open Package") << QStringLiteral("actionOpenPackage") << QStringLiteral("openPanel") << true << false;
    QTest::newRow("Quit") << QStringLiteral("actionQuit") << QString() << false << false;
    QTest::newRow("Preferences") << QStringLiteral("actionPreferences") << QString() << true << true;
    QTest::newRow("Check for Updates")
        << QStringLiteral("actionCheckForUpdates")
        << QStringLiteral("fetch:http://docs.example.test/maczccratewright/versioncheck.txt") << true << false;
    QTest::newRow("Help") << QStringLiteral("actionHelp")
                          << QStringLiteral("openUrl:http://docs.example.test/maczccratewright/") << true << false;
}

void TestAppController::menuItemsSendTheirCommands()
{
    QFETCH(QString, actionName);
    QFETCH(QString, event);
    QFETCH(bool, mainWindowOpen);
    QFETCH(bool, preferencesOpen);

    AppController &controller = makeController();
    auto *action = controller.window()->findChild<QAction *>(actionName);
    QVERIFY(action);
    QVERIFY(!action->associatedObjects().isEmpty()); // it is on a menu

    action->trigger();

    QCOMPARE(m_platform->events.value(0), event);
    QCOMPARE(controller.window()->isVisible(), mainWindowOpen);
    QCOMPARE(controller.prefWinController() && controller.prefWinController()->window()->isVisible(), preferencesOpen);
}

int main(int argc, char **argv)
{
    GuiTestEnvironment env;
    environment = &env;
    QApplication app(argc, argv);
    TestAppController test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_appcontroller.moc"
