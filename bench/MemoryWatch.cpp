// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MemoryWatch.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

MemoryWatch::MemoryWatch()
    : m_thread([this] {
        while (!m_stop.load()) {
            sample();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    })
{
}

MemoryWatch::~MemoryWatch()
{
    peakKib();
}

qint64 MemoryWatch::peakKib()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
        sample(); // what was held at the end, after the last sleep
    }
    return m_peakKib.load();
}

void MemoryWatch::sample()
{
    const qint64 now = statusKib("RssAnon");
    if (now > m_peakKib.load())
        m_peakKib = now;
}

qint64 MemoryWatch::statusKib(const char *field)
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    qint64 value = -1;
    const std::size_t fieldLength = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, fieldLength) == 0 && line[fieldLength] == ':') {
            value = std::strtoll(line + fieldLength + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return value;
}
