#include "charts/MaxTimeLineViewController.h"

#include "charts/timeLineView.h"

MaxTimeLineViewController::MaxTimeLineViewController(QWidget* parent)
    : EnlargedChartViewController(
        QStringLiteral("岚石通个股分时图"), BuildOn::Appear, enlargedChartFactory<timeLineView>(), parent)
{
}

timeLineView* MaxTimeLineViewController::iTimeLineView() const
{
    return qobject_cast<timeLineView*>(chart());
}
