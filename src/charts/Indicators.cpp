#include "charts/Indicators.h"

#include <cmath>
#include <deque>
#include <limits>

namespace charts::indicators {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

QVector<double> closes(const QVector<Bar>& bars)
{
    QVector<double> out(bars.size());
    double* o = out.data();
    for (qsizetype i = 0; i < bars.size(); ++i)
        o[i] = bars[i].close;
    return out;
}

QVector<double> volumes(const QVector<Bar>& bars)
{
    QVector<double> out(bars.size());
    double* o = out.data();
    // A day the feed gave no volume for ("--") traded nothing.
    for (qsizetype i = 0; i < bars.size(); ++i)
        o[i] = std::isnan(bars[i].volume) ? 0 : bars[i].volume;
    return out;
}

QVector<double> movingAverage(const QVector<double>& values, int n)
{
    QVector<double> out(values.size(), kNaN);
    if (n < 1)
        return out;
    // Plain pointers: a QVector's operator[] checks for sharing on every
    // write, which costs more than the sum over ten thousand bars.
    const double* in = values.constData();
    double* o = out.data();
    const qsizetype count = values.size();
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) {
        sum += in[i];
        if (i >= n)
            sum -= in[i - n];
        if (i >= n - 1)
            o[i] = sum / n;
    }
    return out;
}

QVector<double> ema(const QVector<double>& values, int n)
{
    QVector<double> out(values.size(), kNaN);
    if (n < 1 || values.isEmpty())
        return out;
    const double alpha = 2.0 / (n + 1);
    const double* in = values.constData();
    double* o = out.data();
    o[0] = in[0];
    for (qsizetype i = 1; i < values.size(); ++i)
        o[i] = alpha * in[i] + (1 - alpha) * o[i - 1];
    return out;
}

BollSeries boll(const QVector<double>& closes, int n, double k)
{
    BollSeries s;
    s.mid = movingAverage(closes, n);
    s.upper = QVector<double>(closes.size(), kNaN);
    s.lower = QVector<double>(closes.size(), kNaN);
    if (n < 2)
        return s;
    for (qsizetype i = n - 1; i < closes.size(); ++i) {
        const double mean = s.mid[i];
        double squares = 0;
        for (qsizetype j = i - n + 1; j <= i; ++j)
            squares += (closes[j] - mean) * (closes[j] - mean);
        const double sd = std::sqrt(squares / (n - 1));
        s.upper[i] = mean + k * sd;
        s.lower[i] = mean - k * sd;
    }
    return s;
}

MacdSeries macd(const QVector<double>& closes, int fast, int slow, int signal)
{
    MacdSeries s;
    const QVector<double> f = ema(closes, fast);
    const QVector<double> l = ema(closes, slow);
    s.dif = QVector<double>(closes.size(), kNaN);
    double* dif = s.dif.data();
    for (qsizetype i = 0; i < closes.size(); ++i)
        dif[i] = f[i] - l[i];
    s.dea = ema(s.dif, signal);
    s.macd = QVector<double>(closes.size(), kNaN);
    double* bars = s.macd.data();
    for (qsizetype i = 0; i < closes.size(); ++i)
        bars[i] = 2 * (dif[i] - s.dea.at(i));
    return s;
}

KdjSeries kdj(const QVector<Bar>& bars, int n, int m1, int m2)
{
    KdjSeries s;
    const qsizetype count = bars.size();
    s.k = QVector<double>(count, kNaN);
    s.d = QVector<double>(count, kNaN);
    s.j = QVector<double>(count, kNaN);
    if (n < 1 || m1 < 1 || m2 < 1)
        return s;
    // Monotonic queues keep the n-bar low and high O(1) per bar, so a long
    // period over a long history stays cheap.
    std::deque<qsizetype> lows, highs;
    double k = 50, d = 50;
    for (qsizetype i = 0; i < count; ++i) {
        while (!lows.empty() && bars[lows.back()].low >= bars[i].low)
            lows.pop_back();
        lows.push_back(i);
        while (!highs.empty() && bars[highs.back()].high <= bars[i].high)
            highs.pop_back();
        highs.push_back(i);
        while (lows.front() <= i - n)
            lows.pop_front();
        while (highs.front() <= i - n)
            highs.pop_front();
        const double ll = bars[lows.front()].low;
        const double hh = bars[highs.front()].high;
        const double rsv = hh > ll ? (bars[i].close - ll) / (hh - ll) * 100 : 50;
        k = ((m1 - 1) * k + rsv) / m1;
        d = ((m2 - 1) * d + k) / m2;
        s.k[i] = k;
        s.d[i] = d;
        s.j[i] = 3 * k - 2 * d;
    }
    return s;
}

QVector<double> sar(const QVector<Bar>& bars, int n, double step, double maxStep)
{
    const qsizetype count = bars.size();
    QVector<double> out(count, kNaN);
    if (n < 1 || count < n)
        return out;
    auto lowest = [&](qsizetype from, qsizetype to) {
        double v = bars[std::max<qsizetype>(from, 0)].low;
        for (qsizetype j = std::max<qsizetype>(from, 0); j <= to; ++j)
            v = std::min<double>(v, bars[j].low);
        return v;
    };
    auto highest = [&](qsizetype from, qsizetype to) {
        double v = bars[std::max<qsizetype>(from, 0)].high;
        for (qsizetype j = std::max<qsizetype>(from, 0); j <= to; ++j)
            v = std::max<double>(v, bars[j].high);
        return v;
    };
    const qsizetype first = n - 1;
    bool up = bars[first].close >= bars[0].close;
    double s = up ? lowest(0, first) : highest(0, first);
    double ep = up ? highest(0, first) : lowest(0, first);
    double af = step;
    out[first] = s;
    for (qsizetype i = first + 1; i < count; ++i) {
        s = s + af * (ep - s);
        const qsizetype prev2 = i >= 2 ? i - 2 : i - 1;
        // The stop never enters the range of the two bars before.
        if (up)
            s = std::min({ s, double(bars[i - 1].low), double(bars[prev2].low) });
        else
            s = std::max({ s, double(bars[i - 1].high), double(bars[prev2].high) });
        if (up && bars[i].low < s) {
            up = false;
            s = highest(i - n + 1, i);
            ep = bars[i].low;
            af = step;
        } else if (!up && bars[i].high > s) {
            up = true;
            s = lowest(i - n + 1, i);
            ep = bars[i].high;
            af = step;
        } else if (up && bars[i].high > ep) {
            ep = bars[i].high;
            af = std::min(af + step, maxStep);
        } else if (!up && bars[i].low < ep) {
            ep = bars[i].low;
            af = std::min(af + step, maxStep);
        }
        out[i] = s;
    }
    return out;
}

} // namespace charts::indicators
