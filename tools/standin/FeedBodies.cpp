#include "standin/FeedBodies.h"

#include "platform/TextCodec.h"
#include "standin/SampleData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace standin {

namespace {

constexpr int kChinaOffset = 8 * 3600;
constexpr int kMaxCodes = 2000;

QByteArray f2(double v)
{
    if (!std::isfinite(v))
        v = 0;
    return QByteArray::number(v, 'f', 2);
}

QByteArray fixed(double v, int decimals)
{
    if (!std::isfinite(v))
        v = 0;
    return QByteArray::number(v, 'f', decimals);
}

// A JSON number the way the NetEase feeds print them: shortest form.
QByteArray jnum(double v)
{
    if (!std::isfinite(v))
        return "0";
    if (v == std::floor(v) && std::abs(v) < 1e15)
        return QByteArray::number(qint64(v));
    return QByteArray::number(v, 'g', 12);
}

// JSON string with everything outside printable ASCII as \uXXXX, as the
// NetEase feeds send names.
QByteArray jstr(const QString& text)
{
    QByteArray out = "\"";
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u >= 0x20 && u < 0x7f) {
            out += char(u);
        } else {
            out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
        }
    }
    out += '"';
    return out;
}

quint64 hashOf(const QString& text, quint64 salt)
{
    quint64 h = 1469598103934665603ull ^ salt;
    for (QChar c : text) {
        h ^= c.unicode();
        h *= 1099511628211ull;
    }
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

// A deterministic number in [0, 1) for (text, salt).
double unit(const QString& text, quint64 salt)
{
    return double(hashOf(text, salt) >> 11) / double(1ull << 53);
}

QString sixOf(const QString& code)
{
    return code.left(6);
}

QDateTime china(const QDateTime& t)
{
    return t.toOffsetFromUtc(kChinaOffset);
}

// The trading day whose minutes the "today" feed shows.
QDate sessionDay(const QDateTime& now)
{
    const QDateTime t = china(now);
    if (isTradingDay(t.date()) && t.time() >= QTime(9, 25))
        return t.date();
    return previousTradingDay(t.date());
}

double previousClose(const SampleMarket& market, const QString& code, const QDate& day)
{
    return market.quoteAt(code, QDateTime(day, QTime(15, 0), QTimeZone(kChinaOffset))).prevClose;
}

QByteArray tencentFullLine(
    const SampleMarket& market, const SampleSecurity& s, const QString& asked, const QDateTime& now)
{
    const SampleDef* def = sampleDef(s.code);
    const LiveQuote q = market.quoteAt(s.code, now);
    QList<QByteArray> f(88);
    const double change = q.last - q.prevClose;
    const double pct = q.prevClose > 0 ? change / q.prevClose * 100 : 0;
    f[0] = s.shanghai ? "1" : "51";
    f[1] = QByteArray(); // name is added as text below (GB18030)
    f[2] = sixOf(s.code).toLatin1();
    f[3] = f2(q.last);
    f[4] = f2(q.prevClose);
    f[5] = f2(q.open);
    f[6] = QByteArray::number(qint64(q.volumeLots));
    f[7] = QByteArray::number(qint64(q.outerLots));
    f[8] = QByteArray::number(qint64(q.innerLots));
    double bidSum = 0, askSum = 0;
    for (int j = 0; j < 5; ++j) {
        f[9 + 2 * j] = f2(q.bid[j]);
        f[10 + 2 * j] = QByteArray::number(qint64(q.bidLots[j]));
        f[19 + 2 * j] = f2(q.ask[j]);
        f[20 + 2 * j] = QByteArray::number(qint64(q.askLots[j]));
        bidSum += q.bidLots[j];
        askSum += q.askLots[j];
    }
    // The last deals (the legacy field, still read by the client): newest
    // first, time/price/lots/direction/yuan/sequence.
    if (!s.isIndex && q.volumeLots > 0) {
        QList<QByteArray> deals;
        // Deals happen in the sessions only: after the close or in the lunch
        // break the last one stands just before the bell.
        QDateTime at = q.time;
        const QTime clock = at.time();
        if (clock >= QTime(15, 0))
            at.setTime(QTime(14, 59, 58));
        else if (clock >= QTime(11, 30) && clock < QTime(13, 0))
            at.setTime(QTime(11, 29, 58));
        const quint64 minute = quint64(q.time.toSecsSinceEpoch() / 60);
        for (int k = 0; k < 6; ++k) {
            const double r = unit(s.code, minute * 8 + quint64(k));
            const double price = std::max(0.01, q.last + (k == 0 ? 0.0 : (r < 0.5 ? -0.01 : 0.01)));
            const qint64 lots = 1 + qint64(400 * r);
            const char* side = r < 0.45 ? "S" : (r < 0.9 ? "B" : "M");
            deals << at.toString(QStringLiteral("HH:mm:ss")).toLatin1() + '/' + f2(price) + '/'
                    + QByteArray::number(lots) + '/' + side + '/'
                    + QByteArray::number(qint64(std::round(price * double(lots) * 100))) + '/'
                    + QByteArray::number(qint64(minute % 100000) * 10 + 9 - k);
            at = at.addSecs(-(3 + qint64(9 * r)));
        }
        f[29] = deals.join('|');
    }
    f[30] = q.time.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    f[31] = f2(change);
    f[32] = f2(pct);
    f[33] = f2(q.high);
    f[34] = f2(q.low);
    f[35] = f2(q.last) + '/' + f[6] + '/' + QByteArray::number(qint64(q.amountYuan));
    f[36] = f[6];
    f[37] = QByteArray::number(qint64(std::round(q.amountYuan / 1e4)));
    f[41] = f[33];
    f[42] = f[34];
    f[43] = f2(q.prevClose > 0 ? (q.high - q.low) / q.prevClose * 100 : 0);
    const double ratio = 0.6 + 1.2 * unit(s.code, quint64(now.date().toJulianDay()));
    f[49] = f2(ratio);
    f[57] = fixed(q.amountYuan / 1e4, 4);
    f[58] = "0.0000";
    f[59] = "0";
    f[60] = " ";
    f[82] = "CNY";
    f[83] = "0";
    f[85] = f2(q.last);
    f[86] = QByteArray::number(qint64(100 + 900 * unit(s.code, 86)));
    // 52-week range from the year of bars before today.
    const QDate today = china(now).date();
    double high52 = q.high, low52 = q.low;
    for (const DayBar& b : market.dayBars(s.code, today.addYears(-1), today.addDays(-1))) {
        high52 = std::max(high52, b.high);
        low52 = std::min(low52, b.low);
    }
    f[67] = f2(high52);
    f[68] = f2(low52);
    for (int i : { 69, 70, 71, 74, 75, 79, 80 })
        f[i] = f2((unit(s.code, i) - 0.5) * 20);
    if (s.isIndex) {
        const IndexFacts* facts = indexFacts(s.code);
        const double level = s.basePrice > 0 ? q.last / s.basePrice : 1;
        const double circulatingYi = facts ? facts->circulatingYi : 0;
        const double sharePrice = facts ? facts->sharePrice * level : 10;
        f[38] = f2(0.6 + 0.8 * unit(s.code, 38));
        f[39] = f2(12 + 8 * unit(s.code, 39));
        f[44] = f2(circulatingYi * level);
        f[45] = f2((facts ? facts->totalValueYi : 0) * level);
        f[46] = "0.00";
        f[47] = "-1";
        f[48] = "-1";
        f[50] = "0";
        f[51] = f2(q.last - (q.last - q.open) * 0.4);
        f[61] = "ZS";
        f[62] = f2(unit(s.code, 62));
        f[63] = f2(unit(s.code, 63));
        f[72] = QByteArray::number(qint64(circulatingYi * 1e8 / std::max(1.0, sharePrice)));
        f[76] = f[72];
    } else {
        const double lim = s.code.startsWith(QLatin1String("300")) ? 0.2 : 0.1;
        const double eps = def && def->peBase > 0 ? s.basePrice / def->peBase : 1;
        const double bps = def && def->pbBase > 0 ? s.basePrice / def->pbBase : 1;
        f[38] = f2(q.volumeLots * 100 / s.circulatingShares * 100);
        f[39] = f2(q.last / eps);
        f[44] = f2(q.last * s.circulatingShares / 1e8);
        f[45] = f2(q.last * s.totalShares / 1e8);
        f[46] = f2(q.last / bps);
        f[47] = f2(std::round(q.prevClose * (1 + lim) * 100) / 100);
        f[48] = f2(std::round(q.prevClose * (1 - lim) * 100) / 100);
        f[50] = QByteArray::number(qint64(bidSum - askSum));
        f[51] = f2(q.volumeLots > 0 ? q.amountYuan / (q.volumeLots * 100) : q.last);
        f[52] = f2(q.last / eps * 0.92);
        f[53] = f2(q.last / eps * 1.07);
        f[56] = f2(0.5 + unit(s.code, 56));
        f[61] = s.code.startsWith(QLatin1String("300")) ? "GP-A-CYB" : "GP-A";
        f[62] = f2(unit(s.code, 62) * 5);
        f[63] = f2(unit(s.code, 63));
        f[64] = f2(unit(s.code, 64) * 6);
        f[72] = QByteArray::number(qint64(s.circulatingShares));
        f[73] = QByteArray::number(qint64(s.totalShares));
        f[76] = f[72];
        f[84] = "___D__F__N";
    }
    QByteArray line = "v_" + asked.toLatin1() + "=\"";
    for (int i = 0; i < 88; ++i) {
        if (i > 0)
            line += '~';
        line += i == 1 ? platform::encodeGB18030(s.name) : f.at(i);
    }
    line += "\";\n";
    return line;
}

QByteArray tencentBriefLine(
    const SampleMarket& market, const SampleSecurity& s, const QString& asked, const QDateTime& now)
{
    const LiveQuote q = market.quoteAt(s.code, now);
    const double change = q.last - q.prevClose;
    const double pct = q.prevClose > 0 ? change / q.prevClose * 100 : 0;
    const IndexFacts* facts = s.isIndex ? indexFacts(s.code) : nullptr;
    const double cap
        = s.isIndex ? (facts ? facts->totalValueYi : 0) * q.last / s.basePrice : q.last * s.totalShares / 1e8;
    QByteArray line = "v_" + asked.toLatin1() + "=\"";
    line += QByteArray(s.shanghai ? "1" : "51") + '~' + platform::encodeGB18030(s.name) + '~'
        + sixOf(s.code).toLatin1() + '~' + f2(q.last) + '~' + f2(change) + '~' + f2(pct) + '~'
        + QByteArray::number(qint64(q.volumeLots)) + '~'
        + QByteArray::number(qint64(std::round(q.amountYuan / 1e4))) + "~~" + f2(cap) + '~'
        + (s.isIndex ? "ZS" : "GP-A") + "~\";\n";
    return line;
}

QByteArray neteaseQuoteObject(
    const SampleMarket& market, const SampleSecurity& s, const QString& seven, const QDateTime& now)
{
    const LiveQuote q = market.quoteAt(s.code, now);
    const double updown = std::round((q.last - q.prevClose) * 100) / 100;
    const double percent = q.prevClose > 0 ? std::round((q.last - q.prevClose) / q.prevClose * 1e6) / 1e6 : 0;
    const QDateTime t = china(q.time);
    const QString time = t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    const QString update = t.addSecs(3).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    QList<QPair<QByteArray, QByteArray>> kv;
    kv << qMakePair(QByteArray("code"), jstr(seven)) << qMakePair(QByteArray("percent"), jnum(percent))
       << qMakePair(QByteArray("high"), jnum(q.high));
    for (int j = 0; j < 5; ++j) {
        kv << qMakePair("askvol" + QByteArray::number(j + 1), jnum(q.askLots[j] * 100));
        kv << qMakePair("bid" + QByteArray::number(j + 1), jnum(q.bid[j]));
    }
    kv << qMakePair(QByteArray("price"), jnum(q.last)) << qMakePair(QByteArray("open"), jnum(q.open))
       << qMakePair(QByteArray("low"), jnum(q.low)) << qMakePair(QByteArray("updown"), jnum(updown))
       << qMakePair(QByteArray("type"), jstr(s.shanghai ? QStringLiteral("SH") : QStringLiteral("SZ")))
       << qMakePair(QByteArray("symbol"), jstr(sixOf(s.code)))
       << qMakePair(QByteArray("status"), QByteArray("0"));
    for (int j = 0; j < 5; ++j) {
        kv << qMakePair("ask" + QByteArray::number(j + 1), jnum(q.ask[j]));
        kv << qMakePair("bidvol" + QByteArray::number(j + 1), jnum(q.bidLots[j] * 100));
    }
    kv << qMakePair(QByteArray("update"), jstr(update))
       << qMakePair(QByteArray("yestclose"), jnum(q.prevClose))
       << qMakePair(QByteArray("volume"), jnum(q.volumeLots * 100))
       << qMakePair(QByteArray("name"), jstr(s.name))
       << qMakePair(QByteArray("arrow"),
              jstr(updown > 0      ? QStringLiteral("\u2191")
                      : updown < 0 ? QStringLiteral("\u2193")
                                   : QString()))
       << qMakePair(QByteArray("time"), jstr(time)) << qMakePair(QByteArray("turnover"), jnum(q.amountYuan));
    QByteArray out = "{";
    for (qsizetype i = 0; i < kv.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += '"' + kv.at(i).first + "\": " + kv.at(i).second;
    }
    return out + '}';
}

QByteArray minuteRows(const QList<SampleMarket::Minute>& minutes, double* lastVolume)
{
    QByteArray rows = "[";
    double total = 0;
    for (qsizetype i = 0; i < minutes.size(); ++i) {
        const auto& m = minutes.at(i);
        if (i > 0)
            rows += ", ";
        rows += "[\"" + m.hhmm.toLatin1() + "\", " + jnum(m.price) + ", " + jnum(m.average) + ", "
            + jnum(m.volumeShares) + ']';
        total += m.volumeShares;
    }
    *lastVolume = total;
    return rows + ']';
}

QByteArray minuteDay(const SampleMarket& market, const SampleSecurity& s, const QDate& day,
    const QDateTime& now, bool withIdentity)
{
    double lastVolume = 0;
    const QByteArray rows = minuteRows(market.minutes(s.code, day, now), &lastVolume);
    QByteArray out = "{\"count\": 242, ";
    if (withIdentity)
        out += "\"symbol\": " + jstr(sixOf(s.code)) + ", \"name\": " + jstr(s.name) + ", ";
    out += "\"yestclose\": " + jnum(previousClose(market, s.code, day))
        + ", \"lastVolume\": " + jnum(lastVolume) + ", \"date\": \""
        + day.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "\", \"data\": " + rows + '}';
    return out;
}

FeedReply ok(QByteArray body, QByteArray type)
{
    FeedReply r;
    r.status = 200;
    r.body = std::move(body);
    r.contentType = std::move(type);
    return r;
}

FeedReply notFound()
{
    FeedReply r;
    r.status = 404;
    r.body = "Not Found\n";
    return r;
}

const QByteArray kJson = "application/json; charset=utf-8";
const QByteArray kScript = "application/x-javascript; charset=utf-8";

FeedReply tencent(const SampleMarket& market, const QString& path, const QDateTime& now)
{
    const qsizetype at = path.lastIndexOf(QLatin1String("q="));
    if (at < 0)
        return notFound();
    QStringList codes = path.mid(at + 2).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (codes.size() > kMaxCodes)
        codes = codes.mid(0, kMaxCodes);
    return ok(tencentQuotes(market, codes, now), "text/html; charset=GBK");
}

FeedReply neteaseFeed(
    const SampleMarket& market, const QString& list, const QUrlQuery& query, const QDateTime& now)
{
    QString callback = query.queryItemValue(QStringLiteral("callback"));
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z_$][A-Za-z0-9_$.]{0,63}$"));
    if (!safe.match(callback).hasMatch())
        callback = QStringLiteral("_ntes_quote_callback");
    QList<QByteArray> entries;
    const QStringList codes = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& raw : codes.mid(0, kMaxCodes)) {
        const QString code = raw.trimmed();
        if (code.startsWith(QLatin1String("UD_"))) {
            // Rise/fall/flat counts of a whole board: the sample's few stocks
            // give the shares, the board's size the magnitude.
            const bool sh = code.startsWith(QLatin1String("UD_SHA"));
            const bool sz = code.startsWith(QLatin1String("UD_SZA"));
            const QChar kind = code.right(1).at(0);
            if (!sh && !sz && !code.startsWith(QLatin1String("UD_HS3")))
                continue;
            int tally[3] = {}; // up, down, flat
            for (const SampleSecurity& s : market.securities()) {
                if (s.isIndex || (sh && !s.shanghai) || (sz && s.shanghai))
                    continue;
                const LiveQuote q = market.quoteAt(s.code, now);
                ++tally[q.last > q.prevClose ? 0 : q.last < q.prevClose ? 1 : 2];
            }
            const IndexFacts* board
                = indexFacts(sh ? QStringLiteral("000001.idx") : QStringLiteral("399001.idx"));
            const int members = sh || sz ? (board ? board->members : 0) : 300;
            const int sampled = tally[0] + tally[1] + tally[2];
            // A board always has a few unchanged stocks.
            const int flat = sampled > 0 ? std::max(int(std::lround(members * 0.03)),
                                 int(std::lround(double(members) * tally[2] / sampled)))
                                         : members;
            const int moving = members - flat;
            const int up = tally[0] + tally[1] > 0
                ? int(std::lround(double(moving) * tally[0] / (tally[0] + tally[1])))
                : moving / 2;
            const int count = kind == QLatin1Char('Z') ? up
                : kind == QLatin1Char('D')             ? moving - up
                : kind == QLatin1Char('P')             ? flat
                                                       : 0;
            entries << jstr(code) + ":{\"count\": " + QByteArray::number(count) + '}';
            continue;
        }
        const QString sample = codeFromNetease(market, code);
        if (sample.isEmpty())
            continue;
        entries << jstr(code) + ':' + neteaseQuoteObject(market, *market.find(sample), code, now);
    }
    if (entries.isEmpty())
        return notFound();
    return ok(callback.toLatin1() + "({" + entries.join(", ") + " });", kScript);
}

