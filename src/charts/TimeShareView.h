#pragma once

#include "charts/ChartFeeds.h"
#include "charts/StockChartView.h"

#include <QImage>

#include <optional>

// The common part of the time-share charts: one or more trading days of
// minute points drawn as a price and an average-price line against the
// previous close, with a volume pane and a crosshair. Main thread only.
class TimeShareView : public StockChartView {
    Q_OBJECT
public:
    TimeShareView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);
    ~TimeShareView() override;

    // The days drawn, oldest first.
    const QVector<charts::MinuteDay>& days() const { return m_days; }
    const QImage& backImage() const { return m_backImage; }
    void setCrosshair(std::optional<QPointF> point) override;
    void paintOverlay(QPainter& painter) const;
    // The price, change and volume scales beside the panes.
    void paintScale(QPainter& painter) const;
    QRectF pricePane() const { return m_pricePane; }
    QRectF volumePane() const { return m_volumePane; }
    // The legend of one minute of a day held.
    QString legend(int day, int point) const;

    // Renders the static chart from the days held.
    void InitBackImage();

Q_SIGNALS:
    // A load or poll step finished and the chart was redrawn.
    void minutesDrawn();

protected:
    // Called once, when the chart first gets a parent.
    void viewDidMoveToSuperview() override;
    // One load step; subclasses fetch their files and call setDays.
    virtual void RefreshData() = 0;
    void setDays(QVector<charts::MinuteDay> days);
    // Re-arms RefreshData while the market is open and the chart shown.
    void armNextPoll();
    // The 7-character code of the minute files, empty when there is none.
    QString historyCode() const;
    // Number of day columns the chart lays out (1 or 4).
    virtual int dayColumns() const = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Hit {
        int day = -1;
        int point = -1;
    };
    Hit hitAt(double x) const;
    double xOf(int dayColumn, int slot) const;
    void layoutPanes();

    QVector<charts::MinuteDay> m_days;
    QImage m_backImage;
    QRectF m_pricePane;
    QRectF m_volumePane;
    QRectF m_timeStrip;
    double m_base = 0; // previous close of the first day shown
    double m_span = 0; // largest distance from it
    double m_maxVolume = 0;
    std::optional<QPointF> m_crossPoint;
    bool m_superviewSeen = false;
};
