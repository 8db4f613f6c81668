#include "charts/CandleView.h"

#include "charts/ChartFeeds.h"
#include "charts/ChartLook.h"
#include "charts/ChartTiming.h"
#include "charts/PeriodDialog.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/UserDefaults.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/FittedText.h"
#include "platform/widgets/Presenters.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

using namespace charts;
using charts::geometry::PriceScale;

namespace {

// Price labels sit inside the panes at the left edge, so the bars use the
// whole width the loaders size startIdx for.
constexpr double kAxisWidth = 54;
constexpr double kRightMargin = 0;
constexpr double kLegendHeight = 16;
constexpr double kDateHeight = 16;
constexpr double kLowerLegendHeight = 14;
constexpr double kMinSpace = 2;
constexpr double kMaxSpace = 40;
constexpr int kDefaultBollPeriod = 10;
constexpr int kDefaultSarPeriod = 4;
constexpr int kDefaultKdjPeriod = 9;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QColor lineColor(int i)
{
    static const QColor colors[]
        = { platform::Colors::white(), platform::Colors::yellow(), QColor(255, 0, 255), QColor(0, 180, 255) };
    return colors[i % 4];
}

int settingInt(const QString& key, int fallback)
{
    const QVariant v = platform::UserDefaults::standardUserDefaults()->objectForKey(key);
    if (!v.isValid() || platform::stringOf(v).isEmpty())
        return fallback;
    // A period beyond int saturates rather than wrapping ("4294967298" is no 2).
    return int(std::clamp<long long>(platform::integerValue(v), INT_MIN, INT_MAX));
}

// Lots with the 万 / 亿 units the terminals use.
QString volumeText(double lots)
{
    return lotsText(lots, QString());
}

QString valueText(double v)
{
    return figureText("%.2f", v);
}

// A scale label inside a pane, on a dark strip so bars behind stay apart.
void drawAxisLabel(QPainter& p, double y, const QString& text)
{
    const QRectF box(1, y - 7, kAxisWidth - 2, 14);
    p.fillRect(box, QColor(0, 0, 0, 170));
    p.setPen(axisText());
    platform::drawFittedText(p, box.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void drawSeries(QPainter& p, const QVector<double>& values, const PriceScale& scale, const QRectF& plot,
    geometry::VisibleRange range, double space, const QColor& color)
{
    QPainterPath path;
    bool open = false;
    const long end = std::min<long>(range.first + range.count, values.size());
    for (long i = range.first; i < end; ++i) {
        const double v = values[i];
        if (std::isnan(v)) {
            open = false;
            continue;
        }
        const QPointF pt(geometry::barCenterX(plot, i - range.first, space), scale.y(v));
        if (open)
            path.lineTo(pt);
        else
            path.moveTo(pt);
        open = true;
    }
    p.setPen(QPen(color, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

} // namespace

CandleView::CandleView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : StockChartView(frame, stock, father, std::move(callBack), parent)
{
    curtime = shanghaiNow().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    wLineSpace = 7;
    startIdx = 0;
    m_isSelfHiden = false;
    readSettings();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    const QString labels[4]
        = { QStringLiteral("-"), QStringLiteral("+"), QStringLiteral("<"), QStringLiteral(">") };
    const QString tips[4]
        = { QStringLiteral("缩小"), QStringLiteral("放大"), QStringLiteral("向前"), QStringLiteral("向后") };
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(this);
        b->setText(labels[i]);
        b->setToolTip(tips[i]);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(i >= 2);
        m_buttons[i] = b;
    }
    connect(m_buttons[0], &QToolButton::clicked, this, &CandleView::zoomOut);
    connect(m_buttons[1], &QToolButton::clicked, this, &CandleView::zoomIn);
    connect(
        m_buttons[2], &QToolButton::clicked, this, [this] { scrollBars(-std::max(1L, m_range.count / 4)); });
    connect(
        m_buttons[3], &QToolButton::clicked, this, [this] { scrollBars(std::max(1L, m_range.count / 4)); });
    placeButtons();

    platform::runOnMainAfter(pollTiming().firstPriceMs, this, [this] { RefreshNowPrice(nullptr); });
    if (parent)
        platform::runOnMainAsync(this, [this] {
            if (parentWidget())
                viewDidMoveToSuperview();
        });
}

CandleView::~CandleView() = default;

void CandleView::UpdateMarktStatus(const QString& status)
{
    selfDict.insert(QStringLiteral("marketstatus"), status);
    update();
}

bool CandleView::isMarktOn()
{
    const QDateTime now = shanghaiNow();
    curtime = now.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    return isMarketHours(now);
}

bool CandleView::marketStatusOpen() const
{
    return marketStatusReadsOpen(selfDict);
}

void CandleView::RefreshNowPrice(const QVariantMap* dict)
{
    if (!dict)
        return;
    curtime = platform::stringOf(*dict, QStringLiteral("curtime"));
    cprice = platform::stringOf(*dict, QStringLiteral("cprice"));
    update();
}

void CandleView::viewDidMoveToSuperview() { }

void CandleView::readSettings()
{
    m_typeTopIdx = settingInt(settingsKeyTop(), TopMA);
    if (m_typeTopIdx < TopMA || m_typeTopIdx > TopSAR)
        m_typeTopIdx = TopMA;
    m_typeBottomIdx = settingInt(settingsKeyBottom(), BottomVolume);
    if (m_typeBottomIdx < BottomVolume || m_typeBottomIdx > BottomKDJ)
        m_typeBottomIdx = BottomVolume;
    // Periods are stored as entered; one the series cannot use falls back
    // to its default.
    m_bollPeriod = settingInt(QStringLiteral("BOLLPeriod"), kDefaultBollPeriod);
    if (m_bollPeriod < 2)
        m_bollPeriod = kDefaultBollPeriod;
    m_sarPeriod = settingInt(QStringLiteral("SARPeriod"), kDefaultSarPeriod);
    if (m_sarPeriod < 1)
        m_sarPeriod = kDefaultSarPeriod;
    m_kdjPeriod = settingInt(QStringLiteral("kdjPeriod"), kDefaultKdjPeriod);
    if (m_kdjPeriod < 1)
        m_kdjPeriod = kDefaultKdjPeriod;
}

void CandleView::convertBars()
{
    // The loaders replace iDataArray whole; while we still share its rows the
    // converted bars are current.
    if (m_barsConverted && m_barsSource.isSharedWith(iDataArray))
        return;
    adoptBars(convertBarRows(iDataArray));
}

void CandleView::adoptBars(BarSeries series)
{
    m_barsConverted = true;
    m_barsSource = iDataArray;
    m_bars = std::move(series.bars);
    m_dates = std::move(series.dates);
    m_haveIndicators = false;
}

void CandleView::prependRows(const QVariantList& rows, BarSeries series)
{
    const bool current = iDataArray.isEmpty() || (m_barsConverted && m_barsSource.isSharedWith(iDataArray));
    iDataArray = iDataArray.isEmpty() ? rows : rows + iDataArray;
    if (!current)
        return; // the rows held were never converted: the next draw converts them all
    series.bars += m_bars;
    series.dates += m_dates;
    adoptBars(std::move(series));
}

void CandleView::computeIndicators()
{
    // Only the series of the chosen panes: a choice redraws through
    // InitBackImage, which computes again.
    for (auto& ma : m_ma)
        ma.clear();
    m_boll = {};
    m_sar.clear();
    m_volMa[0].clear();
    m_volMa[1].clear();
    m_macd = {};
    m_kdj = {};
    if (m_typeTopIdx == TopMA || m_typeBottomIdx == BottomMACD) {
        const QVector<double> c = indicators::closes(m_bars);
        if (m_typeTopIdx == TopMA) {
            const int maPeriods[4] = { 5, 10, 20, 30 };
            for (int i = 0; i < 4; ++i)
                m_ma[i] = indicators::movingAverage(c, maPeriods[i]);
        }
        if (m_typeBottomIdx == BottomMACD)
            m_macd = indicators::macd(c);
    }
    if (m_typeTopIdx == TopBOLL)
        m_boll = indicators::boll(indicators::closes(m_bars), m_bollPeriod);
    else if (m_typeTopIdx == TopSAR)
        m_sar = indicators::sar(m_bars, m_sarPeriod);
    if (m_typeBottomIdx == BottomVolume) {
        const QVector<double> v = indicators::volumes(m_bars);
        m_volMa[0] = indicators::movingAverage(v, 5);
        m_volMa[1] = indicators::movingAverage(v, 10);
    } else if (m_typeBottomIdx == BottomKDJ) {
        m_kdj = indicators::kdj(m_bars, m_kdjPeriod);
    }
    ++m_indicatorRuns;
    m_haveIndicators = true;
}

void CandleView::InitBackImage()
{
    readSettings();
    convertBars();
    computeIndicators();
    renderBackImage();
}

void CandleView::layoutPanes()
{
    const double w = width();
    const double h = height();
    m_plot = QRectF(0, kLegendHeight, std::max(0.0, w - kRightMargin), std::max(0.0, h - kLegendHeight - 2));
    const double avail = std::max(0.0, h - kLegendHeight - kDateHeight - kLowerLegendHeight - 2);
    const double priceH = std::floor(avail * 0.68);
    m_pricePane = QRectF(m_plot.left(), kLegendHeight, m_plot.width(), priceH);
    m_dateStrip = QRectF(m_plot.left(), m_pricePane.bottom(), m_plot.width(), kDateHeight);
    m_lowerPane = QRectF(m_plot.left(), m_dateStrip.bottom() + kLowerLegendHeight, m_plot.width(),
        std::max(0.0, avail - priceH));
    const long capacity = geometry::barCapacity(m_plot.width(), wLineSpace);
    m_range = geometry::visibleRange(m_bars.size(), startIdx, capacity);

    QVector<const QVector<double>*> top;
    if (m_typeTopIdx == TopMA)
        top = { &m_ma[0], &m_ma[1], &m_ma[2], &m_ma[3] };
    else if (m_typeTopIdx == TopBOLL)
        top = { &m_boll.upper, &m_boll.mid, &m_boll.lower };
    else
        top = { &m_sar };
    const auto [lo, hi] = geometry::priceExtent(m_bars, m_range, top);
    m_priceScale = geometry::priceScale(lo, hi, m_pricePane);

    if (m_typeBottomIdx == BottomVolume) {
        const auto [vlo, vhi] = geometry::seriesExtent(m_range, { &m_volMa[0], &m_volMa[1] });
        Q_UNUSED(vlo);
        double maxV = std::isfinite(vhi) ? vhi : 0;
        for (long i = m_range.first; i < m_range.first + m_range.count; ++i) {
            if (!std::isnan(m_bars[i].volume))
                maxV = std::max<double>(maxV, m_bars[i].volume);
        }
        m_lowerScale = geometry::priceScale(0, std::max(maxV, 1.0), m_lowerPane, 0.0);
        m_lowerScale.low = 0;
    } else if (m_typeBottomIdx == BottomMACD) {
        const auto [mlo, mhi] = geometry::seriesExtent(m_range, { &m_macd.dif, &m_macd.dea, &m_macd.macd });
        double m = std::max(std::abs(std::isfinite(mlo) ? mlo : 0), std::abs(std::isfinite(mhi) ? mhi : 0));
        if (m <= 0)
            m = 1;
        m_lowerScale = geometry::priceScale(-m, m, m_lowerPane, 0.05);
    } else {
        auto [klo, khi] = geometry::seriesExtent(m_range, { &m_kdj.k, &m_kdj.d, &m_kdj.j });
        klo = std::isfinite(klo) ? std::min(klo, 0.0) : 0.0;
        khi = std::isfinite(khi) ? std::max(khi, 100.0) : 100.0;
        m_lowerScale = geometry::priceScale(klo, khi, m_lowerPane, 0.02);
    }
}

void CandleView::renderBackImage()
{
    if (!m_haveIndicators) {
        convertBars();
        computeIndicators();
    }
    layoutPanes();
    prepareBackImage(m_backImage, *this);
    {
        QPainter p(&m_backImage);
        p.setFont(chartFont());
        drawPricePane(p);
        drawDateScale(p);
        drawLowerPane(p);
    }
    if (m_crossPoint)
        setCrosshair(m_crossPoint);
    update();
    Q_EMIT backImageReady();
}

void CandleView::drawPricePane(QPainter& p) const
{
    const QRectF pane = m_pricePane;
    p.setPen(QPen(gridColor(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pane.adjusted(0, 0, -1, 0));
    p.drawRect(m_lowerPane.adjusted(0, 0, -1, 0));

    const double step = geometry::niceStep(m_priceScale.high - m_priceScale.low, 4);
    const double firstLine = std::ceil(m_priceScale.low / step) * step;
    p.setPen(QPen(gridColor(), 1, Qt::DotLine));
    for (double v = firstLine; v <= m_priceScale.high; v += step) {
        const double y = m_priceScale.y(v);
        p.drawLine(QPointF(pane.left(), y), QPointF(pane.right(), y));
    }

    p.save();
    p.setClipRect(pane);
    const double space = wLineSpace;
    for (long i = 0; i < m_range.count; ++i) {
        const long idx = m_range.first + i;
        const auto shape
            = geometry::candleShape(m_bars[idx], m_priceScale, geometry::barCenterX(m_plot, i, space), space);
        const QColor color
            = shape.direction > 0 ? riseColor() : (shape.direction < 0 ? fallColor() : flatColor());
        p.setPen(QPen(color, 1));
        p.drawLine(QPointF(shape.wickX, shape.highY), QPointF(shape.wickX, shape.body.top()));
        p.drawLine(QPointF(shape.wickX, shape.body.bottom()), QPointF(shape.wickX, shape.lowY));
        if (shape.direction > 0 && shape.body.width() > 2) {
            // A rise is drawn hollow, as the terminals do.
            p.setBrush(background());
            p.drawRect(shape.body.adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            p.fillRect(shape.body, color);
        }
    }

    if (m_typeTopIdx == TopMA) {
        for (int k = 0; k < 4; ++k)
            drawSeries(p, m_ma[k], m_priceScale, m_plot, m_range, space, lineColor(k));
    } else if (m_typeTopIdx == TopBOLL) {
        drawSeries(p, m_boll.upper, m_priceScale, m_plot, m_range, space, lineColor(1));
        drawSeries(p, m_boll.mid, m_priceScale, m_plot, m_range, space, lineColor(0));
        drawSeries(p, m_boll.lower, m_priceScale, m_plot, m_range, space, lineColor(2));
    } else {
        const double r = std::clamp(space * 0.25, 1.5, 3.0);
        for (long i = 0; i < m_range.count; ++i) {
            const long idx = m_range.first + i;
            const double v = m_sar.value(idx, std::nan(""));
            if (std::isnan(v))
                continue;
            // Below the bar the trend is up (red), above it down (green).
            const QColor c = v <= m_bars[idx].low ? riseColor() : fallColor();
            p.setPen(QPen(c, 1));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(geometry::barCenterX(m_plot, i, space), m_priceScale.y(v)), r, r);
        }
    }
    p.restore();
}

void CandleView::paintScale(QPainter& p) const
{
    // Over the back image at each paint, on the oldest bars.
    p.setFont(chartFont());
    const double step = geometry::niceStep(m_priceScale.high - m_priceScale.low, 4);
    const double firstLine = std::ceil(m_priceScale.low / step) * step;
    for (double v = firstLine; v <= m_priceScale.high; v += step) {
        const double y = m_priceScale.y(v);
        if (y - 7 >= m_pricePane.top() && y + 7 <= m_pricePane.bottom())
            drawAxisLabel(p, y, platform::stringWithFormat("%.2f", v));
    }
    if (m_lowerPane.height() <= 2)
        return;
    p.save();
    p.setClipRect(m_lowerPane);
    if (m_typeBottomIdx == BottomVolume) {
        drawAxisLabel(p, m_lowerPane.top() + 8, volumeText(m_lowerScale.high));
    } else {
        drawAxisLabel(p, m_lowerPane.top() + 8, valueText(m_lowerScale.high));
        drawAxisLabel(p, m_lowerPane.bottom() - 8, valueText(m_lowerScale.low));
    }
    p.restore();
}

void CandleView::drawDateScale(QPainter& p) const
{
    if (m_range.count <= 0)
        return;
    p.setPen(axisText());
    const double labelWidth = 64;
    const long every = std::max(1L, long(std::ceil(labelWidth * 1.3 / wLineSpace)));
    for (long i = 0; i < m_range.count; i += every) {
        const double x = geometry::barCenterX(m_plot, i, wLineSpace);
        if (x + labelWidth > m_dateStrip.right())
            break;
        p.setPen(QPen(gridColor(), 1, Qt::DotLine));
        p.drawLine(QPointF(x, m_pricePane.top()), QPointF(x, m_pricePane.bottom()));
        p.setPen(axisText());
        platform::drawFittedText(p, QRectF(x, m_dateStrip.top(), labelWidth, m_dateStrip.height()),
            Qt::AlignLeft | Qt::AlignVCenter, m_dates.value(m_range.first + i));
    }
}

void CandleView::drawLowerPane(QPainter& p) const
{
    const QRectF pane = m_lowerPane;
    if (pane.height() <= 2)
        return;
    const double space = wLineSpace;
    p.save();
    p.setClipRect(pane);
    if (m_typeBottomIdx == BottomVolume) {
        const double bodyWidth = std::max(1.0, std::floor(space * 0.7));
        for (long i = 0; i < m_range.count; ++i) {
            const auto& bar = m_bars[m_range.first + i];
            if (std::isnan(bar.volume))
                continue;
            const double x = geometry::barCenterX(m_plot, i, space);
            const double y = m_lowerScale.y(bar.volume);
            const QColor c
                = bar.close > bar.open ? riseColor() : (bar.close < bar.open ? fallColor() : flatColor());
            p.fillRect(QRectF(x - bodyWidth / 2, y, bodyWidth, std::max(1.0, pane.bottom() - y)), c);
        }
        drawSeries(p, m_volMa[0], m_lowerScale, m_plot, m_range, space, lineColor(0));
        drawSeries(p, m_volMa[1], m_lowerScale, m_plot, m_range, space, lineColor(1));
    } else if (m_typeBottomIdx == BottomMACD) {
        const double zero = m_lowerScale.y(0);
        p.setPen(QPen(gridColor(), 1, Qt::DotLine));
        p.drawLine(QPointF(pane.left(), zero), QPointF(pane.right(), zero));
        for (long i = 0; i < m_range.count; ++i) {
            const double v = m_macd.macd.value(m_range.first + i, 0);
            const double x = geometry::barCenterX(m_plot, i, space);
            p.setPen(QPen(v >= 0 ? riseColor() : fallColor(), 1));
            p.drawLine(QPointF(x, zero), QPointF(x, m_lowerScale.y(v)));
        }
        drawSeries(p, m_macd.dif, m_lowerScale, m_plot, m_range, space, lineColor(0));
        drawSeries(p, m_macd.dea, m_lowerScale, m_plot, m_range, space, lineColor(1));
    } else {
        p.setPen(QPen(gridColor(), 1, Qt::DotLine));
        for (double level : { 20.0, 50.0, 80.0 }) {
            const double y = m_lowerScale.y(level);
            p.drawLine(QPointF(pane.left(), y), QPointF(pane.right(), y));
        }
        drawSeries(p, m_kdj.k, m_lowerScale, m_plot, m_range, space, lineColor(0));
        drawSeries(p, m_kdj.d, m_lowerScale, m_plot, m_range, space, lineColor(1));
        drawSeries(p, m_kdj.j, m_lowerScale, m_plot, m_range, space, lineColor(2));
    }
    p.restore();
}

QString CandleView::topLegend(long bar) const
{
    if (bar < 0 || bar >= m_bars.size())
        return QString();
    const auto at = [bar](const QVector<double>& series) { return series.value(bar, kNaN); };
    if (m_typeTopIdx == TopMA)
        return QStringLiteral("MA5:") + valueText(at(m_ma[0])) + QStringLiteral("  MA10:")
            + valueText(at(m_ma[1])) + QStringLiteral("  MA20:") + valueText(at(m_ma[2]))
            + QStringLiteral("  MA30:") + valueText(at(m_ma[3]));
    if (m_typeTopIdx == TopBOLL)
        return platform::stringWithFormat("BOLL(%d)  MID:", m_bollPeriod) + valueText(at(m_boll.mid))
            + QStringLiteral("  UPPER:") + valueText(at(m_boll.upper)) + QStringLiteral("  LOWER:")
            + valueText(at(m_boll.lower));
    return platform::stringWithFormat("SAR(%d,2,20):", m_sarPeriod) + valueText(at(m_sar));
}

QString CandleView::bottomLegend(long bar) const
{
    if (bar < 0 || bar >= m_bars.size())
        return QString();
    const auto at = [bar](const QVector<double>& series) { return series.value(bar, kNaN); };
    if (m_typeBottomIdx == BottomVolume)
        return QStringLiteral("VOL:") + volumeText(m_bars[bar].volume) + QStringLiteral("  MA5:")
            + volumeText(at(m_volMa[0])) + QStringLiteral("  MA10:") + volumeText(at(m_volMa[1]));
    if (m_typeBottomIdx == BottomMACD)
        return QStringLiteral("MACD(12,26,9)  DIF:") + figureText("%.3f", at(m_macd.dif))
            + QStringLiteral("  DEA:") + figureText("%.3f", at(m_macd.dea)) + QStringLiteral("  MACD:")
            + figureText("%.3f", at(m_macd.macd));
    return platform::stringWithFormat("KDJ(%d,3,3)  K:", m_kdjPeriod) + valueText(at(m_kdj.k))
        + QStringLiteral("  D:") + valueText(at(m_kdj.d)) + QStringLiteral("  J:") + valueText(at(m_kdj.j));
}

QStringList CandleView::barLines(long bar) const
{
    if (bar < 0 || bar >= m_bars.size())
        return {};
    const auto& b = m_bars[bar];
    return {
        m_dates.value(bar),
        QStringLiteral("开 ") + valueText(b.open),
        QStringLiteral("高 ") + valueText(b.high),
        QStringLiteral("低 ") + valueText(b.low),
        QStringLiteral("收 ") + valueText(b.close),
        QStringLiteral("涨幅 ") + figureText("%.2f%%", b.change),
        QStringLiteral("量 ") + volumeText(b.volume),
    };
}

void CandleView::setCrosshair(std::optional<QPointF> point)
{
    m_crossPoint = point;
    m_crossBar.reset();
    if (point) {
        const long bar = geometry::barAtX(m_plot, point->x(), wLineSpace, m_range);
        if (bar >= 0)
            m_crossBar = bar;
    }
    update();
}

void CandleView::paintOverlay(QPainter& p) const
{
    p.setFont(chartFont());
    const long legendBar
        = m_crossBar ? *m_crossBar : (m_range.count > 0 ? m_range.first + m_range.count - 1 : -1);
    p.setPen(axisText());
    const double legendRight = m_buttons[0] ? m_buttons[0]->x() - 4 : width();
    platform::drawFittedText(p,
        QRectF(m_plot.left() + 2, 0, std::max(0.0, legendRight - m_plot.left() - 2), kLegendHeight),
        Qt::AlignLeft | Qt::AlignVCenter, topLegend(legendBar));
    platform::drawFittedText(p,
        QRectF(m_plot.left() + 2, m_dateStrip.bottom(), m_plot.width(), kLowerLegendHeight),
        Qt::AlignLeft | Qt::AlignVCenter, bottomLegend(legendBar));

    // The live price, kept inside the pane when it leaves the visible range.
    const float live = platform::floatValue(QStringView(cprice));
    if (live > 0 && std::isfinite(live) && m_pricePane.height() > 0) {
        const double y = std::clamp(m_priceScale.y(live), m_pricePane.top(), m_pricePane.bottom());
        p.setPen(QPen(platform::Colors::yellow(), 1, Qt::DashLine));
        p.drawLine(QPointF(m_pricePane.left(), y), QPointF(m_pricePane.right(), y));
        const QRectF box(0, y - 7, kAxisWidth - 2, 14);
        p.fillRect(box, platform::Colors::yellow());
        p.setPen(platform::Colors::black());
        platform::drawFittedText(p, box.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
            platform::stringWithFormat("%.2f", double(live)));
    }

    if (!m_crossBar || !m_crossPoint)
        return;
    const long bar = *m_crossBar;
    const double x = geometry::barCenterX(m_plot, bar - m_range.first, wLineSpace);
    const double y = m_crossPoint->y();
    p.setPen(QPen(platform::Colors::white(), 1));
    p.drawLine(QPointF(x, m_pricePane.top()), QPointF(x, m_pricePane.bottom()));
    p.drawLine(QPointF(x, m_lowerPane.top()), QPointF(x, m_lowerPane.bottom()));
    const PriceScale* scale = nullptr;
    if (y >= m_pricePane.top() && y <= m_pricePane.bottom())
        scale = &m_priceScale;
    else if (y >= m_lowerPane.top() && y <= m_lowerPane.bottom())
        scale = &m_lowerScale;
    if (scale) {
        p.drawLine(QPointF(m_plot.left(), y), QPointF(m_plot.right(), y));
        const QRectF box(0, y - 7, kAxisWidth - 2, 14);
        p.fillRect(box, QColor(40, 40, 120));
        p.setPen(platform::Colors::white());
        const double v = scale->value(y);
        platform::drawFittedText(p, box.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
            scale == &m_lowerScale && m_typeBottomIdx == BottomVolume
                ? volumeText(v)
                : platform::stringWithFormat("%.2f", v));
    }
    // The date under the cursor and the bar's values in a box away from it.
    const QString date = m_dates.value(bar);
    const QRectF dateBox(
        std::clamp(x - 34, m_plot.left(), m_plot.right() - 68), m_dateStrip.top(), 68, m_dateStrip.height());
    p.fillRect(dateBox, QColor(40, 40, 120));
    p.setPen(platform::Colors::white());
    platform::drawFittedText(p, dateBox, Qt::AlignCenter, date);

    const auto& b = m_bars[bar];
    const double prevClose = bar > 0 ? m_bars[bar - 1].close : b.open;
    const QStringList lines = barLines(bar);
    const double boxW = 96;
    const double boxH = 7 * 14 + 6;
    const double boxX = x < m_plot.center().x() ? m_plot.right() - boxW - 2 : m_plot.left() + 2;
    const QRectF info(boxX, m_pricePane.top() + 2, boxW, std::min(boxH, m_pricePane.height() - 4));
    p.fillRect(info, QColor(0, 0, 0, 210));
    p.setPen(QPen(gridColor(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(info);
    for (int i = 0; i < 7; ++i) {
        QColor c = platform::Colors::white();
        if (i >= 1 && i <= 4) {
            const double v = i == 1 ? b.open : i == 2 ? b.high : i == 3 ? b.low : b.close;
            c = v > prevClose ? riseColor() : (v < prevClose ? fallColor() : flatColor());
        } else if (i == 5) {
            // Coloured as it reads: a change shown as 0.00% is none.
            const double shown = std::isfinite(b.change)
                ? platform::doubleValue(QStringView(platform::stringWithFormat("%.2f", double(b.change))))
                : 0;
            c = shown > 0 ? riseColor() : (shown < 0 ? fallColor() : flatColor());
        }
        p.setPen(c);
        platform::drawFittedText(p, QRectF(info.left() + 4, info.top() + 3 + i * 14, boxW - 8, 14),
            Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    }
}

void CandleView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (paintBackImage(p, *this, m_backImage)) {
        paintScale(p);
        paintOverlay(p);
    }
}

void CandleView::resizeEvent(QResizeEvent* event)
{
    StockChartView::resizeEvent(event);
    placeButtons();
    if (!m_backImage.isNull())
        renderBackImage();
}

void CandleView::placeButtons()
{
    const int w = 18;
    for (int i = 0; i < 4; ++i) {
        if (m_buttons[i])
            m_buttons[i]->setGeometry(
                width() - (4 - i) * (w + 1) - int(kRightMargin), 0, w, int(kLegendHeight));
    }
}

void CandleView::zoomIn()
{
    const long lastBar = m_range.first + m_range.count;
    wLineSpace = std::min(kMaxSpace, wLineSpace * 1.25);
    startIdx = std::max(0L, lastBar - geometry::barCapacity(m_plot.width(), wLineSpace));
    renderBackImage();
}

void CandleView::zoomOut()
{
    const long lastBar = m_range.first + m_range.count;
    wLineSpace = std::max(kMinSpace, wLineSpace / 1.25);
    startIdx = std::max(0L, lastBar - geometry::barCapacity(m_plot.width(), wLineSpace));
    renderBackImage();
}

void CandleView::scrollBars(long delta)
{
    const long capacity = geometry::barCapacity(m_plot.width(), wLineSpace);
    const long lastFirst = std::max(0L, long(m_bars.size()) - capacity);
    startIdx = std::clamp(m_range.first + delta, 0L, lastFirst);
    renderBackImage();
}

void CandleView::scrollToNewest()
{
    scrollBars(long(m_bars.size()));
}

void CandleView::wheelEvent(QWheelEvent* event)
{
    const QPoint d = event->angleDelta();
    if (std::abs(d.x()) > std::abs(d.y())) {
        scrollBars(d.x() > 0 ? -std::max(1L, m_range.count / 10) : std::max(1L, m_range.count / 10));
    } else if (d.y() > 0) {
        zoomIn();
    } else if (d.y() < 0) {
        zoomOut();
    }
    event->accept();
}

void CandleView::keyPressEvent(QKeyEvent* event)
{
    const long page = std::max(1L, m_range.count);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        zoomIn();
        break;
    case Qt::Key_Down:
        zoomOut();
        break;
    case Qt::Key_Left:
        scrollBars(shift ? -page : -1);
        break;
    case Qt::Key_Right:
        scrollBars(shift ? page : 1);
        break;
    case Qt::Key_PageUp:
        scrollBars(-page);
        break;
    case Qt::Key_PageDown:
        scrollBars(page);
        break;
    case Qt::Key_Home:
        scrollBars(-long(m_bars.size()));
        break;
    case Qt::Key_End:
        scrollToNewest();
        break;
    default:
        StockChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CandleView::chooseTop(int idx)
{
    auto* defaults = platform::UserDefaults::standardUserDefaults();
    defaults->setObject(QString::number(idx), settingsKeyTop());
    defaults->synchronize();
    InitBackImage();
}

void CandleView::chooseBottom(int idx)
{
    auto* defaults = platform::UserDefaults::standardUserDefaults();
    defaults->setObject(QString::number(idx), settingsKeyBottom());
    defaults->synchronize();
    InitBackImage();
}

void CandleView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QMenu* top = menu.addMenu(QStringLiteral("主图指标"));
    const QString topNames[]
        = { QStringLiteral("均线 MA"), QStringLiteral("布林线 BOLL"), QStringLiteral("抛物线 SAR") };
    for (int i = 0; i < 3; ++i) {
        QAction* a = top->addAction(topNames[i]);
        a->setCheckable(true);
        a->setChecked(m_typeTopIdx == i);
        connect(a, &QAction::triggered, this, [this, i] { chooseTop(i); });
    }
    QMenu* bottom = menu.addMenu(QStringLiteral("副图指标"));
    const QString bottomNames[]
        = { QStringLiteral("成交量 VOL"), QStringLiteral("MACD"), QStringLiteral("KDJ") };
    for (int i = 0; i < 3; ++i) {
        QAction* a = bottom->addAction(bottomNames[i]);
        a->setCheckable(true);
        a->setChecked(m_typeBottomIdx == i);
        connect(a, &QAction::triggered, this, [this, i] { chooseBottom(i); });
    }
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("KDJ参数设置…")), &QAction::triggered, this,
        &CandleView::setKDJPressed);
    connect(menu.addAction(QStringLiteral("BOLL参数设置…")), &QAction::triggered, this,
        &CandleView::setBOLLPressed);
    connect(menu.addAction(QStringLiteral("SAR参数设置…")), &QAction::triggered, this,
        &CandleView::setSARPressed);
    platform::popUpMenu(&menu, event->globalPos(), this);
    event->accept();
}

void CandleView::presentPeriodDialog(const QString& identifier)
{
    platform::ViewController* father = m_father.data();
    if (!father) {
        qCWarning(lcCharts, "no window to present %s from", qUtf8Printable(identifier));
        return;
    }
    platform::ViewController* controller = platform::ControllerRegistry::instantiateController(identifier);
    auto* dialog = qobject_cast<PeriodDialog*>(controller);
    if (!dialog) {
        qCWarning(lcCharts, "%s is no period dialog", qUtf8Printable(identifier));
        delete controller;
        return;
    }
    QPointer<CandleView> self(this);
    dialog->DoOK = [self] {
        if (self)
            platform::runOnMain(self.data(), [self] {
                if (self)
                    self->InitBackImage();
            });
    };
    dialog->DoCancel = [] {};
    // The pointer goes to the dialog. Qt does not always tell the chart it
    // left (a popup menu and a modal window in between), and the redraw on
    // OK would put a stale crosshair back; the next move over the chart
    // places it again.
    setCrosshair(std::nullopt);
    father->presentViewControllerAsModalWindow(dialog);
}

void CandleView::setKDJPressed()
{
    presentPeriodDialog(QStringLiteral("setKDJViewController"));
}

void CandleView::setBOLLPressed()
{
    presentPeriodDialog(QStringLiteral("setBOLLViewController"));
}

void CandleView::setSARPressed()
{
    presentPeriodDialog(QStringLiteral("setSARViewController"));
}
