#include "platform/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

std::optional<QString> decodeGB18030(const QByteArray& bytes)
{
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QByteArray encodeGB18030(const QString& text)
{
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder.encode(text);
}

} // namespace platform
