// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The application controller's own decisions against a recording platform, one scenario a row:
// the stored folder, what the desktop and the user do, and the answers queued for the alerts,
// against what the program says (in order) and what its windows show. Which file gives which
// result code is the package core's tests' business; here only what the window makes of it.
#include "GuiTest.h"
#include "PackageWriter.h"
#include "Scenario.h"
#include "TestFiles.h"

#include "app/AppController.h"
#include "app/InstalledTracksController.h"
#include "app/PackageFilesController.h"
#include "install/SimulatorLaunch.h"
#include "package/ResultCodes.h"
#include "prefs/ZCTrackPackPrefWinController.h"
#include "versioncheck/VersionCheckPanelController.h"
#include "versioncheck/VersionText.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Outcome = SimulatorLaunch::Outcome;

namespace {

// The program's wording, spelled out once; everywhere else a text comes from what makes it.
const QString Install = u"Install"_s;
const QString Ride = u"Ride!"_s;
const QString Quit = u"Quit"_s;
const QString StopWaiting = u"Stop Waiting"_s;
const QString Installing = u"Installing Package..."_s;
const QString NotLoaded = u"Package Was NOT Loaded!"_s;
const QString NoComments = u"(No Comments In Package File)"_s;
const QString Shown = u"shown %1 | By: %2 | %3 | %4 File(s) In Package."_s;
const Alert FirstRun{u"First Run"_s,
                     u"Welcome To the Zoomcrest Cratewright. Please set your Zoomcrest application folder, and then "
                     "choose \"Save\".\n\nAfter you have completed this task, the Cratewright will be fully "
                     "configured, and you will be prompted to open a track pack to install.\n\nHave Fun!\n"_s,
                     u"Yeah, I'll Do That..."_s};
const Alert Help{u"ZC Cratewright Help"_s,
                 u"All Zoomcrest Cratewright documentation is available online at:\n\n"
                 "http://docs.example.test/maczccratewright/"_s,
                 u"OK"_s};
// Opened with the install button off and the preferences window closed.
const QString Chooser = u"chooser ~/Desktop files one exe EXE zcpack ZCPACK on main @ Install- [] main open"_s;
const QString Launch =
    u"launch @/Sim/ZoomcrestSimulator.app/Contents/MacOS/ZoomcrestSimulator|-s|@/%1/Tracks/Canyon.zctrack"_s;

const QString Installed = InstallText::statusText(InstallResult::Success);
// A simulator folder as a store installs it: a long path, longer than the list is wide.
const QString SteamLike = u"SteamLibrary/steamapps/common/Zoomcrest_Roller_Coaster_Simulator_Deluxe"_s;
const QString Empty =
    u"tracks (No tracks installed yet. Open a package with File \u2192 Open Package\u2026 to install one.)"_s;
constexpr auto shown = &RecordingPlatform::describe;

// What the windows show: the install button's title, + when it can be pressed, the status line,
// and which of these hold: the main window is open, the busy indicator shows, Open Package can
// be used, the preferences window is open.
QString st(const QString &button, const QString &status = QString(), const QString &flags = u"main open"_s)
{
    return u"%1 [%2] %3"_s.arg(button, status, flags);
}

QString alert(const Alert &a, const QString &state)
{
    return u"alert %1 @ %2"_s.arg(shown(a), state);
}

QString log(Outcome outcome)
{
    return u"log "_s + SimulatorLaunch::failureLogLine(outcome);
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("CRATEWRIGHT_SITE", "http://docs.example.test");
        ::umask(0); // the modes that tree lines take for granted
    }

