#include "ProcessLauncher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <signal.h>

namespace ProcessLauncher {

namespace {
constexpr int StartupGraceMs = 250;
constexpr int PollIntervalMs = 10;
} // namespace

bool isRunning(qint64 pid)
{
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true; // no /proc: the signal probe is all we have
    // The state follows the command name in parentheses, which may itself hold spaces.
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return true;
    const char state = line.at(close + 2);
    return state != 'Z' && state != 'X';
}

bool launchDetached(const QString &launchPath, const QStringList &arguments)
{
    qint64 pid = 0;
    if (!QProcess::startDetached(launchPath, arguments, QString(), &pid))
        return false;
    // A program that fails at once (a broken simulator, a script that can't find its
    // interpreter) ends within moments; asking only once would race it. Watch it briefly.
    QElapsedTimer watching;
    watching.start();
    while (watching.elapsed() < StartupGraceMs) {
        if (!isRunning(pid))
            return false;
        QThread::msleep(PollIntervalMs);
    }
    return isRunning(pid);
}

} // namespace ProcessLauncher
