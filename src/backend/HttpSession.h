#pragma once

#include "backend/BackendProtocol.h"
#include "backend/MHTTPObserver.h"
#include "platform/UrlSession.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkReply;

// The one owner of the network access manager for backend requests. Posts a
// body, checks the reply and hands it to the observer on the main thread,
// unless the observer is gone by then.
class HttpSession : public QObject {
    Q_OBJECT
public:
    explicit HttpSession(QObject* parent = nullptr);
    ~HttpSession() override;

    // Runs before the observer, whether or not it is still alive (the client
    // keeps the user record up to date this way), with the reply's body; it
    // may turn a reply that passed the general check into a failure, and
    // answers false when the reply is to reach nobody (it was superseded).
    using Interceptor = std::function<bool(backend::ReplyOutcome&, const QByteArray& body)>;

    // Used on the main thread only (QuilorSDK moves calls there). A reply
    // body longer than `maxBodyBytes` is cut off there and fails with 9999;
    // an unsafe User-Agent is not sent.
    void post(const QUrl& url, int api, const QByteArray& body, const QString& userAgent,
        std::weak_ptr<int> observerToken, MHTTPObserver* observer, Interceptor interceptor = {},
        qint64 maxBodyBytes = platform::bodylimit::kBackendReply);

    // A request without a reply after this long fails with 1313.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }
    // Sent and not yet handed to its observer (or dropped).
    int requestsInFlight() const { return int(m_inFlight.size()) + m_checking; }

    // A reply body at least this long is checked and parsed on a worker, so
    // that a large list never stalls the window that waits for it.
    static constexpr qsizetype kParseOffMainBytes = 256 * 1024;

private:
    void finish(QNetworkReply* reply, platform::BodyReader* reader, int api, const std::weak_ptr<int>& token,
        MHTTPObserver* observer, const Interceptor& interceptor);
    void deliver(backend::ReplyOutcome outcome, const QByteArray& body, int api,
        const std::weak_ptr<int>& token, MHTTPObserver* observer, const Interceptor& interceptor);

    QNetworkAccessManager m_manager;
    QSet<QNetworkReply*> m_inFlight;
    int m_checking = 0; // replies being parsed on a worker
    int m_timeoutMs = 30000;
};
