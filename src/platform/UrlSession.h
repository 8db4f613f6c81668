#pragma once

#include <QByteArray>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

namespace platform {

struct UrlResponse {
    QByteArray body;
    int status = 0; // HTTP status, 0 when no reply came
    QString error; // empty on success
    bool ok() const { return error.isEmpty() && status >= 200 && status < 300; }
};

using UrlCompletion = std::function<void(const UrlResponse&)>;

// One GET. Created suspended; resume() starts it. A cancelled (retired)
// task never delivers, and nothing is delivered once its context is gone.
// The completion runs on the main thread.
class UrlTask : public QObject {
    Q_OBJECT
public:
    void resume();
    void cancel();
    void suspend(); // before resume: keeps it from starting
    bool isFinished() const { return m_finished; }

private:
    friend class UrlSession;
    UrlTask(QNetworkAccessManager* manager, const QNetworkRequest& request, QObject* context,
        UrlCompletion completion);
    void finish(QNetworkReply* reply);

    QNetworkAccessManager* m_manager;
    QNetworkRequest m_request;
    QPointer<QObject> m_context;
    UrlCompletion m_completion;
    QPointer<QNetworkReply> m_reply;
    bool m_cancelled = false;
    bool m_suspended = true;
    bool m_finished = false;
};

// Owner of one network access manager, used on the main thread.
class UrlSession : public QObject {
    Q_OBJECT
public:
    explicit UrlSession(QObject* parent = nullptr);

    // The process-wide session; Parts that want a fresh session per request
    // make their own UrlSession and let it go with the task.
    static UrlSession* sharedSession();

    UrlTask* dataTask(const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context,
        UrlCompletion completion);
    // dataTask + resume.
    UrlTask* get(const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context,
        UrlCompletion completion);
    UrlTask* post(const QUrl& url, const QByteArray& body, const QHash<QByteArray, QByteArray>& headers,
        QObject* context, UrlCompletion completion);

    QNetworkAccessManager* manager() { return &m_manager; }

    // Requests time out after this long (30 s unless set).
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

private:
    QNetworkRequest makeRequest(const QUrl& url, const QHash<QByteArray, QByteArray>& headers) const;

    QNetworkAccessManager m_manager;
    int m_timeoutMs = 30000;
};

} // namespace platform
