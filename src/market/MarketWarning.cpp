#include "market/MarketWarning.h"

#include "platform/Types.h"
#include "platform/Values.h"

#include <algorithm>

namespace market {

namespace {
float number(const QVariantMap& row, const char* key)
{
    return platform::floatValue(row.value(QString::fromLatin1(key)));
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
    const float before1 = number(historys.at(first + 1).toMap(), "valuerate");
    const float before2 = number(historys.at(first + 2).toMap(), "valuerate");

    const float cprice = number(day, "cprice");
    const float yprice = number(day, "yprice");
    // The close against the previous close is the day's change; the row's
    // own percent stands in when the prices are missing.
    const float change
        = yprice > 0 && cprice > 0 ? (cprice - yprice) / yprice * 100.0f : number(day, "valuerate");
    const float threeDays = change + before1 + before2;

    int risk = 0;
    if (change <= -2.0f)
        ++risk;
    if (change <= -4.0f)
        ++risk;
    if (change < 0 && before1 < 0 && before2 < 0)
        ++risk;
    if (threeDays <= -5.0f)
        ++risk;
    // Selling on growing turnover reads as capitulation, not drift.
    if (number(day, "transactionvaluecount") > 0 && number(day, "continuetransactionvaluecount") > 0
        && change <= -1.0f)
        ++risk;
    const float up = number(day, "buystcockcout");
    const float down = number(day, "sellstcockcout");
    if (up + down > 0) {
        const float downShare = down / (up + down);
        if (downShare >= 0.7f)
            ++risk;
        if (downShare >= 0.85f)
            ++risk;
    }
    // Margin money leaving the market.
    if (number(day, "continuefinancingbalance") < 0)
        ++risk;
    // A steep run-up is a risk of its own.
    if (threeDays >= 8.0f)
        ++risk;

    int level = kCalmLevel - risk;
    const bool broadRise = up + down > 0 && up >= 2.0f * down;
    if (risk == 0 && change > 0 && broadRise && number(day, "continuefinancingbalance") > 0)
        ++level;
    return std::max(level, 0);
}

} // namespace market
