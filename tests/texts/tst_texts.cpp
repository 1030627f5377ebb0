// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's wording where the exact words are the point, each spelled out once, against
// the function that makes it. Every other test compares with those functions.
#include "RecordingPlatform.h"

#include "install/InstallLocation.h"
#include "install/SimulatorLaunch.h"
#include "package/ResultCodes.h"
#include "platform/UserDefaults.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = SimulatorLaunch::Outcome;

class TestTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_data()
    {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("exact");
        const auto row = [](const char *name, const QString &made, const QString &exact) {
            QTest::newRow(name) << made << exact;
        };
        const auto alert = &RecordingPlatform::describe;
        const QString contact = QLatin1String(MaintainerContactAddress);

        row("cannot open", LoadText::message(LoadResult(-3)),
            u"Could not open file. (Err: -3)\n\nPermission problem? Doesn't exist?"_s);
        row("not a package", LoadText::message(LoadResult(-1)),
            u"Could not open file. (Err: -1)\n\nIt does not appear to be a track package file."_s);
        row("count mismatch, as an alert", alert(LoadText::failureAlert(LoadResult(-2))),
            u"File Open Error|Could not open file. (Err: -2)\n\nFile count does not match expected.|OK||"_s);
        row("version", LoadText::message(LoadResult(-4)),
            u"Could not load Track Package. (Err: -4)\n\nThe package version is too old.\n\n"
            "Currently, only 1.3.x SFX Track Package files are supported.\n\nSorry."_s);
        row("unplanned", LoadText::message(LoadResult(7)),
            u"An un-planned for error has occured. Could be bad. You  might want to tell %1"_s.arg(contact));

        row("installed", InstallText::statusText(InstallResult(0)), u"Package Installed Successfully."_s);
        const QStringList tags{u"UCOMP"_s, u"WRITE"_s, u"BDIR"_s, u"FDIR"_s, u"FLDROW"_s, u"MISC"_s};
        for (int code = -1; code >= -6; --code)
            QTest::addRow("status %d", code) << InstallText::statusText(InstallResult(code))
                                             << u"Error Installing Package (%1/%2)."_s.arg(tags[-code - 1]).arg(code);
        row("unknown code", InstallText::statusText(InstallResult(-9)), u"Error Installing Package (MISC/-9)."_s);
        row("stopped", InstallText::stoppedText(1, 3), u"Install stopped after 1 of 3 files."_s);
        row("waiting", InstallText::waitingText(), u"Waiting for another install into this folder to finish\u2026"_s);
        row("overwrite question, the path inside the package",
            alert(InstallText::overwriteAlert(u"Tracks/ride.zctrack"_s)),
            u"File Already Exists|The File 'Tracks/ride.zctrack' already exists. Would you like to replace it?|"
            "Yes|No|Yes To All"_s);

        const QString early =
            u"Launch Failed|Could not launch track file. This was not supposed to happen. Tell %1 how you "
            "ended up here, and tell him '%2 launch' (he'll know what it means).|I'll do that.||"_s;
        row("pre-load launch", alert(SimulatorLaunch::failureAlert(Outcome::PackageNotLoaded)),
            early.arg(contact, u"pre-load"_s));
        row("pre-install launch", alert(SimulatorLaunch::failureAlert(Outcome::NoTrackFile)),
            early.arg(contact, u"pre-install"_s));
        row("simulator not started", alert(SimulatorLaunch::failureAlert(Outcome::SimulatorNotStarted)),
            u"Launch Failed|You either did not install the track to your Zoomcrest directory, or the Zoomcrest "
            "simulator could not be found (make sure it is named 'ZoomcrestSimulator').|Oh Well||"_s);
        row("preferences not saved", alert(InstallLocation::notSavedAlert()),
            u"Preferences Not Saved|Could not write the settings file '%1'. The folder was not saved.|OK||"_s.arg(
                UserDefaults::standardUserDefaults().storeFileName()));
    }

    void texts()
    {
        QFETCH(QString, made);
        QFETCH(QString, exact);
        QCOMPARE(made, exact);
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"
