// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The preferences window's own decisions, one scenario a row: the stored folder, what the user
// does in the window and its folder chooser, and the answers queued for the alerts, against
// what the window says (in order), what it shows and what reaches the settings store. Which
// folders pass the install location rule is the rule's own tests' business.
#include "GuiTest.h"
#include "Scenario.h"

#include "install/InstallLocation.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "prefs/ZCTrackPackPrefWinController.h"

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {
const Alert NotAZoomcrestFolder{u"Not A Zoomcrest Folder"_s,
                                u"The folder you chose does not appear to be your Zoomcrest application folder. You "
                                "will not be able to use tracks installed to this location. Are you sure you want to "
                                "use it?"_s,
                                u"Yes"_s, QString(), u"No"_s};
const Alert NotAValidInstallLocation{u"Not A Valid Install Location"_s,
                                     u"The current install location is not valid. Please choose another."_s, u"OK"_s};

QString shown(const Alert &a)
{
    return u"alert "_s + RecordingPlatform::describe(a);
}
} // namespace

class TestPrefs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        GuiTest::clearSettings();
        QVERIFY(QDir().mkpath(at(u"Zoomcrest/ZoomcrestSimulator.app"_s)) && QDir().mkpath(at(u"Other"_s)));
        m_platform = std::make_unique<RecordingPlatform>();
        m_transcript.clear();
        m_platform->probe = [this](const QString &event) {
            if (event.startsWith(u"alert:"_s))
                m_transcript << shown(m_platform->alerts.last());
            else if (event == u"openPanel"_s)
                m_transcript << u"chooser "_s + m_platform->panels.last()->directory
                                    + (m_platform->panels.last()->window == m_prefs->window() ? u""_s : u" elsewhere"_s)
                                    + (m_platform->panels.last()->choosing() == u"folders one"_s ? u""_s
                                                                                                 : u" not folders"_s)
                                    + (m_platform->panels.last()->types.isEmpty() ? u""_s : u" filtered"_s);
            else
                m_transcript << event;
        };
        NotificationCenter::defaultCenter().addObserver(this, PreferencesDidGetSaved, [this](const Notification &n) {
            m_transcript << (n.object == m_prefs.get() && !m_prefs->window()->isVisible() ? u"saved"_s : u"?"_s);
        });
    }

    void cleanup()
    {
        NotificationCenter::defaultCenter().removeObserver(this);
        m_prefs.reset();
        m_platform.reset();
    }

    // Folders: Zoomcrest (holds the simulator), Other, Gone. At the end: the field, the working
    // flag, whether the folder in effect is valid, what is stored, whether the window is open.
    void scenarios_data()
    {
        Scenario::addColumn();
        const AlertAnswer yes = AlertAnswer::Default, no = AlertAnswer::Other;
        const QString notZC = shown(NotAZoomcrestFolder);

        scenario("the window shows the stored folder and flag", "Other+", "show", {},
                 u"@/Other blessed valid | @/Other+ open"_s);
        scenario("folder valid: the chooser starts there, Cancel ends it", "Zoomcrest", "show choose cancel",
                 {u"chooser @/Zoomcrest"_s}, u"@/Zoomcrest valid | @/Zoomcrest open"_s);
        scenario("folder not valid: from /Applications, and Cancel brings it back even after a pick", "Gone",
                 "show choose pick:Other choose cancel",
                 {u"chooser /Applications"_s, u"beep"_s, notZC, u"chooser /Applications"_s, u"closePanel"_s,
                  u"chooser /Applications"_s},
                 u"@/Other blessed | @/Gone open"_s, {yes});
        scenario("a simulator folder is taken without a question and clears the flag", "Other+",
                 "show choose pick:Zoomcrest", {u"chooser @/Other"_s}, u"@/Zoomcrest valid | @/Other+ open"_s);
        scenario("another folder, No: the chooser again", "Zoomcrest", "show choose pick:Other",
                 {u"chooser @/Zoomcrest"_s, u"beep"_s, notZC, u"closePanel"_s, u"chooser @/Zoomcrest"_s},
                 u"@/Zoomcrest valid | @/Zoomcrest open"_s, {no});
        scenario("another folder, Yes, Save: stored with the flag, closed, then posted", "Zoomcrest",
                 "show choose pick:Other save", {u"chooser @/Zoomcrest"_s, u"beep"_s, notZC, u"saved"_s},
                 u"@/Other blessed valid | @/Other+"_s, {yes});
        scenario("a folder that is gone, flag carried over: refused", "Other+", "show type:Gone save",
                 {u"beep"_s, shown(NotAValidInstallLocation)}, u"@/Gone blessed | @/Other+ open"_s);
        scenario("a simulator folder typed, flag carried over: stored with it", "Other+", "show type:Zoomcrest save",
                 {u"saved"_s}, u"@/Zoomcrest blessed valid | @/Zoomcrest+"_s);
        scenario("the settings file can't be written: nothing stored, the window stays", "Zoomcrest",
                 "show choose pick:Other full",
                 {u"chooser @/Zoomcrest"_s, u"beep"_s, notZC, u"beep"_s, shown(InstallLocation::notSavedAlert())},
                 u"@/Other blessed valid | @/Zoomcrest open"_s, {yes});
        scenario("closed unsaved: nothing stored; shown again with its text", "Zoomcrest", "show type:Other close show",
                 {}, u"@/Other valid | @/Zoomcrest open"_s);
    }

    void scenarios()
    {
        QFETCH(Scenario, scenario);
        QVERIFY(scenario.begin(m_dir.path(), *m_platform));
        m_prefs = std::make_unique<ZCTrackPackPrefWinController>();
        for (const QString &step : scenario.steps.split(u' ')) {
            const QString name = step.section(u':', 1);
            const QHash<QString, std::function<void()>> act{
                {u"show"_s, [&] { m_prefs->showWindow(nullptr); }},
                {u"choose"_s, [&] { m_prefs->chooseZoomcrestFolder(nullptr); }},
                {u"pick"_s, [&] { m_platform->panels.last()->finish(at(name), 1); }},
                {u"cancel"_s, [&] { m_platform->panels.last()->finish(QString(), 0); }},
                {u"type"_s, [&] { m_prefs->zcFolderPathField()->setText(at(name)); }},
                {u"save"_s, [&] { m_prefs->saveChanges(nullptr); }},
                {u"close"_s, [&] { m_prefs->close(); }},
                {u"full"_s, [&] { saveOnFullDisk(); }},
            };
            QVERIFY2(act.contains(step.section(u':', 0, 0)), qPrintable(u"unknown step \""_s + step + u'"'));
            act[step.section(u':', 0, 0)]();
        }

        QCOMPARE(m_transcript.replaceInStrings(m_dir.path(), u"@"_s), scenario.transcript);
        const auto flag = [](bool on, const char *text) { return on ? QString::fromLatin1(text) : QString(); };
        QString now = m_prefs->zcFolderPathField()->text()
                      + flag(m_prefs->workingInstallPathIsUserBlessed(), " blessed")
                      + flag(m_prefs->chosenInstallPathIsValid(), " valid") + u" | "_s
                      + InstallLocation::storedFolderPath() + flag(InstallLocation::storedKnownFolderNotForZC(), "+")
                      + flag(m_prefs->window()->isVisible(), " open");
        QCOMPARE(now.replace(m_dir.path(), u"@"_s), scenario.finally);
    }

private:
    QString at(const QString &place) const { return m_dir.filePath(place); }

    // No file may grow past a few bytes while it saves, as on a full disk, where root can't
    // write either.
    void saveOnFullDisk()
    {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit tiny{16, saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &tiny);
        m_prefs->saveChanges(nullptr);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<ZCTrackPackPrefWinController> m_prefs;
    QStringList m_transcript;
};

CRATEWRIGHT_GUI_TEST_MAIN(TestPrefs)
#include "tst_prefs.moc"
