// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TrackText.h"

#include <cstdio>

namespace {

const char *const Kinds[] = {"straight", "curve", "loop",    "corkscrew", "drop",      "helix",
                             "brake",    "lift",  "station", "airtime",   "inversion", "bankedturn"};
const char *const Supports[] = {"steel", "wood", "hybrid", "tube"};
const char *const Colours[] = {"red", "blue", "green", "yellow", "white", "black", "orange", "purple"};

template<typename T, std::size_t N> constexpr std::uint32_t countOf(const T (&)[N])
{
    return std::uint32_t(N);
}

} // namespace

std::uint32_t TrackText::next()
{
    // xorshift64*: fast, and the same sequence on every machine.
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return std::uint32_t((m_state * 0x2545f4914f6cdd1dull) >> 32);
}

QByteArray TrackText::make(qint64 size)
{
    QByteArray out;
    out.reserve(size + 256);
    char line[256];
    while (out.size() < size) {
        const int length = std::snprintf(
            line, sizeof line,
            "seg %06u %s len=%u.%02u bank=%d pitch=%d.%u yaw=%u.%02u spd=%u.%u g=%u.%02u t=%u.%03u %s %s\n",
            m_segment++, Kinds[below(countOf(Kinds))], 2 + below(40), below(100), int(below(181)) - 90,
            int(below(61)) - 30, below(10), below(360), below(100), 10 + below(90), below(10), below(5), below(100),
            below(600), below(1000), Supports[below(countOf(Supports))], Colours[below(countOf(Colours))]);
        out.append(line, length);
    }
    out.truncate(size);
    return out;
}
