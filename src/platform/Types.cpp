#include "platform/Types.h"

namespace platform {

QVariantMap dictFromVariant(const QVariant& value)
{
    if (value.canConvert<SharedDict>() && value.metaType() == QMetaType::fromType<SharedDict>()) {
        const SharedDict shared = value.value<SharedDict>();
        return shared ? *shared : QVariantMap();
    }
    return value.toMap();
}

SharedDict sharedDictFromVariant(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<SharedDict>())
        return value.value<SharedDict>();
    return nullptr;
}

QString stringOf(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
    case QMetaType::QByteArray:
        return value.toString();
    default:
        return QString();
    }
}

} // namespace platform
