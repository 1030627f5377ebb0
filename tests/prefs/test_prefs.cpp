#include "GuiTestEnvironment.h"
#include "RecordingPlatform.h"
#include "install/InstallLocation.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/UserDefaults.h"
#include "prefs/ZCTrackPackPrefWinController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

enum class Place { Missing, PlainFolder, SimulatorFolder, SimulatorEntryIsFile, RegularFile };

// Makes `name` under `root` into the kind of place asked for and returns its path.
QString makePlace(const QTemporaryDir &root, const QString &name, Place place)
{
    const QString path = root.filePath(name);
    switch (place) {
    case Place::Missing:
        break;
    case Place::PlainFolder:
        QDir().mkpath(path);
        break;
    case Place::SimulatorFolder:
        QDir().mkpath(path + QStringLiteral("/ZoomcrestSimulator.app/Contents/MacOS"));
        break;
    case Place::SimulatorEntryIsFile: {
        QDir().mkpath(path);
        QFile file(path + QStringLiteral("/ZoomcrestSimulator.app"));
        file.open(QIODevice::WriteOnly);
        break;
    }
    case Place::RegularFile: {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        break;
    }
    }
    return path;
}

void store(const QString &folder, bool knownNotForZC)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setObjectForKey(folder, ZCCratewrightZCFolderPathKey);
    defaults.setObjectForKey(knownNotForZC, ZCCratewrightKnownFolderNotForZCKey);
}

} // namespace

Q_DECLARE_METATYPE(Place)

class TestPrefs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void installLocationRule_data();
    void installLocationRule();
    void windowLoadTakesStoredSettings();
    void chooserStartFolder_data();
    void chooserStartFolder();
    void cancelWhileInvalidBringsChooserBack();
    void cancelWhileValidEndsChooser();
    void choosingSimulatorFolderClearsOverride();
    void choosingOtherFolderAsks_data();
    void choosingOtherFolderAsks();
    void saveValidStoresClosesAndPosts();
    void saveInvalidRefuses_data();
    void saveInvalidRefuses();
    void simulatorFolderSavedWithCarriedOverride();
    void reopenedWindowKeepsItsText();
    void frameIsRemembered();

private:
    int countSavedNotifications();

    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<QTemporaryDir> m_root;
    int m_saved = 0;
};

static GuiTestEnvironment *environment = nullptr;

void TestPrefs::init()
{
    environment->clearSettings();
    InstallLocation::registerDefaults();
    m_platform = std::make_unique<RecordingPlatform>();
    m_root = std::make_unique<QTemporaryDir>();
    m_saved = 0;
    NotificationCenter::defaultCenter().addObserver(this, PreferencesDidGetSaved,
                                                    [this](const Notification &) { ++m_saved; });
}

void TestPrefs::cleanup()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    m_platform.reset();
}

void TestPrefs::installLocationRule_data()
{
    QTest::addColumn<Place>("place");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<bool>("valid");
    QTest::newRow("missing, no override") << Place::Missing << false << false;
    QTest::newRow("missing, override") << Place::Missing << true << false;
    QTest::newRow("plain folder, no override") << Place::PlainFolder << false << false;
    QTest::newRow("plain folder, override") << Place::PlainFolder << true << true;
    QTest::newRow("simulator folder") << Place::SimulatorFolder << false << true;
    QTest::newRow("simulator folder, override") << Place::SimulatorFolder << true << true;
    QTest::newRow("simulator entry is a plain file") << Place::SimulatorEntryIsFile << false << true;
    QTest::newRow("regular file, override") << Place::RegularFile << true << false;
}

void TestPrefs::installLocationRule()
{
    QFETCH(Place, place);
    QFETCH(bool, flag);
    QFETCH(bool, valid);
    store(makePlace(*m_root, QStringLiteral("Zoomcrest"), place), flag);
    ZCTrackPackPrefWinController controller;
    QCOMPARE(controller.userSpecifiedBaseInstallPathIsValid(), valid);
    QVERIFY(!controller.isWindowLoaded()); // asking needs no window
}

