// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Holds back the painting of a window while a loop that yields to the window's events is running: the
// events themselves (clicks, keys, buttons) are still handled at every yield, but the window is
// painted at most once per interval, and once more when the outermost loop ends. A loop that changes
// a visible control on every row would otherwise repaint it on every row, at many times the cost of
// the row itself.
class PaintThrottle : public QObject {
public:
    explicit PaintThrottle(QWidget *window, int intervalMs = 12);

    // Painting is throttled while a Scope lives; scopes nest (a loop started by a handler that runs
    // during another loop's yield).
    class Scope {
    public:
        explicit Scope(PaintThrottle &throttle) : m_throttle(throttle) { m_throttle.begin(); }
        ~Scope() { m_throttle.end(); }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        PaintThrottle &m_throttle;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void begin();
    void end();
    void paintOwed();

    QWidget *m_window;
    int m_interval;
    int m_depth = 0;
    bool m_owed = false;
    bool m_painting = false;
    QElapsedTimer m_sincePaint;
    QTimer m_timer;
};
