// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The desktop program: one main window that installs one track package per run.
#include "AppController.h"
#include "DisplayGuard.h"
#include "platform/FileName.h"
#include "platform/QtPlatform.h"
#include "platform/Translations.h"
#include "versioncheck/VersionText.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace {

const QString ProgramName = QStringLiteral("zc-cratewright");
const QString IconResource = QStringLiteral(":/icons/zc-cratewright.png");

// A path as the desktop or the shell hands it over: a file:// address becomes its local path,
// a relative path is taken from the folder the program was started in. Both by bytes, as
// FileName has them: QUrl::toLocalFile() decodes %XX as UTF-8 and QFileInfo the working
// folder, each turning a name's other bytes into U+FFFD.
QString handedOverPath(const QString &argument)
{
    const QUrl url(argument);
    if (url.isLocalFile() && url.host().isEmpty())
        return FileName::decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    if (url.isLocalFile())
        return url.toLocalFile();
    return QDir::cleanPath(FileName::absolute(argument));
}

void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Installs track packages for the Zoomcrest roller-coaster simulator."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QCoreApplication::translate("main",
                                                             "Track package to open (.zcpack or self-extracting .exe). "
                                                             "When several are given, the last one is opened."),
                                 QCoreApplication::translate("main", "[files...]"));
}

// Whether the arguments ask for the help or the version, which a terminal without a display
// must be able to show too.
bool asksOnlyForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            return false;
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (argument == option)
                return true;
        }
    }
    return false;
}

// The files handed over on the command line, read from the arguments as bytes, as QApplication
// left them (its own options taken out): QCoreApplication::arguments() would decode a file
// name's bytes that are not UTF-8 into U+FFFD, which names another file.
QStringList handedOverFiles(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << FileName::decode(QByteArray(argv[i]));
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(arguments);
    return parser.positionalArguments();
}

} // namespace

int main(int argc, char *argv[])
{
    // The command-line tool reads the same settings store, so both names are the program's.
    QCoreApplication::setOrganizationName(ProgramName);
    QCoreApplication::setApplicationName(ProgramName);
    QCoreApplication::setApplicationVersion(VersionText::OwnVersion);
    if (asksOnlyForText(argc, argv)) {
        // Answered and ended without reaching for the window system.
        QCoreApplication textOnly(argc, argv);
        Translations::install(&textOnly);
        QCommandLineParser parser;
        describeCommandLine(parser);
        parser.process(textOnly);
    }

    DisplayGuard::requireDisplay();
    std::optional<DisplayGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    Translations::install(&app);
    // The desktop entry's id, by which a desktop finds the running window's launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zoomcrest.Cratewright"));
    if (QFile::exists(IconResource))
        QApplication::setWindowIcon(QIcon(IconResource));

    const QStringList files = handedOverFiles(argc, argv);
    QtPlatform platform;
    Platform::setCurrent(&platform);

    AppController::initialize();
    AppController controller;
    controller.showWindow(nullptr);

    // Files are handed over before launching has finished; the start-up sequence opens the
    // last one.
    for (const QString &file : files)
        controller.applicationOpenFile(handedOverPath(file));

    QTimer::singleShot(0, &controller, [&controller] { controller.applicationDidFinishLaunching(nullptr); });

    app.setQuitOnLastWindowClosed(controller.applicationShouldTerminateAfterLastWindowClosed(&app));
    const int status = app.exec();
    Platform::setCurrent(nullptr);
    return status;
}
