#pragma once

#include "charts/CandleView.h"
#include "charts/ChartFeeds.h"

// The common part of the day, week and month loaders: the year-by-year
// history from the K-line history files and the live price from the brief
// quote.
class KLineHistoryView : public CandleView {
    Q_OBJECT
public:
    struct Rules {
        charts::KLinePeriod period = charts::KLinePeriod::Day;
        long yearLimit = 1; // last yearIdx requested: years = limit + 1
        bool keepYearsOnFailure = false; // a failed request still draws the years held
    };

    KLineHistoryView(const Rules& rules, const QRect& frame, const QVariantMap& stock,
        platform::ViewController* father, std::function<void(const QVariantMap&)> callBack,
        QWidget* parent = nullptr);

    QString curYear; // the year of creation, never advanced
    long yearIdx = 0; // year files received so far

    // One history request: the year curYear - yearIdx.
    virtual void RefreshDayData();
    void RefreshNowPrice(const QVariantMap* dict) override;

    const Rules& rules() const { return m_rules; }
    bool historyFinished() const { return m_finished; }

Q_SIGNALS:
    // The history is drawn (once per chart).
    void historyDrawn();
    // A live-price reply was handled (stored or not).
    void nowPriceHandled();

protected:
    void viewDidMoveToSuperview() override;
    // Rows are in; compute startIdx and draw once.
    void finishHistory();
    // The product's own index: answers true when the subclass took over.
    virtual bool loadFromBackend() { return false; }
    void setLoading(bool loading) { m_loading = loading; }

private:
    void handleYear(const std::optional<QByteArray>& body);
    void takeYear(const QVariantList& rows, const charts::BarSeries& series);
    void armNextPrice();

    Rules m_rules;
    bool m_finished = false;
    bool m_loading = false;
};
