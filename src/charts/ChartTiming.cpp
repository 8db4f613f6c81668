#include "charts/ChartTiming.h"

#include <QTimeZone>

namespace charts {

namespace {
std::function<QDateTime()>& clockSlot()
{
    static std::function<QDateTime()> clock;
    return clock;
}

QTimeZone shanghaiZone()
{
    // China keeps no daylight saving, so a fixed offset is exact when the
    // zone database is missing.
    static const QTimeZone zone = [] {
        QTimeZone z(QByteArrayLiteral("Asia/Shanghai"));
        return z.isValid() ? z : QTimeZone(8 * 3600);
    }();
    return zone;
}
} // namespace

QDateTime shanghaiNow()
{
    const QDateTime now = clockSlot() ? clockSlot()() : QDateTime::currentDateTimeUtc();
    return now.toTimeZone(shanghaiZone());
}

void setClock(std::function<QDateTime()> clock)
{
    clockSlot() = std::move(clock);
}

bool isMarketHours(const QDateTime& instant)
{
    const QDateTime local = instant.toTimeZone(shanghaiZone());
    const int weekday = local.date().dayOfWeek();
    if (weekday < 1 || weekday > 5)
        return false;
    const int minute = local.time().hour() * 60 + local.time().minute();
    return (minute >= 9 * 60 + 30 && minute < 11 * 60 + 30) || (minute >= 13 * 60 && minute < 15 * 60);
}

PollTiming& pollTiming()
{
    static PollTiming timing;
    return timing;
}

} // namespace charts
