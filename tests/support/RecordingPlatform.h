#pragma once

#include "platform/OpenPanel.h"
#include "platform/Platform.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <memory>

// A platform double for tests: it records every call, in order, and answers from queues that
// the test fills before it acts. Installs itself as the current platform while it lives.
class RecordingPlatform : public Platform
{
public:
    struct Sheet : Alert
    {
        QWidget *window = nullptr;
    };

    class RecordedOpenPanel : public OpenPanel
    {
    public:
        void beginSheetForDirectory(const QString &directory, const QString &file,
                                    const QStringList &types, QWidget *window, DidEnd didEnd) override;
        QString filename() const override { return m_filename; }
        void close() override { ++closeCount; }
        // Ends the sheet as the user would: the chosen path (or none) and 1 (OK) or 0 (Cancel).
        void finish(const QString &path, int returnCode);

        QString directory, file;
        QStringList types;
        QWidget *window = nullptr;
        bool begun = false;
        int closeCount = 0;

    private:
        DidEnd m_didEnd;
        QString m_filename;
    };

    RecordingPlatform();
    ~RecordingPlatform() override;

    // Answers for the next alerts, in order; an empty queue answers Default.
    void queueAnswer(AlertAnswer answer) { m_alertAnswers.enqueue(answer); }
    void setOpenUrlResult(bool result) { m_openUrlResult = result; }
    // Launches answer from this queue (true: launched); an empty queue leaves the launch
    // pending, to be answered through pendingLaunches.
    void queueLaunchResult(bool launched) { m_launchResults.enqueue(launched); }
    // Fetches answer from this queue; an empty queue leaves the fetch pending (never ends).
    void queueFetchResult(const std::optional<QString> &text) { m_fetchResults.enqueue(text); }

    void beep() override;
    AlertAnswer runAlertPanel(const Alert &alert) override;
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override;
    void log(const QString &line) override;
    std::shared_ptr<OpenPanel> openPanel() override;
    bool openUrl(const QUrl &url) override;
    void launchTask(const QString &launchPath, const QStringList &arguments, QObject *context,
                    LaunchDone done) override;
    void fetchUrl(const QUrl &url, QObject *context, FetchDone done) override;

    // Everything in call order: "beep", "alert:<title>", "sheet:<title>", "log:<line>",
    // "openPanel", "openUrl:<url>", "launch:<path>", "fetch:<url>".
    QStringList events;
    int beeps = 0;
    QList<Alert> alerts;
    QList<Sheet> sheets;
    QStringList logLines;
    QList<std::shared_ptr<RecordedOpenPanel>> panels;
    QList<QUrl> openedUrls;
    struct Launch
    {
        QString path;
        QStringList arguments;
    };
    QList<Launch> launches;
    QList<LaunchDone> pendingLaunches;
    QList<QUrl> fetchedUrls;
    QList<FetchDone> pendingFetches;

    std::shared_ptr<RecordedOpenPanel> lastPanel() const { return panels.isEmpty() ? nullptr : panels.last(); }

private:
    QQueue<AlertAnswer> m_alertAnswers;
    QQueue<std::optional<QString>> m_fetchResults;
    bool m_openUrlResult = true;
    QQueue<bool> m_launchResults;
};
