// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A virtual X server on a display of its own (Xvfb picks a free one, so tests may run in parallel), for
// tests where focus, scrolling or key timing matter; keys are sent with xdotool, the mouse never moves.
class Xvfb {
public:
    // Starts the server; ends it when destroyed.
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb &) = delete;
    Xvfb &operator=(const Xvfb &) = delete;

    // Why there is no server to test on (Xvfb or xdotool missing, or it did not start), or empty.
    QString unavailableReason() const { return m_reason; }
    // The environment of a Qt program shown on this server.
    QProcessEnvironment environment() const;
    // Runs xdotool with args on this server and waits for it; returns what it wrote to standard output.
    QString xdotool(const QStringList &args) const;
    // The xdotool key names that type text ('\t' Tab, '\r' Return, '.' period; digits and Latin letters).
    static QStringList keyNames(const QString &text);

private:
    QProcess m_server;
    QString m_display;
    QString m_reason;
};
