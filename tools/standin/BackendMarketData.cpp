#include "standin/BackendMarketData.h"

#include "standin/SampleData.h"

#include <QCryptographicHash>
#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace standin::backenddata {

namespace {

QString fmt2(double v)
{
    return QString::number(v, 'f', 2);
}
QString fmt0(double v)
{
    return QString::number(v, 'f', 0);
}
double round2(double v)
{
    return std::round(v * 100.0) / 100.0;
}
int signOf(double v)
{
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}
// Signed run length: how many days in a row the figure kept its direction.
int nextRun(int previousRun, int direction)
{
    if (direction == 0)
        return 0;
    if (signOf(previousRun) == direction)
        return previousRun + direction;
    return direction;
}

} // namespace

double noise(const QString& key)
{
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Md5);
    const quint64 bits = qFromBigEndian<quint64>(digest.constData());
    return double(bits >> 11) / double(quint64(1) << 53);
}

QDate latestHeldDay(const QDateTime& shanghaiNow)
{
    const QDate today = shanghaiNow.date();
    return shanghaiNow.time() >= QTime(15, 0) ? today : today.addDays(-1);
}

QList<DayBar> heldBars(const SampleMarket& market, const QString& code, const QDate& lastDay)
{
    if (market.find(code))
        return market.dayBars(code, lastDay);
    if (code != productIndexCode())
        return {};
    // The product index follows the Shanghai composite at a third of its level.
    QList<DayBar> bars = market.dayBars(QStringLiteral("000001.idx"), lastDay);
    for (DayBar& bar : bars) {
        bar.open *= 0.35;
        bar.close *= 0.35;
        bar.high *= 0.35;
        bar.low *= 0.35;
        bar.volumeLots *= 0.2;
        bar.amountYuan *= 0.2;
    }
    return bars;
}

QString nameOf(const SampleMarket& market, const QString& code)
{
    if (const SampleSecurity* security = market.find(code))
        return security->name;
    if (code == productIndexCode())
        return productIndexName();
    return QString();
}

