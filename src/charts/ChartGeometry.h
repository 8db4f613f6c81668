#pragma once

#include <QRectF>
#include <QVector>

#include "charts/Indicators.h"

// The K-line chart's geometry as plain functions: which bars show, where a
// price lands and the rectangle of each candle.
namespace charts::geometry {

// The loader's first visible bar: the newest bars fill `width` with the
// bars `space` points apart; never negative.
long startIndexFor(long count, double width, double space);

struct VisibleRange {
    long first = 0;
    long count = 0; // bars drawn from `first`
};
// How many bars of `space` points fit into `plotWidth`.
long barCapacity(double plotWidth, double space);
// The bars drawn for a first bar `startIdx`: it is clamped so that the view
// never starts before bar 0 nor shows blank space while older bars exist.
VisibleRange visibleRange(long total, long startIdx, long capacity);

struct PriceScale {
    double low = 0, high = 0;
    double top = 0, bottom = 0; // pixel rows of high and low
    double y(double value) const;
    double value(double y) const;
};
// A scale with a small margin so candles do not touch the pane's edges;
// a flat range is widened around its value.
PriceScale priceScale(double low, double high, const QRectF& pane, double margin = 0.05);

// Low and high of the visible bars (and of the optional series), NaN skipped.
std::pair<double, double> priceExtent(const QVector<indicators::Bar>& bars, VisibleRange range,
    const QVector<const QVector<double>*>& series = {});
std::pair<double, double> seriesExtent(VisibleRange range, const QVector<const QVector<double>*>& series);

// The horizontal centre of a visible bar.
double barCenterX(const QRectF& plot, long indexInView, double space);
// The visible bar under x, or -1.
long barAtX(const QRectF& plot, double x, double space, VisibleRange range);

struct CandleShape {
    QRectF body; // open..close, at least one pixel high
    double wickX = 0; // high..low line
    double highY = 0, lowY = 0;
    int direction = 0; // 1 rise (close above open), -1 fall, 0 flat
};
CandleShape candleShape(const indicators::Bar& bar, const PriceScale& scale, double centerX, double space);

// Rounded step for about `lines` grid lines over the range (1, 2, 2.5 or 5 x 10^k).
double niceStep(double range, int lines);

} // namespace charts::geometry
