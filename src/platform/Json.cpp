#include "platform/Json.h"

#include "platform/TextCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Containers open before the first byte that closes one: counted on the raw
// text so that a deep body is refused before it is converted.
int maxDepth(const QByteArray& text)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '{' || c == '[')
            deepest = std::max(deepest, ++depth);
        else if (c == '}' || c == ']')
            --depth;
    }
    return deepest;
}

QString numberText(double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.007199254740992e15)
        return QString::number(static_cast<long long>(d));
    const QString text = QString::number(d, 'g', 15);
    const qsizetype e = text.indexOf(u'e');
    if (e < 0)
        return text;
    // The same fifteen digits written out, as the feed wrote them: 0.00001,
    // not "1e-05" on screen.
    const int exponent = QStringView(text).mid(e + 1).toInt();
    if (exponent < -30 || exponent > 30)
        return text; // no figure of a feed; kept short
    QString plain = QString::number(d, 'f', std::max(0, 14 - exponent));
    if (plain.contains(u'.')) {
        while (plain.endsWith(u'0'))
            plain.chop(1);
        if (plain.endsWith(u'.'))
            plain.chop(1);
    }
    return plain;
}

QVariant convert(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return QString(QLatin1String(""));
    case QJsonValue::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QJsonValue::Double:
        return numberText(v.toDouble());
    case QJsonValue::String:
        return withoutControlCharacters(v.toString());
    case QJsonValue::Array: {
        QVariantList list;
        const QJsonArray a = v.toArray();
        list.reserve(a.size());
        for (const QJsonValue& item : a)
            list.append(convert(item));
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            map.insert(withoutControlCharacters(it.key()), convert(it.value()));
        return map;
    }
    }
    return QVariant();
}

QJsonValue toJson(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::QVariantMap: {
        QJsonObject o;
        const QVariantMap m = v.toMap();
        for (auto it = m.begin(); it != m.end(); ++it)
            o.insert(it.key(), toJson(it.value()));
        return o;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray a;
        for (const QVariant& item : v.toList())
            a.append(toJson(item));
        return a;
    }
    case QMetaType::UnknownType:
        return QJsonValue(QJsonValue::Null);
    default:
        return QJsonValue(v.toString());
    }
}

} // namespace

std::optional<QVariant> parseJson(const QByteArray& text, QString* error)
{
    if (maxDepth(text) > kJsonMaxDepth) {
        if (error)
            *error = QStringLiteral("JSON nested deeper than %1").arg(kJsonMaxDepth);
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError || doc.isNull()) {
        if (error)
            *error = parseError.errorString();
        return std::nullopt;
    }
    if (doc.isArray())
        return convert(doc.array());
    return convert(doc.object());
}

QByteArray writeJson(const QVariant& value)
{
    const QJsonValue v = toJson(value);
    if (v.isArray())
        return QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
}

} // namespace platform