QVariantList recentDayRows(const SampleMarket& market, const QString& code, bool index, int pageIndex,
    int pageSize, const QDateTime& shanghaiNow)
{
    const QList<DayBar> bars = heldBars(market, code, latestHeldDay(shanghaiNow));
    const qsizetype n = bars.size();
    if (n == 0 || pageSize <= 0 || pageIndex < 0)
        return {};
    const SampleSecurity* security = market.find(code);
    const double circulating = security ? security->circulatingShares : 0;
    const QString name = nameOf(market, code);

    // Figures that need the days before: computed oldest first.
    const auto count = static_cast<size_t>(n);
    std::vector<double> flow(count), cum(count), margin(count);
    std::vector<int> mainRun(count), amountRun(count), marginRun(count);
    for (qsizetype i = 0; i < n; ++i) {
        const DayBar& bar = bars[i];
        const QString dayKey = code + bar.date.toString(QStringLiteral("yyyyMMdd"));
        const double lean = std::clamp(bar.changePercent / 10.0, -1.0, 1.0) * 0.12;
        flow[size_t(i)] = bar.amountYuan * (lean + (noise(dayKey + QStringLiteral("m")) - 0.5) * 0.08);
        cum[size_t(i)] = flow[size_t(i)] + (i > 0 ? cum[size_t(i - 1)] : 0);
        mainRun[size_t(i)] = nextRun(i > 0 ? mainRun[size_t(i - 1)] : 0, signOf(flow[size_t(i)]));
        amountRun[size_t(i)]
            = i > 0 ? nextRun(amountRun[size_t(i - 1)], signOf(bar.amountYuan - bars[i - 1].amountYuan)) : 0;
        // An index row carries its market's margin balance, which moves slowly.
        const IndexFacts* facts = index ? indexFacts(code) : nullptr;
        const double base
            = index ? (facts ? facts->marginYi * 1e8 : bar.amountYuan * 2.0) : circulating * bar.close * 0.02;
        margin[size_t(i)] = base * (1.0 + (index ? 0.04 : 0.2) * std::sin(double(i) / 15.0));
        marginRun[size_t(i)] = i > 0
            ? nextRun(marginRun[size_t(i - 1)], signOf(margin[size_t(i)] - margin[size_t(i - 1)]))
            : 0;
    }
    const auto sumLast = [&cum](qsizetype i, qsizetype days) {
        return cum[size_t(i)] - (i - days >= 0 ? cum[size_t(i - days)] : 0.0);
    };
    const double mainUnit = index ? 1e8 : 1e4; // 亿 for an index, 万 for a stock

    QVariantList rows;
    const qsizetype newest = n - 1 - qsizetype(pageIndex) * pageSize;
    for (qsizetype i = newest; i >= 0 && i > newest - pageSize; --i) {
        const DayBar& bar = bars[i];
        const QString day = bar.date.toString(QStringLiteral("yyyyMMdd"));
        const QString dayKey = code + day;
        const double prevClose = i > 0 ? bars[i - 1].close : bar.open;
        const double change5
            = i >= 5 && bars[i - 5].close > 0 ? (bar.close / bars[i - 5].close - 1.0) * 100.0 : 0;
        const double mainShare = bar.amountYuan > 0 ? flow[size_t(i)] / bar.amountYuan : 0;

        QVariantMap row;
        row.insert(QStringLiteral("curdate"), day);
        row.insert(QStringLiteral("code"), code);
        row.insert(QStringLiteral("stockname"), name);
        row.insert(QStringLiteral("cprice"), fmt2(bar.close));
        row.insert(QStringLiteral("valuerate"), fmt2(bar.changePercent));
        row.insert(QStringLiteral("transactionvaluecount"),
            index ? fmt2(bar.amountYuan / 1e8) : fmt0(bar.amountYuan));
        row.insert(QStringLiteral("mainvalue"), fmt2(flow[size_t(i)] / mainUnit));
        row.insert(QStringLiteral("continuemainvalueupdown"), QString::number(mainRun[size_t(i)]));
        row.insert(QStringLiteral("score"),
            QString::number(std::clamp(bar.changePercent * 2.0 + mainShare * 100.0, -20.0, 20.0), 'f', 1));
        row.insert(
            QStringLiteral("swingscore"), fmt2(prevClose > 0 ? (bar.high - bar.low) / prevClose * 100.0 : 0));

        // The newest day's margin figures are published a day late: "0".
        const bool marginKnown = i < n - 1;
        const double balance = margin[size_t(i)];
        const auto marginFigure = [&](double value, bool shares) {
            return marginKnown ? (shares ? fmt0(value) : fmt0(value)) : QStringLiteral("0");
        };
        // Shares sold short in a day: a sliver of the day's volume.
        const double shareBase = index ? bar.volumeLots * 100 * 0.002 : circulating * 0.00002;
        row.insert(QStringLiteral("financingbalance"), marginFigure(balance, false));
        row.insert(QStringLiteral("financingthepurchaseamount"),
            marginFigure(balance * (0.04 + 0.02 * noise(dayKey + QStringLiteral("fp"))), false));
        row.insert(QStringLiteral("financingtorepaytheamount"),
            marginFigure(balance * (0.04 + 0.02 * noise(dayKey + QStringLiteral("fr"))), false));
        row.insert(QStringLiteral("marginbalance"), marginFigure(balance * 1.004, false));
        row.insert(QStringLiteral("shortsellingvolume"),
            marginFigure(shareBase * (0.5 + noise(dayKey + QStringLiteral("ss"))), true));
        row.insert(QStringLiteral("securitieslendingrepaymentamount"),
            marginFigure(shareBase * (0.5 + noise(dayKey + QStringLiteral("sl"))), true));
        const QString run
            = QString::number(marginRun[size_t(marginKnown ? i : std::max<qsizetype>(i - 1, 0))]);
        for (const char* key : { "continuefinancingbalance", "continuefinancingthepurchaseamount",
                 "continuefinancingtorepaytheamount", "continuemarginbalance", "continueshortsellingvolume",
                 "continuesecuritieslendingrepaymentamount" })
            row.insert(QString::fromLatin1(key), run);

        if (index) {
            int stage = 0;
            if (i >= 5)
                stage = change5 > 4 ? 3 : (change5 < -4 ? 1 : 2);
            row.insert(QStringLiteral("rank"), QString::number(stage));
            row.insert(QStringLiteral("updown5day"), fmt2(change5));
            row.insert(QStringLiteral("rmb5inscore"), fmt2(sumLast(i, 5) / 1e8));
            row.insert(QStringLiteral("rmb10inscore"), fmt2(sumLast(i, 10) / 1e8));
            row.insert(QStringLiteral("rmb20inscore"), fmt2(sumLast(i, 20) / 1e8));
            row.insert(QStringLiteral("rmballinscore"), fmt2(cum[size_t(i)] / 1e8));
            row.insert(QStringLiteral("yprice"), fmt2(prevClose));
            row.insert(
                QStringLiteral("continuetransactionvaluecount"), QString::number(amountRun[size_t(i)]));
            const double rising
                = std::clamp(1700.0 + bar.changePercent * 400.0 + noise(dayKey + QStringLiteral("b")) * 100.0,
                    50.0, 3400.0);
            row.insert(QStringLiteral("buystcockcout"), fmt0(rising));
            row.insert(QStringLiteral("sellstcockcout"), fmt0(3500.0 - rising));
        } else {
            double ma20 = 0;
            const qsizetype from = std::max<qsizetype>(0, i - 19);
            for (qsizetype j = from; j <= i; ++j)
                ma20 += bars[j].close;
            ma20 /= double(i - from + 1);
            row.insert(QStringLiteral("rank"), fmt2(ma20 > 0 ? bar.close / ma20 : 1.0));
            row.insert(QStringLiteral("turnoverrate"),
                fmt2(circulating > 0 ? bar.volumeLots * 100.0 / circulating * 100.0 : 0));
            double average = 0;
            const qsizetype back = std::min<qsizetype>(5, i);
            for (qsizetype j = i - back; j < i; ++j)
                average += bars[j].volumeLots;
            average = back > 0 ? average / double(back) : 0;
            row.insert(QStringLiteral("ratio"), fmt2(average > 0 ? bar.volumeLots / average : 1.0));
            row.insert(QStringLiteral("smallbuyscore"),
                fmt2(-mainShare * 50.0 + (noise(dayKey + QStringLiteral("s")) - 0.5) * 2.0));
            row.insert(QStringLiteral("bigbuyscore"), fmt2(sumLast(i, 5) / 1e4));
            row.insert(QStringLiteral("diskscore"), fmt2(sumLast(i, 10) / 1e4));
            row.insert(QStringLiteral("ratioscore"), fmt2(sumLast(i, 20) / 1e4));
            row.insert(QStringLiteral("turnoverscore"), fmt2(cum[size_t(i)] / 1e4));
            int stage = 0;
            if (bar.changePercent >= 9.9)
                stage = 5;
            else if (change5 > 8)
                stage = 3;
            else if (change5 > 3)
                stage = flow[size_t(i)] > 0 ? 2 : 4;
            else if (change5 < -8)
                stage = 8;
            else if (change5 < -3)
                stage = flow[size_t(i)] < 0 ? 7 : 6;
            else if (mainRun[size_t(i)] >= 3)
                stage = 1;
            row.insert(QStringLiteral("volume"), QString::number(stage));
        }
        rows.append(row);
    }
    return rows;
}

