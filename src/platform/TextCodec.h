#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// GB18030 (a superset of the GBK the Tencent feed sends). Answers nothing
// when the bytes are not valid GB18030.
std::optional<QString> decodeGB18030(const QByteArray& bytes);
QByteArray encodeGB18030(const QString& text);

} // namespace platform
