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

// Fields that must be numbers; the first one that is not is the error.
struct NumberReader {
    QList<QStringView> fields;
    QString error;

    std::optional<double> required(int index)
    {
        if (!error.isEmpty())
            return std::nullopt;
        const auto value = feedNumber(fields.at(index));
        if (!value)
            error = stringWithFormat(
                "field %d is not a number: \"%@\"", index, fields.at(index).left(40).toString());
        return value;
    }
    // Empty or "-" means no figure; anything else must be a number.
    std::optional<double> optional(int index)
    {
        if (!error.isEmpty() || index >= fields.size())
            return std::nullopt;
        const QStringView text = fields.at(index).trimmed();
        if (text.isEmpty() || text == QLatin1String("-"))
            return std::nullopt;
        return required(index);
    }
};

QStringView trimmedNumber(QStringView text)
{
    return text.trimmed();
}

// Splits `v_<name>="<fields>";` records; calls `take` with the name and the
// raw field bytes, or `refuse` with a reason.
template <typename Take, typename Refuse>
void forEachTencentRecord(const QByteArray& body, Take take, Refuse refuse)
{
    qsizetype pos = 0;
    const qsizetype size = body.size();
    while (pos < size) {
        const qsizetype start = body.indexOf("v_", pos);
        if (start < 0)
            break;
        const qsizetype eq = body.indexOf("=\"", start);
        if (eq < 0) {
            refuse(QStringLiteral("record without =\""));
            break;
        }
        const QByteArray name = body.mid(start + 2, eq - start - 2);
        const qsizetype close = body.indexOf('"', eq + 2);
        if (close < 0) {
            refuse(QStringLiteral("record %1 has no closing quote").arg(QString::fromLatin1(name.left(20))));
            break;
        }
        if (name.contains('\n') || name.contains(';')) {
            // A name across lines means the previous record was broken.
            refuse(QStringLiteral("malformed record name"));
            pos = close + 1;
            continue;
        }
        take(QString::fromLatin1(name), QByteArrayView(body.constData() + eq + 2, close - eq - 2));
        pos = close + 1;
    }
}

