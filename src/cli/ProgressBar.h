// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>

// An install's progress as a bar on the console's status line, for a person who watches a
// terminal. It appears only once the install has taken more than a moment, so that a quick
// install leaves no trace, and is wiped when it goes away. It counts bytes, not files, so that
// one large file moves it too.
class ProgressBar
{
public:
    // `wanted`: whether anyone should see a bar at all (a terminal, neither --quiet nor --json).
    // A terminal that can't move its cursor (TERM=dumb) gets none either.
    explicit ProgressBar(bool wanted);
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // Bytes done of `total`; called as often as the install likes.
    void update(qint64 done, qint64 total);

    // How a bar reads in `columns` columns, e.g. "[######..........] 120 MiB of 400 MiB": never
    // wider, and the bar is left out before the counts are cut.
    static QString text(qint64 done, qint64 total, int columns = 80);
    // The width of the terminal on standard error: COLUMNS where it is set, as a user may set
    // it, else the terminal's own, else 80.
    static int terminalColumns();

private:
    bool m_wanted;
    int m_columns = 80;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceDrawn;
};
