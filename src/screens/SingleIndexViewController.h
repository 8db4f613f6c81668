#pragma once

#include "screens/SecurityViewController.h"

// The index screen, for a 10-character ".idx" code. For the product's own
// index it hides the tabs and lets the day K-line take their room.
class SingleIndexViewController : public SecurityViewController {
    Q_OBJECT
public:
    explicit SingleIndexViewController(QWidget* parent = nullptr);

    // InitIndexByCode:QVMSDK:.
    void bindCode(const QString& code, QuilorSDK* sdk) override;

    // The index screen's calculator button has no function.
    void CalculatorBtnPressed() { }

    // How much taller the chart area grows for the product's own index.
    static constexpr int kOwnIndexExtraHeight = 30;

protected:
    void layoutSwitches() override;

private:
    bool m_kViewEnlarged = false;
};
