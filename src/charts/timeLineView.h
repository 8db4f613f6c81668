#pragma once

#include "charts/TimeShareView.h"

// The one-day time-share chart from the "today" minute file, refreshed
// while the market is open.
class timeLineView : public TimeShareView {
    Q_OBJECT
public:
    timeLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);

protected:
    void RefreshData() override;
    int dayColumns() const override { return 1; }
};
