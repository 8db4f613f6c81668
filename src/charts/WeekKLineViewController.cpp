#include "charts/WeekKLineViewController.h"

#include "charts/WeekKLineView.h"

WeekKLineViewController::WeekKLineViewController(QWidget* parent)
    : EnlargedChartViewController(
        QStringLiteral("岚石通个股周K图"), BuildOn::Load, enlargedChartFactory<WeekKLineView>(), parent)
{
}

WeekKLineView* WeekKLineViewController::iWeekKLineView() const
{
    return qobject_cast<WeekKLineView*>(chart());
}
