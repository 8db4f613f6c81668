#pragma once

#include "charts/Indicators.h"
#include "platform/MainThread.h"

#include <QByteArray>
#include <QHash>
#include <QLoggingCategory>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>

#include <optional>

// Pure helpers for the feeds the charts read: code mapping, URLs, the
// Tencent brief quote and the NetEase K-line and minute files.
Q_DECLARE_LOGGING_CATEGORY(lcCharts)

namespace charts {

// How one "stockcode" reaches each feed; empty fields mean "nothing is
// requested".
struct CodeRoute {
    QString historyCode; // 7 characters, market digit first ("0600000", "1000001")
    QString quoteCode; // "sh600000" / "sz000001" for the brief quote
    bool backendIndex = false; // the product's own index, served by the backend
};
CodeRoute routeForCode(const QString& stockcode);

enum class KLinePeriod { Day, Week, Month };
QString klinePathComponent(KLinePeriod period); // "day", "week", "month"

// The year file of a period, on the configured chart host.
QUrl klineYearUrl(KLinePeriod period, long year, const QString& historyCode);
// The brief quote on the configured quote host ("/q=s_sh600000").
QUrl briefQuoteUrl(const QString& quoteCode);
// "/data/hs/time/today/<7>.json" and "/data/hs/time/4days/<7>.json".
QUrl minuteTodayUrl(const QString& historyCode);
QUrl minuteFourDaysUrl(const QString& historyCode);

// The client's User-Agent, as every public-feed request sends it.
QHash<QByteArray, QByteArray> feedHeaders();

// The bar rows of a year file ("data"); nothing when the body does not
// parse, carries no array, or holds more bars than a year of the period can
// have (366 days, 54 weeks, 12 months), which callers count as a year
// without rows.
std::optional<QVariantList> parseKLineYear(const QByteArray& body, KLinePeriod period);

// Bar rows read as numbers, once, when they arrive: what the chart draws
// and the date of each bar. Rows of another length are left out, and so is
// a row whose four prices are not all numbers above 0 or that holds a
// number beyond single precision ("1e39"): one such row would squash every
// other candle.
// A volume or change that is no number ("--" for a suspended stock) is NaN
// and shows as "--".
struct BarSeries {
    QVector<indicators::Bar> bars;
    QStringList dates;
};
BarSeries convertBarRows(const QVariantList& rows);

// A figure of a chart in its printf format; "--" when it is not finite, so
// that nothing a feed cannot mean is shown as if real.
QString figureText(const char* format, double value);

// A volume in lots with the 万 and 亿 units, `hand` ("手", or nothing) after
// the unit. The unit goes by the figure as it reads once rounded: 99,999,990
// lots read "1.00亿", not "10000.00万". "--" when it is not finite.
QString lotsText(double lots, const QString& hand);

// Runs `parse` on `body` on a worker and hands its result to `take` on the
// main thread; nothing is handed over once `owner` is gone.
template <typename Parse, typename Take>
void parseOffMainThread(QObject* owner, QByteArray body, Parse parse, Take take)
{
    QPointer<QObject> guard(owner);
    platform::runInBackground([guard, body = std::move(body), parse, take] {
        auto result = parse(body);
        platform::runOnMain([guard, result = std::move(result), take] {
            if (guard)
                take(result);
        });
    });
}

// The fields of a brief quote body, already decoded: the text between `="`
// and the next `"`, split on "~". Nothing when either cut finds no match
// (a match at the very first character counts as none).
std::optional<QStringList> cutBriefQuote(const QString& body);
// Field 3 when there are at least 4 fields.
std::optional<QString> lastPriceOf(const QStringList& fields);

// The self-re-arming polls run every second while "marketstatus" reads
// open and every 30 s when it is absent or reads "休市", "未开盘" or "已收盘".
bool marketStatusReadsOpen(const QVariantMap& selfDict);

// One minute of a time-share file.
struct MinutePoint {
    int slot = 0; // 0..241: 09:30..11:30 then 13:00..15:00
    QString hhmm;
    float price = 0;
    float average = 0;
    float volume = 0; // shares
};
struct MinuteDay {
    QString date; // "yyyyMMdd"
    float yestclose = 0;
    QVector<MinutePoint> points;
};
inline constexpr int kMinuteSlots = 242;
// "0930" -> 0, "1130" -> 120, "1300" -> 121, "1500" -> 241; -1 when not a time.
int minuteSlot(const QString& hhmm);
// The "today" file; nothing when it does not parse.
std::optional<MinuteDay> parseMinuteToday(const QByteArray& body);
// The "4days" file in chronological order (the feed sends newest first).
std::optional<QVector<MinuteDay>> parseMinuteFourDays(const QByteArray& body);

} // namespace charts
