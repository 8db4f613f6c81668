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

    // The company-data window arrives with its own part of the product.
    void F0Pressed() { }
};
