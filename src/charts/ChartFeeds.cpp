#include "charts/ChartFeeds.h"

#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/Types.h"
#include "platform/UrlSession.h"
#include "platform/Values.h"

#include <algorithm>

Q_LOGGING_CATEGORY(lcCharts, "lst.charts", QtInfoMsg)

namespace charts {

namespace {
bool allDigits(QStringView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
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

std::optional<QVariantList> parseKLineYear(const QByteArray& body)
{
    const auto parsed = platform::parseJson(body);
    if (!parsed || parsed->metaType().id() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant data = parsed->toMap().value(QStringLiteral("data"));
    if (data.metaType().id() != QMetaType::QVariantList)
        return std::nullopt;
    return data.toList();
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
    day.yestclose = platform::floatValue(object.value(QStringLiteral("yestclose")));
    const QVariantList rows = object.value(QStringLiteral("data")).toList();
    day.points.reserve(rows.size());
    for (const QVariant& row : rows) {
        const QVariantList cells = row.toList();
        if (cells.size() < 4)
            continue;
        MinutePoint point;
        point.hhmm = platform::stringOf(cells.at(0));
        point.slot = minuteSlot(point.hhmm);
        if (point.slot < 0)
            continue;
        point.price = platform::floatValue(cells.at(1));
        point.average = platform::floatValue(cells.at(2));
        point.volume = platform::floatValue(cells.at(3));
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