QVariantList barRows(const SampleMarket& market, const QString& code, int pageIndex, int pageSize,
    const QDateTime& shanghaiNow)
{
    const QList<DayBar> bars = heldBars(market, code, latestHeldDay(shanghaiNow));
    if (pageSize <= 0 || pageIndex < 0)
        return {};
    const qsizetype end = bars.size() - qsizetype(pageIndex) * pageSize;
    const qsizetype begin = std::max<qsizetype>(0, end - pageSize);
    QVariantList rows;
    for (qsizetype i = begin; i < end; ++i) {
        const DayBar& bar = bars[i];
        rows.append(QVariant(
            QVariantList { bar.date.toString(QStringLiteral("yyyyMMdd")), round2(bar.open), round2(bar.close),
                round2(bar.high), round2(bar.low), std::round(bar.volumeLots), round2(bar.changePercent) }));
    }
    return rows;
}

QString marketStatusText(const QDateTime& shanghaiNow)
{
    const int weekday = shanghaiNow.date().dayOfWeek();
    const QTime t = shanghaiNow.time();
    if (weekday >= 6)
        return text("休市");
    if (t < QTime(9, 15))
        return text("未开盘");
    if (t >= QTime(15, 0))
        return text("已收盘");
    if (t >= QTime(11, 30) && t < QTime(13, 0))
        return text("休市");
    return text("交易中");
}

