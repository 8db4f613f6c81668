#include "backend/HttpSession.h"

#include "backend/BackendProtocol.h"
#include "platform/MainThread.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

HttpSession::HttpSession(QObject* parent)
    : QObject(parent)
{
}

HttpSession::~HttpSession()
{
    // Abort without delivering: the client and its observers are going away.
    const auto replies = m_inFlight;
    m_inFlight.clear();
    for (QNetworkReply* reply : replies) {
        reply->disconnect(this);
        reply->abort();
        delete reply;
    }
}

void HttpSession::post(const QUrl& url, int api, const QByteArray& body, const QString& userAgent,
    std::weak_ptr<int> observerToken, MHTTPObserver* observer, Interceptor interceptor, qint64 maxBodyBytes)
{
    QNetworkRequest request(url);
    request.setHeader(
        QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json; charset=utf-8"));
    if (!userAgent.isEmpty() && platform::isSafeHeaderValue(userAgent))
        request.setRawHeader(QByteArrayLiteral("User-Agent"), userAgent.toLatin1());
    request.setRawHeader(backend::kDigestHeader, backend::bodyDigest(body));
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);

    QNetworkReply* reply = m_manager.post(request, body);
    m_inFlight.insert(reply);
    auto* reader = new platform::BodyReader(reply, maxBodyBytes);
    connect(reply, &QNetworkReply::finished, this,
        [this, reply, reader, api, token = std::move(observerToken), observer,
            interceptor = std::move(interceptor)]() {
            finish(reply, reader, api, token, observer, interceptor);
        });
}

void HttpSession::finish(QNetworkReply* reply, platform::BodyReader* reader, int api,
    const std::weak_ptr<int>& token, MHTTPObserver* observer, const Interceptor& interceptor)
{
    if (!m_inFlight.remove(reply))
        return;
    reply->deleteLater();
    int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reader->takeBody();
    const QNetworkReply::NetworkError failure = reply->error();
    const QString error = failure == QNetworkReply::NoError ? QString() : reply->errorString();
    // A status line followed by a dropped or timed-out transfer is a failed
    // connection: only HTTP-level errors (4xx/5xx) keep their status.
    if (failure != QNetworkReply::NoError && failure < QNetworkReply::ContentAccessDenied)
        status = 0;
    backend::ReplyOutcome outcome;
    if (reader->tooLarge()) {
        outcome.code = backend::kCodeBadReply;
        outcome.text = platform::bodyTooLargeError(reader->limit());
    } else if (body.size() >= kParseOffMainBytes) {
        ++m_checking;
        QPointer<HttpSession> self(this);
        platform::runInBackground([self, status, body, digest = reply->rawHeader(backend::kDigestHeader),
                                      error, api, token, observer, interceptor]() {
            backend::ReplyOutcome parsed = backend::interpretReply(status, body, digest, error);
            platform::runOnMain(
                [self, parsed = std::move(parsed), body, api, token, observer, interceptor]() {
                    if (!self)
                        return; // the client and its observers are gone
                    --self->m_checking;
                    self->deliver(parsed, body, api, token, observer, interceptor);
                });
        });
        return;
    } else {
        outcome = backend::interpretReply(status, body, reply->rawHeader(backend::kDigestHeader), error);
    }
    deliver(std::move(outcome), body, api, token, observer, interceptor);
}

void HttpSession::deliver(backend::ReplyOutcome outcome, const QByteArray& body, int api,
    const std::weak_ptr<int>& token, MHTTPObserver* observer, const Interceptor& interceptor)
{
    if (interceptor && !interceptor(outcome, body))
        return;

    // The token is the observer's life: expired means it was destroyed.
    const std::shared_ptr<int> alive = token.lock();
    if (!alive || !observer)
        return;
    if (outcome.ok)
        observer->HttpResult(outcome.result, api, false);
    else
        observer->HttpEvent(outcome.code, outcome.text, api);
}
