// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <csignal>

// While an install or an undo runs: SIGINT, SIGTERM and SIGHUP ask it to stop after the file in
// progress instead of ending the process mid-write, and SIGXFSZ is ignored, so a file size
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
    // SIGINT, SIGTERM and SIGHUP, for threads that leave them to the installing one.
    static sigset_t stopSignals();

private:
    static constexpr int Stopping[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[3];
    struct sigaction m_previousFileSize;
};
