#include "charts/MonthKLineView.h"

// Twenty years; like the week chart, a failed year keeps the years held.
MonthKLineView::MonthKLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : KLineHistoryView(
        Rules { charts::KLinePeriod::Month, 19, true }, frame, stock, father, std::move(callBack), parent)
{
}