// Walks `v_<name>="<fields>";` records of already decoded text.
template <typename Take, typename Refuse>
void forEachDecodedRecord(QStringView text, Take take, Refuse refuse)
{
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype start = text.indexOf(u"v_", pos);
        if (start < 0)
            break;
        const qsizetype eq = text.indexOf(u"=\"", start);
        if (eq < 0) {
            refuse(QStringLiteral("record without =\""));
            break;
        }
        const QStringView name = text.mid(start + 2, eq - start - 2);
        const qsizetype close = text.indexOf(u'"', eq + 2);
        if (close < 0) {
            refuse(QStringLiteral("record ") + name.left(20).toString()
                + QStringLiteral(" has no closing quote"));
            break;
        }
        if (name.contains(u'\n') || name.contains(u';')) {
            refuse(QStringLiteral("malformed record name"));
            pos = close + 1;
            continue;
        }
        take(name.toString(), text.mid(eq + 2, close - eq - 2));
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
            batch.errors << name + QStringLiteral(": ") + r.error;
            return;
        }
        batch.records.insert(name, r.fields);
    };
    const auto refuse = [&](const QString& why) { batch.errors << why; };
    // One decoder for the whole body; only a body with bad bytes is decoded
    // record by record, so one bad record cannot spoil the others.
    if (const auto whole = platform::decodeGB18030(body)) {
        batch.texts << *whole;
        forEachDecodedRecord(QStringView(batch.texts.last()), takeFields, refuse);
    } else {
        forEachTencentRecord(
            body,
            [&](const QString& name, QByteArrayView raw) {
                const auto text = platform::decodeGB18030(raw.toByteArray());
                if (!text) {
                    batch.errors << name + QStringLiteral(": not GB18030 text");
                    return;
                }
                batch.texts << *text;
                takeFields(name, QStringView(batch.texts.last()));
            },
            refuse);
    }
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
LineResult fullLine(const QList<QStringView>& f)
{
    if (f.size() < kMinTencentFullFields)
        return LineResult::failure(stringWithFormat(
            "%lld fields, fewer than %d", static_cast<long long>(f.size()), kMinTencentFullFields));
    const QStringView code = f.at(2).trimmed();
    if (code.size() != 6)
        return LineResult::failure(stringWithFormat("bad code \"%@\"", code.left(20).toString()));
    const QStringView name = f.at(1).trimmed();
    if (name.isEmpty())
        return LineResult::failure(QStringLiteral("empty name"));

    NumberReader n { f, {} };
    for (int i : { 3, 4, 5, 6, 7, 8, 31, 32, 33, 34, 37 })
        n.required(i);
    for (int i = 9; i <= 28; ++i)
        n.required(i);
    const auto circulating = n.optional(44);
    for (int i : { 38, 39, 43, 45, 46, 47, 48, 49, 51 })
        n.optional(i);
    if (!n.error.isEmpty())
        return LineResult::failure(n.error);

    // STAR market volumes come in shares, everything else in lots.
    const bool star = code.startsWith(QLatin1String("688"));
    const double volume = *feedNumber(f.at(6));
    const double outer = *feedNumber(f.at(7));
    const double inner = *feedNumber(f.at(8));

    FieldsBuilder m;
    m.insert(kStockname, name);
    m.insert(kCprice, trimmedNumber(f.at(3)));
    m.insert(kYprice, trimmedNumber(f.at(4)));
    m.insert(kOpen, trimmedNumber(f.at(5)));
    if (star)
        m.insert(kVolume, QString::number(volume / 100.0, 'f', 0));
    else
        m.insert(kVolume, trimmedNumber(f.at(6)));
    // outdisk and indisk are kept in shares
    m.insert(kOutdisk, QString::number(star ? outer : outer * 100.0, 'f', 0));
    m.insert(kIndisk, QString::number(star ? inner : inner * 100.0, 'f', 0));
    for (int level = 0; level < 5; ++level) {
        m.insert(bookKey(true, level, false), trimmedNumber(f.at(9 + level * 2)));
        m.insert(bookKey(true, level, true), trimmedNumber(f.at(10 + level * 2)));
        m.insert(bookKey(false, level, false), trimmedNumber(f.at(19 + level * 2)));
        m.insert(bookKey(false, level, true), trimmedNumber(f.at(20 + level * 2)));
    }
    m.insert(kDeals, trimmedNumber(f.at(29)));
    const QString date = dateOf(f.at(30));
    if (!date.isEmpty())
        m.insert(kCurdate, date);
    m.insert(kValueprice, trimmedNumber(f.at(31)));
    m.insert(kValuerate, trimmedNumber(f.at(32)));
    m.insert(kHigh, trimmedNumber(f.at(33)));
    m.insert(kLow, trimmedNumber(f.at(34)));
    m.insert(kAmount, trimmedNumber(f.at(37))); // 万 yuan

    const auto putOptional = [&](int index, const QString& key) {
        if (index < f.size() && feedNumber(f.at(index)))
            m.insert(key, trimmedNumber(f.at(index)));
    };
    putOptional(38, kTurnover);
    putOptional(39, kPE);
    putOptional(43, kAmplitude);
    if (circulating)
        m.insert(kMarketvalue, QString::number(*circulating * 10000.0, 'f', 2)); // 亿 -> 万
    putOptional(45, kTotalvalue);
    putOptional(46, kPB);
    // Indices carry -1 for the limits: no limit, not a price.
    for (const auto& [index, key] : { std::pair { 47, &kLimitHigh }, std::pair { 48, &kLimitLow } }) {
        const auto v = index < f.size() ? feedNumber(f.at(index)) : std::nullopt;
        if (v && *v > 0)
            m.insert(*key, trimmedNumber(f.at(index)));
    }
    putOptional(49, kRatio);
    putOptional(51, kPreprice);
    return LineResult { m.list, {} };
}

