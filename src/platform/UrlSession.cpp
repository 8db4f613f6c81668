#include "platform/UrlSession.h"

#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMutex>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcNet, "lst.platform.net", QtInfoMsg)

// Longer agents are no browser's; a cap also keeps headers small.
constexpr qsizetype kMaxHeaderValue = 512;

QMutex& agentMutex()
{
    static QMutex mutex;
    return mutex;
}

QString& agentValue()
{
    static QString agent = defaultUserAgent();
    return agent;
}

bool isSafeHeaderName(const QByteArray& name)
{
    if (name.isEmpty())
        return false;
    for (const char c : name) {
        const bool token = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '-' || c == '_';
        if (!token)
            return false;
    }
    return true;
}

// How much of the announced Content-Length never came. A compressed body
// is announced by its compressed size, so it cannot be compared.
qint64 missingBytes(QNetworkReply* reply, qint64 received)
{
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return 0;
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    return known ? announced - received : 0;
}

} // namespace

QString bodyTooLargeError(qint64 limit)
{
    return QStringLiteral("body larger than %1 bytes").arg(limit);
}

bool isSafeHeaderValue(QStringView value)
{
    if (value.size() > kMaxHeaderValue)
        return false;
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

QString defaultUserAgent()
{
    return QStringLiteral("Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
                          "Chrome/131.0.0.0 Safari/537.36");
}

QString userAgent()
{
    QMutexLocker lock(&agentMutex());
    return agentValue();
}

bool setUserAgent(const QString& agent)
{
    if (!isSafeHeaderValue(agent)) {
        qCWarning(lcNet) << "User-Agent refused: not a safe header value";
        return false;
    }
    QMutexLocker lock(&agentMutex());
    agentValue() = agent.trimmed().isEmpty() ? defaultUserAgent() : agent;
    return true;
}

QHash<QByteArray, QByteArray> feedHeaders()
{
    return { { QByteArrayLiteral("User-Agent"), userAgent().toLatin1() } };
}

BodyReader::BodyReader(QNetworkReply* reply, qint64 maxBytes)
    : QObject(reply)
    , m_reply(reply)
    , m_limit(maxBytes)
{
    // The network thread reads no further ahead than this, whatever the
    // main thread is busy with.
    reply->setReadBufferSize(std::min<qint64>(maxBytes + 1, 1024 * 1024));
    connect(reply, &QNetworkReply::metaDataChanged, this, &BodyReader::checkLength);
    connect(reply, &QNetworkReply::readyRead, this, &BodyReader::drain);
    if (const int timeout = reply->request().transferTimeout(); timeout > 0) {
        // A child timer: it goes with the reply, however early that ends.
        auto* deadline = new QTimer(this);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this] {
            if (m_reply->isFinished())
                return;
            m_overDeadline = true;
            m_reply->abort();
        });
        deadline->start(std::chrono::milliseconds(qint64(timeout) * kTransferDeadlineFactor));
    }
}

void BodyReader::checkLength()
{
    if (m_tooLarge)
        return;
    bool known = false;
    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced > m_limit) {
        m_tooLarge = true;
        m_reply->abort();
    }
}

void BodyReader::drain()
{
    if (m_tooLarge || !m_reply->isOpen())
        return;
    const QByteArray chunk = m_reply->readAll();
    if (m_body.size() + chunk.size() > m_limit) {
        // Stop at the limit: the rest of the body is never read.
        m_tooLarge = true;
        m_body = QByteArray();
        m_reply->abort();
        return;
    }
    m_body += chunk;
}

QByteArray BodyReader::takeBody()
{
    drain();
    if (m_tooLarge)
        return QByteArray();
    return std::exchange(m_body, QByteArray());
}

UrlTask::UrlTask(QNetworkAccessManager* manager, const QNetworkRequest& request, QObject* context,
    UrlCompletion completion, qint64 maxBodyBytes)
    : m_manager(manager)
    , m_request(request)
    , m_context(context)
    , m_completion(std::move(completion))
    , m_maxBodyBytes(maxBodyBytes)
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
    // Connected before the reader's own handlers: an abort for size lands in
    // finish() with the reader already knowing why.
    m_reader = new BodyReader(reply, m_maxBodyBytes);
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
    if (m_finished)
        return;
    m_finished = true;
    UrlResponse response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool tooLarge = m_reader && m_reader->tooLarge();
    if (m_reader)
        response.body = m_reader->takeBody();
    if (tooLarge) {
        response.tooLarge = true;
        response.error = bodyTooLargeError(m_maxBodyBytes);
        qCWarning(lcNet) << reply->url().path() << "refused:" << response.error;
    } else if (m_reader && m_reader->overDeadline()) {
        response.error = QStringLiteral("transfer took too long");
        response.body.clear();
        qCWarning(lcNet) << reply->url().path() << "refused:" << response.error;
    } else if (response.status < 200 || response.status >= 300) {
        const bool noReply = response.status == 0 && reply->error() != QNetworkReply::NoError;
        response.error = noReply ? reply->errorString() : QStringLiteral("HTTP %1").arg(response.status);
    } else if (reply->error() != QNetworkReply::NoError) {
        // Closed or timed out after the status line: what arrived is a cut
        // body, and a cut at a record boundary would read as a whole one.
        response.error = QStringLiteral("transfer broken off: ") + reply->errorString();
        response.body.clear();
    } else if (const qint64 missing = missingBytes(reply, response.body.size()); missing > 0) {
        response.error = QStringLiteral("body %1 bytes shorter than announced").arg(missing);
        response.body.clear();
    }
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
    bool namedAgent = false;
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        if (!isSafeHeaderName(it.key()) || !isSafeHeaderValue(QString::fromLatin1(it.value()))) {
            qCWarning(lcNet) << "header not sent: unsafe name or value for" << it.key();
            continue;
        }
        namedAgent = namedAgent || it.key().compare("User-Agent", Qt::CaseInsensitive) == 0;
        request.setRawHeader(it.key(), it.value());
    }
    if (!namedAgent)
        request.setRawHeader(QByteArrayLiteral("User-Agent"), userAgent().toLatin1());
    return request;
}

UrlTask* UrlSession::dataTask(const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context,
    UrlCompletion completion, qint64 maxBodyBytes)
{
    auto* task
        = new UrlTask(&m_manager, makeRequest(url, headers), context, std::move(completion), maxBodyBytes);
    task->setParent(this);
    return task;
}

UrlTask* UrlSession::get(const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context,
    UrlCompletion completion, qint64 maxBodyBytes)
{
    UrlTask* task = dataTask(url, headers, context, std::move(completion), maxBodyBytes);
    task->resume();
    return task;
}

UrlTask* UrlSession::post(const QUrl& url, const QByteArray& body,
    const QHash<QByteArray, QByteArray>& headers, QObject* context, UrlCompletion completion,
    qint64 maxBodyBytes)
{
    UrlTask* task = dataTask(url, headers, context, std::move(completion), maxBodyBytes);
    task->setProperty("lst_post", true);
    task->setProperty("lst_body", body);
    task->resume();
    return task;
}

} // namespace platform
