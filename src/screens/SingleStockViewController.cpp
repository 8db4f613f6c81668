#include "screens/SingleStockViewController.h"

#include <QPushButton>

SingleStockViewController::SingleStockViewController(QWidget* parent)
    : SecurityViewController(Family::Stock, parent)
{
    connect(F10Btn, &QPushButton::clicked, this, [this]() { F0Pressed(); });
}

void SingleStockViewController::bindCode(const QString& code, QuilorSDK* sdk)
{
    InitStockByCode(code, sdk);
}
