#include "backend/BackendProtocol.h"

#include "backend/MHTTPObserver.h"
#include "platform/Json.h"

#include <QCryptographicHash>

namespace backend {

QByteArray bodyDigest(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex();
}

QString passwordHash(const QString& password)
{
    return QString::fromLatin1(bodyDigest(password.toUtf8()));
}

namespace {
ReplyOutcome failure(int code, const QString& text)
{
    ReplyOutcome outcome;
    outcome.code = code;
    outcome.text = text;
    return outcome;
}
} // namespace

ReplyOutcome interpretReply(
    int status, const QByteArray& body, const QByteArray& digest, const QString& errorText)
{
    if (status == 0)
        return failure(
            kCodeConnectionFailed, errorText.isEmpty() ? QStringLiteral("connection failed") : errorText);

    const auto parsed = platform::parseJson(body);
    if (status != 200) {
        // Keep the server's text when an error page happens to carry one.
        QString text = QStringLiteral("HTTP %1").arg(status);
        if (parsed && parsed->typeId() == QMetaType::QVariantMap) {
            const QString msg = parsed->toMap().value(QStringLiteral("msg")).toString();
            if (!msg.isEmpty())
                text = msg;
        }
        return failure(status, text);
    }

    if (digest.trimmed().toLower() != bodyDigest(body))
        return failure(kCodeBadReply, QStringLiteral("reply digest mismatch"));
    if (!parsed)
        return failure(kCodeBadReply, QStringLiteral("reply is not JSON"));
    const int type = parsed->typeId();
    if (type != QMetaType::QVariantMap && type != QMetaType::QVariantList)
        return failure(kCodeBadReply, QStringLiteral("reply is neither an object nor an array"));

    if (type == QMetaType::QVariantMap) {
        const QVariantMap map = parsed->toMap();
        const auto codeIt = map.constFind(QStringLiteral("code"));
        const QString codeText = codeIt != map.cend() ? codeIt->toString().trimmed() : QString();
        if (!codeText.isEmpty()) {
            bool numeric = false;
            const int code = codeText.toInt(&numeric);
            if (!numeric)
                return failure(kCodeBadReply, QStringLiteral("reply code is not a number: ") + codeText);
            if (code != 0)
                return failure(code, map.value(QStringLiteral("msg")).toString());
        }
    }
    ReplyOutcome outcome;
    outcome.ok = true;
    outcome.result = *parsed;
    return outcome;
}

} // namespace backend
