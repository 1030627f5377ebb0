// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProgressIndicator.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace {
constexpr int RepaintIntervalMs = 40;
}

void ProgressIndicator::setDisplayedWhenStopped(bool flag)
{
    m_displayedWhenStopped = flag;
    if (m_bar && !m_animating)
        m_bar->setVisible(flag);
}

void ProgressIndicator::startAnimation(QObject *)
{
    m_animating = true;
    if (!m_bar)
        return;
    m_bar->setRange(0, 0); // busy until the work reports how far it is
    m_bar->setVisible(true);
    m_bar->repaint();
    m_sinceRepaint.start();
}

void ProgressIndicator::stopAnimation(QObject *)
{
    m_animating = false;
    if (!m_bar)
        return;
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_bar->setVisible(m_displayedWhenStopped);
}

void ProgressIndicator::setProgress(qint64 done, qint64 total)
{
    if (!m_bar || !m_animating || total <= 0)
        return;
    if (m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() < RepaintIntervalMs && done < total)
        return;
    m_sinceRepaint.restart();
    // QProgressBar counts in int: scale to per-mille so any entry count fits.
    m_bar->setRange(0, 1000);
    m_bar->setValue(int(done * 1000 / total));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressIndicator::removeFromSuperview()
{
    if (!m_bar)
        return;
    m_bar->hide();
    m_bar->setParent(nullptr);
    delete m_bar;
    m_bar = nullptr;
}
