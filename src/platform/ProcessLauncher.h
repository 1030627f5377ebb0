#pragma once

#include <QString>
#include <QStringList>

namespace ProcessLauncher {
// Starts `launchPath` with `arguments` as a detached process (no shell, each argument passed
// as it stands) and answers whether it started and was still running right after: a
// process that ends within a quarter of a second counts as not started.
bool launchDetached(const QString &launchPath, const QStringList &arguments);

// Whether the process `pid` exists and has not ended; a zombie counts as ended.
bool isRunning(qint64 pid);
} // namespace ProcessLauncher
