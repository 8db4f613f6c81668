#pragma once

#include <QVector>

// Indicator series as the main Chinese terminals define them (see
// docs/indicators.md). Every series has one value per bar, oldest first;
// a bar without enough history holds NaN.
namespace charts::indicators {

// Volume and change are NaN when the feed gave none.
struct Bar {
    float open = 0, close = 0, high = 0, low = 0, volume = 0, change = 0;
};

QVector<double> closes(const QVector<Bar>& bars);
QVector<double> volumes(const QVector<Bar>& bars);

// Simple moving average of n values; NaN for the first n-1 bars.
QVector<double> movingAverage(const QVector<double>& values, int n);

// Exponential moving average, alpha 2/(n+1), seeded with the first value.
QVector<double> ema(const QVector<double>& values, int n);

struct BollSeries {
    QVector<double> mid, upper, lower;
};
// MID = MA(C,n); UPPER/LOWER = MID +/- k * sample standard deviation of C over n.
BollSeries boll(const QVector<double>& closes, int n, double k = 2.0);

struct MacdSeries {
    QVector<double> dif, dea, macd;
};
// DIF = EMA(C,fast) - EMA(C,slow); DEA = EMA(DIF,signal); MACD = 2 * (DIF - DEA).
MacdSeries macd(const QVector<double>& closes, int fast = 12, int slow = 26, int signal = 9);

struct KdjSeries {
    QVector<double> k, d, j;
};
// RSV over n bars (fewer at the start), K and D smoothed SMA(x,m,1) from 50,
// J = 3K - 2D.
KdjSeries kdj(const QVector<Bar>& bars, int n = 9, int m1 = 3, int m2 = 3);

// Parabolic SAR started on bar n-1 from the n-bar extreme.
QVector<double> sar(const QVector<Bar>& bars, int n = 4, double step = 0.02, double maxStep = 0.2);

} // namespace charts::indicators
