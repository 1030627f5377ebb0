// cratewright: installs Zoomcrest track packages from the command line, sharing the desktop
// program's core and its settings.
#include "CommandLineTool.h"
#include "Console.h"
#include "ConsolePlatform.h"
#include "ExitStatus.h"
#include "install/InstallLocation.h"
#include "versioncheck/VersionText.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The same names as the desktop program, so that both read and write one settings file
    // (~/.config/zc-cratewright/zc-cratewright.conf). Set before anything opens the settings.
    QCoreApplication::setOrganizationName(QStringLiteral("zc-cratewright"));
    QCoreApplication::setApplicationName(QStringLiteral("zc-cratewright"));
    QCoreApplication::setApplicationVersion(VersionText::OwnVersion);
    QCoreApplication app(argc, argv);
    InstallLocation::registerDefaults();

    ConsolePlatform console;
    Platform::setCurrent(&console);
    int status = CommandLineTool().run(QCoreApplication::arguments());
    Platform::setCurrent(nullptr);
    // Output that never arrived (a full disk, a closed terminal) must not pass for success. A
    // command that failed already keeps its own, more telling status.
    if (!Console::allWritten()) {
        Console::reportWriteFailure();
        if (status == ExitStatus::Success)
            status = ExitStatus::OutputFailed;
    }
    return status;
}
