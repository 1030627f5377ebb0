// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProcessLauncher.h"

#include "FileName.h"
#include "LaunchWatcher.h"

#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

namespace ProcessLauncher {

namespace {

// The program starts in a session of its own, so that neither the hangup of our terminal nor
// a Ctrl+C meant for us reaches it, with every signal at its default and none blocked, whatever
// we ignore or block ourselves (SIGXFSZ, for one).
bool prepareAttributes(posix_spawnattr_t *attributes)
{
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    return posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF)
               == 0
           && posix_spawnattr_setsigmask(attributes, &none) == 0
           && posix_spawnattr_setsigdefault(attributes, &all) == 0;
}

// Its standard streams read and write /dev/null, and it gets none of our other descriptors:
// whoever waits for the end of our output (a terminal the user closes later, a
// `$(cratewright install --ride)`) must not wait for the simulator as well.
bool prepareStreams(posix_spawn_file_actions_t *actions)
{
    return posix_spawn_file_actions_addopen(actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0
           && posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0
           && posix_spawn_file_actions_adddup2(actions, STDOUT_FILENO, STDERR_FILENO) == 0
           && posix_spawn_file_actions_addclosefrom_np(actions, STDERR_FILENO + 1) == 0;
}

// The child's pid, or -1 when it could not be started. posix_spawn reports a failed exec
// (missing, not executable, no interpreter) itself, and reaps the child that failed.
pid_t spawn(const QByteArray &path, const QList<QByteArray> &arguments)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.constData()));
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attributes);
        return -1;
    }
    pid_t pid = -1;
    if (!prepareAttributes(&attributes) || !prepareStreams(&actions)
        || posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

} // namespace

void launch(const QString &launchPath, const QStringList &arguments, QObject *context, Done done)
{
    QList<QByteArray> encoded;
    for (const QString &argument : arguments)
        encoded.append(FileName::encode(argument));
    new LaunchWatcher(spawn(FileName::encode(launchPath), encoded), context, std::move(done));
}

} // namespace ProcessLauncher
