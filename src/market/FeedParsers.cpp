#include "market/FeedParsers.h"

#include "market/MarketCodes.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "platform/Types.h"
#include "platform/Values.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace market {

using platform::stringWithFormat;

namespace {

const QString kStockname = QStringLiteral("stockname");
const QString kCprice = QStringLiteral("cprice");
const QString kYprice = QStringLiteral("yprice");
const QString kOpen = QStringLiteral("today_start_price");
const QString kHigh = QStringLiteral("valuehighest");
const QString kLow = QStringLiteral("valuelowest");
const QString kValueprice = QStringLiteral("valueprice");
const QString kValuerate = QStringLiteral("valuerate");
const QString kVolume = QStringLiteral("transaction100count");
const QString kAmount = QStringLiteral("transactionvaluecount");
const QString kOutdisk = QStringLiteral("outdisk");
const QString kIndisk = QStringLiteral("indisk");
const QString kDeals = QStringLiteral("recentlyandtransactionbytransaction");
const QString kCurdate = QStringLiteral("curdate");
const QString kTurnover = QStringLiteral("turnoverrate");
const QString kPE = QStringLiteral("PE");
const QString kPB = QStringLiteral("PB");
const QString kAmplitude = QStringLiteral("amplituderate");
const QString kMarketvalue = QStringLiteral("marketvalue");
const QString kTotalvalue = QStringLiteral("totalvalue");
const QString kLimitHigh = QStringLiteral("today_limith_price");
const QString kLimitLow = QStringLiteral("today_limitl_price");
const QString kRatio = QStringLiteral("ratio");
const QString kPreprice = QStringLiteral("preprice");
const QString kDash = QStringLiteral("--");
constexpr qsizetype kMaxRefusals = 20;

const QString& bookKey(bool buy, int level, bool count)
{
    static const auto make = [](const char* side, bool withCount) {
        QList<QString> keys;
        for (int i = 1; i <= 5; ++i)
            keys << QString::fromLatin1(side) + QString::number(i)
                    + (withCount ? QStringLiteral("count") : QString());
        return keys;
    };
    static const QList<QString> buyPrice = make("buy", false);
    static const QList<QString> buyCount = make("buy", true);
    static const QList<QString> sellPrice = make("sell", false);
    static const QList<QString> sellCount = make("sell", true);
    const QList<QString>& list = buy ? (count ? buyCount : buyPrice) : (count ? sellCount : sellPrice);
    return list[level];
}

bool tooLarge(const QByteArray& body, QString* why)
{
    if (body.size() <= kMaxFeedBody)
        return false;
    *why = stringWithFormat("body of %lld bytes is larger than %lld", static_cast<long long>(body.size()),
        static_cast<long long>(kMaxFeedBody));
    return true;
}

// Appends in the order given; keys are shared constants.
struct FieldsBuilder {
    FieldList list;
    FieldsBuilder() { list.reserve(64); }
    void insert(const QString& key, QStringView text) { list.append(Field { &key, text, QString() }); }
    void insert(const QString& key, const QString& computed)
    {
        list.append(Field { &key, QStringView(), computed });
    }
};

struct LineResult {
    FieldList fields;
    QString error;
    static LineResult failure(const QString& why) { return LineResult { {}, why }; }
};

QStringView trimmedNumber(QStringView text)
{
    return text.trimmed();
}

inline char16_t unitOf(char c)
{
    return uchar(c);
}
inline char16_t unitOf(QChar c)
{
    return c.unicode();
}
inline QString textOf(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes);
}
inline QString textOf(QStringView text)
{
    return text.toString();
}

