#include "screens/FeedText.h"

#include "platform/Types.h"
#include "platform/Values.h"

#include <cmath>

namespace feedtext {

namespace {

bool isPlainDecimal(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        text = text.mid(1);
    qsizetype digits = 0;
    bool point = false;
    for (QChar c : text) {
        if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            ++digits;
        } else {
            return false;
        }
    }
    return digits > 0;
}

} // namespace

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
    const QString text = platform::stringOf(value);
    return isPlainDecimal(text) && std::isfinite(platform::floatValue(QStringView(text)));
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

} // namespace feedtext
