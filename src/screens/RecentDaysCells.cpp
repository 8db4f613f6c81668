#include "screens/RecentDaysCells.h"

#include "market/MarketCodes.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "screens/FeedText.h"
#include "screens/stockDayDict.h"

#include <algorithm>

namespace recentdays {

using platform::Colors;
using platform::floatValue;
using platform::stringOf;
using platform::stringWithFormat;

namespace {

QString str(const char* text)
{
    return QString::fromUtf8(text);
}

float number(const QVariantMap& row, const QString& key)
{
    return floatValue(row.value(key));
}

// Whether the row's value is a figure: a missing one reads as 0, one the
// feed sent as no number shows "--".
bool figure(const QVariantMap& row, const QString& key)
{
    return !row.contains(key) || feedtext::isNumber(row.value(key));
}

// A figure's colour by the sign of what it shows: "-0.00" is no fall.
QColor shownColour(const QString& figureText)
{
    return signColour(floatValue(figureText));
}

Cell percentCell(const QVariantMap& row, const QString& key, QColor colour)
{
    // A missing percent is unknown, not a bare "%".
    if (!row.contains(key) || !figure(row, key))
        return { feedtext::dash(), Colors::white() };
    return { stringWithFormat("%@%%", feedtext::asIs(row.value(key))), colour };
}

Cell asSent(const QVariantMap& row, const QString& key, std::optional<QColor> colour)
{
    return { stringOf(row, key), colour };
}

// A figure as sent; "--" for a text that is no number.
Cell figureAsSent(const QVariantMap& row, const QString& key, std::optional<QColor> colour)
{
    const QString text = row.contains(key) ? feedtext::asIs(row.value(key)) : QString();
    // "--" reads as no change, whatever rule colours the column.
    return { text, text == feedtext::dash() ? Colors::white() : colour };
}

Cell yiCell(const QVariantMap& row, const QString& key, float divisor)
{
    if (!figure(row, key))
        return { feedtext::dash(), signColour(0) };
    const QString shown = stringWithFormat("%.2f亿", double(number(row, key) / divisor));
    return { shown, shownColour(shown) };
}

// Cells both tables form alike; nullopt for the others.
std::optional<Cell> commonCell(const QVariantMap& row, const QString& id)
{
    const float rate = number(row, QStringLiteral("valuerate"));
    if (id == QLatin1String("valuerate"))
        return percentCell(row, id, signColour(rate));
    if (id == QLatin1String("code") || id == QLatin1String("stockname"))
        return asSent(row, id, signColour(rate));
    if (id == QLatin1String("cprice"))
        return figureAsSent(row, id, signColour(rate));
    if (id == QLatin1String("continuemainvalueupdown"))
        return figureAsSent(row, id, signColour(number(row, id)));
    if (id == QLatin1String("swingscore"))
        return figureAsSent(row, id, lineColour(number(row, id), 3));
    if (id == QLatin1String("score"))
        return figureAsSent(row, id, scoreColour(number(row, id)));
    return std::nullopt;
}

struct MarginColumn {
    const char* column; // the direction, which colours the cell
    const char* amount; // the figure shown
    float divisor;
    bool reversed;
};

// Amounts in 亿 yuan, share counts in 万手 (10^6 shares).
const MarginColumn kMarginColumns[] = {
    { "continuefinancingbalance", "financingbalance", 1e8f, false },
    { "continuefinancingthepurchaseamount", "financingthepurchaseamount", 1e8f, false },
    { "continuefinancingtorepaytheamount", "financingtorepaytheamount", 1e8f, true },
    { "continuemarginbalance", "marginbalance", 1e8f, false },
    { "continueshortsellingvolume", "shortsellingvolume", 1e6f, true },
    { "continuesecuritieslendingrepaymentamount", "securitieslendingrepaymentamount", 1e6f, false },
};

const MarginColumn* marginColumn(const QString& id)
{
    for (const MarginColumn& column : kMarginColumns) {
        if (id == QLatin1String(column.column))
            return &column;
    }
    return nullptr;
}

QColor directionColour(float value, bool reversed)
{
    return reversed ? reversedSignColour(value) : signColour(value);
}

} // namespace

QColor signColour(float value)
{
    if (value > 0)
        return Colors::red();
    if (value < 0)
        return Colors::green();
    return Colors::white();
}

QColor reversedSignColour(float value)
{
    if (value < 0)
        return Colors::red();
    if (value > 0)
        return Colors::green();
    return Colors::white();
}

QColor lineColour(float value, float line)
{
    if (value > line)
        return Colors::red();
    if (value == 0)
        return Colors::white();
    return Colors::green();
}

QColor scoreColour(float value)
{
    if (value > -18 && value < -14)
        return Colors::red();
    if (value > -3 && value < 3)
        return Colors::yellow();
    return Colors::white();
}

QColor turnoverColour(float value)
{
    return value < 2 ? Colors::red() : Colors::green();
}

QString marginText(const QVariant& value, float divisor)
{
    if (value.isValid() && stringOf(value) == QLatin1String("0"))
        return QStringLiteral("0");
    if (value.isValid() && !feedtext::isNumber(value))
        return feedtext::dash();
    return stringWithFormat("%.4f", double(floatValue(value) / divisor));
}

Cell stockCell(const QVariantMap& row, const QString& id)
{
    if (std::optional<Cell> cell = commonCell(row, id))
        return *cell;
    if (id == QLatin1String("smallbuyscore"))
        return percentCell(row, id, reversedSignColour(number(row, id)));
    if (id == QLatin1String("turnoverrate"))
        return percentCell(row, id, turnoverColour(number(row, id)));
    if (id == QLatin1String("ratio") || id == QLatin1String("rank"))
        return figureAsSent(row, id, lineColour(number(row, id), 1));
    if (id == QLatin1String("transactionvaluecount")) {
        if (!figure(row, id))
            return { feedtext::dash(), std::nullopt };
        // Stock rows carry yuan.
        return { stringWithFormat("%.2f亿", double(number(row, id) / 1e8f)), std::nullopt };
    }
    if (id == QLatin1String("mainvalue") || id == QLatin1String("bigbuyscore")
        || id == QLatin1String("diskscore") || id == QLatin1String("ratioscore")
        || id == QLatin1String("turnoverscore"))
        return yiCell(row, id, 1e4f); // 万 to 亿
    if (id == QLatin1String("volume")) {
        const stockDayDict::Stage stage = stockDayDict::stockStage(row.value(id));
        return { stage.text, stage.colour };
    }
    if (const MarginColumn* margin = marginColumn(id)) {
        return { marginText(row.value(str(margin->amount)), margin->divisor),
            directionColour(number(row, id), margin->reversed) };
    }
    return asSent(row, id, Colors::white());
}

Cell indexCell(const QVariantMap& row, const QString& id)
{
    if (std::optional<Cell> cell = commonCell(row, id))
        return *cell;
    if (id == QLatin1String("updown5day"))
        return percentCell(row, id, reversedSignColour(number(row, id)));
    if (id == QLatin1String("transactionvaluecount")) {
        if (!figure(row, id))
            return { feedtext::dash(), std::nullopt };
        // Index rows already carry 亿.
        return { stringWithFormat("%.2f亿", double(number(row, id))), std::nullopt };
    }
    if (id == QLatin1String("mainvalue") || id == QLatin1String("rmb5inscore")
        || id == QLatin1String("rmb10inscore") || id == QLatin1String("rmb20inscore")
        || id == QLatin1String("rmballinscore"))
        return yiCell(row, id, 1);
    if (id == QLatin1String("rank")) {
        const stockDayDict::Stage stage = stockDayDict::indexStage(row.value(id));
        return { stage.text, stage.colour };
    }
    if (const MarginColumn* margin = marginColumn(id))
        return figureAsSent(row, id, directionColour(number(row, id), margin->reversed));
    return asSent(row, id, Colors::white());
}

const QStringList& sumLabels(Kind kind)
{
    static const QStringList stock
        = { QStringLiteral("bigbuyscoreTextField"), QStringLiteral("diskscoreTextField"),
              QStringLiteral("ratioscoreTextField"), QStringLiteral("turnoverscoreTextField") };
    static const QStringList index = { QStringLiteral("rmb5inscore"), QStringLiteral("rmb10inscore"),
        QStringLiteral("rmb20inscore"), QStringLiteral("rmballinscore") };
    return kind == Kind::Stock ? stock : index;
}

QStringList headerLabels(Kind kind)
{
    QStringList labels = { QStringLiteral("nameTextField"), QStringLiteral("codeTextField"),
        QStringLiteral("priceTextField"), QStringLiteral("valuepriceTextField"),
        QStringLiteral("valuerateTextField"), QStringLiteral("mainvalueTextField"),
        QStringLiteral("transaction100countTextField"), QStringLiteral("transactionvaluecountTextField"),
        QStringLiteral("marketvalueTextField"), QStringLiteral("PETextField"),
        QStringLiteral("marketstatusTextField") };
    if (kind == Kind::Stock) {
        labels << QStringLiteral("ratioTextField") << QStringLiteral("turnoverrateTextField");
    } else {
        labels << QStringLiteral("totalsubTextField") << QStringLiteral("subupcountField")
               << QStringLiteral("subequalcountTextField") << QStringLiteral("subdowncountField");
    }
    return labels + sumLabels(kind);
}

QList<LabelUpdate> headerUpdates(
    Kind kind, const QVariantMap& record, const QString& curCode, const std::optional<QVariantMap>& newestRow)
{
    QList<LabelUpdate> updates;
    if (!record.contains(QStringLiteral("valuerate")) || !record.contains(QStringLiteral("valueprice")))
        return updates;
    const bool stock = kind == Kind::Stock;
    const QColor sign = signColour(floatValue(record.value(QStringLiteral("valuerate"))));

    QStringList signed_ = { QStringLiteral("nameTextField"), QStringLiteral("priceTextField"),
        QStringLiteral("codeTextField"), QStringLiteral("valuepriceTextField"),
        QStringLiteral("valuerateTextField") };
    if (stock)
        signed_ << QStringLiteral("turnoverrateTextField");
    for (const QString& label : signed_)
        updates.append({ label, std::nullopt, sign });

    // A label whose key the record lacks keeps its text.
    const auto fill = [&](const char* label, const char* key, auto format) {
        const QString name = str(key);
        if (record.contains(name))
            updates.append({ str(label), format(record.value(name)), std::nullopt });
    };
    const auto plain = [](const QVariant& value) { return stringOf(value); };
    const auto price = [](const QVariant& value) { return feedtext::price(value); };
    // A figure the feed sent as no number shows "--" after the caption.
    const auto scaled = [](const char* caption, const char* format, float divisor) {
        return [caption, format, divisor](const QVariant& value) -> QString {
            if (!feedtext::isNumber(value))
                return str(caption) + feedtext::dash();
            return str(caption) + stringWithFormat(format, double(floatValue(value) / divisor));
        };
    };
    const auto textual = [](const char* caption, const char* format) {
        return [caption, format](const QVariant& value) -> QString {
            if (!feedtext::isNumber(value))
                return str(caption) + feedtext::dash();
            return str(caption) + stringWithFormat(format, feedtext::asIs(value));
        };
    };

    fill("nameTextField", "stockname", plain);
    fill("priceTextField", "cprice", price);
    if (kind == Kind::Index && curCode == QLatin1String("888888.idx")) {
        // The product's own index is recorded in 亿手 and 亿 already.
        fill("transaction100countTextField", "transaction100count", scaled("成交量: ", "%.2f亿手", 1));
        fill("transactionvaluecountTextField", "transactionvaluecount", scaled("成交额: ", "%.2f亿", 1));
    } else if (stock) {
        // The quote store keeps a stock's volume in lots and its amount in 万,
        // whichever feed answered last, so both scale by 10^4 here.
        fill("transaction100countTextField", "transaction100count", scaled("成交量:", "%.2f万手", 1e4f));
        fill("transactionvaluecountTextField", "transactionvaluecount", scaled("成交额:", "%.2f亿", 1e4f));
    } else {
        fill("transaction100countTextField", "transaction100count", scaled("成交量: ", "%.2f亿手", 1e8f));
        fill("transactionvaluecountTextField", "transactionvaluecount", scaled("成交额: ", "%.2f亿", 1e4f));
    }
    fill("marketvalueTextField", "marketvalue", scaled("流通值:", "%.2f亿", 1e4f));
    // A P/E of 0 is the feeds' "none".
    fill("PETextField", "PE", [&](const QVariant& value) {
        return floatValue(value) == 0 ? str("市盈率:") + feedtext::dash()
                                      : scaled("市盈率:", "%.2f", 1)(value);
    });
    fill("marketstatusTextField", "marketstatus", plain);
    updates.append({ QStringLiteral("codeTextField"), curCode, std::nullopt });
    fill("valuepriceTextField", "valueprice", textual("", "%@"));
    fill("valuerateTextField", "valuerate", textual("", "%@%%"));
    if (stock) {
        fill("ratioTextField", "ratio", textual("量:", "%@"));
        const float ratio = floatValue(record.value(QStringLiteral("ratio")));
        updates.append(
            { QStringLiteral("ratioTextField"), std::nullopt, ratio > 1 ? Colors::red() : Colors::green() });
        fill("turnoverrateTextField", "turnoverrate", textual("换:", "%@%%"));
    } else if (market::hasOwnMemberCounts(curCode)) {
        fill("totalsubTextField", "totalsub", textual("总家数: ", "%@"));
        fill("subequalcountTextField", "subequalcount", textual("平盘: ", "%@"));
        fill("subupcountField", "subupcount", textual("上涨: ", "%@"));
        fill("subdowncountField", "subdowncount", textual("下跌: ", "%@"));
    } else {
        // The exchange's counts are no figure of this index's members.
        for (const auto& [label, caption] :
            { std::pair { "totalsubTextField", "总家数: " }, std::pair { "subequalcountTextField", "平盘: " },
                std::pair { "subupcountField", "上涨: " }, std::pair { "subdowncountField", "下跌: " } })
            updates.append({ str(label), str(caption) + feedtext::dash(), std::nullopt });
    }

    const QString mainKey = QStringLiteral("mainvalue");
    if (!record.contains(mainKey))
        return updates;
    // The quote record's main value is already in 亿.
    const float mainValue = floatValue(record.value(mainKey));
    const QString mainShown = feedtext::isNumber(record.value(mainKey))
        ? stringWithFormat("%.2f亿", double(mainValue))
        : feedtext::dash();
    updates.append({ QStringLiteral("mainvalueTextField"), mainShown, shownColour(mainShown) });

    if (!newestRow)
        return updates;
    const bool today = stockDayDict::isDay(*newestRow, stringOf(record, QStringLiteral("curdate")));
    static const char* const kStockKeys[] = { "bigbuyscore", "diskscore", "ratioscore", "turnoverscore" };
    static const char* const kIndexKeys[]
        = { "rmb5inscore", "rmb10inscore", "rmb20inscore", "rmballinscore" };
    // Without today's row the backend's sums miss today, so today's main value completes them.
    static const char* const kTodayFormats[] = { "5日:%.2f亿", "10日:%.2f亿", "20日:%.2f亿", "历史:%.2f亿" };
    static const char* const kCompletedFormats[]
        = { "6日:%.2f亿", "11日:%.2f亿", "21日:%.2f亿", "历史:%.2f亿" };
    for (int i = 0; i < 4; ++i) {
        const QString key = str(stock ? kStockKeys[i] : kIndexKeys[i]);
        if (!newestRow->contains(key))
            break;
        const char* format = today ? kTodayFormats[i] : kCompletedFormats[i];
        // A sum, or a main value to complete it, that the backend cannot mean
        // leaves the sum unknown, not a zero.
        if (!feedtext::isNumber(newestRow->value(key))
            || (!today && !feedtext::isNumber(record.value(mainKey)))) {
            updates.append({ sumLabels(kind).at(i),
                QString::fromUtf8(format).section(QLatin1Char(':'), 0, 0) + QLatin1Char(':')
                    + feedtext::dash(),
                signColour(0) });
            continue;
        }
        float value = floatValue(newestRow->value(key));
        if (stock)
            value /= 1e4f; // 万 to 亿
        if (!today)
            value += mainValue;
        const QString shown = stringWithFormat(format, double(value));
        updates.append({ sumLabels(kind).at(i), shown, shownColour(shown.section(QLatin1Char(':'), 1)) });
    }
    return updates;
}

const QList<Column>& columns(Kind kind)
{
    static const QList<Column> stock = {
        { QStringLiteral("curdate"), QStringLiteral("日期"), 76 },
        { QStringLiteral("code"), QStringLiteral("代码"), 60 },
        { QStringLiteral("stockname"), QStringLiteral("名称"), 70 },
        { QStringLiteral("cprice"), QStringLiteral("收盘"), 58 },
        { QStringLiteral("valuerate"), QStringLiteral("涨幅"), 58 },
        { QStringLiteral("volume"), QStringLiteral("阶段"), 96 },
        { QStringLiteral("score"), QStringLiteral("评分"), 48 },
        { QStringLiteral("rank"), QStringLiteral("级别"), 44 },
        { QStringLiteral("swingscore"), QStringLiteral("振幅"), 48 },
        { QStringLiteral("mainvalue"), QStringLiteral("主力"), 66 },
        { QStringLiteral("continuemainvalueupdown"), QStringLiteral("主力连续"), 60 },
        { QStringLiteral("bigbuyscore"), QStringLiteral("5日主力"), 66 },
        { QStringLiteral("diskscore"), QStringLiteral("10日主力"), 66 },
        { QStringLiteral("ratioscore"), QStringLiteral("20日主力"), 66 },
        { QStringLiteral("turnoverscore"), QStringLiteral("历史主力"), 70 },
        { QStringLiteral("smallbuyscore"), QStringLiteral("散户"), 54 },
        { QStringLiteral("turnoverrate"), QStringLiteral("换手"), 54 },
        { QStringLiteral("ratio"), QStringLiteral("量比"), 44 },
        { QStringLiteral("transactionvaluecount"), QStringLiteral("成交额"), 66 },
        { QStringLiteral("continuefinancingbalance"), QStringLiteral("融资余额亿"), 76 },
        { QStringLiteral("continuefinancingthepurchaseamount"), QStringLiteral("融资买入亿"), 76 },
        { QStringLiteral("continuefinancingtorepaytheamount"), QStringLiteral("融资偿还亿"), 76 },
        { QStringLiteral("continuemarginbalance"), QStringLiteral("两融余额亿"), 76 },
        { QStringLiteral("continueshortsellingvolume"), QStringLiteral("融券卖出万手"), 86 },
        { QStringLiteral("continuesecuritieslendingrepaymentamount"), QStringLiteral("融券偿还万手"), 86 },
    };
    static const QList<Column> index = {
        { QStringLiteral("curdate"), QStringLiteral("日期"), 76 },
        { QStringLiteral("code"), QStringLiteral("代码"), 84 },
        { QStringLiteral("stockname"), QStringLiteral("名称"), 70 },
        { QStringLiteral("cprice"), QStringLiteral("收盘"), 66 },
        { QStringLiteral("valuerate"), QStringLiteral("涨幅"), 58 },
        { QStringLiteral("updown5day"), QStringLiteral("5日涨幅"), 60 },
        { QStringLiteral("rank"), QStringLiteral("阶段"), 70 },
        { QStringLiteral("score"), QStringLiteral("评分"), 48 },
        { QStringLiteral("swingscore"), QStringLiteral("振幅"), 48 },
        { QStringLiteral("transactionvaluecount"), QStringLiteral("成交额"), 88 },
        { QStringLiteral("mainvalue"), QStringLiteral("主力"), 66 },
        { QStringLiteral("continuemainvalueupdown"), QStringLiteral("主力连续"), 60 },
        { QStringLiteral("rmb5inscore"), QStringLiteral("5日主力"), 66 },
        { QStringLiteral("rmb10inscore"), QStringLiteral("10日主力"), 66 },
        { QStringLiteral("rmb20inscore"), QStringLiteral("20日主力"), 66 },
        { QStringLiteral("rmballinscore"), QStringLiteral("历史主力"), 74 },
        { QStringLiteral("continuefinancingbalance"), QStringLiteral("融资余额"), 60 },
        { QStringLiteral("continuefinancingthepurchaseamount"), QStringLiteral("融资买入"), 60 },
        { QStringLiteral("continuefinancingtorepaytheamount"), QStringLiteral("融资偿还"), 60 },
        { QStringLiteral("continuemarginbalance"), QStringLiteral("两融余额"), 60 },
        { QStringLiteral("continueshortsellingvolume"), QStringLiteral("融券卖出"), 60 },
        { QStringLiteral("continuesecuritieslendingrepaymentamount"), QStringLiteral("融券偿还"), 60 },
    };
    return kind == Kind::Stock ? stock : index;
}

SortDescriptor sortPrototype(Kind kind, const QString& identifier)
{
    if (kind == Kind::Stock) {
        if (const MarginColumn* margin = marginColumn(identifier))
            return { str(margin->amount), true };
    }
    return { identifier, true };
}

void sortRows(QVariantList& rows, const QList<SortDescriptor>& descriptors)
{
    const auto compare = [](const QVariantMap& a, const QVariantMap& b, const QString& key) {
        if (key == QLatin1String("stockname") || key == QLatin1String("code"))
            return stringOf(a, key).compare(stringOf(b, key));
        // Double precision: "yyyyMMdd" days are beyond what a float tells apart.
        const double x = platform::doubleValue(a.value(key));
        const double y = platform::doubleValue(b.value(key));
        return x < y ? -1 : (x > y ? 1 : 0);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const QVariant& left, const QVariant& right) {
        const QVariantMap a = left.toMap();
        const QVariantMap b = right.toMap();
        for (const SortDescriptor& descriptor : descriptors) {
            const int order = compare(a, b, descriptor.key);
            if (order != 0)
                return descriptor.ascending ? order < 0 : order > 0;
        }
        return false;
    });
}

} // namespace recentdays
