#pragma once

#include "charts/EnlargedChartViewController.h"

class DayKLineView;

// The day K-line chart enlarged.
class DayKLineViewController : public EnlargedChartViewController {
    Q_OBJECT
public:
    explicit DayKLineViewController(QWidget* parent = nullptr);
    DayKLineView* iDayKLineView() const;
};
