// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fills a track library with a few installs into two simulator folders, one of them as deep
// as a Steam library puts it, and saves pictures of the Installed Tracks window and of the
// question before an uninstall. Every install goes through the program's own installer and
// records; only their dates are set afterwards, so the pictures are the same on every run.
// Draws offscreen and grabs the widgets themselves: no display, no window manager, no timing.
#include "PackageWriter.h"
#include "app/InstalledTracksController.h"
#include "package/TrackPackage.h"
#include "platform/QtPlatform.h"
#include "records/InstallJournal.h"
#include "records/RecordStore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

const QSize WindowSize(900, 560);
const QString SteamFolder = QStringLiteral("home/player/.local/share/Steam/steamapps/common/"
                                           "Zoomcrest Roller Coaster Simulator Deluxe");
const QString GamesFolder = QStringLiteral("home/player/Games/Zoomcrest");
const QString ChosenTitle = QStringLiteral("Midnight Express");

struct Install
{
    QString folder;
    QString fileName; // the details show it
    PackageWriter package;
};

QList<Install> installs()
{
    PackageWriter canyon, harbour, midnight, glacier;
    canyon.setTitle("Corkscrew Canyon").setAuthor("R. Coaster");
    canyon.addFile("Tracks\\", "Corkscrew Canyon.zctrack", "track").addFile("Scenery\\", "canyon.obj", "v");
    harbour.setTitle("Harbour Loop").setAuthor("Mira Ferris");
    harbour.addFile("Tracks\\", "Harbour Loop.zctrack", "track")
        .addFile("Scenery\\", "pier.obj", "v")
        .addFile("Scenery\\", "gulls.wav", "RIFF");
    midnight.setTitle("Midnight Express").setAuthor("Ada Lin");
    midnight.addFile("Tracks\\", "Midnight Express.zctrack", "track")
        .addFile("Scenery\\Midnight\\", "station.obj", "v")
        .addFile("Scenery\\Midnight\\", "lamps.obj", "v")
        .addFile("Scenery\\", "skybox.png", "night sky");
    glacier.setTitle("Glacier Plunge").setAuthor("T. Brakeman");
    glacier.addFile("Tracks\\", "Glacier Plunge.zctrack", "track").addFile("Scenery\\", "ice.obj", "v");
    return {{GamesFolder, QStringLiteral("corkscrew-canyon.zcpack"), canyon},
            {SteamFolder, QStringLiteral("glacier-plunge.zcpack"), glacier},
            {GamesFolder, QStringLiteral("harbour-loop.zcpack"), harbour},
            {SteamFolder, QStringLiteral("midnight-express-v2.zcpack"), midnight}};
}

// A simulator folder as the simulator leaves it: its application, and a sky the newest
// install replaces, so that its details and its uninstall show a file put back.
bool makeSimulatorFolder(const QString &path)
{
    QFile sky(path + QStringLiteral("/Scenery/skybox.png"));
    return QDir().mkpath(path + QStringLiteral("/ZoomcrestSimulator.app/Contents/MacOS"))
           && QDir().mkpath(path + QStringLiteral("/Scenery")) && sky.open(QIODevice::WriteOnly)
           && sky.write("day sky") == 7;
}

bool install(const Install &what, const QString &work)
{
    const QString packagePath = work + QLatin1Char('/') + what.fileName;
    if (!what.package.writeTo(packagePath))
        return false;
    TrackPackage package;
    if (package.loadPackageFileAtPath(packagePath) != LoadResult::Loaded)
        return false;
    const RecordStore records;
    InstallJournal journal(records, package);
    package.setInstallObserver(&journal);
    const bool done = package.expandPackageTo(work + QLatin1Char('/') + what.folder, false) == InstallResult::Success;
    package.setInstallObserver(nullptr);
    return done && !journal.recordId().isEmpty();
}

// An evening's installs on a fixed day, in the order they were made.
bool fixDates()
{
    const RecordStore store;
    QList<InstallRecord> records = store.records();
    QDateTime time(QDate(2026, 11, 14), QTime(19, 5), Qt::UTC);
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        record->time = time;
        time = time.addSecs(23 * 60);
        if (!store.write(*record).ok())
            return false;
    }
    return !records.isEmpty();
}

bool save(QWidget *widget, const QString &path)
{
    const bool saved = widget && widget->grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

bool selectChosen(InstalledTracksController &tracks)
{
    for (QTreeWidgetItem *item : tracks.installItems()) {
        if (item->text(0) == ChosenTitle) {
            tracks.installsList()->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

// The question comes up inside the uninstall's own event loop: it is saved from there, then
// answered Cancel, so nothing is removed.
bool shootConfirmation(InstalledTracksController &tracks, const QString &path)
{
    bool saved = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        look.stop();
        saved = save(box, path);
        for (QAbstractButton *button : box->buttons())
            if (button->text() == QStringLiteral("Cancel"))
                button->click();
    });
    look.start(20);
    tracks.uninstallSelected(nullptr);
    return saved;
}

// Before Qt starts: everything the pictures depend on, and settings and records kept in the
// work folder, never the user's.
void fixEnvironment(const QString &work)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC");
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("HOME", QFile::encodeName(work + QStringLiteral("/home/player")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(work + QStringLiteral("/data")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work + QStringLiteral("/runtime")));
    QDir().mkpath(work + QStringLiteral("/runtime"));
    QFile::setPermissions(work + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work + QStringLiteral("/config"));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-library-screenshots EMPTY_WORK_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString work = QDir::cleanPath(QFile::decodeName(argv[1]));
    const QString output = QFile::decodeName(argv[2]);
    if (!QDir(work).isEmpty()) {
        std::fprintf(stderr, "make-library-screenshots: %s is not an empty folder\n", argv[1]);
        return 2;
    }
    fixEnvironment(work);
    QApplication::setOrganizationName(QStringLiteral("zc-cratewright"));
    QApplication::setApplicationName(QStringLiteral("zc-cratewright"));
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QtPlatform platform;
    Platform::setCurrent(&platform);

    bool ok = makeSimulatorFolder(work + QLatin1Char('/') + SteamFolder)
              && makeSimulatorFolder(work + QLatin1Char('/') + GamesFolder);
    for (const Install &each : installs())
        ok = ok && install(each, work);
    ok = ok && fixDates();
    if (!ok) {
        std::fprintf(stderr, "make-library-screenshots: the installs could not be made\n");
        return 1;
    }

    InstalledTracksController tracks;
    tracks.window()->resize(WindowSize);
    tracks.showWindow(nullptr);
    ok = selectChosen(tracks);
    // Not the filter field: its caret blinks, and the picture would catch it on or off.
    tracks.installsList()->setFocus();
    QApplication::processEvents();
    ok = ok && save(tracks.window(), output + QStringLiteral("/library.png"));
    ok = ok && shootConfirmation(tracks, output + QStringLiteral("/uninstall.png"));
    Platform::setCurrent(nullptr);
    return ok ? 0 : 1;
}
