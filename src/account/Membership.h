#pragma once

#include "platform/Values.h"

#include <QString>
#include <QVariantMap>

// The membership questions the screens ask, answered in one place. Inline so
// that the shell, which links below this folder, can ask them too.
namespace membership {

// "vipmacopen" of the application settings: its integer value 0 or -1, or
// its absence, means the membership features are off.
inline bool featuresOn(const QVariantMap& appDict)
{
    const auto it = appDict.constFind(QStringLiteral("vipmacopen"));
    if (it == appDict.constEnd())
        return false;
    const long long value = platform::integerValue(*it);
    return value != 0 && value != -1;
}

// A paying member: `power` above 4001 and below 5000. Missing, empty, "0"
// and "4001" are ordinary users.
inline bool isPayingMember(const QString& power)
{
    const long long level = platform::integerValue(QStringView(power));
    return level > 4001 && level < 5000;
}

} // namespace membership
