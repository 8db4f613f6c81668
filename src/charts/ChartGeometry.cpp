#include "charts/ChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace charts::geometry {

long startIndexFor(long count, double width, double space)
{
    if (space <= 0)
        return 0;
    const long idx = static_cast<long>(count - width / space + 2); // truncates toward zero
    return std::max(idx, 0L);
}

long barCapacity(double plotWidth, double space)
{
    if (space <= 0 || plotWidth <= 0)
        return 0;
    return std::max(0L, static_cast<long>(std::floor(plotWidth / space)));
}

VisibleRange visibleRange(long total, long startIdx, long capacity)
{
    VisibleRange r;
    if (total <= 0 || capacity <= 0)
        return r;
    const long lastFirst = std::max(0L, total - capacity);
    r.first = std::clamp(startIdx, 0L, lastFirst);
    r.count = std::min(capacity, total - r.first);
    return r;
}

double PriceScale::y(double v) const
{
    if (high <= low)
        return (top + bottom) / 2;
    return bottom - (v - low) / (high - low) * (bottom - top);
}

double PriceScale::value(double py) const
{
    if (bottom <= top)
        return low;
    return low + (bottom - py) / (bottom - top) * (high - low);
}

PriceScale priceScale(double low, double high, const QRectF& pane, double margin)
{
    PriceScale s;
    s.top = pane.top();
    s.bottom = pane.bottom();
    if (!std::isfinite(low) || !std::isfinite(high) || high < low) {
        low = 0;
        high = 1;
    }
    if (high - low < 1e-9) {
        const double pad = std::max(std::abs(high) * 0.01, 0.01);
        low -= pad;
        high += pad;
    }
    const double pad = (high - low) * margin;
    s.low = low - pad;
    s.high = high + pad;
    return s;
}

std::pair<double, double> seriesExtent(VisibleRange range, const QVector<const QVector<double>*>& series)
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    for (const QVector<double>* s : series) {
        if (!s)
            continue;
        const long end = std::min<long>(range.first + range.count, s->size());
        for (long i = range.first; i < end; ++i) {
            const double v = (*s)[i];
            if (std::isnan(v))
                continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    return { lo, hi };
}

std::pair<double, double> priceExtent(
    const QVector<indicators::Bar>& bars, VisibleRange range, const QVector<const QVector<double>*>& series)
{
    auto [lo, hi] = seriesExtent(range, series);
    const long end = std::min<long>(range.first + range.count, bars.size());
    for (long i = range.first; i < end; ++i) {
        lo = std::min<double>(lo, bars[i].low);
        hi = std::max<double>(hi, bars[i].high);
    }
    return { lo, hi };
}

double barCenterX(const QRectF& plot, long indexInView, double space)
{
    return plot.left() + (indexInView + 0.5) * space;
}

long barAtX(const QRectF& plot, double x, double space, VisibleRange range)
{
    if (space <= 0 || range.count <= 0 || x < plot.left() || x > plot.right())
        return -1;
    const long inView = static_cast<long>((x - plot.left()) / space);
    return range.first + std::clamp(inView, 0L, range.count - 1);
}

CandleShape candleShape(const indicators::Bar& bar, const PriceScale& scale, double centerX, double space)
{
    CandleShape c;
    c.direction = bar.close > bar.open ? 1 : (bar.close < bar.open ? -1 : 0);
    const double bodyWidth = std::max(1.0, std::floor(space * 0.7));
    const double yOpen = scale.y(bar.open);
    const double yClose = scale.y(bar.close);
    double top = std::min(yOpen, yClose);
    double height = std::abs(yOpen - yClose);
    if (height < 1) {
        top -= (1 - height) / 2;
        height = 1;
    }
    c.body = QRectF(centerX - bodyWidth / 2, top, bodyWidth, height);
    c.wickX = centerX;
    c.highY = scale.y(bar.high);
    c.lowY = scale.y(bar.low);
    return c;
}

double niceStep(double range, int lines)
{
    if (!(range > 0) || lines < 1)
        return 1;
    const double raw = range / lines;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / magnitude;
    double nice = 10;
    if (fraction <= 1)
        nice = 1;
    else if (fraction <= 2)
        nice = 2;
    else if (fraction <= 2.5)
        nice = 2.5;
    else if (fraction <= 5)
        nice = 5;
    return nice * magnitude;
}

} // namespace charts::geometry
