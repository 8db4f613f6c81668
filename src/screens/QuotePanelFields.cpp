#include "screens/QuotePanelFields.h"

#include "market/MarketCodes.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "screens/FeedText.h"

#include <cmath>

namespace quotepanel {

using platform::Colors;
using platform::floatValue;
using platform::stringWithFormat;

std::optional<QString> PanelUpdate::textOf(const QString& field) const
{
    for (auto it = writes.crbegin(); it != writes.crend(); ++it) {
        if (it->field == field && it->text)
            return it->text;
    }
    return std::nullopt;
}

std::optional<QColor> PanelUpdate::colorOf(const QString& field) const
{
    for (auto it = writes.crbegin(); it != writes.crend(); ++it) {
        if (it->field == field && it->color)
            return it->color;
    }
    return std::nullopt;
}

bool PanelUpdate::touches(const QString& field) const
{
    for (const FieldWrite& w : writes) {
        if (w.field == field)
            return true;
    }
    return false;
}

namespace {

const QString kYprice = QStringLiteral("yprice");

QColor signColor(double v)
{
    if (v > 0)
        return Colors::red();
    if (v < 0)
        return Colors::green();
    return Colors::black();
}

// A price against yesterday's close.
QColor closeColor(float price, float yprice)
{
    if (price > yprice)
        return Colors::red();
    if (price < yprice)
        return Colors::green();
    return Colors::black();
}

// A computed number with its unit; a value that overflowed single precision
// shows as "--" rather than "inf".
QString formatNumber(const char* format, float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("--");
    return stringWithFormat(format, double(value));
}

// Two decimals as shown, with the sign rule of the shown value; a value
// that rounds to zero is shown without a minus sign.
QString roundedTwo(float value, double* shown)
{
    if (!std::isfinite(value)) {
        *shown = 0;
        return QStringLiteral("--");
    }
    QString text = stringWithFormat("%.2f", double(value));
    *shown = text.toDouble();
    if (*shown == 0) {
        *shown = 0;
        text = QStringLiteral("0.00");
    }
    return text;
}

class Builder {
public:
    Builder(PanelUpdate& out, const QVariantMap& record)
        : m_out(out)
        , m_rec(record)
    {
    }

    bool has(const QString& key) const { return m_rec.contains(key); }
    QString str(const QString& key) const { return platform::stringOf(m_rec, key); }
    float num(const QString& key) const { return floatValue(m_rec.value(key)); }
    QVariant value(const QString& key) const { return m_rec.value(key); }

    void text(const QString& field, const QString& value)
    {
        m_out.writes.append({ field, value, std::nullopt });
    }
    void color(const QString& field, const QColor& c) { m_out.writes.append({ field, std::nullopt, c }); }
    void both(const QString& field, const QString& value, const QColor& c)
    {
        m_out.writes.append({ field, value, c });
    }

    // Whether the record's value is a figure the feed can mean.
    bool figure(const QString& key) const { return feedtext::isNumber(m_rec.value(key)); }

