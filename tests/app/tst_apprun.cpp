// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Whole runs of the desktop program with the real Qt platform: real message boxes, sheets and
// file dialogs, answered as a user would, and a stand-in simulator started as a real process.
#include "GuiTest.h"
#include "PackageWriter.h"
#include "SimulatorStandIn.h"

#include "app/AppController.h"
#include "install/SimulatorLaunch.h"
#include "platform/QtPlatform.h"
#include "prefs/ZCTrackPackPrefWinController.h"

#include <csignal>

using namespace Qt::StringLiterals;

class TestAppRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        GuiTest::clearSettings();
        AppController::initialize();
        Platform::setCurrent(&m_platform);
    }

    void cleanup()
    {
        m_app.reset();
        Platform::setCurrent(nullptr);
    }

    void firstRunToRideAndQuit()
    {
        const QString simulator = m_dir.filePath(u"Zoomcrest Sim"_s);
        const QString arguments = m_dir.filePath(u"arguments"_s);
        QVERIFY(SimulatorStandIn::write(SimulatorLaunch::executablePath(simulator), arguments));
        const QString package = m_dir.filePath(u"Canyon.zcpack"_s);
        QVERIFY(PackageWriter().setTitle("Canyon").addFile("Tracks\\", "Canyon.zctrack", "track").writeTo(package));
        GuiTest::AlertAnswerer answerer({u"Yeah, I'll Do That..."_s});
        QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);

        const auto user = [&] {
            // The welcome sheet hangs on the preferences window; the user answers it, names the
            // simulator folder and saves; the package chooser opens on the main window.
            QTRY_VERIFY_WITH_TIMEOUT(answerer.done(), 20000);
            QCOMPARE(answerer.answered.value(0).modality, Qt::WindowModal);
            ZCTrackPackPrefWinController *prefs = m_app->prefWinController();
            prefs->zcFolderPathField()->setText(simulator);
            for (QPushButton *button : prefs->window()->findChildren<QPushButton *>())
                if (button->text().remove(u'&') == u"Save"_s)
                    button->click();
            auto *chooser = m_app->window()->findChild<QFileDialog *>();
            QVERIFY(chooser && chooser->isVisible() && chooser->windowModality() == Qt::WindowModal);
            chooser->selectFile(package);
            static_cast<QDialog *>(chooser)->accept(); // QFileDialog::accept would check the name

            QCOMPARE(m_app->PkgTitleField()->text(), u"Canyon"_s);
            QPushButton *button = m_app->InstallPkgButton();
            button->click(); // Install, then Ride!
            button->click();
            QTRY_COMPARE_WITH_TIMEOUT(SimulatorStandIn::arguments(arguments),
                                      (QStringList{u"-s"_s, simulator + u"/Tracks/Canyon.zctrack"_s}), 20000);
            QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 20000);
            button->click(); // Quit
        };
        // As main() makes it: the window shown, then launching finishes in the event loop, which
        // runs until the program ends by itself or the test gives up.
        m_app = std::make_unique<AppController>();
        m_app->showWindow(nullptr);
        QApplication::setQuitOnLastWindowClosed(m_app->applicationShouldTerminateAfterLastWindowClosed(qApp));
        QTimer::singleShot(0, m_app.get(), [&] {
            m_app->applicationDidFinishLaunching(nullptr);
            user();
            if (QTest::currentTestFailed())
                QCoreApplication::quit();
        });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, qApp, &QCoreApplication::quit);
        giveUp.start(60000);
        QCoreApplication::exec();
        QVERIFY(giveUp.isActive() && !m_app->window()->isVisible());
        SimulatorStandIn::sendSignal(arguments, SIGTERM);
        QCOMPARE(lastWindowClosed.size(), 1);
        QCOMPARE(answerer.unexpected, QStringList());
    }

private:
    QTemporaryDir m_dir;
    QtPlatform m_platform;
    std::unique_ptr<AppController> m_app;
};

CRATEWRIGHT_GUI_TEST_MAIN(TestAppRun)
#include "tst_apprun.moc"