QVariantMap indexQuote(const SampleMarket& market, const QString& code, const QDateTime& shanghaiNow)
{
    const bool own = code == productIndexCode();
    const bool product = own && !market.find(code);
    LiveQuote q = market.quoteAt(product ? QStringLiteral("000001.idx") : code, shanghaiNow);
    if (product) {
        for (double* price : { &q.last, &q.prevClose, &q.open, &q.high, &q.low })
            *price *= 0.35;
        q.volumeLots *= 0.2;
        q.amountYuan *= 0.2;
        q.outerLots *= 0.2;
        q.innerLots *= 0.2;
    }
    const double change = q.last - q.prevClose;
    const double rate = q.prevClose > 0 ? change / q.prevClose * 100.0 : 0;
    const double swing = q.prevClose > 0 ? (q.high - q.low) / q.prevClose : 0;
    const QDateTime at = q.time.isValid() ? q.time : shanghaiNow;

    QVariantMap r;
    r.insert(QStringLiteral("stockcode"), code);
    r.insert(QStringLiteral("stockname"), nameOf(market, code));
    r.insert(QStringLiteral("marketstatus"), marketStatusText(shanghaiNow));
    r.insert(QStringLiteral("curdate"), at.date().toString(QStringLiteral("yyyyMMdd")));
    r.insert(QStringLiteral("curtime"), at.toString(QStringLiteral("HH:mm:ss")));
    r.insert(QStringLiteral("cprice"), fmt2(q.last));
    r.insert(QStringLiteral("yprice"), fmt2(q.prevClose));
    r.insert(QStringLiteral("valueprice"), fmt2(change));
    r.insert(QStringLiteral("valuerate"), fmt2(rate));
    r.insert(QStringLiteral("today_start_price"), fmt2(q.open));
    r.insert(QStringLiteral("valuehighest"), fmt2(q.high));
    r.insert(QStringLiteral("valuelowest"), fmt2(q.low));
    r.insert(QStringLiteral("preprice"), fmt2((q.high + q.low + q.last) / 3.0));
    // The product index carries its amplitude as a fraction.
    r.insert(QStringLiteral("amplituderate"), own ? QString::number(swing, 'f', 4) : fmt2(swing * 100.0));
    const IndexFacts* facts = indexFacts(code);
    const SampleSecurity* security = market.find(code);
    const double level = security && security->basePrice > 0 ? q.last / security->basePrice : 1;
    r.insert(QStringLiteral("PE"), fmt2(13.0 + 4.0 * noise(code + QStringLiteral("pe"))));
    r.insert(QStringLiteral("PB"), QStringLiteral("0.00"));
    // "totalvalue" in 亿, "marketvalue" in 万.
    r.insert(QStringLiteral("totalvalue"), fmt2(facts ? facts->totalValueYi * level : 0));
    r.insert(QStringLiteral("marketvalue"), fmt2(facts ? facts->circulatingYi * level * 1e4 : 0));
    r.insert(QStringLiteral("ratio"), QStringLiteral("1.00"));
    r.insert(QStringLiteral("turnoverrate"), QStringLiteral("0.00"));
    // The product index's record counts its volume in 亿手 and its amount in
    // 亿 yuan; another index's in lots and 万 as the public quote feed does.
    r.insert(QStringLiteral("transaction100count"), own ? fmt2(q.volumeLots / 1e8) : fmt0(q.volumeLots));
    r.insert(
        QStringLiteral("transactionvaluecount"), own ? fmt2(q.amountYuan / 1e8) : fmt2(q.amountYuan / 1e4));
    // Outer and inner volume in shares, as the quote store keeps them.
    r.insert(QStringLiteral("outdisk"), fmt0(q.outerLots * 100));
    r.insert(QStringLiteral("indisk"), fmt0(q.innerLots * 100));
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        r.insert(QStringLiteral("buy") + n, fmt2(q.bid[i]));
        r.insert(QStringLiteral("sell") + n, fmt2(q.ask[i]));
        r.insert(QStringLiteral("buy") + n + QStringLiteral("count"), fmt0(q.bidLots[i]));
        r.insert(QStringLiteral("sell") + n + QStringLiteral("count"), fmt0(q.askLots[i]));
    }
    r.insert(QStringLiteral("recentlyandtransactionbytransaction"), QString());
    const int total = facts && facts->members > 0 ? facts->members : 1200;
    const int up = std::clamp(int(total * (0.5 + rate * 0.125)), 0, total);
    const int equal = std::min(total / 20, total - up);
    r.insert(QStringLiteral("totalsub"), QString::number(total));
    r.insert(QStringLiteral("subupcount"), QString::number(up));
    r.insert(QStringLiteral("subequalcount"), QString::number(equal));
    r.insert(QStringLiteral("subdowncount"), QString::number(total - up - equal));

    // Fund flow by order size in 亿 yuan; the shares are fixed, the sign
    // follows the day.
    const double amount = q.amountYuan / 1e8;
    // A move of 2 % tilts the big orders as far as they go.
    const double lean = std::clamp(rate / 2.0, -1.0, 1.0);
    struct Size {
        const char* name;
        double share;
        double tilt;
    };
    const Size sizes[]
        = { { "bigbig", 0.25, 0.12 }, { "big", 0.25, 0.08 }, { "mid", 0.25, -0.08 }, { "min", 0.25, -0.12 } };
    double mainNet = 0;
    for (const Size& s : sizes) {
        const double buy = amount * s.share * (0.5 + s.tilt * lean);
        const double sell = amount * s.share - buy;
        const QString base = QString::fromLatin1(s.name);
        r.insert(base + QStringLiteral("buy"), QString::number(buy, 'f', 4));
        r.insert(base + QStringLiteral("sell"), QString::number(sell, 'f', 4));
        r.insert(base + QStringLiteral("value"), QString::number(buy - sell, 'f', 4));
        r.insert(base + QStringLiteral("valuePrecent"), fmt2(amount > 0 ? (buy - sell) / amount * 100.0 : 0));
        if (s.tilt > 0)
            mainNet += buy - sell;
    }
    r.insert(QStringLiteral("mainvalue"), QString::number(mainNet, 'f', 4));
    r.insert(QStringLiteral("mainvaluePrecent"), fmt2(amount > 0 ? mainNet / amount * 100.0 : 0));
    return r;
}

