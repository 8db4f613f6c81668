#pragma once

#include "charts/EnlargedChartViewController.h"

class WeekKLineView;

// The week K-line chart enlarged.
class WeekKLineViewController : public EnlargedChartViewController {
    Q_OBJECT
public:
    explicit WeekKLineViewController(QWidget* parent = nullptr);
    WeekKLineView* iWeekKLineView() const;
};
