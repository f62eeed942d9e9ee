#pragma once

#include <QWidget>

// The receipt window.
class FrmSelvaro : public QWidget {
    Q_OBJECT
public:
    explicit FrmSelvaro(QWidget *parent = nullptr);
};
