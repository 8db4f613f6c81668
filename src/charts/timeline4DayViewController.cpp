#include "charts/timeline4DayViewController.h"

#include "charts/timeline4DayView.h"

timeline4DayViewController::timeline4DayViewController(QWidget* parent)
    : EnlargedChartViewController(QStringLiteral("岚石通个股四日分时图"), BuildOn::Appear,
        enlargedChartFactory<timeline4DayView>(), parent)
{
}

timeline4DayView* timeline4DayViewController::iTimeline4DayView() const
{
    return qobject_cast<timeline4DayView*>(chart());
}
