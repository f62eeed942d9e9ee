// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up baseline: a bare Qt Widgets program that shows one empty QWidget, built with the same
// options and probe as selvaro so the two start-ups compare like for like.
#include "startupprobe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installStartupProbe(app);
    QWidget window;
    window.show();
    return app.exec();
}