QVariantList recommendations(const SampleMarket& market, const QString& type, const QDate& day)
{
    QList<const SampleSecurity*> candidates;
    for (const SampleSecurity& security : market.securities()) {
        if (!security.isIndex)
            candidates.append(&security);
    }
    const QString dayText = day.toString(QStringLiteral("yyyy-MM-dd"));
    const QString seed = type + QLatin1Char('|') + dayText + QLatin1Char('|');
    std::sort(
        candidates.begin(), candidates.end(), [&seed](const SampleSecurity* a, const SampleSecurity* b) {
            return noise(seed + a->code) < noise(seed + b->code);
        });
    QVariantList records;
    for (const SampleSecurity* security : candidates.mid(0, 5)) {
        // The reference price is the close of the trading day before.
        const QList<DayBar> bars = market.dayBars(security->code, day.addDays(-1));
        const double price = bars.isEmpty() ? security->basePrice : bars.last().close;
        QVariantMap record;
        record.insert(QStringLiteral("stockcode"), security->code);
        record.insert(QStringLiteral("stockname"), security->name);
        record.insert(QStringLiteral("recomdate"), QString(dayText + QStringLiteral(" 09:15:00")));
        record.insert(QStringLiteral("price"), fmt2(price));
        record.insert(QStringLiteral("recomtype"), type);
        records.append(record);
    }
    return records;
}

} // namespace standin::backenddata