void TestPrefs::windowLoadTakesStoredSettings()
{
    const QString folder = makePlace(*m_root, QStringLiteral("Elsewhere"), Place::PlainFolder);
    store(folder, true);
    ZCTrackPackPrefWinController controller;
    QVERIFY(!controller.chosenInstallPathIsValid());
    QCOMPARE(controller.zcFolderPathField()->text(), folder);
    QVERIFY(controller.workingInstallPathIsUserBlessed());
    QVERIFY(controller.chosenInstallPathIsValid());
}

void TestPrefs::chooserStartFolder_data()
{
    QTest::addColumn<bool>("storedValid");
    QTest::newRow("stored folder valid") << true;
    QTest::newRow("stored folder not valid") << false;
}

void TestPrefs::chooserStartFolder()
{
    QFETCH(bool, storedValid);
    const QString folder = makePlace(*m_root, QStringLiteral("Zoomcrest"),
                                     storedValid ? Place::SimulatorFolder : Place::PlainFolder);
    store(folder, false);
    ZCTrackPackPrefWinController controller;
    controller.chooseZoomcrestFolder(nullptr);
    const auto panel = m_platform->lastPanel();
    QVERIFY(panel && panel->begun);
    QVERIFY(panel->canChooseDirectories());
    QVERIFY(!panel->canChooseFiles());
    QVERIFY(!panel->allowsMultipleSelection());
    QVERIFY(panel->types.isEmpty());
    QCOMPARE(panel->window, controller.window());
    QCOMPARE(panel->directory, storedValid ? folder : QStringLiteral("/Applications"));
}

void TestPrefs::cancelWhileInvalidBringsChooserBack()
{
    ZCTrackPackPrefWinController controller; // the stock folder doesn't exist here
    controller.window();
    controller.chooseZoomcrestFolder(nullptr);
    // A folder picked in an earlier showing doesn't make Cancel possible: only a save does.
    const QString other = makePlace(*m_root, QStringLiteral("Other"), Place::PlainFolder);
    m_platform->queueAnswer(AlertAnswer::Default);
    m_platform->lastPanel()->finish(other, 1);
    QCOMPARE(controller.zcFolderPathField()->text(), other);
    controller.chooseZoomcrestFolder(nullptr);
    const auto cancelled = m_platform->lastPanel();
    cancelled->finish(QString(), 0);
    QCOMPARE(cancelled->closeCount, 1);
    QCOMPARE(m_platform->panels.size(), 3);
    QVERIFY(m_platform->lastPanel()->begun);
    QVERIFY(m_platform->lastPanel() != cancelled);
}

void TestPrefs::cancelWhileValidEndsChooser()
{
    store(makePlace(*m_root, QStringLiteral("Zoomcrest"), Place::SimulatorFolder), false);
    ZCTrackPackPrefWinController controller;
    const QString before = controller.zcFolderPathField()->text();
    controller.chooseZoomcrestFolder(nullptr);
    m_platform->lastPanel()->finish(QString(), 0);
    QCOMPARE(m_platform->panels.size(), 1);
    QCOMPARE(controller.zcFolderPathField()->text(), before);
    QVERIFY(m_platform->alerts.isEmpty());
}

void TestPrefs::choosingSimulatorFolderClearsOverride()
{
    store(makePlace(*m_root, QStringLiteral("Old"), Place::PlainFolder), true);
    ZCTrackPackPrefWinController controller;
    QVERIFY(controller.zcFolderPathField());
    QVERIFY(controller.workingInstallPathIsUserBlessed());
    const QString simulator = makePlace(*m_root, QStringLiteral("Zoomcrest"), Place::SimulatorFolder);
    controller.chooseZoomcrestFolder(nullptr);
    m_platform->lastPanel()->finish(simulator, 1);
    QCOMPARE(controller.zcFolderPathField()->text(), simulator);
    QVERIFY(!controller.workingInstallPathIsUserBlessed());
    QCOMPARE(m_platform->beeps, 0);
    QVERIFY(m_platform->alerts.isEmpty());
    // Nothing reaches the settings until Save.
    QCOMPARE(InstallLocation::storedFolderPath(), m_root->filePath(QStringLiteral("Old")));
}

