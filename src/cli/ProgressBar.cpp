// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProgressBar.h"

#include "Console.h"

#include <QString>

namespace {

// Long enough that a small package installs without a flicker, short enough that a person
// waiting sees at once that something happens.
constexpr qint64 ShowAfterMs = 500;
// A terminal redrawn more often than this costs time and shows nothing more.
constexpr qint64 RedrawEveryMs = 100;
constexpr int Cells = 24;

} // namespace

ProgressBar::ProgressBar(bool wanted)
    : m_wanted(wanted)
{
    m_sinceStart.start();
}

ProgressBar::~ProgressBar()
{
    if (m_sinceDrawn.isValid())
        Console::clearStatus();
}

void ProgressBar::update(qint64 done, qint64 total)
{
    if (!m_wanted || m_sinceStart.elapsed() < ShowAfterMs)
        return;
    if (m_sinceDrawn.isValid() && m_sinceDrawn.elapsed() < RedrawEveryMs && done != total)
        return;
    Console::showStatus(text(done, total));
    m_sinceDrawn.start();
}

QString ProgressBar::text(qint64 done, qint64 total)
{
    const int filled = total > 0 ? int(done * Cells / total) : 0;
    return QStringLiteral("[%1%2] %3 of %4 files")
        .arg(QString(filled, QLatin1Char('#')), QString(Cells - filled, QLatin1Char('.')))
        .arg(done)
        .arg(total);
}
