#include "charts/MonthKLineViewController.h"

#include "charts/MonthKLineView.h"

MonthKLineViewController::MonthKLineViewController(QWidget* parent)
    : EnlargedChartViewController(
        QStringLiteral("岚石通个股月K图"), BuildOn::Load, enlargedChartFactory<MonthKLineView>(), parent)
{
}

MonthKLineView* MonthKLineViewController::iMonthKLineView() const
{
    return qobject_cast<MonthKLineView*>(chart());
}