QDate lastCompletedQuarterEnd(const QDate& today)
{
    const int q = (today.month() - 1) / 3; // quarters fully past this year
    if (q == 0)
        return QDate(today.year() - 1, 12, 31);
    return QDate(today.year(), q * 3, 1).addMonths(1).addDays(-1);
}

QList<QDate> quarterEnds(const QDate& today, int count)
{
    QList<QDate> out;
    QDate d = lastCompletedQuarterEnd(today);
    for (int i = 0; i < count; ++i) {
        out << d;
        d = QDate(d.year(), d.month(), 1).addMonths(-2).addDays(-1);
    }
    return out;
}

QString fullName(const SampleDef& def)
{
    QString name = QString::fromUtf8(def.name);
    if (name.endsWith(QLatin1Char('A')))
        name.chop(1);
    return QString::fromUtf8(def.region) + name + QStringLiteral("股份有限公司");
}

QStringList productsOf(const QString& industry)
{
    static const QHash<QString, QStringList> byIndustry = {
        { QStringLiteral("银行"),
            { QStringLiteral("利息净收入"), QStringLiteral("手续费及佣金净收入"),
                QStringLiteral("其他业务") } },
        { QStringLiteral("白酒"),
            { QStringLiteral("高档酒"), QStringLiteral("中低档酒"), QStringLiteral("其他") } },
        { QStringLiteral("家电"),
            { QStringLiteral("空调"), QStringLiteral("生活电器"), QStringLiteral("其他") } },
        { QStringLiteral("汽车"),
            { QStringLiteral("整车"), QStringLiteral("零部件"), QStringLiteral("金融服务") } },
        { QStringLiteral("证券"),
            { QStringLiteral("经纪业务"), QStringLiteral("投资银行"), QStringLiteral("资产管理") } },
        { QStringLiteral("保险"),
            { QStringLiteral("寿险"), QStringLiteral("财产险"), QStringLiteral("银行业务") } },
    };
    const auto it = byIndustry.constFind(industry);
    if (it != byIndustry.constEnd())
        return *it;
    return { industry + QStringLiteral("主营产品"), industry + QStringLiteral("相关服务"),
        QStringLiteral("其他业务") };
}

