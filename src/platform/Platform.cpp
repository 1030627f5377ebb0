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

void HeadlessPlatform::beep() {}

int HeadlessPlatform::runAlertPanel(const QString &title, const QString &message,
                                    const QString &defaultButton, const QString &alternateButton,
                                    const QString &)
{
    log(title + QStringLiteral(": ") + message);
    Q_UNUSED(defaultButton);
    return alternateButton.isEmpty() ? 1 : 0;
}

void HeadlessPlatform::beginInformationalAlertSheet(const QString &title, const QString &,
                                                    const QString &, const QString &, QWidget *,
                                                    const QString &message)
{
    log(title + QStringLiteral(": ") + message);
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
    void beginSheetForDirectory(const QString &, const QString &, const QStringList &, QWidget *,
                                DidEnd) override
    {
    }
    QString filename() const override { return QString(); }
    void close() override {}
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

void HeadlessPlatform::launchTask(const QString &launchPath, const QStringList &arguments,
                                  QObject *context, LaunchDone done)
{
    ProcessLauncher::launch(launchPath, arguments, context, std::move(done));
}

void HeadlessPlatform::fetchUrl(const QUrl &, QObject *, FetchDone done)
{
    if (done)
        done(std::nullopt);
}
