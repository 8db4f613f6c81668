#include "platform/UrlSession.h"

#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace platform {

UrlTask::UrlTask(QNetworkAccessManager* manager, const QNetworkRequest& request, QObject* context,
    UrlCompletion completion)
    : m_manager(manager)
    , m_request(request)
    , m_context(context)
    , m_completion(std::move(completion))
{
    // Nobody is left to deliver to: free the connection at once instead of
    // holding it until the transfer times out.
    if (context)
        connect(context, &QObject::destroyed, this, &UrlTask::cancel);
}

void UrlTask::resume()
{
    if (m_cancelled || m_finished || m_reply)
        return;
    m_suspended = false;
    const QByteArray body = property("lst_body").toByteArray();
    if (property("lst_post").toBool())
        m_reply = m_manager->post(m_request, body);
    else
        m_reply = m_manager->get(m_request);
    QNetworkReply* reply = m_reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply]() { finish(reply); });
}

void UrlTask::suspend()
{
    m_suspended = true;
    // A suspended task never delivers: a request in flight is dropped and
    // starts again from the beginning on resume().
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void UrlTask::cancel()
{
    m_cancelled = true;
    m_completion = nullptr;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    deleteLater();
}

void UrlTask::finish(QNetworkReply* reply)
{
    m_finished = true;
    UrlResponse response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A reply that timed out or was aborted is already closed.
    response.body = reply->isOpen() ? reply->readAll() : QByteArray();
    if (reply->error() != QNetworkReply::NoError && response.status == 0)
        response.error = reply->errorString();
    else if (response.status < 200 || response.status >= 300)
        response.error = QStringLiteral("HTTP %1").arg(response.status);
    reply->deleteLater();
    UrlCompletion completion = std::move(m_completion);
    m_completion = nullptr;
    if (!m_cancelled && completion && m_context)
        completion(response);
    deleteLater();
}

UrlSession::UrlSession(QObject* parent)
    : QObject(parent)
{
}

UrlSession* UrlSession::sharedSession()
{
    static UrlSession* session = new UrlSession(QCoreApplication::instance());
    return session;
}

QNetworkRequest UrlSession::makeRequest(const QUrl& url, const QHash<QByteArray, QByteArray>& headers) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    for (auto it = headers.begin(); it != headers.end(); ++it)
        request.setRawHeader(it.key(), it.value());
    return request;
}

UrlTask* UrlSession::dataTask(
    const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context, UrlCompletion completion)
{
    auto* task = new UrlTask(&m_manager, makeRequest(url, headers), context, std::move(completion));
    task->setParent(this);
    return task;
}

UrlTask* UrlSession::get(
    const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context, UrlCompletion completion)
{
    UrlTask* task = dataTask(url, headers, context, std::move(completion));
    task->resume();
    return task;
}

UrlTask* UrlSession::post(const QUrl& url, const QByteArray& body,
    const QHash<QByteArray, QByteArray>& headers, QObject* context, UrlCompletion completion)
{
    UrlTask* task = dataTask(url, headers, context, std::move(completion));
    task->setProperty("lst_post", true);
    task->setProperty("lst_body", body);
    task->resume();
    return task;
}

} // namespace platform
