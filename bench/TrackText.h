// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

#include <cstdint>

// Makes file contents that look like what track packages carry: lines of track segment records
// drawn from a small vocabulary with numbers in them. Deterministic, so every run measures the
// same bytes, and it deflates about as well as real track and scenery files (roughly 3-4×),
// unlike random bytes (which don't deflate) or zeros (which deflate a thousandfold).
class TrackText
{
public:
    explicit TrackText(std::uint64_t start)
        : m_state(start ? start : 0x9e3779b97f4a7c15ull)
    {
    }

    // Exactly `size` bytes of records; the last record is cut where the size ends.
    QByteArray make(qint64 size);

private:
    std::uint32_t next();
    std::uint32_t below(std::uint32_t bound) { return next() % bound; }

    std::uint64_t m_state;
    std::uint32_t m_segment = 0;
};