bool isNameUnit(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// Walks `v_<name>="<fields>";` records of raw bytes or decoded text, calling
// `take` with the name and the fields or `refuse` with a reason. A record's
// fields end at its closing quote on its own line and hold no "=" (no field
// of the feed does): a record that meets a line end or the next record's
// "=\"" first was cut, and only it is refused.
template <typename View, typename Take, typename Refuse>
void forEachTencentRecord(View text, Take take, Refuse refuse)
{
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos + 1 < n) {
        qsizetype start = pos;
        while (start + 1 < n && !(unitOf(text[start]) == u'v' && unitOf(text[start + 1]) == u'_'))
            ++start;
        if (start + 1 >= n)
            break;
        qsizetype eq = start + 2;
        while (eq < n && isNameUnit(unitOf(text[eq])))
            ++eq;
        if (eq == start + 2 || eq + 1 >= n || unitOf(text[eq]) != u'=' || unitOf(text[eq + 1]) != u'"') {
            refuse(QStringLiteral("malformed record name"));
            pos = start + 2;
            continue;
        }
        const QString name = textOf(text.sliced(start + 2, eq - start - 2));
        const qsizetype open = eq + 2;
        qsizetype close = open;
        while (close < n && unitOf(text[close]) != u'"' && unitOf(text[close]) != u'\n'
            && unitOf(text[close]) != u'=')
            ++close;
        if (close >= n || unitOf(text[close]) != u'"') {
            refuse(QStringLiteral("record ") + name.left(20) + QStringLiteral(" is cut"));
            pos = open;
            continue;
        }
        take(name, text.sliced(open, close - open));
        pos = close + 1;
    }
}

template <typename Map> TencentBatch parseTencent(const QByteArray& body, Map map)
{
    TencentBatch batch;
    if (tooLarge(body, &batch.error))
        return batch;
    QList<QStringView> split; // reused: one list per line is a measurable cost
    split.reserve(96);
    // A hostile body could be refused a million times: the log keeps a few.
    qsizetype refused = 0;
    const auto refuse = [&](const QString& why) {
        if (++refused <= kMaxRefusals)
            batch.errors << why;
    };
    const auto takeFields = [&](const QString& name, QStringView fields) {
        if (name == QLatin1String("pv_none_match"))
            return; // the feed's answer for an unknown code among known ones
        split.clear();
        qsizetype from = 0;
        for (qsizetype at = fields.indexOf(u'~'); at >= 0; at = fields.indexOf(u'~', from)) {
            split.append(fields.mid(from, at - from));
            from = at + 1;
        }
        split.append(fields.mid(from));
        const LineResult r = map(split);
        if (!r.error.isEmpty()) {
            refuse(name + QStringLiteral(": ") + r.error);
            return;
        }
        batch.records.insert(name, r.fields);
    };
    // One decoder for the whole body; only a body with bad bytes is decoded
    // record by record, so one bad record cannot spoil the others.
    if (const auto whole = platform::decodeGB18030(body)) {
        batch.texts << *whole;
        forEachTencentRecord(QStringView(batch.texts.last()), takeFields, refuse);
    } else {
        forEachTencentRecord(
            QByteArrayView(body),
            [&](const QString& name, QByteArrayView raw) {
                const auto text = platform::decodeGB18030(raw.toByteArray());
                if (!text) {
                    refuse(name + QStringLiteral(": not GB18030 text"));
                    return;
                }
                batch.texts << *text;
                takeFields(name, QStringView(batch.texts.last()));
            },
            refuse);
    }
    if (refused > kMaxRefusals)
        batch.errors << QStringLiteral("%1 more records refused").arg(refused - kMaxRefusals);
    if (batch.records.isEmpty() && batch.errors.isEmpty() && !body.contains("pv_none_match"))
        batch.error = QStringLiteral("no Tencent record in the body");
    return batch;
}

QString dateOf(QStringView stamp)
{
    // "20250312150003" or "2025/03/12 15:59:53"
    QString digits;
    for (const QChar c : stamp) {
        if (c.isDigit())
            digits += c;
        else if (c == QLatin1Char(' '))
            break;
    }
    return digits.size() >= 8 ? digits.left(8) : QString();
}

} // namespace