void TestPrefs::choosingOtherFolderAsks_data()
{
    QTest::addColumn<AlertAnswer>("answer");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("panels");
    QTest::newRow("Yes takes it") << AlertAnswer::Default << true << 1;
    QTest::newRow("No shows the chooser again") << AlertAnswer::Other << false << 2;
    QTest::newRow("anything else does nothing") << AlertAnswer::Alternate << false << 1;
}

void TestPrefs::choosingOtherFolderAsks()
{
    QFETCH(AlertAnswer, answer);
    QFETCH(bool, taken);
    QFETCH(int, panels);
    store(makePlace(*m_root, QStringLiteral("Zoomcrest"), Place::SimulatorFolder), false);
    ZCTrackPackPrefWinController controller;
    const QString before = controller.zcFolderPathField()->text();
    const QString other = makePlace(*m_root, QStringLiteral("Other"), Place::PlainFolder);
    controller.chooseZoomcrestFolder(nullptr);
    m_platform->queueAnswer(answer);
    m_platform->lastPanel()->finish(other, 1);

    QCOMPARE(m_platform->events.mid(m_platform->events.indexOf(QStringLiteral("beep")), 2),
             QStringList({QStringLiteral("beep"), QStringLiteral("alert:Not A Zoomcrest Folder")}));
    const Alert alert = m_platform->alerts.value(0);
    QCOMPARE(alert.message,
             QStringLiteral("The folder you chose does not appear to be your Zoomcrest application folder. You "
                            "will not be able to use tracks installed to this location. Are you sure you want "
                            "to use it?"));
    QCOMPARE(alert.defaultButton, QStringLiteral("Yes"));
    QCOMPARE(alert.alternateButton, QString());
    QCOMPARE(alert.otherButton, QStringLiteral("No"));
    QCOMPARE(controller.zcFolderPathField()->text(), taken ? other : before);
    QCOMPARE(controller.workingInstallPathIsUserBlessed(), taken);
    QCOMPARE(m_platform->panels.size(), panels);
}

void TestPrefs::saveValidStoresClosesAndPosts()
{
    ZCTrackPackPrefWinController controller;
    controller.showWindow(nullptr);
    const QString other = makePlace(*m_root, QStringLiteral("Other"), Place::PlainFolder);
    controller.chooseZoomcrestFolder(nullptr);
    m_platform->queueAnswer(AlertAnswer::Default);
    m_platform->lastPanel()->finish(other, 1);
    bool windowClosedBeforePost = false;
    NotificationCenter::defaultCenter().addObserver(
        &windowClosedBeforePost, PreferencesDidGetSaved,
        [&](const Notification &n) {
            windowClosedBeforePost = !controller.window()->isVisible() && n.object == &controller;
        });
    controller.saveChanges(nullptr);
    NotificationCenter::defaultCenter().removeObserver(&windowClosedBeforePost);

    QCOMPARE(InstallLocation::storedFolderPath(), other);
    QVERIFY(InstallLocation::storedKnownFolderNotForZC());
    QVERIFY(controller.chosenInstallPathIsValid());
    QCOMPARE(m_saved, 1);
    QVERIFY(windowClosedBeforePost);
}

void TestPrefs::saveInvalidRefuses_data()
{
    QTest::addColumn<Place>("place");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<bool>("diskFull"); // the settings file can't be written
    QTest::newRow("plain folder without override") << Place::PlainFolder << false << false;
    QTest::newRow("folder gone, override") << Place::Missing << true << false;
    QTest::newRow("a plain file, override") << Place::RegularFile << true << false;
    QTest::newRow("valid, but the disk is full") << Place::SimulatorFolder << false << true;
}

