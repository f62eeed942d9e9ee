#include "frmselvaro.h"

FrmSelvaro::FrmSelvaro(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmSelvaro"));
    setWindowTitle(QStringLiteral("Товарный чек"));
}
