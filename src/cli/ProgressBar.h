// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>

// An install's progress as a bar on the console's status line, for a person who watches a
// terminal. It appears only once the install has taken more than a moment, so that a quick
// install leaves no trace, and is wiped when it goes away.
class ProgressBar
{
public:
    // `wanted`: whether anyone should see a bar at all (a terminal, neither --quiet nor --json).
    explicit ProgressBar(bool wanted);
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // Entries done of `total`; called as often as the install likes.
    void update(qint64 done, qint64 total);

    // How a bar reads, e.g. "[######..................] 1 of 4 files".
    static QString text(qint64 done, qint64 total);

private:
    bool m_wanted;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceDrawn;
};
