#include "SystemLog.h"

#include <QCoreApplication>

#include <cstdio>
#include <syslog.h>

namespace SystemLog {

// One call, one line: a line break inside (a package's file names may hold any byte) is
// shown escaped rather than starting a line that looks like another entry.
QString oneLine(const QString &line)
{
    QString escaped;
    escaped.reserve(line.size());
    for (const QChar c : line) {
        if (c == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            escaped += QLatin1String("\\r");
        else if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            escaped += QChar(QChar::ReplacementCharacter);
        else
            escaped += c;
    }
    return escaped;
}

void write(const QString &line)
{
    const QByteArray bytes = oneLine(line).toUtf8();
    static bool opened = false;
    if (!opened) {
        // syslog keeps the identity pointer, so it must outlive the process's use of it.
        static const QByteArray ident = QCoreApplication::applicationName().toUtf8();
        openlog(ident.isEmpty() ? "cratewright" : ident.constData(), LOG_PID, LOG_USER);
        opened = true;
    }
    syslog(LOG_NOTICE, "%s", bytes.constData());
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
}

} // namespace SystemLog
