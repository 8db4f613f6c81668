#include "charts/DayKLineViewController.h"

#include "backend/QuilorSDK.h"
#include "charts/DayKLineView.h"

DayKLineViewController::DayKLineViewController(QWidget* parent)
    : EnlargedChartViewController(
        QStringLiteral("岚石通个股日K图"), BuildOn::Load, enlargedChartFactory<DayKLineView>(), parent)
{
}

DayKLineView* DayKLineViewController::iDayKLineView() const
{
    return qobject_cast<DayKLineView*>(chart());
}
