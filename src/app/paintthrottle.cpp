// SPDX-License-Identifier: GPL-3.0-or-later
#include "paintthrottle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

PaintThrottle::PaintThrottle(QWidget *window, int intervalMs)
    : QObject(window), m_window(window), m_interval(intervalMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PaintThrottle::paintOwed);
    m_window->installEventFilter(this);
}

void PaintThrottle::begin()
{
    // The first yield of a loop paints at once: what the click that started it changed is shown.
    if (m_depth++ == 0)
        m_sincePaint.invalidate();
}

void PaintThrottle::end()
{
    if (--m_depth > 0)
        return;
    m_timer.stop();
    if (std::exchange(m_owed, false))
        QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

// A window paints everything that changed since its last paint when it receives an UpdateRequest,
// which Qt posts to it after the first change. Held back here, the request is owed and delivered by
// the timer (inside a later yield) or when the loop ends.
bool PaintThrottle::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::UpdateRequest || watched != m_window || m_depth == 0 || m_painting)
        return false;
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= m_interval) {
        m_sincePaint.start();
        m_owed = false;
        m_timer.stop();
        return false;
    }
    m_owed = true;
    if (!m_timer.isActive())
        m_timer.start(std::max<qint64>(0, m_interval - m_sincePaint.elapsed()));
    return true;
}

void PaintThrottle::paintOwed()
{
    if (!std::exchange(m_owed, false))
        return;
    m_sincePaint.start();
    m_painting = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_painting = false;
}
