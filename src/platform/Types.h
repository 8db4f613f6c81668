#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

namespace platform {

// Records from the network stay dictionaries and arrays of strings.
using Dict = QVariantMap;
using Array = QVariantList;

// A dictionary shared by identity (the quote record): every holder sees the
// same object. Only touched on the main thread.
using SharedDict = std::shared_ptr<QVariantMap>;

inline SharedDict makeSharedDict(const QVariantMap& values = {})
{
    return std::make_shared<QVariantMap>(values);
}

// The dictionary carried by a QVariant holding either a SharedDict or a map.
QVariantMap dictFromVariant(const QVariant& value);
SharedDict sharedDictFromVariant(const QVariant& value);

// value.toString() for strings and numbers; "" for anything else.
QString stringOf(const QVariant& value);
inline QString stringOf(const QVariantMap& dict, const QString& key)
{
    return stringOf(dict.value(key));
}

} // namespace platform

Q_DECLARE_METATYPE(platform::SharedDict)