    // The record's text unchanged, when present.
    void asIs(const QString& field, const QString& key)
    {
        if (has(key))
            text(field, str(key));
    }
    // The record's figure unchanged, "--" for a text that is no number.
    void asIsNumber(const QString& field, const QString& key)
    {
        if (has(key))
            text(field, feedtext::asIs(m_rec.value(key)));
    }
    // A price, "--" where the feed sends 0 for none.
    void price(const QString& field, const QString& key)
    {
        if (has(key))
            text(field, feedtext::price(m_rec.value(key)));
    }
    void formatted(const QString& field, const QString& key, const char* format)
    {
        if (has(key))
            text(field,
                figure(key) ? stringWithFormat(format, feedtext::asIs(m_rec.value(key))) : feedtext::dash());
    }
    void scaled(const QString& field, const QString& key, float divisor, const char* format)
    {
        if (has(key))
            text(field, figure(key) ? formatNumber(format, num(key) / divisor) : feedtext::dash());
    }

private:
    PanelUpdate& m_out;
    const QVariantMap& m_rec;
};

void header(Builder& b, const QString& curCode)
{
    const QColor c = signColor(b.num(QStringLiteral("valuerate")));
    for (const char* f :
        { "nameTextField", "priceTextField", "codeTextField", "valuepriceTextField", "valuerateTextField" })
        b.color(QString::fromLatin1(f), c);
    b.asIs(QStringLiteral("nameTextField"), QStringLiteral("stockname"));
    b.price(QStringLiteral("priceTextField"), QStringLiteral("cprice"));
    b.text(QStringLiteral("codeTextField"), curCode);
    b.formatted(QStringLiteral("valuepriceTextField"), QStringLiteral("valueprice"), "%@");
    b.formatted(QStringLiteral("valuerateTextField"), QStringLiteral("valuerate"), "%@%%");
}

void yesterdayClose(Builder& b, bool withLimits, const QString& curCode)
{
    if (b.has(kYprice)) {
        b.price(QStringLiteral("ypriceField"), kYprice);
        if (withLimits) {
            const int percent = limitPercent(curCode, b.str(QStringLiteral("stockname")));
            const QString y = b.str(kYprice);
            b.text(QStringLiteral("today_limith_priceField"),
                limitPrice(y, percent, true).value_or(feedtext::dash()));
            b.text(QStringLiteral("today_limitl_priceField"),
                limitPrice(y, percent, false).value_or(feedtext::dash()));
        }
        b.color(QStringLiteral("today_start_priceTextField"),
            closeColor(b.num(QStringLiteral("today_start_price")), b.num(kYprice)));
    }
    b.price(QStringLiteral("today_start_priceTextField"), QStringLiteral("today_start_price"));
}

void valuationAndRange(Builder& b)
{
    // A valuation ratio of 0 is the feeds' "none" (every index's P/B).
    for (const auto& [field, key] : { std::pair { "PEField", "PE" }, std::pair { "PBField", "PB" } }) {
        const QString name = QString::fromLatin1(key);
        if (b.has(name))
            b.text(QString::fromLatin1(field),
                b.num(name) == 0 ? feedtext::dash() : feedtext::asIs(b.value(name)));
    }
    b.scaled(QStringLiteral("totalvalueField"), QStringLiteral("totalvalue"), 1.0f, "%.2f亿");
    // "marketvalue" comes in 万.
    b.scaled(QStringLiteral("marketvalueField"), QStringLiteral("marketvalue"), 10000.0f, "%.2f亿");

    const QString lowest = QStringLiteral("valuelowest");
    const QString average = QStringLiteral("preprice");
    const QString highest = QStringLiteral("valuehighest");
    const QString amplitude = QStringLiteral("amplituderate");
    if (b.has(kYprice) && b.has(lowest) && b.has(average) && b.has(highest) && b.has(amplitude)) {
        const float y = b.num(kYprice);
        b.color(QStringLiteral("valuelowestTextField"), closeColor(b.num(lowest), y));
        b.color(QStringLiteral("prepriceTextField"), closeColor(b.num(average), y));
        b.color(QStringLiteral("valuehighestTextField"), closeColor(b.num(highest), y));
    }
    b.price(QStringLiteral("valuelowestTextField"), lowest);
    b.price(QStringLiteral("prepriceTextField"), average);
    b.price(QStringLiteral("valuehighestTextField"), highest);
    b.formatted(QStringLiteral("amplituderateTextField"), amplitude, "%@%%");
}

// A day's volume split into outer and inner volume of 0 each is no split:
// the feeds send 0s for indices.
bool unsplitVolume(const Builder& b)
{
    const QString outer = QStringLiteral("outdisk");
    const QString inner = QStringLiteral("indisk");
    return b.has(outer) && b.has(inner) && b.figure(outer) && b.figure(inner) && b.num(outer) == 0
        && b.num(inner) == 0 && b.num(QStringLiteral("transaction100count")) > 0;
}

void outerInner(Builder& b)
{
    if (unsplitVolume(b)) {
        b.text(QStringLiteral("outdiskTextField"), feedtext::dash());
        b.text(QStringLiteral("indiskTextField"), feedtext::dash());
        return;
    }
    b.scaled(QStringLiteral("outdiskTextField"), QStringLiteral("outdisk"), 1000000.0f, "%.2f万");
    b.scaled(QStringLiteral("indiskTextField"), QStringLiteral("indisk"), 1000000.0f, "%.2f万");
}

// The newest day row's multi-day sums, each when the row has it.
void daySums(
    Builder& b, const QVariantMap& row, const QStringList& keys, const QStringList& fields, float divisor)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (!row.contains(keys[i]))
            continue;
        if (!feedtext::isNumber(row.value(keys[i]))) {
            b.both(fields[i], feedtext::dash(), signColor(0));
            continue;
        }
        const QString shown = formatNumber("%.4f亿", floatValue(row.value(keys[i])) / divisor);
        b.both(fields[i], shown, signColor(floatValue(shown)));
    }
}