// Shares of a whole, in percent with two decimals, summing to 100.
QList<double> sharesOf(const QString& key, int count)
{
    QList<double> w;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        w << 1 + 3 * unit(key, quint64(i) + 11) / (i + 1);
        sum += w.last();
    }
    double given = 0;
    for (int i = 0; i < count; ++i) {
        w[i] = i == count - 1 ? std::round((100 - given) * 100) / 100 : std::round(w[i] / sum * 10000) / 100;
        given += w[i];
    }
    return w;
}

double annualProfit(const SampleDef& def)
{
    return def.basePrice * def.totalYi * 1e8 / std::max(1.0, def.peBase);
}

QByteArray summaryJson(const SampleDef& def)
{
    const QString code = QString::fromUtf8(def.code);
    QJsonObject basic;
    basic.insert(QStringLiteral("GONG_SI_QUAN_CHENG"), fullName(def));
    basic.insert(QStringLiteral("ZHU_CE_ZI_BEN"), std::round(def.totalYi * 1e8));
    basic.insert(QStringLiteral("HANG_YE"), QString::fromUtf8(def.industry));
    basic.insert(QStringLiteral("DI_YU"), QString::fromUtf8(def.region));
    basic.insert(QStringLiteral("ZHU_YING_YE_WU"),
        QString(QString::fromUtf8(def.industry) + QStringLiteral("相关产品的研发、生产、销售及服务。")));
    const double revenue = annualProfit(def) * 8;
    auto section = [&](const QString& prefix, const QStringList& names) {
        QJsonArray n, share, income;
        const QList<double> parts = sharesOf(code + prefix, int(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i) {
            n.append(names.at(i));
            share.append(parts.at(i));
            income.append(std::round(revenue * parts.at(i) / 100));
        }
        QJsonObject o;
        o.insert(prefix + QStringLiteral("_MING_CHENG"), n);
        o.insert(prefix + QStringLiteral("_ZHAN_BI"), share);
        o.insert(prefix + QStringLiteral("_SHOU_RU"), income);
        return o;
    };
    QJsonObject outline;
    outline.insert(QStringLiteral("SHANG_SHI_RI_QI"), QStringLiteral("%1-03-04").arg(def.listedYear));
    QJsonArray data { basic, outline,
        section(QStringLiteral("HANG_YE"), productsOf(QString::fromUtf8(def.industry))),
        section(QStringLiteral("DI_YU"),
            { QString::fromUtf8(def.region) + QStringLiteral("地区"), QStringLiteral("华东地区"),
                QStringLiteral("华北地区"), QStringLiteral("境外") }) };
    QJsonObject top;
    top.insert(QStringLiteral("SYMBOL"), code);
    top.insert(QStringLiteral("data"), data);
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

QByteArray holdersJson(const SampleDef& def, const QDate& today)
{
    const QString code = QString::fromUtf8(def.code);
    const QList<QDate> quarters = quarterEnds(today, 8);
    QJsonArray labels, average;
    for (const QDate& q : quarters) {
        labels.append(QStringLiteral("%1Q%2").arg(q.year()).arg((q.month() + 2) / 3));
        average.append(
            std::round(def.circulatingYi * 1e8 / (80000 + 400000 * unit(code, quint64(q.toJulianDay())))));
    }
    QJsonObject perHolder;
    perHolder.insert(QStringLiteral("RI_QI"), labels);
    perHolder.insert(QStringLiteral("HU_JUN_CHI_GU"), average);

    const double circ = def.circulatingYi * 1e8;
    QJsonObject funds;
    funds.insert(QStringLiteral("BAO_GAO_RI_QI"), quarters.at(0).toString(Qt::ISODate));
    funds.insert(QStringLiteral("SHANG_GE_BAO_GAO_RI_QI"), quarters.at(1).toString(Qt::ISODate));
    const int fundCount = 20 + int(300 * unit(code, 1));
    funds.insert(QStringLiteral("JI_JIN_JIA_SHU"), fundCount);
    funds.insert(QStringLiteral("CHI_CANG_LIANG"), std::round(circ * (0.02 + 0.1 * unit(code, 2))));
    funds.insert(QStringLiteral("ZHAN_LIU_TONG_GU"), std::round((0.02 + 0.1 * unit(code, 2)) * 1e4) / 1e4);
    funds.insert(QStringLiteral("ZENG_CHANG_JIA_SHU"), int(fundCount * 0.3));
    funds.insert(QStringLiteral("ZENG_CHI_GU_PIAO"), std::round(circ * 0.004));
    funds.insert(QStringLiteral("XIN_JIN_JIA_SHU"), int(fundCount * 0.1));
    funds.insert(QStringLiteral("ZENG_CHANG_GU_PIAO"), std::round(circ * 0.001));
    funds.insert(QStringLiteral("TUI_CHU_JIA_SHU"), int(fundCount * 0.25));
    funds.insert(QStringLiteral("JIAN_CHANG_GU_PIAO"), std::round(circ * 0.003));
    funds.insert(QStringLiteral("JIAN_CHANG_JIA_SHU"), 0);
    funds.insert(QStringLiteral("JIAN_CHI_GU_PIAO"), 0);

    static const char* const holders[] = { "控股集团有限公司", "香港中央结算有限公司",
        "中国证券金融股份有限公司", "中央汇金资产管理有限责任公司", "全国社保基金一零一组合",
        "中国人寿保险股份有限公司-传统-普通保险产品", "易方达沪深300交易型开放式指数证券投资基金",
        "华夏上证50交易型开放式指数证券投资基金", "国新投资有限公司", "招商中证白酒指数证券投资基金" };
    QJsonArray names, now, before, ratio;
    double share = 0.30;
    for (int i = 0; i < 10; ++i) {
        const QString name = i == 0
            ? QString::fromUtf8(def.name).remove(QLatin1Char('A')) + QString::fromUtf8(holders[0])
            : QString::fromUtf8(holders[i]);
        const double held = std::round(circ * share);
        names.append(name);
        now.append(held);
        // One newcomer, one unchanged, the others moving both ways.
        before.append(i == 9 ? 0.0
                : i == 0     ? held
                             : std::round(held * (0.9 + 0.2 * unit(code, quint64(i) + 40))));
        ratio.append(std::round(share * 1e4) / 100);
        share *= 0.55;
    }
    QJsonObject topTen;
    topTen.insert(QStringLiteral("BAO_GAO_RI_QI"), quarters.at(0).toString(Qt::ISODate));
    topTen.insert(QStringLiteral("SHI_DA_GU_DONG"), names);
    topTen.insert(QStringLiteral("BEN_QI_CHI_GU"), now);
    topTen.insert(QStringLiteral("SHANG_QI_CHI_GU"), before);
    topTen.insert(QStringLiteral("CHI_YOU_BI_LI"), ratio);

    QJsonObject count;
    count.insert(QStringLiteral("GU_DONG_HU_SHU"), std::round(circ / 20000));
    QJsonObject top;
    top.insert(QStringLiteral("SYMBOL"), code);
    top.insert(QStringLiteral("data"), QJsonArray { perHolder, funds, topTen, count });
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

QByteArray indicatorsJson(const SampleDef& def, const QDate& today)
{
    const QString code = QString::fromUtf8(def.code);
    const QList<QDate> quarters = quarterEnds(today, 12);
    const double profitYear = annualProfit(def);
    const double shares = def.totalYi * 1e8;
    QJsonObject o;
    QJsonArray dates;
    QHash<QString, QJsonArray> columns;
    for (const QDate& q : quarters) {
        dates.append(q.toString(Qt::ISODate));
        // Reports are cumulative within their year.
        const double part = ((q.month() + 2) / 3) / 4.0;
        const double growth
            = std::pow(1.06, q.year() - today.year()) * (0.9 + 0.2 * unit(code, quint64(q.toJulianDay())));
        const double profit = std::round(profitYear * part * growth);
        const double income = std::round(profit * 7.5);
        const double assets = std::round(shares * def.basePrice / std::max(0.3, def.pbBase) * 3.2);
        auto put = [&](const char* key, double v) { columns[QString::fromLatin1(key)].append(v); };
        put("JING_LI_RUN", profit);
        columns[QStringLiteral("MEI_GU_SHOU_YI")].append(QString::number(profit / shares, 'f', 4));
        put("ZHU_YING_YE_WU_SHOU_RU", income);
        put("ZHU_YING_YE_WU_LI_RUN", std::round(income * 0.22));
        put("YING_YE_LI_RUN", std::round(profit * 1.3));
        put("TOU_ZI_SHOU_YI", std::round(profit * 0.05));
        put("CHOU_SUN_JING_LI_RUN", std::round(profit * 0.97));
        put("JING_YING_XIAN_JIN_LIU",
            std::round(profit * (1.1 - 0.6 * unit(code, quint64(q.toJulianDay()) + 3))));
        put("XIAN_JIN_DENG_JIA_WU",
            std::round(profit * (0.4 - 0.8 * unit(code, quint64(q.toJulianDay()) + 5))));
        put("JING_ZI_CHAN_SHOU_YI_LV", std::round(profit / (assets * 0.31) * 10000) / 100);
        put("ZONG_ZI_CHAN", assets);
        put("LIU_DONG_ZI_CHAN", std::round(assets * 0.45));
        put("ZONG_FU_ZAI", std::round(assets * 0.69));
        put("LIU_DONG_FU_ZAI", std::round(assets * 0.38));
        put("GU_DONG_QUAN_YI", std::round(assets * 0.31));
    }
    o.insert(QStringLiteral("BAO_GAO_RI_QI"), dates);
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        o.insert(it.key(), it.value());
    QJsonObject top;
    top.insert(QStringLiteral("SYMBOL"), code);
    top.insert(QStringLiteral("data"), QJsonArray { o });
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

QByteArray noticeListJson(const SampleDef& def, const QString& seven, const QDateTime& now, int count,
    int page, const QString& baseUrl)
{
    static const char* const titles[] = { "%1：%2年第三季度报告", "%1：关于召开%2年第一次临时股东大会的通知",
        "%1：董事会决议公告", "%1：关于回购股份进展的公告", "%1：%2年半年度报告摘要", "%1：独立董事述职报告",
        "%1：关于股东权益变动的提示性公告", "%1：年度权益分派实施公告", "%1：监事会决议公告" };
    constexpr int kTotal = 45;
    const QString name = QString::fromUtf8(def.name);
    QJsonArray data;
    const QDateTime t = china(now);
    for (int i = page * count; i < std::min(kTotal, (page + 1) * count); ++i) {
        const QDateTime when(t.date().addDays(-3 - i * 9), QTime(17 + i % 3, 30 * (i % 2)), t.timeZone());
        QJsonObject n;
        n.insert(QStringLiteral("createTime"), when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        QString title = QString::fromUtf8(titles[i % 9]);
        title.replace(QLatin1String("%1"), name)
            .replace(QLatin1String("%2"), QString::number(when.date().year()));
        n.insert(QStringLiteral("title"), title);
        n.insert(QStringLiteral("url"),
            QString(baseUrl + QStringLiteral("/app/notice/%1/%2.html").arg(seven).arg(i)));
        n.insert(QStringLiteral("id"), QStringLiteral("%1%2").arg(seven).arg(i, 4, 10, QLatin1Char('0')));
        data.append(n);
    }
    QJsonObject top;
    top.insert(QStringLiteral("count"), kTotal);
    top.insert(QStringLiteral("page"), page);
    top.insert(QStringLiteral("data"), data);
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

QByteArray stockAppJson(const SampleMarket& market, const SampleSecurity& s, const QDateTime& now)
{
    const LiveQuote q = market.quoteAt(s.code, now);
    QJsonObject o;
    o.insert(QStringLiteral("SYMBOL"), sixOf(s.code));
    o.insert(QStringLiteral("NAME"), s.name);
    o.insert(QStringLiteral("PRICE"), q.last);
    o.insert(QStringLiteral("YESTCLOSE"), q.prevClose);
    o.insert(QStringLiteral("OPEN"), q.open);
    o.insert(QStringLiteral("HIGH"), q.high);
    o.insert(QStringLiteral("LOW"), q.low);
    o.insert(QStringLiteral("UPDOWN"), std::round((q.last - q.prevClose) * 100) / 100);
    o.insert(
        QStringLiteral("PERCENT"), q.prevClose > 0 ? std::round((q.last / q.prevClose - 1) * 1e6) / 1e6 : 0);
    o.insert(QStringLiteral("VOLUME"), q.volumeLots * 100);
    o.insert(QStringLiteral("TURNOVER"), q.amountYuan);
    // The turnover rate as the screens show it (percent, read as it comes);
    // the amplitude is a fraction.
    const double hs = s.circulatingShares > 0 ? q.volumeLots * 100 / s.circulatingShares * 100 : 0.8;
    o.insert(QStringLiteral("HS"), std::round(hs * 1e4) / 1e4);
    o.insert(QStringLiteral("LB"),
        std::round((0.6 + 1.2 * unit(s.code, quint64(now.date().toJulianDay()))) * 100) / 100);
    o.insert(
        QStringLiteral("ZF"), q.prevClose > 0 ? std::round((q.high - q.low) / q.prevClose * 1e6) / 1e6 : 0);
    double mcap = q.last * s.circulatingShares;
    double tcap = q.last * s.totalShares;
    if (const IndexFacts* facts = s.isIndex ? indexFacts(s.code) : nullptr) {
        const double level = s.basePrice > 0 ? q.last / s.basePrice : 1;
        mcap = facts->circulatingYi * 1e8 * level;
        tcap = facts->totalValueYi * 1e8 * level;
    }
    o.insert(QStringLiteral("MCAP"), std::round(mcap));
    o.insert(QStringLiteral("TCAP"), std::round(tcap));
    QJsonObject top;
    top.insert(QStringLiteral("SYMBOL"), sixOf(s.code));
    top.insert(QStringLiteral("data"), QJsonArray { o });
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

QByteArray fundFlowScript(const SampleMarket& market, const SampleSecurity& s, const QDateTime& now)
{
    const LiveQuote q = market.quoteAt(s.code, now);
    // A stock's script counts in 万; an index's in 亿 with four decimals, the
    // unit and precision the client keeps an index's figures in.
    const double amount = s.isIndex ? q.amountYuan / 1e8 : q.amountYuan / 1e4;
    const int decimals = s.isIndex ? 4 : 2;
    const double scale = std::pow(10.0, decimals);
    const auto money = [&](double v) { return fixed(v, decimals); };
    const auto cut = [&](double v) { return std::round(v * scale) / scale; };
    const QString key = s.code + q.time.toString(QStringLiteral("yyyyMMddHHmm"));
    double in[4], out[4];
    const double part[4] = { 0.18, 0.27, 0.30, 0.25 };
    for (int i = 0; i < 4; ++i) {
        in[i] = cut(amount * part[i] * (0.85 + 0.3 * unit(key, quint64(i))));
        out[i] = -cut(amount * part[i] * (0.85 + 0.3 * unit(key, quint64(i) + 10)));
    }
    // The four nets of one trading session cancel out.
    double net[4];
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        net[i] = cut(in[i] + out[i]);
        sum += net[i];
    }
    out[3] = cut(-sum - in[3]);
    net[3] = cut(in[3] + out[3]);
    auto pct = [&](double v) { return amount > 0 ? v / amount * 100 : 0.0; };
    const double main = net[0] + net[1];
    QList<QByteArray> f { money(main), f2(pct(main)) };
    for (int i = 0; i < 4; ++i)
        f << money(net[i]) << f2(pct(net[i]));
    f << "0.00"
      << "0.00";
    for (int i = 0; i < 4; ++i)
        f << money(in[i]) << money(out[i]);
    return "var zjlx_detail={data:\"" + f.join(',') + "\",update:\""
        + china(q.time).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toLatin1() + "\"};";
}

FeedReply noticePage(const SampleMarket& market, const QString& seven, int index)
{
    const QString code = codeFromNetease(market, seven);
    const SampleSecurity* s = code.isEmpty() ? nullptr : market.find(code);
    if (!s || s->isIndex || index < 0 || index >= 45)
        return notFound();
    const QByteArray html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + s->name.toUtf8()
        + "</title></head><body><h1>" + s->name.toUtf8() + "</h1><p>" + QByteArray::number(index)
        + "</p></body></html>";
    return ok(html, "text/html; charset=utf-8");
}

} // namespace

QString codeFromNetease(const SampleMarket& market, const QString& sevenChars)
{
    static const QRegularExpression shape(QStringLiteral("^[01][0-9]{6}$"));
    if (!shape.match(sevenChars).hasMatch())
        return QString();
    const bool shanghai = sevenChars.at(0) == QLatin1Char('0');
    const QString six = sevenChars.mid(1);
    for (const SampleSecurity& s : market.securities()) {
        if (s.shanghai != shanghai || s.code == QLatin1String(kOwnIndexCode))
            continue;
        if ((!s.isIndex && s.code == six) || (s.isIndex && s.code == six + QStringLiteral(".idx")))
            return s.code;
    }
    return QString();
}

QString codeFromTencent(const SampleMarket& market, const QString& prefixed)
{
    if (prefixed.size() != 8)
        return QString();
    if (prefixed.startsWith(QLatin1String("sh")))
        return codeFromNetease(market, QLatin1Char('0') + prefixed.mid(2));
    if (prefixed.startsWith(QLatin1String("sz")))
        return codeFromNetease(market, QLatin1Char('1') + prefixed.mid(2));
    return QString();
}

QString marketStatusSegment(const QDateTime& now)
{
    const QDateTime t = china(now);
    if (!isTradingDay(t.date()))
        return QStringLiteral("close_已休市");
    const QTime c = t.time();
    if (c < QTime(9, 30))
        return QStringLiteral("close_未开盘");
    if (c < QTime(11, 30))
        return QStringLiteral("open_交易中");
    if (c < QTime(13, 0))
        return QStringLiteral("close_午间休市");
    if (c < QTime(15, 0))
        return QStringLiteral("open_交易中");
    return QStringLiteral("close_已收盘");
}

QByteArray tencentMarketStatus(const QDateTime& now)
{
    const QString seg = marketStatusSegment(now);
    const QString us = QStringLiteral("close_已收盘");
    const QString eu = QStringLiteral("close_未开盘");
    QStringList parts { china(now).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) };
    const QList<QPair<const char*, QString>> markets
        = { { "HK", seg }, { "SH", seg }, { "SZ", seg }, { "US", us }, { "SQ", seg }, { "DS", seg },
              { "ZS", seg }, { "NEWSH", seg }, { "NEWSZ", seg }, { "NEWHK", seg }, { "NEWUS", us },
              { "REPO", seg }, { "UK", eu }, { "KCB", seg }, { "IT", eu }, { "MY", seg }, { "EU", eu },
              { "AH", seg }, { "DE", eu }, { "JW", seg }, { "CYB", seg }, { "USA", us }, { "USB", us } };
    for (const auto& m : markets)
        parts << QString::fromLatin1(m.first) + QLatin1Char('_') + m.second;
    return platform::encodeGB18030(
        QStringLiteral("v_marketStat=\"") + parts.join(QLatin1Char('|')) + QStringLiteral("\";\n"));
}

QByteArray tencentQuotes(const SampleMarket& market, const QStringList& codes, const QDateTime& now)
{
    QByteArray body;
    bool unknown = false;
    for (const QString& raw : codes) {
        const QString asked = raw.trimmed();
        if (asked == QLatin1String("marketStat")) {
            body += tencentMarketStatus(now);
            continue;
        }
        const bool brief = asked.startsWith(QLatin1String("s_"));
        const QString code = codeFromTencent(market, brief ? asked.mid(2) : asked);
        if (code.isEmpty()) {
            unknown = true;
            continue;
        }
        const SampleSecurity& s = *market.find(code);
        body += brief ? tencentBriefLine(market, s, asked, now) : tencentFullLine(market, s, asked, now);
    }
    if (unknown || body.isEmpty())
        body += "v_pv_none_match=\"1\";\n";
    return body;
}

FeedReply answerFeed(const SampleMarket& market, const QString& path, const QUrlQuery& query,
    const QDateTime& now, const QString& baseUrl)
{
    static const QRegularExpression tencentPath(QStringLiteral("^/(r=[0-9.]*)?q="));
    static const QRegularExpression feedPath(QStringLiteral("^/data/feed/([^/]+)$"));
    static const QRegularExpression minutePath(
        QStringLiteral("^/data/hs/time/(today|4days)/([01][0-9]{6})\\.json$"));
    static const QRegularExpression klinePath(
        QStringLiteral("^/data/hs/kline/(day|week|month)/history/([0-9]{4})/([01][0-9]{6})\\.json$"));
    static const QRegularExpression companyPath(
        QStringLiteral("^/app/stock/([01][0-9]{6})(_summary|_holders|_indicators|_noticelist)?\\.json$"));
    static const QRegularExpression noticePath(
        QStringLiteral("^/app/notice/([01][0-9]{6})/([0-9]{1,3})\\.html$"));
    static const QRegularExpression flowPath(QStringLiteral("^/js/(zs)?([0-9]{6})\\.js$"));

    if (tencentPath.match(path).hasMatch())
        return tencent(market, path, now);

    QRegularExpressionMatch m = feedPath.match(path);
    if (m.hasMatch())
        return neteaseFeed(market, m.captured(1), query, now);

    m = minutePath.match(path);
    if (m.hasMatch()) {
        const QString code = codeFromNetease(market, m.captured(2));
        if (code.isEmpty())
            return notFound();
        const SampleSecurity& s = *market.find(code);
        const QDate day = sessionDay(now);
        if (m.captured(1) == QLatin1String("today"))
            return ok(minuteDay(market, s, day, now, true), kJson);
        QByteArray days;
        QDate d = day;
        for (int i = 0; i < 4; ++i) {
            d = previousTradingDay(d);
            days += (i > 0 ? ", " : "") + minuteDay(market, s, d, now, false);
        }
        return ok("{\"symbol\": " + jstr(sixOf(s.code)) + ", \"name\": " + jstr(s.name) + ", \"data\": ["
                + days + "]}",
            kJson);
    }

    m = klinePath.match(path);
    if (m.hasMatch()) {
        const QString code = codeFromNetease(market, m.captured(3));
        const int year = m.captured(2).toInt();
        const QDate today = china(now).date();
        if (code.isEmpty() || year < 1990 || year > today.year())
            return notFound();
        const QDate last = std::min(QDate(year, 12, 31), today);
        const QString period = m.captured(1);
        const QList<DayBar> bars = period == QLatin1String("day")
            ? market.dayBars(code, QDate(year, 1, 1), last)
            : period == QLatin1String("week") ? market.weekBars(code, last)
                                              : market.monthBars(code, last);
        QByteArray rows;
        for (const DayBar& b : bars) {
            if (b.date.year() != year)
                continue;
            if (!rows.isEmpty())
                rows += ", ";
            rows += "[\"" + b.date.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "\", " + jnum(b.open)
                + ", " + jnum(b.close) + ", " + jnum(b.high) + ", " + jnum(b.low) + ", " + jnum(b.volumeLots)
                + ", " + jnum(b.changePercent) + ']';
        }
        const SampleSecurity& s = *market.find(code);
        // A year before the listing is an empty list, not an error.
        return ok("{\"symbol\": " + jstr(sixOf(s.code)) + ", \"name\": " + jstr(s.name) + ", \"data\": ["
                + rows + "]}",
            kJson);
    }

    m = companyPath.match(path);
    if (m.hasMatch()) {
        const QString code = codeFromNetease(market, m.captured(1));
        if (code.isEmpty())
            return notFound();
        const SampleSecurity& s = *market.find(code);
        const QString kind = m.captured(2);
        if (kind.isEmpty())
            return ok(stockAppJson(market, s, now), kJson);
        const SampleDef* def = sampleDef(code);
        if (s.isIndex || !def)
            return notFound();
        const QDate today = china(now).date();
        if (kind == QLatin1String("_summary"))
            return ok(summaryJson(*def), kJson);
        if (kind == QLatin1String("_holders"))
            return ok(holdersJson(*def, today), kJson);
        if (kind == QLatin1String("_indicators"))
            return ok(indicatorsJson(*def, today), kJson);
        bool countOk = false, pageOk = false;
        int count = query.queryItemValue(QStringLiteral("count")).toInt(&countOk);
        int page = query.queryItemValue(QStringLiteral("page")).toInt(&pageOk);
        count = countOk ? std::clamp(count, 1, 100) : 20;
        page = pageOk ? std::clamp(page, 0, 1000) : 0;
        return ok(noticeListJson(*def, m.captured(1), now, count, page, baseUrl), kJson);
    }

    m = noticePath.match(path);
    if (m.hasMatch())
        return noticePage(market, m.captured(1), m.captured(2).toInt());

    m = flowPath.match(path);
    if (m.hasMatch()) {
        const bool index = !m.captured(1).isEmpty();
        QString code;
        for (const SampleSecurity& s : market.securities()) {
            if (s.isIndex == index && s.code.left(6) == m.captured(2)
                && s.code != QLatin1String(kOwnIndexCode)) {
                code = s.code;
                break;
            }
        }
        if (code.isEmpty())
            return notFound();
        return ok(fundFlowScript(market, *market.find(code), now), kScript);
    }
    return notFound();
}

} // namespace standin
