// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "TestFiles.h"

#include <QFile>

#include <csignal>

// A stand-in for the simulator: a shell script that writes its arguments, one a line, to a file
// (aside first, then renamed, so a reader never sees half of them) with its pid in
// "<file>.pid", and then stays up or ends as it was told.
namespace SimulatorStandIn {

enum : int {
    StaysUp = -1,    // for a minute, as the program `sleep` under the same pid
    KillsItself = -2 // by SIGKILL
};

// Writes the script at `executable`, making its folders; any other `ending` is its exit status.
inline bool write(const QString &executable, const QString &argumentsFile, int ending = StaysUp)
{
    const QString file = QLatin1Char('\'') + QString(argumentsFile).replace(QLatin1Char('\''), QStringLiteral("'\\''"))
                         + QLatin1Char('\'');
    const QString then = ending == StaysUp       ? QStringLiteral("exec sleep 60")
                         : ending == KillsItself ? QStringLiteral("kill -KILL $$")
                                                 : QStringLiteral("exit %1").arg(ending);
    const QByteArray script = QStringLiteral(
                                  "#!/bin/sh\nprintf '%s\\n' \"$@\" > %1.part\necho $$ > %1.pid\nmv %1.part %1\n%2\n")
                                  .arg(file, then)
                                  .toUtf8();
    return TestFiles::writeFile(executable, script)
           && QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The arguments it was started with; empty until it has run.
inline QStringList arguments(const QString &argumentsFile)
{
    return QString::fromUtf8(TestFiles::readFile(argumentsFile)).split(u'\n', Qt::SkipEmptyParts);
}

// Its pid, or 0 before it has run.
inline qint64 pid(const QString &argumentsFile)
{
    return TestFiles::readFile(argumentsFile + QStringLiteral(".pid")).trimmed().toLongLong();
}

// Sends signal `number` to it, if it ever ran: its pid is 0 until then, and kill(0) would signal the
// whole process group, the test runner with it.
inline void sendSignal(const QString &argumentsFile, int number)
{
    if (const qint64 running = pid(argumentsFile); running > 0)
        ::kill(pid_t(running), number);
}

} // namespace SimulatorStandIn
