#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// The text without control characters (C0, DEL, C1), tab and line breaks
// aside: a NUL or an escape from a reply has no place in a title or a name
// and would cut or garble it further on.
QString withoutControlCharacters(QString text);

// GB18030 (a superset of the GBK the Tencent feed sends), without control
// characters. Answers nothing when the bytes are not valid GB18030.
std::optional<QString> decodeGB18030(const QByteArray& bytes);
QByteArray encodeGB18030(const QString& text);

} // namespace platform
