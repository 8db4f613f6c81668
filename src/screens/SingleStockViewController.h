#pragma once

#include "screens/SecurityViewController.h"

// The stock screen, for a 6-digit code. It also names the stock the
// company-data window shows (the delegate's curSingleStockDict).
class SingleStockViewController : public SecurityViewController {
    Q_OBJECT
public:
    explicit SingleStockViewController(QWidget* parent = nullptr);

    // InitStockByCode:QVMSDK:.
    void bindCode(const QString& code, QuilorSDK* sdk) override;

    // F10: the company-data window of this screen's stock.
    void F0Pressed();
};
