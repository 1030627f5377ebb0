// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>

// Drives a progress bar as a busy indicator. While the main thread loads or installs, the
// work reports its progress here: the bar turns determinate and the window is repainted a
// few dozen times a second, with user input held back until the work ends.
class ProgressIndicator
{
public:
    explicit ProgressIndicator(QProgressBar *bar = nullptr)
        : m_bar(bar)
    {
    }

    void setBar(QProgressBar *bar) { m_bar = bar; }
    QProgressBar *bar() const { return m_bar; }

    void setDisplayedWhenStopped(bool flag);
    void setUsesThreadedAnimation(bool) { } // Qt animates on repaint; see setProgress()
    void startAnimation(QObject *sender);
    void stopAnimation(QObject *sender);
    bool isAnimating() const { return m_animating; }
    void setProgress(qint64 done, qint64 total);
    // Takes the bar out of its window for good.
    void removeFromSuperview();

private:
    QPointer<QProgressBar> m_bar;
    bool m_displayedWhenStopped = true;
    bool m_animating = false;
    QElapsedTimer m_sinceRepaint;
};
