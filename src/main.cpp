// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmselvaro.h"
#include "startupprobe.h"
#include "translations.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installStartupProbe(app);
    installQtTranslations(app);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/selvaro-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/selvaro-32.png"), QSize(32, 32));
    QApplication::setWindowIcon(icon);
    // Ties the window to its menu entry on Wayland, as StartupWMClass does on X11.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.c_seed_8751a3c4.selvaro"));
    // A second copy on the same receipt book says so and brings nothing else up.
    const std::unique_ptr<FrmSelvaro> window = FrmSelvaro::openReceiptBook();
    if (!window)
        return 1;
    window->show();
    return app.exec();
}
