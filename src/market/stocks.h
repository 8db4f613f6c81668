#pragma once

#include "platform/Types.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class QuilorSDK;

namespace platform {
class UrlSession;
}

namespace market {
class QuoteLoader;
}

// One quote record per watched code, shared by identity.
using StockQuoteDict = platform::SharedDict;

// The quote store: at most 200 records, a refresh queue, the market-status
// poll and a loader per code. Used on the main thread.
class stocks : public QObject {
    Q_OBJECT
public:
    explicit stocks(QuilorSDK* sdk, QObject* parent = nullptr);
    ~stocks() override;

    // code -> record; a code the store does not hold gives nullptr.
    const QHash<QString, StockQuoteDict>& localStocksDict() const;
    StockQuoteDict recordFor(const QString& code) const;

    // Copies (new code) or merges (known code) the dictionary, moves the code
    // to the end of the refresh queue and has it refreshed; answers the
    // store's record (nullptr without "stockcode" and "code"). Each call
    // counts one more holder that shows the code: pair it with one
    // DelwillDoRefreshDict when that holder stops showing it.
    StockQuoteDict AddwillDoRefreshDict(const QVariantMap& dict);
    // One holder less; the code leaves the refresh queue when nothing shows
    // it any more. The record stays.
    void DelwillDoRefreshDict(const QVariantMap& dict);

    // The market warning level, or -9999 (see docs/market-warning.md).
    int GetIdxAlerts(const QString& code, const QVariantList* historys) const;

    QStringList refreshQueue() const;
    QString marketStatus() const;

    static constexpr int kMaxRecords = 200;
    static constexpr int kCompleteKeys = 50;
    // Codes per batched Tencent request.
    static constexpr int kBatchSize = 60;

    // Poll intervals (8 s open, 30 s closed) and the delay before a complete
    // record is refreshed again (1 s); tests shorten them.
    void setPollIntervals(int openMs, int closedMs);
    void setRepeatDelay(int ms);
    // How many codes per poll also get a full loader run (fund flow etc.).
    void setLoadersPerPoll(int count);
    // The clock the market hours fall back to when the status feed fails.
    void setClock(std::function<QDateTime()> clock);

    bool marketOpen() const { return m_open; }
    int currentPollIntervalMs() const;
    int pollCount() const { return m_pollCount; }
    bool isLoading(const QString& code) const;

    // Merges one batched Tencent full-quote body into the queued records and
    // posts "StockupDateOk" for each; answers how many records changed.
    // `request` is the quote request's number (nextQuoteRequest() when it
    // was sent; 0: a fresh one): a record never takes an answer to a request
    // sent before the one whose answer it holds.
    int applyTencentBody(const QByteArray& body, quint64 request = 0);
    quint64 nextQuoteRequest() { return ++m_quoteRequests; }
    // Whether the code's record may take the answer to `request`; if so the
    // record holds that answer from now on.
    bool acceptQuoteAnswer(const QString& code, quint64 request);
    // Merges fields into the code's record as a whole (no-op for an unknown code).
    bool mergeFields(const QString& code, const QVariantMap& fields);
    void postUpdate(const QString& code);

    // Writes stocks.plist and stocksKeys.plist now.
    bool saveNow();

private:
    friend class market::QuoteLoader;

    void load();
    void scheduleSave();
    void touch(const QString& code);
    void dropOldest();
    void refresh(const QString& code, int delayMs);
    void startLoader(const QString& code);
    void loaderFinished(const QString& code, bool changed);
    void ensurePolling();
    void armPoll(int delayMs);
    void poll();
    void fetchBatches(QStringList codes, std::function<void()> done);
    void afterPoll();
    void statusFromClock();
    QHash<QByteArray, QByteArray> headers() const;
    QString statusTextFor(const QString& code) const;

    QuilorSDK* m_sdk;
    platform::UrlSession* m_session;
    QHash<QString, StockQuoteDict> m_records;
    QStringList m_age; // oldest first
    QStringList m_queue; // refresh order
    QHash<QString, market::QuoteLoader*> m_loaders;
    QHash<QString, qint64> m_lastRefresh; // ms since epoch
    QHash<QString, bool> m_pendingRefresh;
    QHash<QString, int> m_shownBy; // holders per code
    QHash<QString, quint64> m_quoteAnswer; // the request whose answer each record holds
    quint64 m_quoteRequests = 0;
    int m_openMs = 8000;
    int m_closedMs = 30000;
    int m_repeatMs = 1000;
    int m_loadersPerPoll = 3;
    int m_loaderCursor = 0;
    int m_pollCount = 0;
    bool m_polling = false;
    bool m_saveScheduled = false;
    bool m_open = false;
    bool m_statusKnown = false;
    QString m_shanghaiText;
    QString m_shenzhenText;
    std::function<QDateTime()> m_clock;
    // The cache files of this store, fixed when it was made.
    QString m_recordsPath;
    QString m_keysPath;
};

// The code of a record or a notification's record: "stockcode", else "code".
QString stockCodeOf(const QVariantMap& dict);
