#pragma once

#include "charts/PeriodSettingViewController.h"

// The BOLL period of the K-line chart, stored under "BOLLPeriod" (default 10).
class setBOLLViewController : public PeriodSettingViewController {
    Q_OBJECT
public:
    explicit setBOLLViewController(QWidget* parent = nullptr);
};
