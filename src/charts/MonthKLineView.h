#pragma once

#include "charts/KLineHistoryView.h"

// The month K-line chart: twenty years of month bars.
class MonthKLineView : public KLineHistoryView {
    Q_OBJECT
public:
    MonthKLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);
};
