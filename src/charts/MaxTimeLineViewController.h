#pragma once

#include "charts/EnlargedChartViewController.h"

class timeLineView;

// The one-day time-share chart enlarged; built each time the window shows.
class MaxTimeLineViewController : public EnlargedChartViewController {
    Q_OBJECT
public:
    explicit MaxTimeLineViewController(QWidget* parent = nullptr);
    timeLineView* iTimeLineView() const;
};
