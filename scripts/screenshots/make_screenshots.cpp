// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Walks the desktop program through a first run, a package shown and an overwrite question,
// and saves a picture of each for the README. Runs under a real X server (Xvfb), so what is
// saved is what the server shows: windows with their dialogs on top.
#include "app/AppController.h"
#include "install/InstallLocation.h"
#include "package/TrackPackage.h"
#include "platform/QtPlatform.h"
#include "prefs/ZCTrackPackPrefWinController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>

namespace {

void settle(int ms = 400)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Saves the part of the screen covered by the given windows (a dialog over its window).
bool shoot(const QList<QWidget *> &windows, const QString &path)
{
    QRect area;
    for (QWidget *window : windows)
        if (window && window->isVisible())
            area |= window->frameGeometry();
    area = area.adjusted(-12, -12, 12, 12) & QGuiApplication::primaryScreen()->geometry();
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                         area.height());
    const bool saved = picture.save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

QMessageBox *openMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

void clickButton(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == text)
            button->click();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("zc-cratewright"));
    QApplication::setApplicationName(QStringLiteral("zc-cratewright"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/zc-cratewright.png")));
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: make-screenshots PACKAGE SIMULATOR_FOLDER OUTPUT_FOLDER\n");
        return 1;
    }
    const QString package = args.at(1), simulator = args.at(2), output = args.at(3);

    QtPlatform platform;
    Platform::setCurrent(&platform);
    AppController::initialize();
    AppController controller;
    controller.showWindow(nullptr);
    controller.applicationOpenFile(package);
    controller.applicationDidFinishLaunching(nullptr);
    settle();

    // 1. The first run: the preferences window with its welcome note. Without a window
    // manager the note would hide the small window it belongs to, so it goes just below it,
    // and the main window steps aside for the picture.
    ZCTrackPackPrefWinController *prefs = controller.prefWinController();
    controller.window()->move(2000, 0);
    prefs->window()->move(24, 24);
    if (QMessageBox *welcome = openMessageBox())
        welcome->move(24, prefs->window()->frameGeometry().bottom() + 16);
    settle();
    bool ok = shoot({prefs->window(), openMessageBox()}, output + QStringLiteral("/first-run.png"));
    controller.center();
    if (QMessageBox *welcome = openMessageBox())
        welcome->accept();
    prefs->zcFolderPathField()->setText(simulator);
    prefs->saveChanges(nullptr); // the handed-over package is loaded inside the save
    settle();

    // 2. The package, ready to install.
    ok &= shoot({controller.window()}, output + QStringLiteral("/package.png"));

    // 3. The question before a file is replaced: the package is already installed once.
    TrackPackage earlier;
    earlier.loadPackageFileAtPath(package);
    earlier.expandPackageTo(simulator, false);
    QTimer::singleShot(600, &app, [&]() {
        QMessageBox *question = openMessageBox();
        ok &= shoot({controller.window(), question}, output + QStringLiteral("/overwrite.png"));
        if (question) {
            clickButton(question, QStringLiteral("Yes To All"));
        } else {
            ok = false;
        }
    });
    controller.InstallPkgButton()->click();
    settle(200);
    Platform::setCurrent(nullptr);
    return ok ? 0 : 1;
}
