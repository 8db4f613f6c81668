#include "watchlist/VIPRowFormat.h"

#include "market/FeedParsers.h"
#include "market/MarketCodes.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "screens/FeedText.h"

namespace vip {

namespace {
QString key(const char* text)
{
    return QString::fromLatin1(text);
}
} // namespace

QString prefixedCode(const QString& stockcode)
{
    return market::neteaseCode(stockcode);
}

QString quoteFeedPath(const QStringList& stockcodes)
{
    QStringList prefixed;
    prefixed.reserve(stockcodes.size());
    for (const QString& code : stockcodes)
        prefixed << prefixedCode(code);
    return QStringLiteral("/data/feed/") + prefixed.join(QLatin1Char(','));
}

QString stockAppPath(const QString& stockcode)
{
    return QStringLiteral("/app/stock/") + prefixedCode(stockcode) + QStringLiteral(".json");
}

QString fundFlowPath(const QString& stockcode)
{
    // A reply's code reaches the path only as six ASCII digits.
    return QStringLiteral("/js/") + market::bareCode(stockcode) + QStringLiteral(".js");
}

QString recordText(const QVariantMap& record, const QString& name)
{
    return platform::stringOf(record, name);
}

QString earnPercentText(const QString& cprice, const QString& reprice)
{
    const float reference = platform::floatValue(reprice);
    const float price = platform::floatValue(cprice);
    // Without either price the gain is unknown: neither a 100 % loss nor 0.00.
    if (!(reference > 0.0f) || !(price > 0.0f))
        return feedtext::dash();
    const float gain = (price - reference) / reference * 100.0f;
    return platform::stringWithFormat("%.2f", static_cast<double>(gain));
}

void applyQuoteEntry(QVariantMap& row, const QVariantMap& entry)
{
    const auto copy = [&](const char* from, const char* to) {
        const QString text = recordText(entry, key(from));
        if (!text.isEmpty())
            row.insert(key(to), text);
    };
    copy("name", "stockname");
    copy("updown", "valueprice");
    copy("price", "cprice");
    const QString percent = recordText(entry, key("percent"));
    if (!percent.isEmpty()) {
        // The feed sends the change as a fraction; one it cannot mean is no 0.00.
        row.insert(key("valuerate"),
            feedtext::isNumber(percent) ? platform::stringWithFormat(
                "%.2f", static_cast<double>(platform::floatValue(percent) * 100.0f))
                                        : feedtext::dash());
    }
}

std::optional<QVariantMap> rowForRecord(const QVariantMap& record, const QVariantMap* entry)
{
    const QString code = recordText(record, key("stockcode")).trimmed();
    if (code.isEmpty())
        return std::nullopt;
    QVariantMap row;
    row.insert(key("stockcode"), code);
    const QString date = recordText(record, key("recomdate"));
    if (date.size() >= 11)
        row.insert(key("recomdate"), date.left(10));
    if (record.contains(key("price")))
        row.insert(key("reprice"), recordText(record, key("price")));
    if (record.contains(key("recomtype")))
        row.insert(key("recomtype"), recordText(record, key("recomtype")));
    if (entry)
        applyQuoteEntry(row, *entry);
    row.insert(key("earnpercent"),
        earnPercentText(row.value(key("cprice")).toString(), row.value(key("reprice")).toString()));
    return row;
}

FeedEntries quoteFeedEntries(const QByteArray& body)
{
    const market::NeteaseBatch batch = market::parseNeteaseFeed(body);
    return FeedEntries { batch.entries, batch.error };
}

std::optional<QVariantMap> volumeFields(const QByteArray& body)
{
    const market::FeedResult result = market::parseStockAppJson(body);
    if (!result.ok())
        return std::nullopt;
    return result.fields;
}

std::optional<QString> mainValue(const QByteArray& body)
{
    // Only the first field is read, so a short reply still counts; a reply
    // without its closing "};" is a failed step.
    static const QByteArray marker("zjlx_detail={data:");
    const qsizetype at = body.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    qsizetype quote = at + marker.size();
    while (quote < body.size() && body.at(quote) == ' ')
        ++quote;
    if (quote >= body.size() || body.at(quote) != '"')
        return std::nullopt;
    const qsizetype closing = body.indexOf("};", quote + 1);
    if (closing < 0)
        return std::nullopt;
    const QString fields = QString::fromLatin1(body.mid(quote + 1, closing - quote - 1));
    QString first = fields.section(QLatin1Char(','), 0, 0);
    // A lone field still carries the string's closing quote.
    if (first.endsWith(QLatin1Char('"')))
        first.chop(1);
    if (!feedtext::isNumber(first))
        return feedtext::dash();
    // The amount stays in the feed's 万; the cell scales it.
    return platform::stringWithFormat("%.4f", static_cast<double>(platform::floatValue(first)));
}

QColor signColor(float value)
{
    if (value > 0)
        return platform::Colors::red();
    if (value < 0)
        return platform::Colors::green();
    return platform::Colors::white();
}

QColor turnoverColor(float percent)
{
    return percent < 2.0f ? platform::Colors::red() : platform::Colors::green();
}

QColor ratioColor(float ratio)
{
    if (ratio > 1.0f)
        return platform::Colors::red();
    if (ratio == 0.0f)
        return platform::Colors::white();
    return platform::Colors::green();
}

Cell cellFor(const QVariantMap& row, const QString& identifier)
{
    const auto text = [&](const char* name) { return recordText(row, key(name)); };
    // A figure the feeds cannot mean ("--", "nan", "1e308") shows "--" in
    // the colour of no change.
    const auto number = [&](const char* name) {
        const QString value = text(name);
        return feedtext::isNumber(value) ? platform::floatValue(value) : 0.0f;
    };
    const auto figure = [&](const char* name) {
        const QString value = text(name);
        return value.isEmpty() ? value : feedtext::asIs(value);
    };
    // A value not yet fetched shows nothing rather than a lone "%".
    const auto percent = [&](const char* name) {
        const QString value = text(name);
        if (value.isEmpty() || !feedtext::isNumber(value))
            return figure(name);
        return platform::stringWithFormat("%@%%", feedtext::asIs(value));
    };
    if (identifier == key("stockcode") || identifier == key("stockname"))
        return { recordText(row, identifier), signColor(number("valuerate")) };
    if (identifier == key("cprice")) {
        const QString price = text("cprice").isEmpty() ? QString() : feedtext::price(text("cprice"));
        return { price,
            price == feedtext::dash() ? platform::Colors::white() : signColor(number("valuerate")) };
    }
    if (identifier == key("valueprice"))
        return { figure("valueprice"), signColor(number("valueprice")) };
    if (identifier == key("valuerate"))
        return { percent("valuerate"), signColor(number("valuerate")) };
    if (identifier == key("earnpercent"))
        return { percent("earnpercent"), signColor(number("earnpercent")) };
    if (identifier == key("turnoverrate") && row.contains(identifier))
        return { percent("turnoverrate"), turnoverColor(number("turnoverrate")) };
    if (identifier == key("ratio"))
        return { figure("ratio"), ratioColor(number("ratio")) };
    if (identifier == key("mainvalue")) {
        // A flow the feed could not give is no 0.0000亿 (a row not yet
        // refreshed, without one, still reads 0.0000亿).
        if (row.contains(identifier) && !feedtext::isNumber(row.value(identifier)))
            return { feedtext::dash(), platform::Colors::white() };
        // The row keeps 万; the column reads in 亿.
        const QString shown
            = platform::stringWithFormat("%.4f亿", static_cast<double>(number("mainvalue") / 10000.0f));
        return { shown, signColor(platform::floatValue(shown)) };
    }
    return { recordText(row, identifier), std::nullopt };
}

bool rowLess(const QVariantMap& a, const QVariantMap& b, const QString& name)
{
    const QString left = recordText(a, name);
    const QString right = recordText(b, name);
    if (left.isEmpty() || right.isEmpty())
        return left.isEmpty() && !right.isEmpty();
    if (platform::startsWithNumber(left) && platform::startsWithNumber(right))
        return platform::doubleValue(left) < platform::doubleValue(right);
    return left.localeAwareCompare(right) < 0;
}

} // namespace vip
