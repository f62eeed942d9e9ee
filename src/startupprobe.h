// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#include <chrono>
#include <cstdio>

/// Start-up measurement hook, active only when the environment sets SELVARO_STARTUP_PROBE: once the
/// first window has been exposed (and so painted), prints "shown <ns>" on standard output, where <ns>
/// is std::chrono::steady_clock's reading in nanoseconds, and ends the event loop. Nothing is saved, as
/// the window is never closed. Install it right after the application object, before any window shows.
inline void installStartupProbe(QCoreApplication &app)
{
    if (!qEnvironmentVariableIsSet("SELVARO_STARTUP_PROBE"))
        return;

    class ShownFilter final : public QObject
    {
    public:
        using QObject::QObject;

        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (!m_seen && event->type() == QEvent::Expose && watched->isWindowType()
                && static_cast<QWindow *>(watched)->isExposed()) {
                m_seen = true;
                // A widget window paints while its expose is delivered: report once that is over.
                QMetaObject::invokeMethod(
                    this,
                    [] {
                        const auto now = std::chrono::steady_clock::now().time_since_epoch();
                        std::printf("shown %lld\n",
                                    static_cast<long long>(
                                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                        std::fflush(stdout);
                        QCoreApplication::exit(0);
                    },
                    Qt::QueuedConnection);
            }
            return false;
        }

    private:
        bool m_seen = false;
    };
    app.installEventFilter(new ShownFilter(&app));
}