std::optional<double> feedNumber(QStringView text)
{
    // std::from_chars instead of QString::toDouble: this runs ~70 times per
    // quote line and the Qt path is several times slower.
    const QStringView t = text.trimmed();
    constexpr qsizetype kMaxDigits = 64;
    if (t.isEmpty() || t.size() > kMaxDigits)
        return std::nullopt;
    char buffer[kMaxDigits];
    qsizetype n = 0;
    for (const QChar c : t) {
        if (c.unicode() > 127)
            return std::nullopt;
        buffer[n++] = char(c.unicode());
    }
    const char* begin = buffer;
    if (*begin == '+')
        ++begin;
    double value = 0;
    const auto [end, ec] = std::from_chars(begin, buffer + n, value);
    if (ec != std::errc() || end != buffer + n || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {
LineResult fullLine(const QList<QStringView>& f);
LineResult briefLine(const QList<QStringView>& f);
FeedResult asFeedResult(const LineResult& r)
{
    return r.error.isEmpty() ? FeedResult { toVariantMap(r.fields), {} } : FeedResult::failure(r.error);
}
} // namespace

QVariantMap toVariantMap(const FieldList& fields)
{
    QVariantMap map;
    for (const Field& field : fields)
        map.insert(*field.key, field.value());
    return map;
}

FeedResult tencentFullRecord(const QStringList& fields)
{
    return asFeedResult(fullLine(QList<QStringView>(fields.cbegin(), fields.cend())));
}

FeedResult tencentFullRecord(const QList<QStringView>& fields)
{
    return asFeedResult(fullLine(fields));
}

FeedResult tencentBriefRecord(const QStringList& fields)
{
    return asFeedResult(briefLine(QList<QStringView>(fields.cbegin(), fields.cend())));
}

FeedResult tencentBriefRecord(const QList<QStringView>& fields)
{
    return asFeedResult(briefLine(fields));
}

namespace {
// A line is no quote without its code and price; any other figure that
// cannot be read (a suspended stock's "--" open, an empty change, a field
// the line is too short for) is written as "--", so that the record never
// shows an old figure as the current one.
struct LineReader {
    const QList<QStringView>& f;
    FieldsBuilder m;

    QStringView at(int index) const { return index < f.size() ? f.at(index) : QStringView(); }
    std::optional<double> number(int index) const { return feedNumber(at(index)); }
    void figure(const QString& key, int index)
    {
        if (number(index))
            m.insert(key, trimmedNumber(at(index)));
        else
            m.insert(key, kDash);
    }
    void computed(const QString& key, std::optional<double> value, char format, int decimals)
    {
        if (value)
            m.insert(key, QString::number(*value, format, decimals));
        else
            m.insert(key, kDash);
    }
    // The name, code and price; an error text when the line is no quote.
    QString identity()
    {
        const QStringView code = at(2).trimmed();
        if (code.size() != 6)
            return stringWithFormat("bad code \"%@\"", code.left(20).toString());
        if (!number(3))
            return stringWithFormat("price is not a number: \"%@\"", at(3).left(40).toString());
        const QStringView name = at(1).trimmed();
        if (!name.isEmpty())
            m.insert(kStockname, name);
        m.insert(kCprice, trimmedNumber(at(3)));
        return QString();
    }
};

LineResult fullLine(const QList<QStringView>& f)
{
    LineReader r { f, {} };
    if (const QString error = r.identity(); !error.isEmpty())
        return LineResult::failure(error);
    FieldsBuilder& m = r.m;
    r.figure(kYprice, 4);
    r.figure(kOpen, 5);
    // STAR market volumes come in shares, everything else in lots.
    const bool star = f.at(2).trimmed().startsWith(QLatin1String("688"));
    const auto volume = r.number(6);
    if (star)
        r.computed(kVolume, volume ? std::optional(*volume / 100.0) : std::nullopt, 'f', 0);
    else
        r.figure(kVolume, 6);
    // outdisk and indisk are kept in shares
    const double toShares = star ? 1.0 : 100.0;
    const auto outer = r.number(7), inner = r.number(8);
    r.computed(kOutdisk, outer ? std::optional(*outer * toShares) : std::nullopt, 'f', 0);
    r.computed(kIndisk, inner ? std::optional(*inner * toShares) : std::nullopt, 'f', 0);
    for (int level = 0; level < 5; ++level) {
        r.figure(bookKey(true, level, false), 9 + level * 2);
        r.figure(bookKey(true, level, true), 10 + level * 2);
        r.figure(bookKey(false, level, false), 19 + level * 2);
        r.figure(bookKey(false, level, true), 20 + level * 2);
    }
    m.insert(kDeals, r.at(29).trimmed());
    const QString date = dateOf(r.at(30));
    if (!date.isEmpty())
        m.insert(kCurdate, date);
    r.figure(kValueprice, 31);
    r.figure(kValuerate, 32);
    r.figure(kHigh, 33);
    r.figure(kLow, 34);
    r.figure(kAmount, 37); // 万 yuan
    r.figure(kTurnover, 38);
    r.figure(kPE, 39);
    r.figure(kAmplitude, 43);
    const auto circulating = r.number(44);
    r.computed(
        kMarketvalue, circulating ? std::optional(*circulating * 10000.0) : std::nullopt, 'f', 2); // 亿 -> 万
    r.figure(kTotalvalue, 45);
    r.figure(kPB, 46);
    // Indices carry -1 for the limits: no limit, not a price.
    for (const auto& [index, key] : { std::pair { 47, &kLimitHigh }, std::pair { 48, &kLimitLow } }) {
        const auto v = r.number(index);
        if (!v || *v > 0)
            r.figure(*key, index);
    }
    r.figure(kRatio, 49);
    r.figure(kPreprice, 51);
    return LineResult { m.list, {} };
}

LineResult briefLine(const QList<QStringView>& f)
{
    LineReader r { f, {} };
    if (const QString error = r.identity(); !error.isEmpty())
        return LineResult::failure(error);
    r.figure(kValueprice, 4);
    r.figure(kValuerate, 5);
    // The brief line has no previous close: it is the price less the change.
    const auto price = r.number(3), change = r.number(4);
    if (price && change)
        r.m.insert(kYprice, stringWithFormat("%.2f", *price - *change));
    else
        r.m.insert(kYprice, kDash);
    r.figure(kVolume, 6);
    r.figure(kAmount, 7);
    r.figure(kTotalvalue, 9);
    return LineResult { r.m.list, {} };
}

} // namespace

TencentBatch parseTencentFull(const QByteArray& body)
{
    return parseTencent(body, fullLine);
}

TencentBatch parseTencentBrief(const QByteArray& body)
{
    return parseTencent(body, briefLine);
}

NeteaseBatch parseNeteaseFeed(const QByteArray& body)
{
    NeteaseBatch batch;
    if (tooLarge(body, &batch.error))
        return batch;
    QByteArray text = body;
    while (!text.isEmpty() && (text.endsWith('\n') || text.endsWith('\r') || text.endsWith(' ')))
        text.chop(1);
    const qsizetype brace = text.indexOf('{');
    if (brace < 0) {
        batch.error = QStringLiteral("no \"{\" in the body");
        return batch;
    }
    // The object runs from the first "{" to the end less the closing ");".
    const qsizetype end = text.size() - 2;
    if (end <= brace) {
        batch.error = QStringLiteral("body shorter than its cut");
        return batch;
    }
    if (!text.endsWith(");")) {
        batch.error = QStringLiteral("body does not end with \");\"");
        return batch;
    }
    QString jsonError;
    const auto parsed = platform::parseJson(text.mid(brace, end - brace), &jsonError);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap) {
        batch.error = QStringLiteral("JSON object does not parse: ") + jsonError;
        return batch;
    }
    const QVariantMap all = parsed->toMap();
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (it.value().typeId() == QMetaType::QVariantMap)
            batch.entries.insert(it.key(), it.value().toMap());
    return batch;
}

FeedResult neteaseQuoteFields(const QVariantMap& e)
{
    const auto num
        = [&](const char* key) { return feedNumber(platform::stringOf(e, QString::fromLatin1(key))); };
    const auto text
        = [&](const char* key) { return platform::stringOf(e, QString::fromLatin1(key)).trimmed(); };
    const auto price = num("price"), yest = num("yestclose"), high = num("high"), low = num("low"),
               percent = num("percent"), volume = num("volume"), turnover = num("turnover");
    // As with the Tencent line: no price, no quote; any other figure that
    // cannot be read is "--".
    if (!price)
        return FeedResult::failure(QStringLiteral("entry without a price"));
    QVariantMap m;
    const auto figure = [&](const QString& key, const char* feedKey) {
        m.insert(key, num(feedKey) ? text(feedKey) : kDash);
    };
    const auto computed = [&](const QString& key, bool known, const char* format, double value) {
        m.insert(key, known ? stringWithFormat(format, value) : kDash);
    };
    const QString name = text("name");
    if (!name.isEmpty())
        m.insert(kStockname, name);
    m.insert(kCprice, text("price"));
    figure(kYprice, "yestclose");
    figure(kOpen, "open");
    figure(kHigh, "high");
    figure(kLow, "low");
    figure(kValueprice, "updown");
    computed(kValuerate, bool(percent), "%.2f", percent.value_or(0) * 100.0); // a fraction in this feed
    // Shares and yuan here; the record keeps lots and 万 like the Tencent step.
    computed(kVolume, bool(volume), "%.0f", volume.value_or(0) / 100.0);
    computed(kAmount, bool(turnover), "%.2f", turnover.value_or(0) / 10000.0);
    if (yest && *yest > 0 && high && low)
        m.insert(kAmplitude, stringWithFormat("%.2f", (*high - *low) / *yest * 100.0));
    const auto numKey = [&](const QString& key) { return feedNumber(platform::stringOf(e, key)); };
    const auto textKey = [&](const QString& key) { return platform::stringOf(e, key).trimmed(); };
    for (int level = 0; level < 5; ++level) {
        const QString n = QString::number(level + 1);
        const QString bidKey = QStringLiteral("bid") + n, bidVolKey = QStringLiteral("bidvol") + n;
        const QString askKey = QStringLiteral("ask") + n, askVolKey = QStringLiteral("askvol") + n;
        const auto bid = numKey(bidKey), bidVol = numKey(bidVolKey);
        const auto ask = numKey(askKey), askVol = numKey(askVolKey);
        if (bid && bidVol) {
            m.insert(bookKey(true, level, false), textKey(bidKey));
            m.insert(bookKey(true, level, true), stringWithFormat("%.0f", *bidVol / 100.0));
        }
        if (ask && askVol) {
            m.insert(bookKey(false, level, false), textKey(askKey));
            m.insert(bookKey(false, level, true), stringWithFormat("%.0f", *askVol / 100.0));
        }
    }
    const QString date = dateOf(text("time"));
    if (!date.isEmpty())
        m.insert(kCurdate, date);
    return FeedResult { m, {} };
}

QStringList neteaseMemberCodes(const QString& indexCode)
{
    const QString stem = market::memberCountStem(indexCode);
    if (stem.isEmpty())
        return {};
    return { stem + u'Z', stem + u'D', stem + u'P' };
}

FeedResult neteaseMemberCounts(const QHash<QString, QVariantMap>& entries, const QString& indexCode)
{
    const QStringList codes = neteaseMemberCodes(indexCode);
    if (codes.isEmpty())
        return FeedResult::failure(QStringLiteral("no member counts for ") + indexCode);
    double counts[3] = {};
    for (int i = 0; i < 3; ++i) {
        const auto it = entries.constFind(codes[i]);
        if (it == entries.cend())
            return FeedResult::failure(codes[i] + QStringLiteral(" missing"));
        const auto v = feedNumber(platform::stringOf(*it, QStringLiteral("count")));
        if (!v || *v < 0)
            return FeedResult::failure(codes[i] + QStringLiteral(" has no count"));
        counts[i] = *v;
    }
    QVariantMap m;
    m.insert(QStringLiteral("subupcount"), stringWithFormat("%.0f", counts[0]));
    m.insert(QStringLiteral("subdowncount"), stringWithFormat("%.0f", counts[1]));
    m.insert(QStringLiteral("subequalcount"), stringWithFormat("%.0f", counts[2]));
    m.insert(QStringLiteral("totalsub"), stringWithFormat("%.0f", counts[0] + counts[1] + counts[2]));
    return FeedResult { m, {} };
}

FeedResult parseStockAppJson(const QByteArray& body)
{
    QString why;
    if (tooLarge(body, &why))
        return FeedResult::failure(why);
    QString jsonError;
    const auto parsed = platform::parseJson(body, &jsonError);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return FeedResult::failure(QStringLiteral("not a JSON object: ") + jsonError);
    const QVariantList data = parsed->toMap().value(QStringLiteral("data")).toList();
    if (data.isEmpty() || data.first().typeId() != QMetaType::QVariantMap)
        return FeedResult::failure(QStringLiteral("no \"data\" element 0"));
    const QVariantMap first = data.first().toMap();
    const auto lb = feedNumber(platform::stringOf(first, QStringLiteral("LB")));
    const auto hs = feedNumber(platform::stringOf(first, QStringLiteral("HS")));
    if (!lb && !hs)
        return FeedResult::failure(QStringLiteral("neither \"LB\" nor \"HS\" is a number"));
    QVariantMap m;
    m.insert(kRatio, lb ? stringWithFormat("%.2f", *lb) : kDash);
    // "HS" is the turnover rate in percent, shown as it comes.
    m.insert(kTurnover, hs ? stringWithFormat("%.2f", *hs) : kDash);
    return FeedResult { m, {} };
}

FeedResult parseFundFlow(const QByteArray& body, bool index)
{
    QString why;
    if (tooLarge(body, &why))
        return FeedResult::failure(why);
    static const QByteArray marker("zjlx_detail={data:");
    const qsizetype at = body.indexOf(marker);
    if (at < 0)
        return FeedResult::failure(QStringLiteral("marker zjlx_detail={data: missing"));
    qsizetype quote = at + marker.size();
    while (quote < body.size() && body.at(quote) == ' ')
        ++quote;
    if (quote >= body.size() || body.at(quote) != '"')
        return FeedResult::failure(QStringLiteral("no opening quote after the marker"));
    const qsizetype closing = body.indexOf("};", quote);
    if (closing < 0)
        return FeedResult::failure(QStringLiteral("no closing \"};\""));
    const qsizetype dataEnd = body.indexOf('"', quote + 1);
    if (dataEnd < 0 || dataEnd > closing)
        return FeedResult::failure(QStringLiteral("data text not closed before \"};\""));
    const QStringList f
        = QString::fromLatin1(body.mid(quote + 1, dataEnd - quote - 1)).split(QLatin1Char(','));
    // Read as the screens read numbers: single precision. A field that is
    // missing or not a number is "--"; only a text without any is refused.
    std::optional<float> v[kMinFundFlowFields];
    bool any = false;
    for (int i = 0; i < kMinFundFlowFields && i < f.size(); ++i) {
        if (const auto x = feedNumber(f.at(i)); x && i != 10 && i != 11) { // 10 and 11: unused by the page
            v[i] = static_cast<float>(*x);
            any = true;
        }
    }
    if (!any)
        return FeedResult::failure(QStringLiteral("no field is a number"));
    // The feed counts in 万: a stock's amounts are kept in 亿, an index's as sent.
    const auto amount = [&](int i) {
        return v[i] ? stringWithFormat("%.4f", static_cast<double>(index ? *v[i] : *v[i] / 10000.0f)) : kDash;
    };
    const auto percent
        = [&](int i) { return v[i] ? stringWithFormat("%.2f", static_cast<double>(*v[i])) : kDash; };
    QVariantMap m;
    m.insert(QStringLiteral("mainvalue"), amount(0));
    m.insert(QStringLiteral("mainvaluePrecent"), percent(1));
    m.insert(QStringLiteral("bigbigvalue"), amount(2));
    m.insert(QStringLiteral("bigbigvaluePrecent"), percent(3));
    m.insert(QStringLiteral("bigvalue"), amount(4));
    m.insert(QStringLiteral("bigvaluePrecent"), percent(5));
    m.insert(QStringLiteral("midvalue"), amount(6));
    m.insert(QStringLiteral("midvaluePrecent"), percent(7));
    m.insert(QStringLiteral("minvalue"), amount(8));
    m.insert(QStringLiteral("minvaluePrecent"), percent(9));
    m.insert(QStringLiteral("bigbigbuy"), amount(12));
    m.insert(QStringLiteral("bigbigsell"), amount(13));
    m.insert(QStringLiteral("bigbuy"), amount(14));
    m.insert(QStringLiteral("bigsell"), amount(15));
    m.insert(QStringLiteral("midbuy"), amount(16));
    m.insert(QStringLiteral("midsell"), amount(17));
    m.insert(QStringLiteral("minbuy"), amount(18));
    m.insert(QStringLiteral("minsell"), amount(19));
    return FeedResult { m, {} };
}

std::optional<MarketStat> parseMarketStat(const QByteArray& body, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<MarketStat> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QString why;
    if (tooLarge(body, &why))
        return fail(why);
    const qsizetype at = body.indexOf("v_marketStat=\"");
    if (at < 0)
        return fail(QStringLiteral("no v_marketStat record"));
    const qsizetype start = at + 14;
    const qsizetype end = body.indexOf('"', start);
    if (end < 0)
        return fail(QStringLiteral("v_marketStat not closed"));
    const auto text = platform::decodeGB18030(body.mid(start, end - start));
    if (!text)
        return fail(QStringLiteral("v_marketStat is not GB18030 text"));
    const QStringList segments = text->split(QLatin1Char('|'));
    MarketStat stat;
    stat.time = segments.first();
    bool sh = false, sz = false;
    // Whole segments only: "SZ_" also ends "NEWSZ_" and "HSZB_".
    for (const QString& s : segments) {
        const bool isSh = s.startsWith(QLatin1String("SH_"));
        const bool isSz = s.startsWith(QLatin1String("SZ_"));
        if (!isSh && !isSz)
            continue;
        const QStringList parts = s.split(QLatin1Char('_'));
        if (parts.size() < 3)
            continue;
        const bool open = parts.at(1) == QLatin1String("open");
        const QString label = parts.mid(2).join(QLatin1Char('_'));
        if (isSh) {
            sh = true;
            stat.shanghaiOpen = open;
            stat.shanghaiText = label;
        } else {
            sz = true;
            stat.shenzhenOpen = open;
            stat.shenzhenText = label;
        }
    }
    if (!sh && !sz)
        return fail(QStringLiteral("no SH_ or SZ_ segment"));
    if (!sh) {
        stat.shanghaiOpen = stat.shenzhenOpen;
        stat.shanghaiText = stat.shenzhenText;
    }
    if (!sz) {
        stat.shenzhenOpen = stat.shanghaiOpen;
        stat.shenzhenText = stat.shanghaiText;
    }
    return stat;
}

} // namespace market
