#pragma once

#include "backend/MHTTPObserver.h"
#include "community/MMPieChartView.h"
#include "platform/widgets/ViewController.h"

#include <QVariantList>
#include <QVariantMap>

class QLabel;
class QTableWidget;

// Today's votes and forecasts of one stock: a pie of the rise / flat / fall
// votes from the trend summary and the forecast list.
class StockVoteViewController : public platform::ViewController,
                                public MHTTPObserver,
                                public MMPieChartViewDataSource {
    Q_OBJECT
public:
    explicit StockVoteViewController(QWidget* parent = nullptr);

    // Stores the code, titles the window with the stock's name and asks for
    // the trend summary and the forecast list.
    void InitStockByCodeAndCell(const QString& stockcode);
    QString stockcode() const { return m_code; }

    // The votes for rise, flat and fall in a trend summary.
    struct Votes {
        double rise = 0, flat = 0, fall = 0;
    };
    static Votes votesOf(const QVariantMap& treadDict);
    // Forecasts asked for at a time.
    static constexpr int kForecastPage = 20;
    // The forecast rows of a list reply (an array, or a dictionary's "data"),
    // at most kForecastPage of them.
    static QVariantList forecastsOf(const QVariant& reply);
    // 看涨 / 看平 / 看跌 for a forecast's trend text.
    static QString trendTitle(const QString& trend);

    MMPieChartView* pieView() const { return m_pie; }
    QTableWidget* forecastTable() const { return m_table; }
    QVariantMap treadDict() const { return m_treadDict; }

    int numberOfPiecesForPieChartView(MMPieChartView* pieChartView) override;
    QVariant valueForValueAtIndex(MMPieChartView* pieChartView, int index) override;
    std::optional<QString> keyForValueAtIndex(MMPieChartView* pieChartView, int index) override;
    std::optional<QColor> colorForValueAtIndex(MMPieChartView* pieChartView, int index) override;

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    void requestData();
    void fillTable(const QVariantList& rows);

    QString m_code;
    QVariantMap m_treadDict;
    Votes m_votes;
    MMPieChartView* m_pie;
    QLabel* m_summary;
    QTableWidget* m_table;
    int m_requestSerial = 0;
    int m_shownTrendSerial = 0;
    int m_shownListSerial = 0;
};
