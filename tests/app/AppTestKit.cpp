#include "AppTestKit.h"

#include "install/InstallLocation.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace AppTestKit {

const QString TrackFile = QStringLiteral("Tracks/Corkscrew Canyon.zctrack");
const QString SceneryFile = QStringLiteral("Scenery/rock.obj");
const QString SimulatorExecutable = QStringLiteral("ZoomcrestSimulator.app/Contents/MacOS/ZoomcrestSimulator");

PackageWriter standardPackage()
{
    PackageWriter writer;
    writer.setTitle("Corkscrew Canyon")
        .setAuthor("R. Coaster")
        .setComments("Two inversions and a long drop.\nHold on tight.")
        .addFile("Tracks\\", "Corkscrew Canyon.zctrack", QByteArray("track data ").repeated(40))
        .addFile("Scenery\\", "rock.obj", QByteArray("v 0 0 0\n").repeated(20));
    return writer;
}

QString makeSimulatorFolder(const QString &path)
{
    QDir().mkpath(path + QStringLiteral("/ZoomcrestSimulator.app/Contents/MacOS"));
    return path;
}

QString installSimulatorScript(const QString &folder, const QString &argumentsFile)
{
    makeSimulatorFolder(folder);
    const QString executable = folder + QLatin1Char('/') + SimulatorExecutable;
    // Written whole, then renamed into place, so a reader never sees half the list.
    QString quoted = argumentsFile;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    const QString script = QStringLiteral("#!/bin/sh\n"
                                          "for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done > '%1.part'\n"
                                          "mv '%1.part' '%1'\n"
                                          "sleep 3\n")
                               .arg(quoted);
    writeFile(executable, script.toUtf8());
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadGroup | QFile::ExeGroup);
    return executable;
}

void storeInstallLocation(const QString &folder, bool knownFolderNotForZC)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setObjectForKey(folder, ZCCratewrightZCFolderPathKey);
    defaults.setObjectForKey(knownFolderNotForZC, ZCCratewrightKnownFolderNotForZCKey);
}

AlertAnswer ProbingPlatform::runAlertPanel(const Alert &alert)
{
    const AlertAnswer answer = RecordingPlatform::runAlertPanel(alert);
    probeLast();
    return answer;
}

void ProbingPlatform::beginInformationalAlertSheet(const Alert &alert, QWidget *window)
{
    RecordingPlatform::beginInformationalAlertSheet(alert, window);
    probeLast();
}

void ProbingPlatform::log(const QString &line)
{
    RecordingPlatform::log(line);
    probeLast();
}

std::shared_ptr<OpenPanel> ProbingPlatform::openPanel()
{
    std::shared_ptr<OpenPanel> panel = RecordingPlatform::openPanel();
    probeLast();
    return panel;
}

void ProbingPlatform::probeLast()
{
    if (probe)
        probe(events.last());
}

} // namespace AppTestKit
