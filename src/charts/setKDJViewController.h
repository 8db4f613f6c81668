#pragma once

#include "charts/PeriodSettingViewController.h"

// The KDJ period of the K-line chart, stored under "kdjPeriod" (default 9).
class setKDJViewController : public PeriodSettingViewController {
    Q_OBJECT
public:
    explicit setKDJViewController(QWidget* parent = nullptr);
};
