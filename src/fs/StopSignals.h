// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <csignal>

// While an install or an undo runs: SIGINT, SIGTERM and SIGHUP ask it to stop (an install
// abandons the file in progress, which the work polls for between bounded steps) instead of
// ending the process mid-write, and SIGXFSZ is ignored, so a file size
// limit makes the write fail (and the file be cleaned up) instead of killing the process. The
// previous handlers come back when this object goes.
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // Whether a stop was asked for since this object was made.
    static bool stopRequested();
    // The signal that asked for the last stop, 0 if none did: it stays known once this object
    // has gone, for the exit status.
    static int stopSignal();
    // SIGINT, SIGTERM and SIGHUP, for threads that leave them to the installing one.
    static sigset_t stopSignals();

private:
    static constexpr int Stopping[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[3];
    struct sigaction m_previousFileSize;
};
