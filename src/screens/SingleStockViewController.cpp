#include "screens/SingleStockViewController.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/stocks.h"

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

void SingleStockViewController::F0Pressed()
{
    if (curCode.isEmpty())
        return;
    // The company-data window reads the delegate's stock, which names the
    // stock screen bound last: name this one again, so that a screen bound
    // meanwhile does not lend its stock to this button.
    AppDelegate* delegate = AppDelegate::shared();
    if (delegate && iQuilorSDK && iQuilorSDK->iStocks()) {
        if (StockQuoteDict record = iQuilorSDK->iStocks()->recordFor(curCode))
            delegate->curSingleStockDict = record;
    }
    presentRegistered(QStringLiteral("F10ViewController"));
}
