#pragma once

#include <QByteArray>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <functional>

class QNetworkReply;

namespace platform {

// The largest body each kind of request accepts, in bytes: several times the
// biggest real body of its kind, far below what would strain memory. A reply
// that passes its limit is aborted there and fails.
namespace bodylimit {
// Bodies of the polled feeds are read on the main thread, where every
// megabyte costs a visible stall: their limits stay near the real sizes.
inline constexpr qint64 kQuoteText = 1024 * 1024; // quote texts, feed scripts, status: up to ~60 KB
inline constexpr qint64 kBriefQuote = 64 * 1024; // one code's brief quote, polled each second: ~100 B
inline constexpr qint64 kMinuteFile = 1024 * 1024; // a day's or four days' minutes: ~15-60 KB
inline constexpr qint64 kKLineYear = 1024 * 1024; // one year of bars: ~25 KB
inline constexpr qint64 kCompanyJson = 4 * 1024 * 1024; // company data files: up to a few 100 KB
inline constexpr qint64 kNoticePage = 4 * 1024 * 1024; // one notice's web page
inline constexpr qint64 kBackendReply = 8 * 1024 * 1024; // group lists, bars, recommendations
inline constexpr qint64 kBackendSmallReply = 64 * 1024; // one record: login, settings, a count, a quote
// Any request that names no kind of its own.
inline constexpr qint64 kDefault = 8 * 1024 * 1024;
} // namespace bodylimit

// The text a failed request carries when its body passed the limit.
QString bodyTooLargeError(qint64 limit);

// Whether a text may stand in a request header: printable ASCII only, so
// that no reply or stored file can end a header line and add its own.
bool isSafeHeaderValue(QStringView value);

// A current desktop browser's User-Agent: the public feeds answer browsers.
QString defaultUserAgent();
// The User-Agent every public-feed and backend request sends (the backend
// client keeps it up to date).
QString userAgent();
// Refuses (false, nothing changed) an agent that is not a safe header
// value; an empty one restores the default.
bool setUserAgent(const QString& agent);
// The headers of a public-feed request: the User-Agent.
QHash<QByteArray, QByteArray> feedHeaders();

struct UrlResponse {
    QByteArray body;
    int status = 0; // HTTP status, 0 when no reply came
    QString error; // empty on success
    bool tooLarge = false; // the body passed the request's limit and was not read
    bool ok() const { return error.isEmpty() && status >= 200 && status < 300; }
};

using UrlCompletion = std::function<void(const UrlResponse&)>;

// A transfer takes at most this many times its request's transfer timeout in
// all: that timeout only counts silence, so a body that trickles in a byte at
// a time would otherwise never end.
inline constexpr int kTransferDeadlineFactor = 4;

// Reads a reply's body as it arrives, so that it never buffers more than its
// limit, and aborts the reply once the body passes the limit (or announces a
// longer one), or once the transfer outlasts its deadline. Lives as long as
// the reply.
class BodyReader : public QObject {
    Q_OBJECT
public:
    BodyReader(QNetworkReply* reply, qint64 maxBytes);
    bool tooLarge() const { return m_tooLarge; }
    bool overDeadline() const { return m_overDeadline; }
    qint64 limit() const { return m_limit; }
    // What arrived (empty once the limit was passed).
    QByteArray takeBody();

private:
    void drain();
    void checkLength();

    QNetworkReply* m_reply;
    qint64 m_limit;
    QByteArray m_body;
    bool m_tooLarge = false;
    bool m_overDeadline = false;
};

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
        UrlCompletion completion, qint64 maxBodyBytes);
    void finish(QNetworkReply* reply);

    QNetworkAccessManager* m_manager;
    QNetworkRequest m_request;
    QPointer<QObject> m_context;
    UrlCompletion m_completion;
    QPointer<QNetworkReply> m_reply;
    QPointer<BodyReader> m_reader;
    qint64 m_maxBodyBytes;
    bool m_cancelled = false;
    bool m_suspended = true;
    bool m_finished = false;
};

// Owner of one network access manager, used on the main thread. Every
// request sends the User-Agent unless it names its own, and never a header
// whose value is not safe.
class UrlSession : public QObject {
    Q_OBJECT
public:
    explicit UrlSession(QObject* parent = nullptr);

    // The process-wide session; callers that want a fresh session per
    // request make their own UrlSession and let it go with the task.
    static UrlSession* sharedSession();

    // `maxBodyBytes`: the request kind's limit (see bodylimit).
    UrlTask* dataTask(const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context,
        UrlCompletion completion, qint64 maxBodyBytes = bodylimit::kDefault);
    // dataTask + resume.
    UrlTask* get(const QUrl& url, const QHash<QByteArray, QByteArray>& headers, QObject* context,
        UrlCompletion completion, qint64 maxBodyBytes = bodylimit::kDefault);
    UrlTask* post(const QUrl& url, const QByteArray& body, const QHash<QByteArray, QByteArray>& headers,
        QObject* context, UrlCompletion completion, qint64 maxBodyBytes = bodylimit::kDefault);

    QNetworkAccessManager* manager() { return &m_manager; }

    // Requests time out after this long (30 s unless set).
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

private:
    QNetworkRequest makeRequest(const QUrl& url, const QHash<QByteArray, QByteArray>& headers) const;

    QNetworkAccessManager m_manager;
    int m_timeoutMs = 30000;
};

} // namespace platform
