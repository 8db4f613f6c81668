#include "charts/WeekKLineView.h"

WeekKLineView::WeekKLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : KLineHistoryView(
        Rules { charts::KLinePeriod::Week, 9, true }, frame, stock, father, std::move(callBack), parent)
{
}
