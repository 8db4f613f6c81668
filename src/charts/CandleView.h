#pragma once

#include "charts/ChartFeeds.h"
#include "charts/ChartGeometry.h"
#include "charts/Indicators.h"
#include "charts/StockChartView.h"

#include <QImage>
#include <QStringList>
#include <QVariantList>

#include <optional>

class QToolButton;

// The K-line chart: candles, a price pane with the chosen top indicator, a
// lower indicator pane, scales, the live price line and a crosshair. The
// loaders fill iDataArray and call InitBackImage; everything here runs on
// the main thread.
class CandleView : public StockChartView {
    Q_OBJECT
public:
    enum TopIndicator { TopMA = 0, TopBOLL = 1, TopSAR = 2 };
    enum BottomIndicator { BottomVolume = 0, BottomMACD = 1, BottomKDJ = 2 };

    CandleView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);
    ~CandleView() override;

    // Live-price fields the loaders write.
    QString curtime; // "yyyy/MM/dd HH:mm:ss", Shanghai time
    QString cprice;
    QStringList stockNowValueArray;

    // Bar rows oldest first; each row 7 texts (date, open, close, high, low,
    // volume in lots, change %). Rows of another length are skipped.
    QVariantList iDataArray;
    long iWPintCount = 0;
    long startIdx = 0;
    double wLineSpace = 7;

    // Stores the status under "marketstatus" and repaints.
    void UpdateMarktStatus(const QString& status);
    // Sets curtime to now and answers whether the continuous session is on.
    bool isMarktOn();
    // Re-reads the chart settings, recomputes the indicators and renders the
    // static chart once.
    void InitBackImage();
    // With a dictionary: takes "curtime" and "cprice" from it. With none:
    // one live-price request (the loaders do it; this class requests nothing).
    virtual void RefreshNowPrice(const QVariantMap* dict);

    // Open the period dialogs from the father; OK redraws the chart.
    void setKDJPressed();
    void setBOLLPressed();
    void setSARPressed();

    // Zoom (points per bar) and scroll (bars; positive towards newer bars).
    void zoomIn();
    void zoomOut();
    void scrollBars(long delta);
    void scrollToNewest();

    // The settings in force after the last InitBackImage.
    int typeTopIdx() const { return m_typeTopIdx; }
    int typeBottomIdx() const { return m_typeBottomIdx; }
    int bollPeriod() const { return m_bollPeriod; }
    int sarPeriod() const { return m_sarPeriod; }
    int kdjPeriod() const { return m_kdjPeriod; }

    // The static chart and the overlay, for tests and benchmarks.
    const QImage& backImage() const { return m_backImage; }
    const QVector<charts::indicators::Bar>& bars() const { return m_bars; }
    charts::geometry::VisibleRange visibleRange() const { return m_range; }
    QRectF pricePane() const { return m_pricePane; }
    QRectF lowerPane() const { return m_lowerPane; }
    const charts::geometry::PriceScale& priceScale() const { return m_priceScale; }
    // The legends above each pane for one bar.
    QString topLegend(long bar) const;
    QString bottomLegend(long bar) const;
    // The crosshair box of one bar: date, open, high, low, close, change, volume.
    QStringList barLines(long bar) const;
    // Places the crosshair as a mouse move would (nothing hides it).
    void setCrosshair(std::optional<QPointF> point) override;
    std::optional<long> crosshairBar() const { return m_crossBar; }
    void paintOverlay(QPainter& painter) const;
    // The price and lower-pane scales, over the oldest bars.
    void paintScale(QPainter& painter) const;
    // How many times the indicators were computed (they must not be on a
    // mouse move).
    int indicatorRuns() const { return m_indicatorRuns; }

    static QString settingsKeyTop() { return QStringLiteral("typeTopIdx"); }
    static QString settingsKeyBottom() { return QStringLiteral("typeBottomIdx"); }

Q_SIGNALS:
    // The static chart was rendered again.
    void backImageReady();

protected:
    // Called whenever the chart gets a parent; the loaders start there.
    void viewDidMoveToSuperview() override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    // "marketstatus" reads open (the live price then polls every second).
    bool marketStatusOpen() const;

    // Puts older rows in front of those held, with the bars a loader
    // converted from them when they arrived, so that no draw converts them
    // again.
    void prependRows(const QVariantList& rows, charts::BarSeries series);

private:
    void readSettings();
    void convertBars();
    void adoptBars(charts::BarSeries series);
    void computeIndicators();
    void layoutPanes();
    void renderBackImage();
    void placeButtons();
    void presentPeriodDialog(const QString& identifier);
    void chooseTop(int idx);
    void chooseBottom(int idx);
    void drawPricePane(QPainter& p) const;
    void drawLowerPane(QPainter& p) const;
    void drawDateScale(QPainter& p) const;

    int m_typeTopIdx = 0;
    int m_typeBottomIdx = 0;
    int m_bollPeriod = 10;
    int m_sarPeriod = 4;
    int m_kdjPeriod = 9;

    QVariantList m_barsSource; // shares iDataArray's rows while m_bars matches them
    bool m_barsConverted = false;
    QVector<charts::indicators::Bar> m_bars;
    QStringList m_dates;
    QVector<double> m_ma[4];
    charts::indicators::BollSeries m_boll;
    QVector<double> m_sar;
    QVector<double> m_volMa[2];
    charts::indicators::MacdSeries m_macd;
    charts::indicators::KdjSeries m_kdj;
    int m_indicatorRuns = 0;
    bool m_haveIndicators = false;

    QImage m_backImage;
    QRectF m_plot;
    QRectF m_pricePane;
    QRectF m_lowerPane;
    QRectF m_dateStrip;
    charts::geometry::VisibleRange m_range;
    charts::geometry::PriceScale m_priceScale;
    charts::geometry::PriceScale m_lowerScale;
    std::optional<QPointF> m_crossPoint;
    std::optional<long> m_crossBar;
    QToolButton* m_buttons[4] = {};
};
