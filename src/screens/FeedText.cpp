#include "screens/FeedText.h"

#include "platform/Types.h"
#include "platform/Values.h"

#include <cmath>

namespace feedtext {

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return std::isfinite(float(value.toDouble()));
    default:
        break;
    }
    return platform::isNumber(platform::stringOf(value));
}

QString asIs(const QVariant& value)
{
    if (!isNumber(value))
        return dash();
    const QString text = platform::stringOf(value);
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'-') && platform::floatValue(QStringView(trimmed)) == 0)
        return trimmed.mid(1);
    return text;
}

QString price(const QVariant& value)
{
    if (!isNumber(value) || !(platform::floatValue(value) > 0))
        return dash();
    return asIs(value);
}

} // namespace feedtext
