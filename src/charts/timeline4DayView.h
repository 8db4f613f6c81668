#pragma once

#include "charts/TimeShareView.h"

// The four-day time-share chart: the previous days of the "4days" file and
// today's minutes, today refreshed while the market is open.
class timeline4DayView : public TimeShareView {
    Q_OBJECT
public:
    timeline4DayView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);

protected:
    void RefreshData() override;
    int dayColumns() const override { return 4; }

private:
    void fetchToday();
    void showToday(const std::optional<charts::MinuteDay>& today);

    QVector<charts::MinuteDay> m_previousDays; // oldest first
    bool m_previousLoaded = false;
};
