#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace Console {

namespace {

// The first write that failed: its stream and errno.
std::FILE *failedStream = nullptr;
int failedError = 0;

void write(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    if ((std::fflush(stream) != 0 || !written) && !failedStream) {
        failedStream = stream;
        failedError = errno;
    }
}

QString nameOf(std::FILE *stream)
{
    return stream == stdout ? QStringLiteral("standard output") : QStringLiteral("standard error");
}

} // namespace

void out(const QString &text)
{
    write(stdout, text + QLatin1Char('\n'));
}

void err(const QString &text)
{
    write(stderr, text + QLatin1Char('\n'));
}

void errInline(const QString &text)
{
    write(stderr, text);
}

bool allWritten()
{
    // The error indicator stays set, so a failed write of anyone's is still seen here.
    const bool outFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr);
    if (!failedStream && (outFailed || errFailed))
        failedStream = outFailed ? stdout : stderr;
    return !outFailed && !errFailed;
}

void reportWriteFailure()
{
    if (!failedStream)
        return;
    QString text = QStringLiteral("cratewright: could not write to ") + nameOf(failedStream);
    if (failedError != 0)
        text += QStringLiteral(": ") + qt_error_string(failedError);
    err(text);
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool stdinIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

} // namespace Console
