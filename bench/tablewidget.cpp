// SPDX-License-Identifier: GPL-3.0-or-later
// A start-up reference between the bare QWidget and selvaro: the stock widgets selvaro's window is made
// of (a table with six headed columns, a label, a line edit and a button, all with Cyrillic text) in a
// window of the same size, with nothing of the program behind them. It shows what start-up costs come
// with those widgets themselves.
#include "startupprobe.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installStartupProbe(app);
    QWidget window;
    auto *table = new QTableWidget(2, 6, &window);
    table->setGeometry(8, 120, 590, 200);
    table->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Наименование товара"),
                                      QStringLiteral("Ед."), QStringLiteral("Кол-во"), QStringLiteral("Цена"),
                                      QStringLiteral("Сумма")});
    (new QLabel(QStringLiteral("ИТОГО на сумму:"), &window))->move(8, 8);
    (new QLineEdit(&window))->move(8, 40);
    (new QPushButton(QStringLiteral("Печать"), &window))->move(8, 80);
    window.resize(610, 422);
    window.show();
    return app.exec();
}
