#pragma once

#include "TestFiles.h"
#include "PackageWriter.h"
#include "RecordingPlatform.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QTemporaryDir;

// Shared by the application controller tests: folders laid out as the program meets them,
// packages written to real files, and a recording platform that can look at the program
// while a call is in progress.
namespace AppTestKit {

// The track file of standardPackage(), relative to the install base.
extern const QString TrackFile;
extern const QString SceneryFile;
// Where the simulator's executable lies under its folder.
extern const QString SimulatorExecutable;

// Two files: "Tracks\Corkscrew Canyon.zctrack" and "Scenery\rock.obj".
PackageWriter standardPackage();

using TestFiles::readFile;
using TestFiles::writeFile;

// A folder that holds "ZoomcrestSimulator.app" (with its executable's folder, but no executable).
QString makeSimulatorFolder(const QString &path);
// The simulator's executable under `folder`: a shell script that writes each argument on a
// line of its own to `argumentsFile`, then keeps running for a few seconds.
QString installSimulatorScript(const QString &folder, const QString &argumentsFile);

// Stores the simulator folder and the override flag as the preferences window would.
void storeInstallLocation(const QString &folder, bool knownFolderNotForZC);

// A recording platform that calls `probe` with each event right after recording it, while the
// program is still inside the call: to look at the window during a load or an install.
class ProbingPlatform : public RecordingPlatform
{
public:
    std::function<void(const QString &event)> probe;

    AlertAnswer runAlertPanel(const Alert &alert) override;
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override;
    void log(const QString &line) override;
    std::shared_ptr<OpenPanel> openPanel() override;

private:
    void probeLast();
};

} // namespace AppTestKit