    void init()
    {
        GuiTest::clearSettings();
        AppController::initialize();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(at(u"Sim/ZoomcrestSimulator.app"_s)) && QDir().mkpath(at(u"Plain"_s)));
        QVERIFY(QDir().mkpath(at(SteamLike + u"/ZoomcrestSimulator.app"_s)));
        QVERIFY(QFile(at(u"File"_s)).open(QIODevice::WriteOnly) && QFile(at(u"Bad"_s)).open(QIODevice::WriteOnly));
        PackageWriter canyon, noTrack, solo;
        canyon.setTitle("Canyon").setAuthor("R. Coaster").setComments("Two inversions.\nHold on tight.");
        canyon.addFile("Tracks\\", "Canyon.zctrack", "track").addFile("", "rock.obj", "v");
        noTrack.setTitle("Scenery").setAuthor("R. Coaster").addFile("", "grass.obj", "v");
        solo.setTitle("<b>Solo</b>").setComments(" ").addFile("", "solo.zct", "x");
        QVERIFY(canyon.writeTo(at(u"Canyon"_s)) && noTrack.writeTo(at(u"NoTrack"_s)) && solo.writeTo(at(u"Solo"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(at(u"Data"_s))); // the records of this row's installs
        m_platform = std::make_unique<RecordingPlatform>();
        m_platform->probe = [this](const QString &event) { record(event); };
        m_transcript.clear();
        m_atAlert.clear();
    }

    void cleanup()
    {
        m_app.reset();
        m_platform.reset();
        if (m_held >= 0)
            ::close(std::exchange(m_held, -1));
    }

    // Folders: Sim (holds the simulator), Plain, File, SteamLike; packages: Canyon, NoTrack, Solo, Bad.
    void scenarios_data()
    {
        Scenario::addColumn();
        const QString sheet = u"sheet %1 on prefs"_s.arg(shown(FirstRun));
        const QString close = u"close chooser"_s;
        const QString canyon = Shown.arg(u"Canyon"_s, u"R. Coaster"_s, u"Two inversions.\nHold on tight."_s).arg(2);
        const QString ready = st(Install + u'+');
        const QString off = st(Install + u'-');
        const QString riding = st(Ride + u'+', Installed);
        const QString installing = st(Install + u'-', Installing, u"main busy"_s);
        const QString closed = st(Install + u'-', QString(), u"open"_s);
        const QString failing = st(Install + u'-', QString(), u"main busy open"_s);
        const QString quitting = st(Quit + u'+', Installed);
        const QString listed = u"tracks @/Sim: Canyon|R. Coaster|2"_s;
        const QString canyonFiles =
            u"files Tracks/, Tracks/Canyon.zctrack=track, ZoomcrestSimulator.app/, rock.obj=v"_s;
        const auto asked = [&](const QString &path) {
            return QStringList{u"beep"_s, alert(InstallText::overwriteAlert(path), installing)};
        };
        // Canyon's install in Installed Tracks: how each file came, what a check found, Ride!
        const auto canyonDetails = [](const char *files, bool ride) {
            return u"details Version 1.3.0, from the package file Canyon / 2 files written | %1 | ride%2"_s.arg(
                QString::fromUtf8(files), ride ? u"+"_s : u"-"_s);
        };

        scenario("first run: preferences with the welcome sheet; the program waits", "Missing", "start", {sheet},
                 st(Install + u'-', QString(), u"main prefs"_s));
        scenario("first run, nothing handed over: Save opens the chooser", "Missing", "start save", {sheet, Chooser},
                 off);
        scenario("first run, preferences closed unsaved: waits; a later Save goes on", "Missing",
                 "hand:Canyon start closeprefs look menu:actionPreferences save show",
                 {sheet, st(Install + u'-', QString(), u"main"_s), canyon}, ready);
        scenario("several files handed over: the last one is loaded", "Sim", "hand:Bad hand:Canyon start show",
                 {canyon}, ready);
        scenario("a file handed over, and a Save, while running change nothing", "Sim",
                 "start pick:Canyon hand:Solo menu:actionPreferences save show", {Chooser, close, canyon}, ready);
        scenario("Cancel in the chooser closes the main window", "Sim", "start cancel", {Chooser, close}, closed);
        scenario("OK with nothing chosen leaves the window as it was", "Sim", "start pick:", {Chooser, close}, off);
        scenario("no package: beep and alert while the chooser is up, then the window closes", "Sim", "start pick:Bad",
                 {Chooser, u"beep"_s, alert(LoadText::failureAlert(LoadResult::CannotOpen), failing), close}, closed);
        scenario("one file, no author, a blank comment, markup as typed", "Sim", "load:Solo show",
                 {Shown.arg(u"<b>Solo</b>"_s, QString(), u" "_s).arg(1)}, ready);
        scenario("install, Ride!, Quit", "Sim", "hand:Canyon start press press look launched:yes press",
                 {Launch.arg(u"Sim"_s), st(Ride + u'-', Installed, u"main"_s)}, st(Quit + u'+', Installed, u"open"_s));
        scenario(
            "stored with a final slash; the simulator doesn't start: alert, then Quit", "Sim/",
            "load:Canyon press press launched:no",
            {Launch.arg(u"Sim/"_s), u"beep"_s,
             alert(SimulatorLaunch::failureAlert(Outcome::SimulatorNotStarted), st(Ride + u'-', Installed, u"main"_s)),
             log(Outcome::SimulatorNotStarted)},
            quitting);
        scenario("a folder known not to be the simulator's: Quit at once", "Plain+", "load:Canyon press look press",
                 {quitting}, st(Quit + u'+', Installed, u"open"_s));
        scenario("a failed install shows its status, and why in its tooltip; the button stays off", "File",
                 "load:Canyon press",
                 {u"log Install into @/File failed: cannot use folder '@/File': Not a directory"_s},
                 st(Install + u'-', InstallText::statusText(InstallResult::BDIR)
                                        + u" (cannot use folder '@/File': Not a directory)"_s));
        scenario("Install with nothing loaded says so", "Sim", "install show",
                 {u"shown No Track Package Loaded |  | %1 | "_s.arg(NotLoaded)}, off);
        scenario("files there already: asked while the window says Installing", "Sim",
                 "load:Canyon press load:Canyon press", asked(u"Tracks/Canyon.zctrack"_s) + asked(u"rock.obj"_s),
                 riding, {AlertAnswer::Alternate, AlertAnswer::Other});
        scenario("waiting for another install: the window answers, Stop Waiting ends it, nothing written", "Sim",
                 "load:Canyon held ~look ~stopwait press files:Sim menu:actionInstalledTracks tracks",
                 {st(StopWaiting + u'+', InstallText::waitingText(), u"main busy"_s),
                  u"files ZoomcrestSimulator.app/"_s, Empty},
                 st(Install + u'-', InstallText::stoppedText(0, 2)));
        scenario("Ride! with nothing loaded: beep, log, alert", "Sim", "ride",
                 {u"beep"_s, log(Outcome::PackageNotLoaded),
                  alert(SimulatorLaunch::failureAlert(Outcome::PackageNotLoaded), off)},
                 off);
        scenario("no track file, after a package with one: beep, alert, log; Ride! stays", "Sim",
                 "load:Canyon press load:NoTrack look show press press",
                 {ready, Shown.arg(u"Scenery"_s, u"R. Coaster"_s, NoComments).arg(1), u"beep"_s,
                  alert(SimulatorLaunch::failureAlert(Outcome::NoTrackFile), riding), log(Outcome::NoTrackFile)},
                 riding);
        scenario("help, then help without a browser", "Sim", "menu:actionHelp nobrowser menu:actionHelp",
                 {u"openUrl "_s + VersionText::documentationUrl().toString(),
                  u"openUrl "_s + VersionText::documentationUrl().toString(), alert(Help, off)},
                 off);
        scenario("version check twice: one panel, two checks", "Sim",
                 "menu:actionCheckForUpdates menu:actionCheckForUpdates",
                 QStringList(2, u"fetch "_s + VersionText::versionCheckUrl().toString()), off);
        scenario("Installed Tracks: the install listed, undone when asked, a changed file kept", "Sim",
                 "load:Canyon press edit:Sim/rock.obj menu:actionInstalledTracks tracks uninstall tracks files:Sim",
                 {listed,
                  u"alert Uninstall Track|Uninstall \u201cCanyon\u201d from this folder?\n\n@/Sim\n\nThis removes 1 "
                  "file it installed.\n\nIt also removes 1 folder it made, once empty:\n  Tracks\n\nThese changed "
                  "since the install and will be kept:\n  rock.obj|Uninstall|"
                  "*Cancel| @ "_s
                      + riding,
                  u"alert Track Uninstalled|\u201cCanyon\u201d was uninstalled.\n\nKept because they changed "
                  "since the install:\n  rock.obj|OK|| @ "_s
                      + ready,
                  Empty, u"files ZoomcrestSimulator.app/, rock.obj=mine"_s},
                 ready, {AlertAnswer::Default, AlertAnswer::Default});

        scenario("Uninstall\u2026 waiting for another install: the window answers, only its stop offered", "Sim",
                 "load:Canyon press menu:actionInstalledTracks held ~tracks ~stopwait uninstall tracks files:Sim",
                 {listed + u" {%1 | Stop Waiting}"_s.arg(InstallText::waitingText()),
                  listed
                      + u" {Stopped waiting for another install into @/Sim; nothing was "
                        "changed. | Check for Changes Ride! Uninstall\u2026 Close}"_s,
                  canyonFiles},
                 riding);
        // Only the first button uninstalls; the second, or the box closed otherwise, leaves it all.
        // Enter takes the second.
        const Alert confirm{u"Uninstall Track"_s,
                            u"Uninstall \u201cCanyon\u201d from this folder?\n\n@/Sim\n\nThis removes 2 files it "
                            "installed.\n\nIt also removes 1 folder it made, once empty:\n  Tracks"_s,
                            u"Uninstall"_s, u"*Cancel"_s};
        scenario("Installed Tracks: Cancel, or the box closed, uninstalls nothing", "Sim",
                 "load:Canyon press menu:actionInstalledTracks uninstall tracks uninstall tracks files:Sim",
                 {alert(confirm, riding), listed, alert(confirm, riding), listed, canyonFiles}, riding,
                 {AlertAnswer::Alternate, AlertAnswer::Other});
        const Alert undone{
            u"Track Uninstalled"_s,  u"\u201cCanyon\u201d was uninstalled."_s, u"OK"_s, QString(), QString(),
            Alert::Icon::Information};
        scenario("Installed Tracks: undoing an earlier install leaves Ride! for the window's own", "Sim",
                 "load:Canyon press load:Solo press menu:actionInstalledTracks select:1 uninstall files:Sim",
                 {alert(confirm, riding), alert(undone, riding), u"files ZoomcrestSimulator.app/, solo.zct=x"_s},
                 riding, {AlertAnswer::Default, AlertAnswer::Default});
        scenario("Installed Tracks: a data folder that can't be read says why", "Sim",
                 "edit:Data/zc-cratewright/records menu:actionInstalledTracks tracks",
                 {u"tracks (The recorded installs can't be listed: cannot read "
                  "'@/Data/zc-cratewright/records': Not a directory.)"_s},
                 off);
        scenario("Package Files: none once a load failed; then what installing each file would do", "Sim",
                 "load:Canyon load:Bad menu:actionPackageFiles packagefiles load:Canyon press edit:Sim/rock.obj "
                 "menu:actionPackageFiles packagefiles unnamed:files",
                 {u"beep"_s, alert(LoadText::failureAlert(LoadResult::CannotOpen), failing),
                  u"packagefiles (no window)"_s,
                  u"packagefiles Tracks/Canyon.zctrack|identical|, rock.obj|replaces|not from a recorded install"_s,
                  u"unnamed "_s},
                 st(Ride + u'+', Installed, u"open"_s));
        const QString steam = u"@/"_s + SteamLike;
        scenario("Installed Tracks: grouped under their folders, newest first; no sideways scrolling", "Sim",
                 ("load:Canyon press store:" + SteamLike.toUtf8()
                  + " load:Solo press load:NoTrack press menu:actionInstalledTracks tracks")
                     .constData(),
                 {u"tracks "_s + steam + u": Scenery|R. Coaster|1, <b>Solo</b>||1; @/Sim: Canyon|R. Coaster|2"_s},
                 riding);
        scenario("Installed Tracks: an empty library says how to fill it; Escape closes it", "Sim",
                 "menu:actionInstalledTracks tracks escape tracks", {Empty, u"tracks closed"_s}, off);
        scenario("Installed Tracks: the filter matches title or author, in any case", "Sim",
                 "load:Canyon press load:Solo press load:NoTrack press menu:actionInstalledTracks filter:CANY tracks "
                 "filter:coaster tracks filter:rock tracks",
                 {listed, u"tracks @/Sim: Scenery|R. Coaster|1, Canyon|R. Coaster|2"_s,
                  u"tracks (No installed track matches \u201crock\u201d.)"_s},
                 riding);
        scenario("Installed Tracks: details, and what changed since, every control named", "Sim",
                 "load:Canyon press menu:actionInstalledTracks edit:Sim/rock.obj=w details check details unnamed",
                 {canyonDetails("Tracks/Canyon.zctrack new, rock.obj new", true),
                  canyonDetails("Tracks/Canyon.zctrack new unchanged, rock.obj new changed since", true),
                  u"unnamed "_s},
                 riding);
        scenario(
            "Installed Tracks: files it replaced; no Ride! once its track file is gone", "Sim",
            "load:Canyon press load:Canyon press menu:actionInstalledTracks gone:Sim/Tracks/Canyon.zctrack check "
            "details",
            asked(u"Tracks/Canyon.zctrack"_s) + asked(u"rock.obj"_s)
                + QStringList{canyonDetails("Tracks/Canyon.zctrack replaced gone, rock.obj replaced unchanged", false)},
            riding, {AlertAnswer::Default, AlertAnswer::Default});
        scenario("Installed Tracks: Ride! starts the simulator on the chosen install's track", "Sim",
                 "load:Canyon press load:Solo press menu:actionInstalledTracks select:1 ridetrack details launched:no "
                 "details",
                 {Launch.arg(u"Sim"_s), canyonDetails("Tracks/Canyon.zctrack new, rock.obj new", false), u"beep"_s,
                  alert(SimulatorLaunch::failureAlert(Outcome::SimulatorNotStarted), riding),
                  log(Outcome::SimulatorNotStarted), canyonDetails("Tracks/Canyon.zctrack new, rock.obj new", true)},
                 riding);
        scenario("Installed Tracks: no Ride! into a folder that is not the simulator's", "Plain+",
                 "load:Canyon press menu:actionInstalledTracks details",
                 {canyonDetails("Tracks/Canyon.zctrack new, rock.obj new", false)}, quitting);
        scenario("Open Package, then Quit", "Sim", "menu:actionOpenPackage menu:actionQuit", {Chooser}, closed);
        scenario("several files dropped: the last one is loaded, its ending in any case", "Sim",
                 "start pick: drop:Bad.zcpack,Canyon.Exe show", {Chooser, close, canyon}, ready);
        scenario("drops refused: another ending, none, an address, a folder, a package then another file", "Sim",
                 "start pick: drop:Canyon.txt drop:Canyon drop:https://example.test/Canyon.zcpack drop:Plain.zcpack/ "
                 "drop:Canyon.zcpack,Canyon.txt",
                 QStringList{Chooser, close} + QStringList(5, u"drop refused"_s), off);
        scenario("no drop while the first run waits for Save", "Missing", "start drop:Canyon.zcpack",
                 {sheet, u"drop refused"_s}, st(Install + u'-', QString(), u"main prefs"_s));
        scenario(
            "no drop while an install runs", "Sim", "load:Canyon press load:Canyon atalert:drop:Solo.zcpack press show",
            asked(u"Tracks/Canyon.zctrack"_s) + QStringList{u"drop refused"_s, canyon}, riding, {AlertAnswer::Other});
        scenario("the main window's controls all have names", "Sim", "load:Canyon unnamed:main", {u"unnamed "_s},
                 ready);
    }

    void scenarios()
    {
        QFETCH(Scenario, scenario);
        QVERIFY(scenario.begin(m_dir->path(), *m_platform));
        // As main() leaves it: the window shown, launching not yet finished.
        m_app = std::make_unique<AppController>();
        m_app->showWindow(nullptr);
        QStringList during;
        for (const QString &s : scenario.steps.split(u' ')) {
            if (s.startsWith(u'~')) {
                during << s.mid(1);
                continue;
            }
            m_during = during.size();
            runDuring(std::exchange(during, {}));
            step(s.section(u':', 0, 0), s.section(u':', 1));
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(m_during == 0, qPrintable(u"a ~ step before \""_s + s + u"\" never ran"_s));
        }

        QCOMPARE(m_transcript, scenario.transcript);
        QCOMPARE(state(), scenario.finally);
        // Each controller is made once and kept.
        QVERIFY(m_app->findChildren<ZCTrackPackPrefWinController *>().size() <= 1);
        QVERIFY(m_app->findChildren<VersionCheckPanelController *>().size() <= 1);
    }

private:
    QString at(const QString &name) const { return m_dir->filePath(name); }

    QString state()
    {
        QPushButton *button = m_app->InstallPkgButton();
        ZCTrackPackPrefWinController *prefs = m_app->prefWinController();
        QStringList flags;
        if (m_app->window()->isVisible())
            flags << u"main"_s;
        if (m_app->progIndicator()->isVisible())
            flags << u"busy"_s;
        if (m_app->window()->findChild<QAction *>(u"actionOpenPackage"_s)->isEnabled())
            flags << u"open"_s;
        if (prefs && prefs->isWindowLoaded() && prefs->window()->isVisible())
            flags << u"prefs"_s;
        QString status = m_app->PkgRightInfoField()->text();
        if (const QString tip = m_app->PkgRightInfoField()->toolTip(); !tip.isEmpty())
            status += u" ("_s + QString(tip).replace(m_dir->path(), u"@"_s) + u')';
        // As shown and as a screen reader names it: a mnemonic's ampersand is neither.
        const QString title = QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
        return st(title + (button->isEnabled() ? u'+' : u'-'), status, flags.join(u' '));
    }

    // What the program says, as it says it; alerts with what the windows show meanwhile.
    void record(const QString &event)
    {
        const QString kind = event.section(u':', 0, 0);
        QString line = kind + u' ' + event.section(u':', 1);
        if (kind == u"beep"_s)
            line = kind;
        else if (kind == u"alert"_s)
            line = alert(m_platform->alerts.last(), state());
        else if (kind == u"sheet"_s)
            line = u"sheet %1 on %2"_s.arg(
                shown(m_platform->sheets.last()),
                m_platform->sheetWindows.last() == m_app->prefWinController()->window() ? u"prefs"_s : u"?"_s);
        else if (kind == u"openPanel"_s)
            line = u"chooser %1 %2 %3 on %4 @ %5"_s.arg(
                QString(m_platform->panels.last()->directory).replace(QDir::homePath(), u"~"_s),
                m_platform->panels.last()->choosing(), m_platform->panels.last()->types.join(u' '),
                m_platform->panels.last()->window == m_app->window() ? u"main"_s : u"?"_s, state());
        else if (kind == u"closePanel"_s)
            line = u"close chooser"_s;
        else if (event.startsWith(u"log:Package Version"_s))
            return; // the loader's trace
        m_transcript << line.replace(m_dir->path(), u"@"_s);
        if (kind == u"alert"_s)
            for (const QString &s : std::exchange(m_atAlert, {}))
                step(s.section(u':', 0, 0), s.section(u':', 1));
    }

    void step(const QString &verb, const QString &name)
    {
        AppController &app = *m_app;
        const QHash<QString, std::function<void()>> steps{
            {u"hand"_s, [&] { QVERIFY(app.applicationOpenFile(at(name))); }},
            {u"start"_s, [&] { app.applicationDidFinishLaunching(nullptr); }},
            {u"load"_s, [&] { app.loadPackageAtPath(at(name)); }},
            {u"pick"_s, [&] { m_platform->panels.last()->finish(name.isEmpty() ? QString() : at(name), 1); }},
            {u"cancel"_s, [&] { m_platform->panels.last()->finish(QString(), 0); }},
            {u"press"_s, [&] { app.InstallPkgButton()->click(); }},
            {u"install"_s, [&] { app.DoStartInstall(nullptr); }},
            {u"ride"_s, [&] { app.launchSimWithTrackFile(nullptr); }},
            {u"launched"_s,
             [&] {
                 QVERIFY2(name == u"yes"_s || name == u"no"_s, qPrintable(u"launched:"_s + name + u": yes or no"_s));
                 m_platform->pendingLaunches.value(0, [](bool) { QFAIL("no launch"); })(name == u"yes"_s);
             }},
            {u"save"_s,
             [&] {
                 app.prefWinController()->zcFolderPathField()->setText(at(u"Sim"_s));
                 app.prefWinController()->saveChanges(nullptr);
             }},
            {u"closeprefs"_s, [&] { app.prefWinController()->close(); }},
            {u"menu"_s,
             [&] {
                 QAction *action = app.window()->findChild<QAction *>(name);
                 QVERIFY2(action, qPrintable(u"no menu command "_s + name));
                 action->trigger();
             }},
            {u"nobrowser"_s, [&] { m_platform->setOpenUrlResult(false); }},
            {u"look"_s, [&] { m_transcript << state(); }},
            {u"show"_s, [&] { m_transcript << fields(); }},
            {u"held"_s,
             [&] {
                 m_held = ::open(QFile::encodeName(at(u"Sim"_s)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                 QVERIFY(m_held >= 0 && ::flock(m_held, LOCK_EX) == 0);
             }},
            {u"stopwait"_s,
             [&] {
                 QPushButton *stop = stopWaitingButton();
                 QVERIFY2(stop && stop->isEnabled(), "nothing offers to stop waiting");
                 stop->click();
             }},
            {u"edit"_s,
             [&] {
                 const QString text = name.contains(u'=') ? name.section(u'=', 1) : u"mine"_s;
                 QVERIFY(TestFiles::writeFile(at(name.section(u'=', 0, 0)), text.toUtf8()));
             }},
            {u"gone"_s, [&] { QVERIFY(QFile::remove(at(name))); }},
            {u"store"_s, [&] { QVERIFY(InstallLocation::store(at(name), false)); }},
            {u"files"_s, [&] { m_transcript << u"files "_s + TestFiles::describeTree(at(name)).join(u", "_s); }},
            {u"tracks"_s, [&] { m_transcript << installs(); }},
            {u"packagefiles"_s, [&] { m_transcript << packageFiles(); }},
            {u"uninstall"_s, [&] { app.installedTracks()->uninstallButton()->click(); }},
            {u"select"_s,
             [&] {
                 const QList<QTreeWidgetItem *> items = app.installedTracks()->installItems();
                 QVERIFY2(name.toInt() < items.size(), qPrintable(u"no install row "_s + name));
                 app.installedTracks()->installsList()->setCurrentItem(items.at(name.toInt()));
             }},
            {u"filter"_s,
             [&] {
                 app.installedTracks()->filterField()->clear();
                 QTest::keyClicks(app.installedTracks()->filterField(), name);
             }},
            {u"details"_s, [&] { m_transcript << details(); }},
            {u"check"_s,
             [&] {
                 QSignalSpy checked(app.installedTracks(), &InstalledTracksController::changesChecked);
                 app.installedTracks()->checkButton()->click();
                 QVERIFY(checked.wait(60000));
             }},
            {u"ridetrack"_s, [&] { app.installedTracks()->rideButton()->click(); }},
            {u"escape"_s, [&] { QTest::keyClick(app.installedTracks()->installsList(), Qt::Key_Escape); }},
            {u"unnamed"_s,
             [&] {
                 QVERIFY2(QStringList({QString(), u"main"_s, u"files"_s}).contains(name),
                          qPrintable(u"unnamed:"_s + name + u": main, files or nothing"_s));
                 m_transcript << unnamed(name == u"main"_s    ? app.window()
                                         : name == u"files"_s ? app.packageFiles()->window()
                                                              : app.installedTracks()->window());
             }},
            {u"drop"_s, [&] { drop(name.split(u',')); }},
            {u"atalert"_s, [&] { m_atAlert << name; }},
        };
        QVERIFY2(steps.contains(verb), qPrintable(u"unknown step \""_s + verb + u"\""_s));
        steps[verb]();
    }

    // The Installed Tracks window's rows as shown, but for the date: each folder (its whole path
    // the tooltip) and its installs; or the text shown in place of the list.
    QString installs()
    {
        InstalledTracksController *tracks = m_app->installedTracks();
        if (!tracks->window()->isVisible())
            return u"tracks closed"_s;
        QStringList folders;
        QTreeWidget *list = tracks->installsList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *folder = list->topLevelItem(i);
            QStringList rows;
            for (int j = 0; j < folder->childCount(); ++j)
                if (const QTreeWidgetItem *item = folder->child(j); !item->isHidden())
                    rows << QStringList{item->text(0), item->text(1), item->text(3)}.join(u'|');
            if (!folder->isHidden())
                folders << folder->toolTip(0) + u": "_s + rows.join(u", "_s);
        }
        const QLabel *problem = tracks->window()->findChild<QLabel *>(u"problemLabel"_s);
        const QLabel *instead = !problem->isHidden() ? problem : tracks->emptyLabel();
        QString line = u"tracks "_s + (instead->isHidden() ? folders.join(u"; "_s) : u'(' + instead->text() + u')');
        // An uninstall's status, and what may be pressed meanwhile.
        if (const QLabel *status = tracks->window()->findChild<QLabel *>(u"waitLabel"_s); !status->isHidden()) {
            QStringList enabled;
            for (const QPushButton *button : tracks->window()->findChildren<QPushButton *>())
                if (!button->isHidden() && button->isEnabled())
                    enabled << button->text().remove(u'&');
            line += u" {%1 | %2}"_s.arg(status->text(), enabled.join(u' '));
        }
        // At the size the form gives it, with its layout done: neither the list scrolls sideways
        // nor the window had to grow to hold what it shows.
        QCoreApplication::processEvents();
        if (list->isVisible() && (list->horizontalScrollBar()->maximum() > 0 || tracks->window()->width() > 760))
            line += u" [scrolls]"_s;
        return line.replace(m_dir->path(), u"@"_s);
    }

    // The Package Files window's rows, or why there are none.
    QString packageFiles()
    {
        PackageFilesController *files = m_app->packageFiles();
        if (!files || !files->window()->isVisible())
            return u"packagefiles (no window)"_s;
        QStringList rows;
        const QTableWidget *table = files->filesTable();
        for (int i = 0; i < table->rowCount(); ++i)
            rows << u"%1|%2|%3"_s.arg(table->item(i, 0)->text(), table->item(i, 1)->text(), table->item(i, 2)->text());
        return u"packagefiles "_s + rows.join(u", "_s);
    }

    // The chosen install's details, but for the date; each file as new or replaced, and what a
    // check found; and whether it can be ridden.
    QString details()
    {
        InstalledTracksController *tracks = m_app->installedTracks();
        QStringList lines = tracks->detailsLabel()->text().split(u'\n');
        lines.removeIf([](const QString &line) { return line.startsWith(u"Installed "_s); });
        QStringList files;
        QTreeWidget *list = tracks->filesList();
        const auto item = [list](int i) { return list->topLevelItem(i); };
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            files << u"%1 %2 %3"_s.arg(item(i)->text(0), item(i)->text(1), item(i)->text(2)).trimmed();
        return u"details %1 | %2 | ride%3"_s.arg(lines.join(u" / "_s), files.join(u", "_s),
                                                 tracks->rideButton()->isEnabled() ? u"+"_s : u"-"_s);
    }

    // A window's controls that a screen reader could not name: what takes the focus, and what
    // shows something (a label showing nothing has nothing to read).
    QString unnamed(QWidget *window)
    {
        QStringList names;
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            const auto *label = qobject_cast<QLabel *>(widget);
            const bool control = widget->focusPolicy() != Qt::NoFocus || qobject_cast<QProgressBar *>(widget)
                                 || (label && !label->text().isEmpty());
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
            if (control && (!face || face->text(QAccessible::Name).isEmpty()))
                names << widget->objectName();
        }
        return u"unnamed "_s + names.join(u' ');
    }

    // Files dragged from a file manager and dropped onto the main window, copying: refused
    // unless the window takes the drag as it enters. NAME.END that is not there is made as a copy
    // of NAME, and NAME/ as a folder; an address with a scheme goes as it stands.
    void drop(const QStringList &names)
    {
        QList<QUrl> urls;
        for (const QString &name : names) {
            const bool address = name.contains(u"://"_s), folder = name.endsWith(u'/');
            if (folder)
                QVERIFY(QDir().mkpath(at(name)));
            else if (!address && !QFile::exists(at(name)))
                QVERIFY2(QFile::copy(at(name.section(u'.', 0, 0)), at(name)), qPrintable(u"no package for "_s + name));
            urls << (address ? QUrl(name) : QUrl::fromLocalFile(at(name).chopped(folder ? 1 : 0)));
        }
        QMimeData data;
        data.setUrls(urls);
        QWidget *window = m_app->window();
        const QPoint middle = window->rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(middle, actions, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted()) {
            m_transcript << u"drop refused"_s;
            return;
        }
        QDropEvent dropped(QPointF(middle), actions, &data, Qt::LeftButton, Qt::NoModifier);
        dropped.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(window, &dropped);
        QVERIFY2(dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction, "the drop is not taken as a copy");
        QCoreApplication::sendPostedEvents(); // the load waits for the drop to end
    }

    // What the package fields show, all as plain text: a package's text is never markup.
    QString fields()
    {
        for (QLabel *label : {m_app->PkgTitleField(), m_app->PkgAuthorField(), m_app->PkgLeftInfoField()})
            if (label->textFormat() != Qt::PlainText)
                return label->objectName() + u" takes markup"_s;
        return u"shown %1 | %2 | %3 | %4"_s.arg(m_app->PkgTitleField()->text(), m_app->PkgAuthorField()->text(),
                                                m_app->PkgCommentsTextView()->toPlainText(),
                                                m_app->PkgLeftInfoField()->text());
    }

    // The ~ steps, in turn, each from the event loop: only a wait that lets events through runs
    // them before the step they precede returns.
    void runDuring(const QStringList &steps)
    {
        if (steps.isEmpty())
            return;
        QTimer::singleShot(0, m_app.get(), [this, steps] {
            step(steps.first().section(u':', 0, 0), steps.first().section(u':', 1));
            --m_during;
            runDuring(steps.mid(1));
        });
    }

    // Whichever window offers to stop waiting.
    QPushButton *stopWaitingButton()
    {
        if (m_app->InstallPkgButton()->text().remove(u'&') == StopWaiting)
            return m_app->InstallPkgButton();
        auto *button = m_app->installedTracks()
                           ? m_app->installedTracks()->window()->findChild<QPushButton *>(u"stopWaitingButton"_s)
                           : nullptr;
        return button && !button->isHidden() ? button : nullptr;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<AppController> m_app;
    QStringList m_transcript;
    QStringList m_atAlert; // steps taken while the next alert is up
    int m_held = -1;       // the lock another install holds
    int m_during = 0;      // ~ steps not run yet
};

CRATEWRIGHT_GUI_TEST_MAIN(TestApp)
#include "tst_app.moc"
