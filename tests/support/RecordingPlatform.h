// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/OpenPanel.h"
#include "platform/Platform.h"

#include <QQueue>
#include <QStringList>

// A platform double for tests: it records every call, in order, and answers from queues that
// the test fills before it acts. Installs itself as the current platform while it lives.
class RecordingPlatform : public Platform
{
public:
    // A chooser that ends only when the test says so, with `finish`.
    class RecordedOpenPanel : public OpenPanel
    {
    public:
        explicit RecordedOpenPanel(RecordingPlatform *platform)
            : m_platform(platform)
        {
        }
        void beginSheetForDirectory(const QString &directory_, const QString &, const QStringList &types_,
                                    QWidget *window_, DidEnd didEnd) override
        {
            directory = directory_;
            types = types_;
            window = window_;
            m_didEnd = std::move(didEnd);
            m_platform->record(QStringLiteral("openPanel"));
        }
        QString filename() const override { return m_filename; }
        void close() override { m_platform->record(QStringLiteral("closePanel")); }
        // What may be chosen in it: "files", "folders" or both, and "one" or "several".
        QString choosing() const
        {
            QStringList what;
            if (canChooseFiles())
                what << QStringLiteral("files");
            if (canChooseDirectories())
                what << QStringLiteral("folders");
            return what.join(QLatin1Char('+'))
                   + (allowsMultipleSelection() ? QStringLiteral(" several") : QStringLiteral(" one"));
        }
        // Ends the sheet as the user would: the chosen path (or none) and 1 (OK) or 0 (Cancel).
        void finish(const QString &path, int returnCode)
        {
            m_filename = path;
            if (const DidEnd didEnd = std::exchange(m_didEnd, nullptr))
                didEnd(this, returnCode);
        }

        QString directory;
        QStringList types;
        QWidget *window = nullptr;

    private:
        RecordingPlatform *m_platform;
        DidEnd m_didEnd;
        QString m_filename;
    };

    RecordingPlatform() { Platform::setCurrent(this); }
    ~RecordingPlatform() override { Platform::setCurrent(nullptr); }

    // Answers for the next alerts, in order; an empty queue answers Default.
    void queueAnswer(AlertAnswer answer) { m_alertAnswers.enqueue(answer); }
    void setOpenUrlResult(bool result) { m_openUrlResult = result; }
    void beep() override { record(QStringLiteral("beep")); }
    AlertAnswer runAlertPanel(const Alert &alert) override
    {
        alerts.append(alert);
        record(QStringLiteral("alert:") + alert.title);
        return m_alertAnswers.isEmpty() ? AlertAnswer::Default : m_alertAnswers.dequeue();
    }
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override
    {
        sheets.append(alert);
        sheetWindows.append(window);
        record(QStringLiteral("sheet:") + alert.title);
    }
    void log(const QString &line) override { record(QStringLiteral("log:") + line); }
    std::shared_ptr<OpenPanel> openPanel() override
    {
        panels.append(std::make_shared<RecordedOpenPanel>(this));
        return panels.last();
    }
    bool openUrl(const QUrl &url) override
    {
        record(QStringLiteral("openUrl:") + url.toString());
        return m_openUrlResult;
    }
    void launchTask(const QString &path, const QStringList &arguments, QObject *, LaunchDone done) override
    {
        record(QStringLiteral("launch:") + (QStringList{path} + arguments).join(QLatin1Char('|')));
        pendingLaunches.append(std::move(done));
    }
    void fetchUrl(const QUrl &url, QObject *, FetchDone done) override
    {
        record(QStringLiteral("fetch:") + url.toString());
        pendingFetches.append(std::move(done));
    }

    // Everything in call order: "beep", "alert:<title>", "sheet:<title>", "log:<line>",
    // "openPanel" (when its sheet begins), "closePanel", "openUrl:<url>",
    // "launch:<path>|<argument>|…", "fetch:<url>".
    QStringList events;
    QList<Alert> alerts;
    QList<Alert> sheets;
    QList<QWidget *> sheetWindows;
    QList<std::shared_ptr<RecordedOpenPanel>> panels;
    // Launches and fetches stay pending until the test calls back.
    QList<LaunchDone> pendingLaunches;
    QList<FetchDone> pendingFetches;
    // Called with each event as soon as it is recorded, while the program is still inside the
    // call: to look at the windows while an alert is up.
    std::function<void(const QString &event)> probe;

    // An alert as one line to compare: its title, message and the three labels; `*` before the
    // alternate label when Enter takes it, and `|information` after them for that icon.
    static QString describe(const Alert &a)
    {
        QStringList parts{a.title, a.message, a.defaultButton,
                          (a.enterTakesAlternate ? QStringLiteral("*") : QString()) + a.alternateButton, a.otherButton};
        if (a.icon == Alert::Icon::Information)
            parts << QStringLiteral("information");
        return parts.join(QLatin1Char('|'));
    }

private:
    void record(const QString &event)
    {
        events.append(event);
        if (probe)
            probe(event);
    }
    QQueue<AlertAnswer> m_alertAnswers;
    bool m_openUrlResult = true;
};
