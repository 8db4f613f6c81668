#include "standin/SampleMarket.h"

#include "standin/SampleData.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <vector>

namespace standin {

namespace {

constexpr int kChinaOffset = 8 * 3600;
constexpr int kPoints = 242; // 09:30..11:30 and 13:00..15:00, one per minute

quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

quint64 codeHash(const QString& code)
{
    quint64 h = 1469598103934665603ull;
    for (QChar c : code) {
        h ^= c.unicode();
        h *= 1099511628211ull;
    }
    return h;
}

struct Rng {
    quint64 state;
    explicit Rng(quint64 s)
        : state(mix(s))
    {
    }
    double uniform() // (0, 1)
    {
        state = mix(state);
        return (double((state >> 11) & ((1ull << 53) - 1)) + 0.5) / double(1ull << 53);
    }
    double gauss()
    {
        const double u1 = uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
};

double round2(double v)
{
    return std::round(v * 100.0) / 100.0;
}

double limitRatio(const QString& code)
{
    return code.startsWith(QLatin1String("300")) ? 0.2 : 0.1;
}

QDate firstDayOf(const SampleDef& def)
{
    QDate first(std::max(def.listedYear, 2000), def.listedYear >= 2000 ? 3 : 1, 4);
    while (!isTradingDay(first))
        first = first.addDays(1);
    return first;
}

// Minute point i as "HHMM".
QString hhmmOf(int i)
{
    const int minutes = i <= 120 ? 9 * 60 + 30 + i : 13 * 60 + (i - 121);
    return QStringLiteral("%1%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// Where in the day's minute points a clock time falls (fractional).
double pointAt(const QTime& t)
{
    const double m = t.msecsSinceStartOfDay() / 60000.0;
    if (m <= 9 * 60 + 30)
        return 0;
    if (m <= 11 * 60 + 30)
        return m - (9 * 60 + 30);
    if (m < 13 * 60)
        return 120;
    if (m <= 15 * 60)
        return 121 + (m - 13 * 60);
    return kPoints - 1;
}

bool sessionStarted(const QTime& t)
{
    return t >= QTime(9, 25);
}

struct Path {
    std::vector<double> price;
    std::vector<double> volume; // shares
    std::vector<double> amount; // shares × price per point: yuan for a stock, not for an index
};

} // namespace

struct SampleMarket::Impl {
    quint64 seed = 0;
    QList<SampleSecurity> securities;
    mutable QMutex mutex;
    std::optional<QDateTime> pinned;
    mutable QHash<QString, QList<DayBar>> histories;

    const SampleDef* def(const QString& code) const { return sampleDef(code); }

    DayBar makeBar(const SampleDef& d, const QString& code, const QDate& day, double prev) const
    {
        Rng r(seed ^ codeHash(code) ^ (quint64(day.toJulianDay()) * 0x2545F4914F6CDD1Dull));
        const double lim = limitRatio(code);
        const double sigma = d.isIndex ? 0.011 : (lim > 0.15 ? 0.026 : 0.019);
        const double drift = 0.003 * std::log(d.basePrice / prev);
        const double ret = std::clamp(drift + sigma * r.gauss(), -lim * 0.98, lim * 0.98);
        DayBar b;
        b.date = day;
        b.close = round2(prev * std::exp(ret));
        b.open = round2(prev * std::exp(std::clamp(sigma * 0.35 * r.gauss(), -lim * 0.9, lim * 0.9)));
        const double up = prev * (1 + lim);
        const double down = prev * (1 - lim);
        b.high = round2(std::min(up, std::max(b.open, b.close) * (1 + std::abs(r.gauss()) * sigma * 0.45)));
        b.low = round2(std::max(down, std::min(b.open, b.close) * (1 - std::abs(r.gauss()) * sigma * 0.45)));
        b.high = std::max({ b.high, b.open, b.close });
        b.low = std::min({ b.low, b.open, b.close });
        // A whole market's turnover swings less from day to day than a stock's.
        const double activity = std::exp((d.isIndex ? 0.2 : 0.35) * r.gauss()) * (1 + 8 * std::abs(ret));
        if (d.isIndex)
            b.volumeLots = std::round(d.circulatingYi * 1e8 * activity);
        else
            b.volumeLots = std::round(d.circulatingYi * 1e8 / 100 * 0.006 * activity);
        b.amountYuan = std::round(
            b.volumeLots * 100 * (b.open + b.close + b.high + b.low) / 4 * yuanPerPricePoint(code, prev));
        b.changePercent = round2((b.close - prev) / prev * 100);
        return b;
    }

    // Extends the cached bars of `code` through `last` (whole days, today's
    // too: the sample knows how each day will close). Call with the mutex held.
    QList<DayBar>* ensure(const QString& code, const QDate& last) const
    {
        const SampleDef* d = def(code);
        if (!d)
            return nullptr;
        QList<DayBar>& bars = histories[code];
        if (!bars.isEmpty() && bars.last().date >= last)
            return &bars;
        QDate day;
        double prev;
        if (bars.isEmpty()) {
            day = firstDayOf(*d);
            Rng r(seed ^ codeHash(code));
            prev = round2(d->basePrice * std::exp(0.25 * r.gauss()));
        } else {
            day = bars.last().date.addDays(1);
            prev = bars.last().close;
        }
        for (; day <= last; day = day.addDays(1)) {
            if (!isTradingDay(day))
                continue;
            bars.append(makeBar(*d, code, day, prev));
            prev = bars.last().close;
        }
        return &bars;
    }

    // Whole-day bars with first <= date <= last (an invalid first: from the start).
    QList<DayBar> range(const QString& code, const QDate& first, const QDate& last) const
    {
        QMutexLocker lock(&mutex);
        const QList<DayBar>* bars = ensure(code, last);
        if (!bars)
            return {};
        const auto byDate = [](const DayBar& b, const QDate& day) { return b.date < day; };
        const auto begin = first.isValid() ? std::lower_bound(bars->cbegin(), bars->cend(), first, byDate)
                                           : bars->cbegin();
        const auto end = std::upper_bound(bars->cbegin(), bars->cend(), last,
            [](const QDate& day, const DayBar& b) { return day < b.date; });
        if (begin == bars->cbegin() && end == bars->cend())
            return *bars;
        if (begin >= end)
            return {};
        return QList<DayBar>(begin, end);
    }

    // The whole bar of a trading day and the close before it.
    bool barOf(const QString& code, const QDate& day, DayBar* bar, double* prevClose) const
    {
        QMutexLocker lock(&mutex);
        const QList<DayBar>* bars = ensure(code, day);
        if (!bars)
            return false;
        const auto it = std::lower_bound(
            bars->cbegin(), bars->cend(), day, [](const DayBar& b, const QDate& d) { return b.date < d; });
        if (it == bars->cend() || it->date != day)
            return false;
        *bar = *it;
        *prevClose = it == bars->cbegin() ? bar->open : (it - 1)->close;
        return true;
    }

    Path path(const QString& code, const QDate& day, const DayBar& bar) const
    {
        Rng r(seed ^ (codeHash(code) * 3) ^ (quint64(day.toJulianDay()) * 0x9E3779B97F4A7C15ull) ^ 0x5A5Aull);
        std::vector<double> w(kPoints, 0.0);
        for (int i = 1; i < kPoints; ++i)
            w[i] = w[i - 1] + r.gauss();
        const double endValue = w[kPoints - 1];
        double wmax = 0, wmin = 0;
        for (int i = 0; i < kPoints; ++i) {
            w[i] -= endValue * i / (kPoints - 1);
            wmax = std::max(wmax, w[i]);
            wmin = std::min(wmin, w[i]);
        }
        // Excursions above the open-close line reach the day's high at their
        // peak and the low at their trough, so the path stays in the range.
        const double logHigh = std::log(bar.high);
        const double logLow = std::log(bar.low);
        Path p;
        p.price.resize(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double t = double(i) / (kPoints - 1);
            const double base = std::log(bar.open) + (std::log(bar.close) - std::log(bar.open)) * t;
            double lp = base;
            if (w[i] > 0 && wmax > 0)
                lp += w[i] / wmax * (logHigh - base);
            else if (w[i] < 0 && wmin < 0)
                lp += w[i] / wmin * (logLow - base);
            p.price[i] = std::clamp(round2(std::exp(lp)), bar.low, bar.high);
        }
        p.price.front() = bar.open;
        p.price.back() = bar.close;
        std::vector<double> weight(kPoints);
        double sum = 0;
        for (int i = 0; i < kPoints; ++i) {
            weight[i] = 1 + 1.8 * std::exp(-i / 18.0) + 1.2 * std::exp(-(kPoints - 1 - i) / 25.0)
                + 0.5 * r.uniform();
            sum += weight[i];
        }
        const double totalShares = bar.volumeLots * 100;
        p.volume.resize(kPoints);
        p.amount.resize(kPoints);
        double given = 0;
        for (int i = 0; i < kPoints; ++i) {
            double v = i == kPoints - 1 ? totalShares - given
                                        : std::floor(totalShares * weight[i] / sum / 100) * 100;
            v = std::max(0.0, v);
            given += v;
            p.volume[i] = v;
            p.amount[i] = v * p.price[i];
        }
        return p;
    }
};

SampleMarket::SampleMarket(quint64 seed)
    : d(std::make_shared<Impl>())
{
    d->seed = seed;
    for (const SampleDef& def : sampleDefs()) {
        SampleSecurity s;
        s.code = QString::fromUtf8(def.code);
        s.name = QString::fromUtf8(def.name);
        s.initials = QString::fromUtf8(def.initials);
        s.isIndex = def.isIndex;
        s.shanghai = def.shanghai;
        s.basePrice = def.basePrice;
        s.circulatingShares = def.isIndex ? 0 : def.circulatingYi * 1e8;
        s.totalShares = def.isIndex ? 0 : def.totalYi * 1e8;
        d->securities.append(s);
    }
}

const QList<SampleSecurity>& SampleMarket::securities() const
{
    return d->securities;
}

const SampleSecurity* SampleMarket::find(const QString& code) const
{
    for (const SampleSecurity& s : d->securities) {
        if (s.code == code)
            return &s;
    }
    return nullptr;
}

QList<DayBar> SampleMarket::dayBars(const QString& code, const QDate& lastDay) const
{
    return dayBars(code, QDate(), lastDay);
}

QList<DayBar> SampleMarket::dayBars(const QString& code, const QDate& firstDay, const QDate& lastDay) const
{
    if (!find(code) || !lastDay.isValid())
        return {};
    const QDateTime clock = now();
    const QDate today = clock.date();
    if (lastDay < today)
        return d->range(code, firstDay, lastDay);
    QList<DayBar> bars = d->range(code, firstDay, today.addDays(-1));
    if (firstDay.isValid() && firstDay > today)
        return bars;
    // Today's bar grows with the session; before the open there is none.
    if (isTradingDay(today) && sessionStarted(clock.time())) {
        const LiveQuote q = quoteAt(code, clock);
        DayBar b;
        b.date = today;
        b.open = q.open;
        b.close = q.last;
        b.high = q.high;
        b.low = q.low;
        b.volumeLots = q.volumeLots;
        b.amountYuan = q.amountYuan;
        b.changePercent = q.prevClose > 0 ? round2((q.last - q.prevClose) / q.prevClose * 100) : 0;
        bars.append(b);
    }
    return bars;
}

namespace {
template <typename KeyOf> QList<DayBar> aggregate(const QList<DayBar>& days, KeyOf keyOf)
{
    QList<DayBar> out;
    int currentKey = -1;
    double prevClose = 0;
    for (const DayBar& day : days) {
        const int key = keyOf(day.date);
        if (out.isEmpty() || key != currentKey) {
            if (!out.isEmpty())
                prevClose = out.last().close;
            else
                prevClose = day.close / (1 + day.changePercent / 100);
            out.append(day);
            currentKey = key;
        } else {
            DayBar& b = out.last();
            b.date = day.date;
            b.close = day.close;
            b.high = std::max(b.high, day.high);
            b.low = std::min(b.low, day.low);
            b.volumeLots += day.volumeLots;
            b.amountYuan += day.amountYuan;
        }
        DayBar& b = out.last();
        b.changePercent = prevClose > 0 ? round2((b.close - prevClose) / prevClose * 100) : 0;
    }
    return out;
}
} // namespace

QList<DayBar> SampleMarket::weekBars(const QString& code, const QDate& lastDay) const
{
    return aggregate(dayBars(code, lastDay), [](const QDate& day) {
        int year = 0;
        const int week = day.weekNumber(&year);
        return year * 100 + week;
    });
}

QList<DayBar> SampleMarket::monthBars(const QString& code, const QDate& lastDay) const
{
    return aggregate(dayBars(code, lastDay), [](const QDate& day) { return day.year() * 100 + day.month(); });
}

LiveQuote SampleMarket::quoteAt(const QString& code, const QDateTime& shanghaiNow) const
{
    LiveQuote q;
    const SampleSecurity* security = find(code);
    if (!security)
        return q;
    const QDateTime t = shanghaiNow.toOffsetFromUtc(kChinaOffset);
    const QDate date = t.date();
    QDate session;
    double at = kPoints - 1;
    if (isTradingDay(date) && sessionStarted(t.time())) {
        session = date;
        at = pointAt(t.time());
    } else {
        session = previousTradingDay(date);
    }
    DayBar bar;
    double prev = 0;
    if (!d->barOf(code, session, &bar, &prev))
        return q;
    const Path p = d->path(code, session, bar);
    const int whole = int(std::floor(at));
    const double frac = at - whole;
    q.prevClose = prev;
    q.open = p.price[0];
    q.last = whole + 1 < kPoints ? round2(p.price[whole] + (p.price[whole + 1] - p.price[whole]) * frac)
                                 : p.price[whole];
    q.high = q.last;
    q.low = q.last;
    double shares = 0, amount = 0;
    for (int i = 0; i <= whole; ++i) {
        q.high = std::max(q.high, p.price[i]);
        q.low = std::min(q.low, p.price[i]);
        shares += p.volume[i];
        amount += p.amount[i];
    }
    q.volumeLots = std::round(shares / 100);
    // The path's amounts are in price points (its minute averages are index
    // levels); an index's turnover is in its members' yuan.
    q.amountYuan = std::round(amount * yuanPerPricePoint(code, prev));
    Rng r(d->seed ^ codeHash(code) ^ quint64(session.toJulianDay()) ^ quint64(whole) * 7919);
    q.outerLots = std::round(q.volumeLots * (0.4 + 0.2 * r.uniform()));
    q.innerLots = q.volumeLots - q.outerLots;
    if (!security->isIndex) {
        for (int j = 0; j < 5; ++j) {
            q.bid[j] = round2(q.last - 0.01 * (j + 1));
            q.ask[j] = round2(q.last + 0.01 * j);
            q.bidLots[j] = std::round(100 + 4900 * r.uniform());
            q.askLots[j] = std::round(100 + 4900 * r.uniform());
        }
    }
    if (session == date) {
        q.time = t;
        const QTime clock = t.time();
        q.trading = (clock >= QTime(9, 30) && clock < QTime(11, 30))
            || (clock >= QTime(13, 0) && clock < QTime(15, 0));
    } else {
        q.time = QDateTime(session, QTime(15, 0), QTimeZone(kChinaOffset));
    }
    return q;
}

QList<SampleMarket::Minute> SampleMarket::minutes(
    const QString& code, const QDate& day, const QDateTime& shanghaiNow) const
{
    QList<Minute> out;
    if (!find(code) || !isTradingDay(day))
        return out;
    const QDateTime t = shanghaiNow.toOffsetFromUtc(kChinaOffset);
    int last = kPoints - 1;
    if (day > t.date())
        return out;
    if (day == t.date()) {
        if (!sessionStarted(t.time()))
            return out;
        last = int(std::floor(pointAt(t.time())));
    }
    DayBar bar;
    double prev = 0;
    if (!d->barOf(code, day, &bar, &prev))
        return out;
    const Path p = d->path(code, day, bar);
    double shares = 0, amount = 0;
    for (int i = 0; i <= last; ++i) {
        shares += p.volume[i];
        amount += p.amount[i];
        Minute m;
        m.hhmm = hhmmOf(i);
        m.price = p.price[i];
        m.average = shares > 0 ? std::round(amount / shares * 1000) / 1000 : p.price[i];
        m.volumeShares = p.volume[i];
        out.append(m);
    }
    return out;
}

QDateTime SampleMarket::now() const
{
    QMutexLocker lock(&d->mutex);
    if (d->pinned)
        return d->pinned->toOffsetFromUtc(kChinaOffset);
    return QDateTime::currentDateTimeUtc().toOffsetFromUtc(kChinaOffset);
}

void SampleMarket::setNow(const std::optional<QDateTime>& pinned)
{
    QMutexLocker lock(&d->mutex);
    d->pinned = pinned;
}

} // namespace standin
