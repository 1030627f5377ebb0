// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StopSignals.h"

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void requestStop(int signal)
{
    requested = signal;
}

} // namespace

StopSignals::StopSignals()
{
    requested = 0;
    struct sigaction stop = {};
    stop.sa_handler = requestStop;
    sigemptyset(&stop.sa_mask);
    // No SA_RESTART: a prompt waiting for an answer on standard input ends (as "No") so that
    // the install can stop.
    stop.sa_flags = 0;
    for (int i = 0; i < 3; ++i)
        sigaction(Stopping[i], &stop, &m_previous[i]);

    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &m_previousFileSize);
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < 3; ++i)
        sigaction(Stopping[i], &m_previous[i], nullptr);
    sigaction(SIGXFSZ, &m_previousFileSize, nullptr);
}

bool StopSignals::stopRequested()
{
    return requested != 0;
}

int StopSignals::stopSignal()
{
    return requested;
}

sigset_t StopSignals::stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : Stopping)
        sigaddset(&set, signal);
    return set;
}
