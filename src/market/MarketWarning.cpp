#include "market/MarketWarning.h"

#include "platform/Types.h"
#include "platform/Values.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace market {

namespace {

float number(const QVariantMap& row, const char* key)
{
    return platform::floatValue(row.value(QString::fromLatin1(key)));
}

// A percent as the screens show it, in hundredths ("-2.00" is -200), or
// nothing when it is no figure. The rules compare what the user reads: a
// fall of exactly 2.00 % hits the 2 % rule whatever the binary fractions.
std::optional<long long> shownHundredths(double percent)
{
    if (!std::isfinite(percent))
        return std::nullopt;
    return std::llround(platform::doubleValue(platform::stringWithFormat("%.2f", percent)) * 100);
}

std::optional<long long> rateOf(const QVariantMap& row)
{
    const QVariant rate = row.value(QStringLiteral("valuerate"));
    if (!platform::isNumber(platform::stringOf(rate)))
        return std::nullopt;
    return shownHundredths(platform::doubleValue(rate));
}

// The day's change from its close against the previous close, else the
// row's own percent.
std::optional<long long> changeOf(const QVariantMap& row)
{
    const QString cprice = platform::stringOf(row, QStringLiteral("cprice"));
    const QString yprice = platform::stringOf(row, QStringLiteral("yprice"));
    if (platform::isNumber(cprice) && platform::isNumber(yprice)) {
        const double c = platform::doubleValue(cprice);
        const double y = platform::doubleValue(yprice);
        if (c > 0 && y > 0)
            return shownHundredths((c - y) / y * 100);
    }
    return rateOf(row);
}

} // namespace

int marketWarningLevel(const QVariantList& historys, const QString& today)
{
    int first = 0;
    if (!historys.isEmpty()
        && platform::stringOf(historys.first().toMap(), QStringLiteral("curdate")) == today)
        first = 1;
    if (historys.size() < first + 3)
        return kNoWarningLevel;
    const QVariantMap day = historys.at(first).toMap();
    const std::optional<long long> dayChange = changeOf(day);
    const std::optional<long long> rate1 = rateOf(historys.at(first + 1).toMap());
    const std::optional<long long> rate2 = rateOf(historys.at(first + 2).toMap());
    // Days without figures score nothing, rather than a calm level.
    if (!dayChange || !rate1 || !rate2)
        return kNoWarningLevel;
    const long long change = *dayChange;
    const long long before1 = *rate1;
    const long long before2 = *rate2;
    const long long threeDays = change + before1 + before2;

    int risk = 0;
    if (change <= -200)
        ++risk;
    if (change <= -400)
        ++risk;
    if (change < 0 && before1 < 0 && before2 < 0)
        ++risk;
    if (threeDays <= -500)
        ++risk;
    // Selling on growing turnover reads as capitulation, not drift.
    if (number(day, "transactionvaluecount") > 0 && number(day, "continuetransactionvaluecount") > 0
        && change <= -100)
        ++risk;
    const double up = number(day, "buystcockcout");
    const double down = number(day, "sellstcockcout");
    if (up + down > 0) {
        // Shares of whole counts compared exactly: 7 of 10 is 70 %.
        if (down * 10 >= (up + down) * 7)
            ++risk;
        if (down * 20 >= (up + down) * 17)
            ++risk;
    }
    // Margin money leaving the market.
    if (number(day, "continuefinancingbalance") < 0)
        ++risk;
    // A steep run-up is a risk of its own.
    if (threeDays >= 800)
        ++risk;

    int level = kCalmLevel - risk;
    const bool broadRise = up + down > 0 && up >= 2.0 * down;
    if (risk == 0 && change > 0 && broadRise && number(day, "continuefinancingbalance") > 0)
        ++level;
    return std::max(level, 0);
}

} // namespace market
