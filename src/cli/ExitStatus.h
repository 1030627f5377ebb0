// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What `cratewright` tells its caller.
namespace ExitStatus {
enum : int {
    Success = 0,
    UsageError = 1,
    LoadFailed = 2,    // the package could not be loaded, or no recorded install has that name
    InstallFailed = 3, // also: an uninstall could not remove or put back every file
    Refused = 4,       // the folder is not valid or could not be stored, the launch failed, the
                       // version check failed, an uninstall was refused, or the records could
                       // not be listed
    OutputFailed = 5,  // the work was done, but standard output or error could not be written
};

// SIGINT, SIGTERM or SIGHUP stopped an install, or an uninstall while it waited: 128 plus the
// signal's number, as a shell reports a process that the signal ended (130, 143, 129).
constexpr int interruptedBy(int signal)
{
    return 128 + signal;
}
} // namespace ExitStatus
