// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmselvaro.h"
#include "startupprobe.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installStartupProbe(app);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/selvaro-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/selvaro-32.png"), QSize(32, 32));
    QApplication::setWindowIcon(icon);
    FrmSelvaro window;
    window.show();
    return app.exec();
}
