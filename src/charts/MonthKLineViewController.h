#pragma once

#include "charts/EnlargedChartViewController.h"

class MonthKLineView;

// The month K-line chart enlarged.
class MonthKLineViewController : public EnlargedChartViewController {
    Q_OBJECT
public:
    explicit MonthKLineViewController(QWidget* parent = nullptr);
    MonthKLineView* iMonthKLineView() const;
};
