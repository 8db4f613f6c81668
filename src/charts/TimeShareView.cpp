#include "charts/TimeShareView.h"

#include "charts/ChartLook.h"
#include "charts/ChartTiming.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/FittedText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

using namespace charts;

namespace {
constexpr double kAxisLeft = 54;
constexpr double kAxisRight = 50;
constexpr double kLegendHeight = 16;
constexpr double kTimeHeight = 16;

QColor colorFor(double value, double base)
{
    if (value > base)
        return riseColor();
    if (value < base)
        return fallColor();
    return flatColor();
}

// Shares to lots with the 万 / 亿 units.
QString sharesText(double shares)
{
    return lotsText(shares / 100, QStringLiteral("手"));
}
} // namespace

TimeShareView::TimeShareView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : StockChartView(frame, stock, father, std::move(callBack), parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent)
        platform::runOnMainAsync(this, [this] {
            if (parentWidget())
                viewDidMoveToSuperview();
        });
}

TimeShareView::~TimeShareView() = default;

QString TimeShareView::historyCode() const
{
    return routeForCode(platform::stringOf(selfDict, QStringLiteral("stockcode"))).historyCode;
}

void TimeShareView::viewDidMoveToSuperview()
{
    // One load chain per chart, started by the first parent while shown.
    if (m_superviewSeen || isSelfHiden())
        return;
    m_superviewSeen = true;
    RefreshData();
}

void TimeShareView::armNextPoll()
{
    // Through the lunch break the minute chart keeps asking, slowly, so that
    // it goes on by itself at 13:00; it stops once the day's sessions are over.
    const QDateTime now = shanghaiNow();
    const QTime clock = now.time();
    const bool tradingDay = now.date().dayOfWeek() <= 5 && clock >= QTime(9, 30) && clock < QTime(15, 0);
    if (isSelfHiden() || !tradingDay)
        return;
    const int delay
        = isMarketHours(now) && marketStatusReadsOpen(selfDict) ? pollTiming().openMs : pollTiming().closedMs;
    platform::runOnMainAfter(delay, this, [this] {
        if (!isSelfHiden())
            RefreshData();
    });
}

void TimeShareView::setDays(QVector<MinuteDay> days)
{
    m_days = std::move(days);
    InitBackImage();
    Q_EMIT minutesDrawn();
}

void TimeShareView::layoutPanes()
{
    const double w = width();
    const double h = height();
    const double plotW = std::max(0.0, w - kAxisLeft - kAxisRight);
    const double avail = std::max(0.0, h - kLegendHeight - kTimeHeight - 2);
    const double priceH = std::floor(avail * 0.7);
    m_pricePane = QRectF(kAxisLeft, kLegendHeight, plotW, priceH);
    m_timeStrip = QRectF(kAxisLeft, m_pricePane.bottom(), plotW, kTimeHeight);
    m_volumePane = QRectF(kAxisLeft, m_timeStrip.bottom(), plotW, std::max(0.0, avail - priceH));

    m_base = 0;
    m_span = 0;
    m_maxVolume = 0;
    if (!m_days.isEmpty()) {
        m_base = m_days.first().yestclose;
        if (m_base <= 0 && !m_days.first().points.isEmpty())
            m_base = m_days.first().points.first().price;
    }
    for (const MinuteDay& day : std::as_const(m_days)) {
        for (const MinutePoint& pt : day.points) {
            if (pt.price > 0)
                m_span = std::max(m_span, std::abs(pt.price - m_base));
            if (pt.average > 0)
                m_span = std::max(m_span, std::abs(pt.average - m_base));
            if (!std::isnan(pt.volume))
                m_maxVolume = std::max<double>(m_maxVolume, pt.volume);
        }
    }
    // At least one percent either side, so a quiet day is not blown up.
    m_span = std::max({ m_span * 1.05, std::abs(m_base) * 0.01, 0.01 });
}

double TimeShareView::xOf(int dayColumn, int slot) const
{
    const double column = m_pricePane.width() / dayColumns();
    return m_pricePane.left() + dayColumn * column + (slot + 0.5) * column / kMinuteSlots;
}

