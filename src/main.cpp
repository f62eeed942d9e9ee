#include "frmselvaro.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FrmSelvaro window;
    window.show();
    return app.exec();
}