LineResult briefLine(const QList<QStringView>& f)
{
    if (f.size() < kMinTencentBriefFields)
        return LineResult::failure(stringWithFormat(
            "%lld fields, fewer than %d", static_cast<long long>(f.size()), kMinTencentBriefFields));
    const QStringView name = f.at(1).trimmed();
    if (name.isEmpty() || f.at(2).trimmed().size() != 6)
        return LineResult::failure(QStringLiteral("no name or code"));
    NumberReader n { f, {} };
    const auto price = n.required(3);
    const auto change = n.required(4);
    for (int i : { 5, 6, 7 })
        n.required(i);
    const auto total = n.optional(9);
    if (!n.error.isEmpty())
        return LineResult::failure(n.error);
    FieldsBuilder m;
    m.insert(kStockname, name);
    m.insert(kCprice, trimmedNumber(f.at(3)));
    m.insert(kValueprice, trimmedNumber(f.at(4)));
    m.insert(kValuerate, trimmedNumber(f.at(5)));
    // The brief line has no previous close: it is the price less the change.
    m.insert(kYprice, stringWithFormat("%.2f", *price - *change));
    m.insert(kVolume, trimmedNumber(f.at(6)));
    m.insert(kAmount, trimmedNumber(f.at(7)));
    if (total)
        m.insert(kTotalvalue, trimmedNumber(f.at(9)));
    return LineResult { m.list, {} };
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
    const QString name = platform::stringOf(e, QStringLiteral("name")).trimmed();
    const auto price = num("price"), yest = num("yestclose"), open = num("open"), high = num("high"),
               low = num("low"), updown = num("updown"), percent = num("percent"), volume = num("volume"),
               turnover = num("turnover");
    if (name.isEmpty())
        return FeedResult::failure(QStringLiteral("entry without a name"));
    if (!price || !yest || !open || !high || !low || !updown || !percent || !volume || !turnover)
        return FeedResult::failure(QStringLiteral("entry with a missing or non-numeric price or volume"));
    const auto text
        = [&](const char* key) { return platform::stringOf(e, QString::fromLatin1(key)).trimmed(); };
    QVariantMap m;
    m.insert(kStockname, name);
    m.insert(kCprice, text("price"));
    m.insert(kYprice, text("yestclose"));
    m.insert(kOpen, text("open"));
    m.insert(kHigh, text("high"));
    m.insert(kLow, text("low"));
    m.insert(kValueprice, text("updown"));
    m.insert(kValuerate, stringWithFormat("%.2f", *percent * 100.0)); // a fraction in this feed
    // Shares and yuan here; the record keeps lots and 万 like the Tencent step.
    m.insert(kVolume, stringWithFormat("%.0f", *volume / 100.0));
    m.insert(kAmount, stringWithFormat("%.2f", *turnover / 10000.0));
    if (*yest > 0)
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
    if (!lb || !hs)
        return FeedResult::failure(QStringLiteral("\"LB\" or \"HS\" missing or not a number"));
    QVariantMap m;
    m.insert(kRatio, stringWithFormat("%.2f", *lb));
    // "HS" is the turnover rate in percent, shown as it comes.
    m.insert(kTurnover, stringWithFormat("%.2f", *hs));
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
    if (f.size() < kMinFundFlowFields)
        return FeedResult::failure(stringWithFormat(
            "%lld fields, fewer than %d", static_cast<long long>(f.size()), kMinFundFlowFields));
    NumberReader n { QList<QStringView>(f.cbegin(), f.cend()), {} };
    // Read as the screens read numbers: single precision.
    float v[20] = {};
    for (int i = 0; i < 20; ++i) {
        if (i == 10 || i == 11)
            continue; // unused by the page
        if (const auto x = n.required(i))
            v[i] = static_cast<float>(*x);
    }
    if (!n.error.isEmpty())
        return FeedResult::failure(n.error);
    // The feed counts in 万: a stock's amounts are kept in 亿, an index's as sent.
    const auto amount = [&](int i) {
        return stringWithFormat("%.4f", static_cast<double>(index ? v[i] : v[i] / 10000.0f));
    };
    const auto percent = [&](int i) { return stringWithFormat("%.2f", static_cast<double>(v[i])); };
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