void TimeShareView::InitBackImage()
{
    layoutPanes();
    prepareBackImage(m_backImage, *this);
    QPainter p(&m_backImage);
    p.setFont(chartFont());

    auto yOf = [this](double v) {
        return m_pricePane.center().y() - (v - m_base) / m_span * (m_pricePane.height() / 2);
    };

    // Grid: the previous close in the middle, quarter steps above and below.
    for (int i = -2; i <= 2; ++i) {
        const double y = yOf(m_base + m_span * i / 2);
        p.setPen(QPen(gridColor(), 1, i == 0 ? Qt::SolidLine : Qt::DotLine));
        p.drawLine(QPointF(m_pricePane.left(), y), QPointF(m_pricePane.right(), y));
    }
    p.setPen(QPen(gridColor(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(m_pricePane.adjusted(0, 0, -1, 0));
    p.drawRect(m_volumePane.adjusted(0, 0, -1, -1));

    const int columns = dayColumns();
    const double column = m_pricePane.width() / columns;
    for (int c = 0; c < columns; ++c) {
        const double left = m_pricePane.left() + c * column;
        p.setPen(QPen(gridColor(), 1));
        if (c > 0) {
            p.drawLine(QPointF(left, m_pricePane.top()), QPointF(left, m_pricePane.bottom()));
            p.drawLine(QPointF(left, m_volumePane.top()), QPointF(left, m_volumePane.bottom()));
        }
        if (columns == 1) {
            // Hour lines of the one-day chart and the lunch break in the middle.
            for (int slot : { 60, 121, 181 }) {
                const double x = xOf(0, slot);
                p.setPen(QPen(gridColor(), 1, Qt::DotLine));
                p.drawLine(QPointF(x, m_pricePane.top()), QPointF(x, m_pricePane.bottom()));
                p.drawLine(QPointF(x, m_volumePane.top()), QPointF(x, m_volumePane.bottom()));
            }
            p.setPen(axisText());
            p.drawText(QRectF(left, m_timeStrip.top(), 60, kTimeHeight), Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("09:30"));
            p.drawText(QRectF(left + column / 2 - 50, m_timeStrip.top(), 100, kTimeHeight), Qt::AlignCenter,
                QStringLiteral("11:30/13:00"));
            p.drawText(QRectF(left + column - 60, m_timeStrip.top(), 60, kTimeHeight),
                Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("15:00"));
        } else if (c < m_days.size()) {
            const QString date = m_days[c].date;
            const QString label
                = date.size() == 8 ? date.mid(4, 2) + QLatin1Char('-') + date.mid(6, 2) : date;
            p.setPen(axisText());
            p.drawText(QRectF(left, m_timeStrip.top(), column, kTimeHeight), Qt::AlignCenter, label);
        }
    }

    p.save();
    p.setClipRect(m_pricePane.united(m_volumePane));
    const double barWidth = std::max(1.0, column / kMinuteSlots * 0.6);
    for (int d = 0; d < m_days.size() && d < columns; ++d) {
        const MinuteDay& day = m_days[d];
        QPainterPath price, average;
        double previous = day.yestclose > 0 ? day.yestclose : m_base;
        for (int i = 0; i < day.points.size(); ++i) {
            const MinutePoint& pt = day.points[i];
            const double x = xOf(d, pt.slot);
            if (pt.price > 0) {
                const QPointF at(x, yOf(pt.price));
                price.elementCount() == 0 ? price.moveTo(at) : price.lineTo(at);
            }
            if (pt.average > 0) {
                const QPointF at(x, yOf(pt.average));
                average.elementCount() == 0 ? average.moveTo(at) : average.lineTo(at);
            }
            if (m_maxVolume > 0 && !std::isnan(pt.volume)) {
                const double h = pt.volume / m_maxVolume * (m_volumePane.height() - 2);
                p.fillRect(QRectF(x - barWidth / 2, m_volumePane.bottom() - h, barWidth, h),
                    colorFor(pt.price, previous));
            }
            if (pt.price > 0)
                previous = pt.price;
        }
        p.setPen(QPen(platform::Colors::white(), 1));
        p.drawPath(price);
        p.setPen(QPen(platform::Colors::yellow(), 1));
        p.drawPath(average);
    }
    p.restore();
    p.end();
    update();
}

TimeShareView::Hit TimeShareView::hitAt(double x) const
{
    Hit hit;
    if (m_days.isEmpty() || m_pricePane.width() <= 0 || x < m_pricePane.left() || x > m_pricePane.right())
        return hit;
    const double column = m_pricePane.width() / dayColumns();
    const int d = std::clamp(int((x - m_pricePane.left()) / column), 0, dayColumns() - 1);
    if (d >= m_days.size() || m_days[d].points.isEmpty())
        return hit;
    const double inColumn = (x - m_pricePane.left() - d * column) / column * kMinuteSlots - 0.5;
    const auto& points = m_days[d].points;
    // Points are in time order: the first one at or after the slot, or the
    // one before it, whichever is nearer.
    const auto it = std::lower_bound(points.begin(), points.end(), inColumn,
        [](const MinutePoint& p, double slot) { return p.slot < slot; });
    int idx = int(it - points.begin());
    if (idx >= points.size())
        idx = int(points.size()) - 1;
    else if (idx > 0 && std::abs(points[idx - 1].slot - inColumn) < std::abs(points[idx].slot - inColumn))
        --idx;
    hit.day = d;
    hit.point = idx;
    return hit;
}

void TimeShareView::setCrosshair(std::optional<QPointF> point)
{
    m_crossPoint = point;
    update();
}

void TimeShareView::paintScale(QPainter& p) const
{
    // Drawn over the back image at each paint, each figure fitted to its
    // place beside the panes.
    p.setFont(chartFont());
    // Without a previous close there is no change to show, only prices.
    const bool referenced = !m_days.isEmpty() && m_days.first().yestclose > 0;
    for (int i = -2; i <= 2; ++i) {
        const double v = m_base + m_span * i / 2;
        const double y = m_pricePane.center().y() - (v - m_base) / m_span * (m_pricePane.height() / 2);
        p.setPen(referenced ? colorFor(v, m_base) : flatColor());
        platform::drawFittedText(p, QRectF(0, y - 7, kAxisLeft - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
            platform::stringWithFormat("%.2f", v));
        const double percent = referenced ? (v - m_base) / m_base * 100 : std::nan("");
        platform::drawFittedText(p, QRectF(m_pricePane.right() + 4, y - 7, kAxisRight - 4, 14),
            Qt::AlignLeft | Qt::AlignVCenter, figureText("%.2f%%", percent));
    }
    p.setPen(axisText());
    platform::drawFittedText(p, QRectF(0, m_volumePane.top(), kAxisLeft - 4, 14),
        Qt::AlignRight | Qt::AlignTop, sharesText(m_maxVolume));
}

void TimeShareView::paintOverlay(QPainter& p) const
{
    p.setFont(chartFont());
    Hit hit = m_crossPoint ? hitAt(m_crossPoint->x()) : Hit {};
    if (hit.day < 0 && !m_days.isEmpty()) {
        // Without a crosshair the legend shows the latest minute.
        for (int d = int(m_days.size()) - 1; d >= 0 && hit.day < 0; --d) {
            if (d < dayColumns() && !m_days[d].points.isEmpty())
                hit = Hit { d, int(m_days[d].points.size()) - 1 };
        }
    }
    if (hit.day < 0)
        return;
    const MinutePoint& pt = m_days[hit.day].points[hit.point];
    const double base = m_days[hit.day].yestclose;
    p.setPen(base > 0 ? colorFor(pt.price, base) : flatColor());
    platform::drawFittedText(p, QRectF(m_pricePane.left() + 2, 0, m_pricePane.width(), kLegendHeight),
        Qt::AlignLeft | Qt::AlignVCenter, legend(hit.day, hit.point));
    if (!m_crossPoint)
        return;
    const double x = xOf(hit.day, pt.slot);
    const double y = m_pricePane.center().y() - (pt.price - m_base) / m_span * (m_pricePane.height() / 2);
    p.setPen(QPen(platform::Colors::white(), 1));
    p.drawLine(QPointF(x, m_pricePane.top()), QPointF(x, m_pricePane.bottom()));
    p.drawLine(QPointF(x, m_volumePane.top()), QPointF(x, m_volumePane.bottom()));
    p.drawLine(QPointF(m_pricePane.left(), y), QPointF(m_pricePane.right(), y));
    const QString hhmm = pt.hhmm.left(2) + QLatin1Char(':') + pt.hhmm.mid(2);
    const QRectF priceBox(0, y - 7, kAxisLeft - 2, 14);
    p.fillRect(priceBox, QColor(40, 40, 120));
    platform::drawFittedText(p, priceBox.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
        platform::stringWithFormat("%.2f", double(pt.price)));
    const QRectF timeBox(
        std::clamp(x - 24, m_timeStrip.left(), m_timeStrip.right() - 48), m_timeStrip.top(), 48, kTimeHeight);
    p.fillRect(timeBox, QColor(40, 40, 120));
    p.drawText(timeBox, Qt::AlignCenter, hhmm);
}

QString TimeShareView::legend(int day, int point) const
{
    if (day < 0 || day >= m_days.size() || point < 0 || point >= m_days[day].points.size())
        return QString();
    const MinutePoint& pt = m_days[day].points[point];
    // A day without its previous close has no change: "--", none made up.
    const double base = m_days[day].yestclose;
    const double percent = base > 0 ? (pt.price - base) / base * 100 : std::nan("");
    return pt.hhmm.left(2) + QLatin1Char(':') + pt.hhmm.mid(2) + QStringLiteral("  价格 ")
        + figureText("%.2f", pt.price) + QStringLiteral("  涨幅 ") + figureText("%.2f%%", percent)
        + QStringLiteral("  均价 ") + figureText("%.2f", pt.average) + QStringLiteral("  成交量 ")
        + sharesText(pt.volume);
}

void TimeShareView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (paintBackImage(p, *this, m_backImage)) {
        paintScale(p);
        paintOverlay(p);
    }
}

void TimeShareView::resizeEvent(QResizeEvent* event)
{
    StockChartView::resizeEvent(event);
    if (!m_backImage.isNull())
        InitBackImage();
}