// Today's main-money flow, coloured as the figure shown reads.
void mainValue(Builder& b)
{
    const QString key = QStringLiteral("mainvalue");
    const QString shown = b.figure(key) ? formatNumber("%.4f亿", b.num(key)) : feedtext::dash();
    b.both(QStringLiteral("mainvalueTextField"), shown, signColor(floatValue(shown)));
}

void margin(Builder& b, const QVariantList* dayList, bool dayListFailed)
{
    if (!dayList && dayListFailed) {
        // The rows could not be had: there is no figure, not a zero.
        for (const char* key :
            { "financingbalance", "financingthepurchaseamount", "financingtorepaytheamount", "marginbalance",
                "shortsellingvolume", "securitieslendingrepaymentamount" })
            b.text(QString::fromLatin1(key) + QStringLiteral("TextField"), feedtext::dash());
        return;
    }
    QVariantMap row;
    if (dayList && !dayList->isEmpty()) {
        row = platform::dictFromVariant(dayList->at(0));
        const QString fb = QStringLiteral("financingbalance");
        // A newest row without a margin figure yet falls back to the day before.
        if ((!row.contains(fb) || floatValue(row.value(fb)) == 0) && dayList->size() >= 2)
            row = platform::dictFromVariant(dayList->at(1));
    }
    struct Figure {
        const char* key;
        float divisor;
        const char* format;
        const char* zeroUnit;
    };
    static const Figure figures[] = {
        { "financingbalance", 100000000.0f, "%.4f亿元", "%@元" },
        { "financingthepurchaseamount", 100000000.0f, "%.4f亿元", "%@元" },
        { "financingtorepaytheamount", 100000000.0f, "%.4f亿元", "%@元" },
        { "marginbalance", 100000000.0f, "%.4f亿元", "%@元" },
        { "shortsellingvolume", 1000000.0f, "%.4f万手", "%@股" },
        { "securitieslendingrepaymentamount", 1000000.0f, "%.4f万手", "%@股" },
    };
    for (const Figure& f : figures) {
        const QString key = QString::fromLatin1(f.key);
        const QString field = key + QStringLiteral("TextField");
        const QString value = platform::stringOf(row, key);
        // "0" is the backend's "no figure"; a written zero such as 0.00 is a figure.
        if (row.contains(key) && value != QStringLiteral("0") && !feedtext::isNumber(row.value(key)))
            b.text(field, feedtext::dash());
        else if (row.contains(key) && value != QStringLiteral("0"))
            b.text(field, formatNumber(f.format, floatValue(QStringView(value)) / f.divisor));
        else
            b.text(field, stringWithFormat(f.zeroUnit, QStringLiteral("0")));
    }
}

void orderBook(Builder& b)
{
    float bids = 0;
    float asks = 0;
    for (int i = 1; i <= 5; ++i) {
        bids += b.num(QStringLiteral("buy%1count").arg(i));
        asks += b.num(QStringLiteral("sell%1count").arg(i));
    }
    double shown = 0;
    const QString diff = roundedTwo(bids - asks, &shown);
    b.both(QStringLiteral("buysellvalueTextField"), diff, signColor(shown));

    // An empty book has no rate: "--" in black instead of nan.
    const float total = bids + asks;
    if (total == 0 || !std::isfinite(total)) {
        b.both(QStringLiteral("buysellrateTextField"), QStringLiteral("--"), Colors::black());
    } else {
        const QString rate = roundedTwo((bids - asks) / total * 100.0f, &shown);
        b.both(QStringLiteral("buysellrateTextField"), rate == QStringLiteral("--") ? rate : rate + u'%',
            signColor(shown));
    }

    const bool hasY = b.has(kYprice);
    const float y = b.num(kYprice);
    auto level = [&](const QString& priceKey, const QString& priceField, const QString& countKey,
                     const QString& countField) {
        if (hasY && b.has(priceKey))
            b.color(priceField, closeColor(b.num(priceKey), y));
        b.price(priceField, priceKey);
        if (!countKey.isEmpty())
            b.asIsNumber(countField, countKey);
    };
    for (int i = 1; i <= 5; ++i)
        level(QStringLiteral("buy%1").arg(i), QStringLiteral("buy%1TextField").arg(i),
            QStringLiteral("buy%1count").arg(i), QStringLiteral("buy%1countTextField").arg(i));
    level(QStringLiteral("cprice"), QStringLiteral("cprice1TextField"), QString(), QString());
    for (int i = 1; i <= 5; ++i)
        level(QStringLiteral("sell%1").arg(i), QStringLiteral("sell%1TextField").arg(i),
            QStringLiteral("sell%1count").arg(i), QStringLiteral("sell%1countTextField").arg(i));

    if (unsplitVolume(b)) {
        b.text(QStringLiteral("outdisk1TextField"), feedtext::dash());
        b.text(QStringLiteral("indisk1TextField"), feedtext::dash());
    } else {
        b.asIsNumber(QStringLiteral("outdisk1TextField"), QStringLiteral("outdisk"));
        b.asIsNumber(QStringLiteral("indisk1TextField"), QStringLiteral("indisk"));
    }
}

