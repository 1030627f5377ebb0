// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Platform.h"

#include "OpenPanel.h"
#include "ProcessLauncher.h"
#include "SystemLog.h"

namespace {
Platform *installedPlatform = nullptr;
}

Platform::~Platform() = default;
OpenPanel::~OpenPanel() = default;

Platform &Platform::current()
{
    static HeadlessPlatform headless;
    return installedPlatform ? *installedPlatform : headless;
}

void Platform::setCurrent(Platform *platform)
{
    installedPlatform = platform;
}

void HeadlessPlatform::beep()
{
}

AlertAnswer HeadlessPlatform::runAlertPanel(const Alert &alert)
{
    log(alert.title + QStringLiteral(": ") + alert.message);
    return alert.alternateButton.isEmpty() ? AlertAnswer::Default : AlertAnswer::Alternate;
}

void HeadlessPlatform::beginInformationalAlertSheet(const Alert &alert, QWidget *)
{
    log(alert.title + QStringLiteral(": ") + alert.message);
}

void HeadlessPlatform::log(const QString &line)
{
    SystemLog::write(line);
}

namespace {
// A chooser that nobody can answer: it never ends. (Ending it with Cancel would send a caller
// that insists on an answer straight back into another chooser, forever.)
class UnansweredOpenPanel : public OpenPanel
{
public:
    void beginSheetForDirectory(const QString &, const QString &, const QStringList &, QWidget *, DidEnd) override { }
    QString filename() const override { return QString(); }
    void close() override { }
};
} // namespace

std::shared_ptr<OpenPanel> HeadlessPlatform::openPanel()
{
    return std::make_shared<UnansweredOpenPanel>();
}

bool HeadlessPlatform::openUrl(const QUrl &)
{
    return false;
}

void HeadlessPlatform::launchTask(const QString &launchPath, const QStringList &arguments, QObject *context,
                                  LaunchDone done)
{
    ProcessLauncher::launch(launchPath, arguments, context, std::move(done));
}

void HeadlessPlatform::fetchUrl(const QUrl &, QObject *, FetchDone done)
{
    if (done)
        done(std::nullopt);
}
