#pragma once

#include "charts/EnlargedChartViewController.h"

class timeline4DayView;

// The four-day time-share chart enlarged; built each time the window shows.
class timeline4DayViewController : public EnlargedChartViewController {
    Q_OBJECT
public:
    explicit timeline4DayViewController(QWidget* parent = nullptr);
    timeline4DayView* iTimeline4DayView() const;
};