void lastDeals(Builder& b)
{
    const QString key = QStringLiteral("recentlyandtransactionbytransaction");
    const QString deals = b.str(key);
    if (!b.has(key) || deals.isEmpty())
        return;
    const float y = b.num(kYprice);
    const QStringList items = deals.split(u'|');
    for (qsizetype i = 0; i < items.size() && i < 6; ++i) {
        const QStringList parts = items[i].split(u'/');
        // A malformed item leaves its own row alone; the next item still takes the next row.
        if (parts.size() != 6)
            continue;
        const int n = int(i) + 1;
        b.text(QStringLiteral("deal%1TimeTextField").arg(n), parts[0]);
        b.both(QStringLiteral("deal%1PriceTextField").arg(n), feedtext::price(parts[1]),
            closeColor(floatValue(QStringView(parts[1])), y));
        b.text(QStringLiteral("deal%1VolumetField").arg(n), feedtext::asIs(parts[2]));
        const QString type = QStringLiteral("deal%1TypeField").arg(n);
        if (parts[3] == QStringLiteral("B"))
            b.both(type, QStringLiteral("买"), Colors::red());
        else if (parts[3] == QStringLiteral("S"))
            b.both(type, QStringLiteral("卖"), Colors::green());
        else if (parts[3] == QStringLiteral("M"))
            b.both(type, QStringLiteral("中性"), Colors::black());
    }
}

const QVariantMap* newestRow(const QVariantList* dayList, QVariantMap& holder)
{
    if (!dayList || dayList->isEmpty())
        return nullptr;
    holder = platform::dictFromVariant(dayList->at(0));
    return &holder;
}

void stockPanel(Builder& b, const QString& curCode, const QVariantList* dayList, bool dayListFailed)
{
    header(b, curCode);
    yesterdayClose(b, true, curCode);
    valuationAndRange(b);
    outerInner(b);

    // A missing ratio reads as 0, so the field turns green and keeps its text.
    b.color(QStringLiteral("ratioTextField"),
        b.num(QStringLiteral("ratio")) > 1 ? Colors::red() : Colors::green());
    b.formatted(QStringLiteral("ratioTextField"), QStringLiteral("ratio"), "%@");
    b.formatted(QStringLiteral("turnoverrateTextField"), QStringLiteral("turnoverrate"), "%@%%");

    b.scaled(QStringLiteral("transaction100countField"), QStringLiteral("transaction100count"), 10000.0f,
        "%.2f万手");
    b.scaled(QStringLiteral("transactionvaluecountField"), QStringLiteral("transactionvaluecount"), 10000.0f,
        "%.2f亿");

    if (b.has(QStringLiteral("mainvalue"))) {
        mainValue(b);
        QVariantMap holder;
        if (const QVariantMap* row = newestRow(dayList, holder)) {
            // The stock rows' sums are in 万.
            daySums(b, *row,
                { QStringLiteral("bigbuyscore"), QStringLiteral("diskscore"), QStringLiteral("ratioscore") },
                { QStringLiteral("bigbuyscoreTextField"), QStringLiteral("diskscoreTextField"),
                    QStringLiteral("ratioscoreTextField") },
                10000.0f);
        }
    }
    margin(b, dayList, dayListFailed);
    orderBook(b);
    lastDeals(b);
}

