#include "charts/ChartFeeds.h"

#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/Types.h"
#include "platform/UrlSession.h"
#include "platform/Values.h"

#include <algorithm>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcCharts, "lst.charts", QtInfoMsg)

namespace charts {

namespace {
bool allDigits(QStringView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
}

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// One number of a feed row, read once, without copying the cell's text.
struct Cell {
    float value = 0;
    bool number = false; // false for "--", an empty text, null
};

Cell readCell(const QVariant& cell)
{
    switch (cell.metaType().id()) {
    case QMetaType::QString: {
        const QStringView text(*static_cast<const QString*>(cell.constData()));
        const float value = platform::floatValue(text);
        // Only a zero needs the second look: any other value came from digits.
        return { value, value != 0 || platform::startsWithNumber(text) };
    }
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return { platform::floatValue(cell), true };
    default:
        return {};
    }
}

// The value when it is a finite number, NaN otherwise.
float finiteOrNone(const Cell& cell)
{
    return cell.number && std::isfinite(cell.value) ? cell.value : kNoValue;
}

// The cells of a row without copying the list, or nothing.
const QVariantList* rowCells(const QVariant& row, QVariantList& scratch)
{
    if (row.metaType().id() == QMetaType::QVariantList)
        return static_cast<const QVariantList*>(row.constData());
    if (row.metaType().id() == QMetaType::QStringList) {
        scratch = row.toList();
        return &scratch;
    }
    return nullptr;
}

} // namespace

CodeRoute routeForCode(const QString& stockcode)
{
    CodeRoute route;
    // Only digits go into a request path: any other text is no code of ours.
    if (stockcode.size() == 6 && allDigits(stockcode)) {
        const bool shanghai = stockcode.toLong() >= 600000;
        route.historyCode = (shanghai ? QStringLiteral("0") : QStringLiteral("1")) + stockcode;
        route.quoteCode = (shanghai ? QStringLiteral("sh") : QStringLiteral("sz")) + stockcode;
    } else if (stockcode == QStringLiteral("000001.idx")) {
        route.historyCode = QStringLiteral("0000001");
        route.quoteCode = QStringLiteral("sh000001");
    } else if (stockcode == QStringLiteral("888888.idx")) {
        route.backendIndex = true;
    } else if (stockcode.size() == 10 && stockcode.startsWith(QStringLiteral("399"))
        && allDigits(QStringView(stockcode).left(6))) {
        route.historyCode = QStringLiteral("1") + stockcode.left(6);
        route.quoteCode = QStringLiteral("sz") + stockcode.left(6);
    }
    return route;
}

QString klinePathComponent(KLinePeriod period)
{
    switch (period) {
    case KLinePeriod::Week:
        return QStringLiteral("week");
    case KLinePeriod::Month:
        return QStringLiteral("month");
    case KLinePeriod::Day:
        break;
    }
    return QStringLiteral("day");
}

QUrl klineYearUrl(KLinePeriod period, long year, const QString& historyCode)
{
    const QString path = QStringLiteral("/data/hs/kline/") + klinePathComponent(period)
        + QStringLiteral("/history/") + QString::number(year) + QLatin1Char('/') + historyCode
        + QStringLiteral(".json");
    return platform::Configuration::join(platform::Configuration::current().neteaseChartUrl, path);
}

QUrl briefQuoteUrl(const QString& quoteCode)
{
    return platform::Configuration::join(
        platform::Configuration::current().tencentQuoteUrl, QStringLiteral("/q=s_") + quoteCode);
}

QUrl minuteTodayUrl(const QString& historyCode)
{
    return platform::Configuration::join(platform::Configuration::current().neteaseChartUrl,
        QStringLiteral("/data/hs/time/today/") + historyCode + QStringLiteral(".json"));
}

QUrl minuteFourDaysUrl(const QString& historyCode)
{
    return platform::Configuration::join(platform::Configuration::current().neteaseChartUrl,
        QStringLiteral("/data/hs/time/4days/") + historyCode + QStringLiteral(".json"));
}

QHash<QByteArray, QByteArray> feedHeaders()
{
    return platform::feedHeaders();
}

std::optional<QVariantList> parseKLineYear(const QByteArray& body, KLinePeriod period)
{
    const auto parsed = platform::parseJson(body);
    if (!parsed || parsed->metaType().id() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant data = parsed->toMap().value(QStringLiteral("data"));
    if (data.metaType().id() != QMetaType::QVariantList)
        return std::nullopt;
    // Twenty such years would be held as rows of texts: no real file is that long.
    const qsizetype most = period == KLinePeriod::Month ? 12 : period == KLinePeriod::Week ? 54 : 366;
    if (static_cast<const QVariantList*>(data.constData())->size() > most) {
        qCWarning(lcCharts) << "a year file of more bars than a year holds was refused";
        return std::nullopt;
    }
    return data.toList();
}

BarSeries convertBarRows(const QVariantList& rows)
{
    BarSeries series;
    series.bars.reserve(rows.size());
    series.dates.reserve(rows.size());
    QVariantList scratch;
    for (const QVariant& row : rows) {
        const QVariantList* cells = rowCells(row, scratch);
        if (!cells || cells->size() != 7)
            continue;
        const Cell open = readCell(cells->at(1));
        const Cell close = readCell(cells->at(2));
        const Cell high = readCell(cells->at(3));
        const Cell low = readCell(cells->at(4));
        const Cell volume = readCell(cells->at(5));
        const Cell change = readCell(cells->at(6));
        if (!open.number || !close.number || !high.number || !low.number)
            continue;
        if (!std::isfinite(open.value) || !std::isfinite(close.value) || !std::isfinite(high.value)
            || !std::isfinite(low.value) || !std::isfinite(volume.value) || !std::isfinite(change.value))
            continue;
        // No trade happens at a price of 0 or below: such a row is no bar.
        if (!(open.value > 0 && close.value > 0 && high.value > 0 && low.value > 0))
            continue;
        indicators::Bar bar;
        bar.open = open.value;
        bar.close = close.value;
        // A row whose high and low are swapped or miss the body still draws
        // inside its own range.
        bar.high = std::max({ high.value, open.value, close.value, low.value });
        bar.low = std::min({ low.value, open.value, close.value });
        bar.volume = volume.number ? volume.value : kNoValue;
        bar.change = change.number ? change.value : kNoValue;
        series.bars.append(bar);
        series.dates.append(platform::stringOf(cells->at(0)));
    }
    return series;
}

QString figureText(const char* format, double value)
{
    return std::isfinite(value) ? platform::stringWithFormat(format, value) : QStringLiteral("--");
}

QString lotsText(double lots, const QString& hand)
{
    if (!std::isfinite(lots))
        return QStringLiteral("--");
    const auto reaches = [](const char* format, double value) {
        return std::abs(platform::doubleValue(platform::stringWithFormat(format, value))) >= 1e4;
    };
    if (reaches("%.2f", lots / 1e4))
        return platform::stringWithFormat("%.2f亿", lots / 1e8) + hand;
    if (reaches("%.0f", lots))
        return platform::stringWithFormat("%.2f万", lots / 1e4) + hand;
    return platform::stringWithFormat("%.0f", lots) + hand;
}

std::optional<QStringList> cutBriefQuote(const QString& body)
{
    const qsizetype equals = body.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return std::nullopt;
    const qsizetype from = equals + 2; // past `="`
    if (from > body.size())
        return std::nullopt;
    const QString rest = body.mid(from);
    const qsizetype quote = rest.indexOf(QLatin1Char('"'));
    if (quote <= 0)
        return std::nullopt;
    return rest.left(quote).split(QLatin1Char('~'));
}

std::optional<QString> lastPriceOf(const QStringList& fields)
{
    if (fields.size() < 4)
        return std::nullopt;
    return fields.at(3);
}

bool marketStatusReadsOpen(const QVariantMap& selfDict)
{
    const auto it = selfDict.constFind(QStringLiteral("marketstatus"));
    if (it == selfDict.constEnd())
        return false;
    const QString status = platform::stringOf(*it);
    return status != QStringLiteral("休市") && status != QStringLiteral("未开盘")
        && status != QStringLiteral("已收盘");
}

int minuteSlot(const QString& hhmm)
{
    if (hhmm.size() != 4 || !allDigits(hhmm))
        return -1;
    const int minute = hhmm.left(2).toInt() * 60 + hhmm.mid(2).toInt();
    const int morningOpen = 9 * 60 + 30;
    const int morningClose = 11 * 60 + 30;
    const int afternoonOpen = 13 * 60;
    const int afternoonClose = 15 * 60;
    if (minute <= morningOpen)
        return 0;
    if (minute <= morningClose)
        return minute - morningOpen;
    if (minute <= afternoonOpen)
        return morningClose - morningOpen + 1;
    if (minute >= afternoonClose)
        return kMinuteSlots - 1;
    return morningClose - morningOpen + 1 + (minute - afternoonOpen);
}

namespace {

MinuteDay minuteDayFrom(const QVariantMap& object)
{
    MinuteDay day;
    day.date = platform::stringOf(object, QStringLiteral("date"));
    // A close that is no finite number is as good as none: the chart then
    // measures from the first price.
    const float yestclose = finiteOrNone(readCell(object.value(QStringLiteral("yestclose"))));
    day.yestclose = std::isnan(yestclose) ? 0 : yestclose;
    const QVariantList rows = object.value(QStringLiteral("data")).toList();
    day.points.reserve(rows.size());
    QVariantList scratch;
    for (const QVariant& row : rows) {
        const QVariantList* cells = rowCells(row, scratch);
        if (!cells || cells->size() < 4)
            continue;
        MinutePoint point;
        point.hhmm = platform::stringOf(cells->at(0));
        point.slot = minuteSlot(point.hhmm);
        if (point.slot < 0)
            continue;
        // A minute without a price (or with one of 0) has nothing to draw.
        point.price = finiteOrNone(readCell(cells->at(1)));
        if (!(point.price > 0))
            continue;
        // Nor is an average price of 0 one: the legend shows "--" for it.
        point.average = finiteOrNone(readCell(cells->at(2)));
        if (!(point.average > 0))
            point.average = kNoValue;
        point.volume = finiteOrNone(readCell(cells->at(3)));
        day.points.append(point);
    }
    return day;
}
} // namespace

std::optional<MinuteDay> parseMinuteToday(const QByteArray& body)
{
    const auto parsed = platform::parseJson(body);
    if (!parsed || parsed->metaType().id() != QMetaType::QVariantMap)
        return std::nullopt;
    return minuteDayFrom(parsed->toMap());
}

std::optional<QVector<MinuteDay>> parseMinuteFourDays(const QByteArray& body)
{
    const auto parsed = platform::parseJson(body);
    if (!parsed || parsed->metaType().id() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantList list = parsed->toMap().value(QStringLiteral("data")).toList();
    QVector<MinuteDay> days;
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (it->metaType().id() == QMetaType::QVariantMap)
            days.append(minuteDayFrom(it->toMap()));
    }
    // Newest first on the wire; order by date in case a reply is not.
    std::stable_sort(
        days.begin(), days.end(), [](const MinuteDay& a, const MinuteDay& b) { return a.date < b.date; });
    return days;
}

} // namespace charts
