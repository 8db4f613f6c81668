#include "market/PropertyList.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace market {

namespace {

// XML 1.0 cannot hold control characters (tab and line breaks aside), lone
// surrogates or U+FFFE/U+FFFF, escaped or not: such texts from a feed are
// stored without them so that the file always reads back.
QString xmlText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(c);
            out.append(text.at(++i));
            continue;
        }
        const bool allowed
            = u == 0x9 || u == 0xa || u == 0xd || (u >= 0x20 && !c.isSurrogate() && u < 0xfffe);
        if (allowed)
            out.append(c);
    }
    return out;
}

void writeValue(QXmlStreamWriter& w, const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QVariantMap: {
        w.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            w.writeTextElement(QStringLiteral("key"), xmlText(it.key()));
            writeValue(w, it.value());
        }
        w.writeEndElement();
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        w.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : v.toList())
            writeValue(w, item);
        w.writeEndElement();
        break;
    }
    default:
        w.writeTextElement(QStringLiteral("string"), xmlText(v.toString()));
    }
}

constexpr int kMaxDepth = 32;

std::optional<QVariant> readValue(QXmlStreamReader& r, int depth)
{
    if (depth > kMaxDepth) {
        r.raiseError(QStringLiteral("nested too deeply"));
        return std::nullopt;
    }
    const QStringView name = r.name();
    if (name == QLatin1String("dict")) {
        QVariantMap map;
        QString key;
        bool haveKey = false;
        while (r.readNextStartElement()) {
            if (r.name() == QLatin1String("key")) {
                key = r.readElementText();
                haveKey = true;
                continue;
            }
            auto value = readValue(r, depth + 1);
            if (!value)
                return std::nullopt;
            if (!haveKey) {
                r.raiseError(QStringLiteral("value without key"));
                return std::nullopt;
            }
            map.insert(key, *value);
            haveKey = false;
        }
        return QVariant(map);
    }
    if (name == QLatin1String("array")) {
        QVariantList list;
        while (r.readNextStartElement()) {
            auto value = readValue(r, depth + 1);
            if (!value)
                return std::nullopt;
            list << *value;
        }
        return QVariant(list);
    }
    if (name == QLatin1String("true") || name == QLatin1String("false")) {
        const QString text = name == QLatin1String("true") ? QStringLiteral("1") : QStringLiteral("0");
        r.skipCurrentElement();
        return QVariant(text);
    }
    // string, integer, real, date: their text
    return QVariant(r.readElementText());
}

} // namespace

QByteArray writePropertyList(const QVariant& root)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                              "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    w.writeStartElement(QStringLiteral("plist"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeValue(w, root);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

std::optional<QVariant> readPropertyList(const QByteArray& xml, QString* error)
{
    QXmlStreamReader r(xml);
    std::optional<QVariant> result;
    if (r.readNextStartElement() && r.name() == QLatin1String("plist") && r.readNextStartElement())
        result = readValue(r, 0);
    if (r.hasError() || !result) {
        if (error)
            *error = r.hasError() ? r.errorString() : QStringLiteral("not a property list");
        return std::nullopt;
    }
    return result;
}

bool savePropertyList(const QString& path, const QVariant& root)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(writePropertyList(root));
    return file.commit();
}

std::optional<QVariant> loadPropertyList(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return readPropertyList(file.readAll(), error);
}

} // namespace market