void indexPanel(Builder& b, const QString& curCode, const QVariantList* dayList, bool dayListFailed)
{
    const bool own = curCode == ownIndexCode();
    header(b, curCode);
    yesterdayClose(b, false, curCode);
    valuationAndRange(b);
    const QString amplitude = QStringLiteral("amplituderate");
    // The own index carries its amplitude as a fraction.
    if (own && b.has(amplitude))
        b.text(QStringLiteral("amplituderateTextField"),
            b.figure(amplitude) ? formatNumber("%.2f%%", b.num(amplitude) * 100.0f) : feedtext::dash());
    outerInner(b);

    if (market::hasOwnMemberCounts(curCode)) {
        b.formatted(QStringLiteral("totalsubTextField"), QStringLiteral("totalsub"), "%@");
        b.asIsNumber(QStringLiteral("subequalcountTextField"), QStringLiteral("subequalcount"));
        b.asIsNumber(QStringLiteral("subupcountField"), QStringLiteral("subupcount"));
        b.asIsNumber(QStringLiteral("subdowncountField"), QStringLiteral("subdowncount"));
    } else {
        // Counts of the whole exchange (a record saved before) are no
        // figure of this index's members.
        for (const char* field :
            { "totalsubTextField", "subequalcountTextField", "subupcountField", "subdowncountField" })
            b.text(QString::fromLatin1(field), feedtext::dash());
    }

    const QString volume = QStringLiteral("transaction100count");
    const QString amount = QStringLiteral("transactionvaluecount");
    const QString volField = QStringLiteral("transaction100countField");
    const QString volField1 = QStringLiteral("transaction100countField1");
    const QString amtField = QStringLiteral("transactionvaluecountField");
    const QString amtField1 = QStringLiteral("transactionvaluecountField1");
    b.scaled(volField, volume, 10000.0f, "%.2f万手");
    b.scaled(volField1, volume, 10000.0f, "%.0f万手");
    b.scaled(amtField, amount, 10000.0f, "%.2f亿");
    b.scaled(amtField1, amount, 10000.0f, "%.0f亿");
    if (own) {
        // The own index's record counts in 亿手 and 亿 already.
        b.scaled(volField, volume, 1.0f, "%.2f亿手");
        b.scaled(volField1, volume, 1.0f, "%.0f亿手");
        b.scaled(amtField, amount, 1.0f, "%.2f亿");
        b.scaled(amtField1, amount, 1.0f, "%.0f亿");
    }

    if (b.has(QStringLiteral("mainvalue"))) {
        mainValue(b);
        QVariantMap holder;
        if (const QVariantMap* row = newestRow(dayList, holder)) {
            // The index rows' sums are in 亿 already.
            const QStringList keys = { QStringLiteral("rmb5inscore"), QStringLiteral("rmb10inscore"),
                QStringLiteral("rmb20inscore") };
            daySums(b, *row, keys, keys, 1.0f);
        }
    }
    margin(b, dayList, dayListFailed);
    orderBook(b);
    lastDeals(b);
}

} // namespace

int limitPercent(const QString& code, const QString& name)
{
    static const QStringList wideBoards = { QStringLiteral("300"), QStringLiteral("301"),
        QStringLiteral("302"), QStringLiteral("688"), QStringLiteral("689") };
    const QString trimmed = name.trimmed();
    if (trimmed.startsWith(u'N') || trimmed.startsWith(u'C'))
        return 0;
    if (code.size() == 6 && wideBoards.contains(code.left(3)))
        return 20;
    return 10;
}

std::optional<QString> limitPrice(const QString& yprice, int percent, bool up)
{
    // The close as whole units of 10^-decimals, read digit by digit so that
    // no binary fraction creeps in.
    const QString text = yprice.trimmed();
    qint64 units = 0;
    qint64 scale = 1;
    bool point = false;
    int digits = 0;
    for (const QChar c : text) {
        if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9' && digits < 12) {
            units = units * 10 + (c.unicode() - u'0');
            ++digits;
            if (point)
                scale *= 10;
        } else {
            return std::nullopt;
        }
    }
    if (units <= 0 || percent <= 0)
        return std::nullopt;
    // Cents of close × (100 ± percent) / 100, the half cent going up.
    const qint64 scaled = units * (up ? 100 + percent : 100 - percent);
    const qint64 cents = (scaled * 2 + scale) / (2 * scale);
    return stringWithFormat("%lld.%02lld", cents / 100, cents % 100);
}

QList<FieldWrite> marketAlertsWrites(int level)
{
    if (level == kNoAlertLevel)
        return {};
    QColor c = Colors::black();
    if (level > 4)
        c = Colors::green();
    else if (level < 1)
        c = Colors::red();
    return { FieldWrite { QStringLiteral("earthquakeRank"), stringWithFormat("%.1f级", double(level)), c } };
}

