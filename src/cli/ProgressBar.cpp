// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProgressBar.h"

#include "Console.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Long enough that a small package installs without a flicker, short enough that a person
// waiting sees at once that something happens.
constexpr qint64 ShowAfterMs = 500;
// A terminal redrawn more often than this costs time and shows nothing more.
constexpr qint64 RedrawEveryMs = 100;
constexpr int MostCells = 24;
constexpr int LeastCells = 4;

// Both counts in the unit that suits the total, so that they read side by side.
QString sizes(qint64 done, qint64 total)
{
    static const char *const Units[] = {"B", "KiB", "MiB", "GiB"};
    int unit = 0;
    while (unit < 3 && total >= (qint64(1) << (10 * (unit + 1))))
        ++unit;
    const double scale = double(qint64(1) << (10 * unit));
    // Whole units, but tenths of GiB: a bar over gigabytes moves every 100 MiB.
    const int decimals = unit == 3 ? 1 : 0;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const auto in = [&](qint64 bytes) {
        const double value = decimals ? double(bytes) / scale : double(bytes / qint64(scale));
        return locale.toString(value, 'f', decimals);
    };
    return QCoreApplication::translate("ProgressBar", "%1 %3 of %2 %3", "bytes done of all, in one unit")
        .arg(in(done), in(total), QLatin1String(Units[unit]));
}

} // namespace

ProgressBar::ProgressBar(bool wanted)
    : m_wanted(wanted && qgetenv("TERM") != "dumb")
{
    if (m_wanted)
        m_columns = terminalColumns();
    m_sinceStart.start();
}

ProgressBar::~ProgressBar()
{
    if (m_sinceDrawn.isValid())
        Console::clearStatus();
}

int ProgressBar::terminalColumns()
{
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    if (ok && columns > 0)
        return columns;
    struct winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void ProgressBar::update(qint64 done, qint64 total)
{
    if (!m_wanted || m_sinceStart.elapsed() < ShowAfterMs)
        return;
    if (m_sinceDrawn.isValid() && m_sinceDrawn.elapsed() < RedrawEveryMs && done != total)
        return;
    Console::showStatus(text(done, total, m_columns));
    m_sinceDrawn.start();
}

QString ProgressBar::text(qint64 done, qint64 total, int columns)
{
    const QString counts = sizes(done, total);
    // One column is left free: a line that fills the last one wraps on some terminals.
    const int room = columns - 1 - int(counts.size()) - 3; // "[", "] "
    if (room < LeastCells)
        return counts.left(std::max(columns - 1, 0));
    const int cells = std::min(room, MostCells);
    const int filled = total > 0 ? int(std::min(done, total) * cells / total) : 0;
    return QStringLiteral("[%1%2] ").arg(QString(filled, QLatin1Char('#')), QString(cells - filled, QLatin1Char('.')))
           + counts;
}
