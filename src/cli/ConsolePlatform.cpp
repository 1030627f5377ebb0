#include "ConsolePlatform.h"

#include "Console.h"
#include "platform/PlainText.h"
#include "platform/SystemLog.h"
#include "platform/UrlFetcher.h"

#include <iostream>
#include <string>

void ConsolePlatform::beep()
{
    // A bell in a log file or a pipe is only noise, and nobody hears it when nobody is asked.
    if (m_questions == Questions::Ask && Console::stderrIsTerminal())
        Console::errInline(QStringLiteral("\a"));
}

AlertAnswer ConsolePlatform::runAlertPanel(const Alert &alert)
{
    if (alert.alternateButton.isEmpty()) {
        // Nothing to choose: the alert is a report.
        Console::err(PlainText::lines(alert.title + QStringLiteral(": ") + alert.message));
        return AlertAnswer::Default;
    }
    return ask(alert.message, !alert.otherButton.isEmpty());
}

AlertAnswer ConsolePlatform::ask(const QString &message, bool offersAll)
{
    const QString choices = offersAll ? QStringLiteral("[y]es, [n]o, yes to [a]ll:")
                                      : QStringLiteral("[y]es, [n]o:");
    if (m_questions == Questions::AnswerNo) {
        Console::err(PlainText::oneLine(message) + QStringLiteral(" No."));
        return AlertAnswer::Alternate;
    }

    // The question and its choices share one line, whatever the file name in it holds.
    Console::errInline(PlainText::oneLine(message) + QLatin1Char(' ') + choices + QLatin1Char(' '));
    for (;;) {
        std::string line;
        if (!std::getline(std::cin, line)) {
            // End of input: nobody is left to say yes, so the file is kept.
            Console::err(QString());
            return AlertAnswer::Alternate;
        }
        const QString typed = QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
        // A terminal shows what was typed; answers from a pipe are shown here, so that the
        // questions in a log don't run into each other.
        if (!Console::stdinIsTerminal())
            Console::err(PlainText::oneLine(typed));
        const QString answer = typed.trimmed().toLower();
        if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
            return AlertAnswer::Default;
        if (answer == QLatin1String("n") || answer == QLatin1String("no"))
            return AlertAnswer::Alternate;
        if (offersAll && (answer == QLatin1String("a") || answer == QLatin1String("all")))
            return AlertAnswer::Other;
        Console::errInline(choices + QLatin1Char(' '));
    }
}

void ConsolePlatform::beginInformationalAlertSheet(const Alert &alert, QWidget *)
{
    Console::err(PlainText::lines(alert.title + QStringLiteral(": ") + alert.message));
}

void ConsolePlatform::log(const QString &line)
{
    SystemLog::write(line);
}

void ConsolePlatform::fetchUrl(const QUrl &url, QObject *context, FetchDone done)
{
    UrlFetcher::fetch(url, context, std::move(done));
}