PanelUpdate computeQuotePanel(PanelKind kind, const QString& curCode, const QVariantMap* record,
    const QVariantList* dayList, int alertLevel, bool dayListFailed)
{
    PanelUpdate out;
    if (kind == PanelKind::Index) {
        // These run before the record is read, so the warning level shows
        // even while the record is incomplete.
        if (curCode == ownIndexCode()) {
            out.hideDealBox = true;
            out.writes += marketAlertsWrites(alertLevel);
        } else {
            out.hideEarthquakeBox = true;
        }
    }
    if (!record)
        return out;
    out.hasRecord = true;
    if (!record->contains(QStringLiteral("valuerate")) || !record->contains(QStringLiteral("valueprice")))
        return out;
    out.passedGate = true;

    Builder b(out, *record);
    if (kind == PanelKind::Stock)
        stockPanel(b, curCode, dayList, dayListFailed);
    else
        indexPanel(b, curCode, dayList, dayListFailed);
    // A figure the panel cannot show reads as no change, whichever rule
    // coloured its field.
    QStringList dashed;
    for (const FieldWrite& w : std::as_const(out.writes)) {
        if (w.text && !dashed.contains(w.field) && out.textOf(w.field) == feedtext::dash())
            dashed << w.field;
    }
    for (const QString& field : std::as_const(dashed))
        out.writes.append({ field, std::nullopt, Colors::black() });
    return out;
}

QStringList outletNames(PanelKind kind)
{
    const bool stock = kind == PanelKind::Stock;
    QStringList names = { QStringLiteral("nameTextField"), QStringLiteral("codeTextField"),
        QStringLiteral("priceTextField"), QStringLiteral("valuepriceTextField"),
        QStringLiteral("valuerateTextField"), QStringLiteral("ypriceField") };
    if (stock)
        names << QStringLiteral("today_limith_priceField") << QStringLiteral("today_limitl_priceField");
    names << QStringLiteral("today_start_priceTextField") << QStringLiteral("PEField")
          << QStringLiteral("PBField") << QStringLiteral("totalvalueField")
          << QStringLiteral("marketvalueField") << QStringLiteral("valuelowestTextField")
          << QStringLiteral("prepriceTextField") << QStringLiteral("valuehighestTextField")
          << QStringLiteral("amplituderateTextField") << QStringLiteral("outdiskTextField")
          << QStringLiteral("indiskTextField");
    if (stock)
        names << QStringLiteral("ratioTextField") << QStringLiteral("turnoverrateTextField");
    names << QStringLiteral("transaction100countField") << QStringLiteral("transactionvaluecountField");
    if (!stock)
        names << QStringLiteral("transaction100countField1") << QStringLiteral("transactionvaluecountField1")
              << QStringLiteral("totalsubTextField") << QStringLiteral("subupcountField")
              << QStringLiteral("subequalcountTextField") << QStringLiteral("subdowncountField");
    names << QStringLiteral("mainvalueTextField");
    if (stock)
        names << QStringLiteral("bigbuyscoreTextField") << QStringLiteral("diskscoreTextField")
              << QStringLiteral("ratioscoreTextField");
    else
        names << QStringLiteral("rmb5inscore") << QStringLiteral("rmb10inscore")
              << QStringLiteral("rmb20inscore");
    for (const char* key : { "financingbalance", "financingthepurchaseamount", "financingtorepaytheamount",
             "marginbalance", "shortsellingvolume", "securitieslendingrepaymentamount" })
        names << QString::fromLatin1(key) + QStringLiteral("TextField");
    names << QStringLiteral("buysellvalueTextField") << QStringLiteral("buysellrateTextField");
    for (int i = 1; i <= 5; ++i)
        names << QStringLiteral("buy%1TextField").arg(i) << QStringLiteral("buy%1countTextField").arg(i)
              << QStringLiteral("sell%1TextField").arg(i) << QStringLiteral("sell%1countTextField").arg(i);
    names << QStringLiteral("cprice1TextField") << QStringLiteral("outdisk1TextField")
          << QStringLiteral("indisk1TextField");
    for (int i = 1; i <= 6; ++i)
        names << QStringLiteral("deal%1TimeTextField").arg(i) << QStringLiteral("deal%1PriceTextField").arg(i)
              << QStringLiteral("deal%1VolumetField").arg(i) << QStringLiteral("deal%1TypeField").arg(i);
    if (!stock)
        names << QStringLiteral("earthquakeRank");
    return names;
}

} // namespace quotepanel