void TestPrefs::saveInvalidRefuses()
{
    QFETCH(Place, place);
    QFETCH(bool, flag);
    QFETCH(bool, diskFull);
    const QString valid = makePlace(*m_root, QStringLiteral("Zoomcrest"), Place::SimulatorFolder);
    store(valid, flag);
    ZCTrackPackPrefWinController controller;
    controller.showWindow(nullptr);
    QVERIFY(controller.chosenInstallPathIsValid());
    controller.zcFolderPathField()->setText(makePlace(*m_root, QStringLiteral("Target"), place));
    // No file may grow past a few bytes, as on a full disk; root can't write past that either.
    struct rlimit unlimited;
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const struct rlimit tiny = {diskFull ? 16 : unlimited.rlim_cur, unlimited.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tiny);
    controller.saveChanges(nullptr);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, handler);

    const QString title = diskFull ? QStringLiteral("Preferences Not Saved") : QStringLiteral("Not A Valid Install Location");
    QCOMPARE(m_platform->events, QStringList({QStringLiteral("beep"), QStringLiteral("alert:") + title}));
    QCOMPARE(m_platform->alerts.value(0).message,
             diskFull ? QStringLiteral("Could not write the settings file '%1'. The folder was not saved.").arg(QSettings().fileName())
                      : QStringLiteral("The current install location is not valid. Please choose another."));
    QCOMPARE(m_platform->alerts.value(0).defaultButton, QStringLiteral("OK"));
    QVERIFY(m_platform->alerts.value(0).otherButton.isEmpty());
    QCOMPARE(controller.chosenInstallPathIsValid(), diskFull); // a failed write changes nothing
    QVERIFY(controller.window()->isVisible());
    QCOMPARE(InstallLocation::storedFolderPath(), valid);
    QCOMPARE(m_saved, 0);
}

void TestPrefs::simulatorFolderSavedWithCarriedOverride()
{
    const QString simulator = makePlace(*m_root, QStringLiteral("Zoomcrest"), Place::SimulatorFolder);
    store(makePlace(*m_root, QStringLiteral("Old"), Place::PlainFolder), true);
    ZCTrackPackPrefWinController controller;
    controller.zcFolderPathField()->setText(simulator); // typed, not chosen: the flag stays
    controller.saveChanges(nullptr);
    QCOMPARE(InstallLocation::storedFolderPath(), simulator);
    QVERIFY(InstallLocation::storedKnownFolderNotForZC());
    QCOMPARE(m_saved, 1);
}

void TestPrefs::reopenedWindowKeepsItsText()
{
    const QString simulator = makePlace(*m_root, QStringLiteral("Zoomcrest"), Place::SimulatorFolder);
    ZCTrackPackPrefWinController controller;
    controller.showWindow(nullptr);
    controller.zcFolderPathField()->setText(simulator);
    controller.saveChanges(nullptr);
    QWidget *window = controller.window();
    store(QStringLiteral("/somewhere/else"), false);
    controller.showWindow(nullptr);
    QCOMPARE(controller.window(), window);
    QCOMPARE(controller.zcFolderPathField()->text(), simulator);
}

void TestPrefs::frameIsRemembered()
{
    {
        ZCTrackPackPrefWinController controller;
        controller.showWindow(nullptr);
        controller.window()->setGeometry(123, 145, 600, 240);
        controller.close();
    }
    ZCTrackPackPrefWinController again;
    QCOMPARE(again.windowFrameAutosaveName(), QStringLiteral("PreferencesPanel"));
    QCOMPARE(again.window()->size(), QSize(600, 240));
}

int main(int argc, char **argv)
{
    GuiTestEnvironment env;
    environment = &env;
    QApplication app(argc, argv);
    TestPrefs test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_prefs.moc"
