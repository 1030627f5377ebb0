#include "RecordingPlatform.h"

void RecordingPlatform::RecordedOpenPanel::beginSheetForDirectory(const QString &directory_,
                                                                  const QString &file_,
                                                                  const QStringList &types_,
                                                                  QWidget *window_, DidEnd didEnd)
{
    directory = directory_;
    file = file_;
    types = types_;
    window = window_;
    begun = true;
    m_didEnd = std::move(didEnd);
}

void RecordingPlatform::RecordedOpenPanel::finish(const QString &path, int returnCode)
{
    m_filename = path;
    DidEnd didEnd = std::move(m_didEnd);
    m_didEnd = nullptr;
    if (didEnd)
        didEnd(this, returnCode);
}

RecordingPlatform::RecordingPlatform()
{
    Platform::setCurrent(this);
}

RecordingPlatform::~RecordingPlatform()
{
    Platform::setCurrent(nullptr);
}

void RecordingPlatform::beep()
{
    ++beeps;
    events.append(QStringLiteral("beep"));
}

AlertAnswer RecordingPlatform::runAlertPanel(const Alert &alert)
{
    alerts.append(alert);
    events.append(QStringLiteral("alert:") + alert.title);
    return m_alertAnswers.isEmpty() ? AlertAnswer::Default : m_alertAnswers.dequeue();
}

void RecordingPlatform::beginInformationalAlertSheet(const Alert &alert, QWidget *window)
{
    sheets.append({alert, window});
    events.append(QStringLiteral("sheet:") + alert.title);
}

void RecordingPlatform::log(const QString &line)
{
    logLines.append(line);
    events.append(QStringLiteral("log:") + line);
}

std::shared_ptr<OpenPanel> RecordingPlatform::openPanel()
{
    auto panel = std::make_shared<RecordedOpenPanel>();
    panels.append(panel);
    events.append(QStringLiteral("openPanel"));
    return panel;
}

bool RecordingPlatform::openUrl(const QUrl &url)
{
    openedUrls.append(url);
    events.append(QStringLiteral("openUrl:") + url.toString());
    return m_openUrlResult;
}

void RecordingPlatform::launchTask(const QString &launchPath, const QStringList &arguments, QObject *,
                                   LaunchDone done)
{
    launches.append({launchPath, arguments});
    events.append(QStringLiteral("launch:") + launchPath);
    if (m_launchResults.isEmpty()) {
        pendingLaunches.append(std::move(done));
        return;
    }
    if (done)
        done(m_launchResults.dequeue());
}

void RecordingPlatform::fetchUrl(const QUrl &url, QObject *, FetchDone done)
{
    fetchedUrls.append(url);
    events.append(QStringLiteral("fetch:") + url.toString());
    if (m_fetchResults.isEmpty()) {
        pendingFetches.append(std::move(done));
        return;
    }
    if (done)
        done(m_fetchResults.dequeue());
}
