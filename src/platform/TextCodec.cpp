#include "platform/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace platform {

namespace {
bool isDroppedControl(char16_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7f && c <= 0x9f);
}
} // namespace

QString withoutControlCharacters(QString text)
{
    const auto first
        = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return isDroppedControl(c.unicode()); });
    if (first == text.cend())
        return text; // the usual case: no copy
    text.removeIf([](QChar c) { return isDroppedControl(c.unicode()); });
    return text;
}

std::optional<QString> decodeGB18030(const QByteArray& bytes)
{
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return withoutControlCharacters(std::move(text));
}

QByteArray encodeGB18030(const QString& text)
{
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder.encode(text);
}

} // namespace platform
