#include "market/MarketCodes.h"

namespace market {

bool isIndexCode(const QString& code)
{
    return code.endsWith(QLatin1String(".idx"));
}

QString bareCode(const QString& code)
{
    const QString digits = code.left(6);
    if (digits.size() != 6)
        return QString();
    // Only ASCII digits: the code goes into request paths.
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return QString();
    return digits;
}

bool isShanghai(const QString& code)
{
    const QString digits = bareCode(code);
    if (digits.isEmpty())
        return false;
    const int n = digits.toInt();
    if (isIndexCode(code))
        return n < 399000; // 000001.idx is the Shanghai composite, 399xxx Shenzhen's
    return n >= 600000;
}

bool isOwnIndex(const QString& code)
{
    return code == QLatin1String("888888.idx");
}

QString memberCountStem(const QString& indexCode)
{
    if (indexCode == QLatin1String("000001.idx") || indexCode == QLatin1String("000002.idx"))
        return QStringLiteral("UD_SHA");
    if (indexCode == QLatin1String("399106.idx") || indexCode == QLatin1String("399107.idx"))
        return QStringLiteral("UD_SZA");
    if (indexCode == QLatin1String("000300.idx") || indexCode == QLatin1String("399300.idx"))
        return QStringLiteral("UD_HS3");
    return QString();
}

bool hasOwnMemberCounts(const QString& indexCode)
{
    return isOwnIndex(indexCode) || !memberCountStem(indexCode).isEmpty();
}

bool isSecurityCode(const QString& code)
{
    return (code.size() == 6 || (code.size() == 10 && code.endsWith(QLatin1String(".idx"))))
        && !bareCode(code).isEmpty();
}

QString tencentCode(const QString& code)
{
    return (isShanghai(code) ? QStringLiteral("sh") : QStringLiteral("sz")) + bareCode(code);
}

QString neteaseCode(const QString& code)
{
    return (isShanghai(code) ? QStringLiteral("0") : QStringLiteral("1")) + bareCode(code);
}

QString eastmoneyName(const QString& code)
{
    return isIndexCode(code) ? QStringLiteral("zs") + bareCode(code) : bareCode(code);
}

QTimeZone shanghaiZone()
{
    static const QTimeZone zone = [] {
        QTimeZone z(QByteArrayLiteral("Asia/Shanghai"));
        // Without tz data the exchange's fixed offset (no DST) serves as well.
        return z.isValid() ? z : QTimeZone(8 * 3600);
    }();
    return zone;
}

QDateTime shanghaiNow()
{
    return QDateTime::currentDateTimeUtc().toTimeZone(shanghaiZone());
}

QString shanghaiDateText(const QDateTime& when)
{
    return when.toTimeZone(shanghaiZone()).toString(QStringLiteral("yyyyMMdd"));
}

bool isTradingTime(const QDateTime& when)
{
    const QDateTime local = when.toTimeZone(shanghaiZone());
    const int day = local.date().dayOfWeek();
    if (day == 6 || day == 7)
        return false;
    const int minutes = local.time().hour() * 60 + local.time().minute();
    return (minutes >= 9 * 60 + 15 && minutes < 11 * 60 + 30) || (minutes >= 13 * 60 && minutes < 15 * 60);
}

} // namespace market
