#pragma once

#include "charts/PeriodSettingViewController.h"

// The SAR period of the K-line chart, stored under "SARPeriod" (default 4).
class setSARViewController : public PeriodSettingViewController {
    Q_OBJECT
public:
    explicit setSARViewController(QWidget* parent = nullptr);
};
