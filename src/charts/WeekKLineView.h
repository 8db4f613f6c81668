#pragma once

#include "charts/KLineHistoryView.h"

// The week K-line chart: ten years of week bars; a failed year still draws
// the years already held.
class WeekKLineView : public KLineHistoryView {
    Q_OBJECT
public:
    WeekKLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);
};
