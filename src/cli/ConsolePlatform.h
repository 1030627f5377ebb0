#pragma once

#include "platform/Platform.h"

// The platform of the command-line tool: questions are asked on the terminal, other alerts
// are printed, log lines go to the system log and standard error. No chooser and no browser,
// as in the headless platform it builds on.
class ConsolePlatform : public HeadlessPlatform
{
public:
    // How questions (alerts with more than one button) are answered.
    enum class Questions {
        Ask,      // on standard error, answered a line at a time from standard input
        AnswerNo, // nobody is asked: every question gets the alternate button ("No")
    };

    void setQuestions(Questions questions) { m_questions = questions; }
    Questions questions() const { return m_questions; }

    void beep() override;
    AlertAnswer runAlertPanel(const Alert &alert) override;
    void beginInformationalAlertSheet(const Alert &alert, QWidget *window) override;
    void log(const QString &line) override;
    void fetchUrl(const QUrl &url, QObject *context, FetchDone done) override;

private:
    AlertAnswer ask(const QString &message, bool offersAll);

    Questions m_questions = Questions::Ask;
};
