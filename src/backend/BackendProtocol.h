#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The backend wire format (docs/backend-protocol.md): JSON over HTTP POST to
// "<base URL>/user", with an MD5 digest of each body in the "md5" header.
namespace backend {

inline constexpr char kEntryPath[] = "user";
inline constexpr char kDigestHeader[] = "md5";

// Keys every request body carries besides the operation's own.
inline const QString kKeyApi = QStringLiteral("api");
inline const QString kKeyUserId = QStringLiteral("qvmid");
inline const QString kKeyDeviceType = QStringLiteral("devicetype");
inline const QString kKeyDeviceId = QStringLiteral("deviceid");

// Lower-case hex MD5 of the body bytes.
QByteArray bodyDigest(const QByteArray& body);
// The password hash that login sends and the user record keeps.
QString passwordHash(const QString& password);

// What one reply turns into: a result for HttpResult or a code and text for
// HttpEvent.
struct ReplyOutcome {
    bool ok = false;
    QVariant result;
    int code = 0;
    QString text;
};

// `status` 0 means no HTTP reply came (refused, reset, timed out).
ReplyOutcome interpretReply(
    int status, const QByteArray& body, const QByteArray& digest, const QString& errorText);

} // namespace backend
