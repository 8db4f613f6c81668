#include "charts/YearFileCache.h"

#include "charts/ChartFeeds.h"
#include "charts/ChartTiming.h"
#include "platform/MainThread.h"
#include "platform/UrlSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace charts {

namespace {

struct Waiter {
    QPointer<QObject> context;
    YearFileCache::Completion completion;
};

struct Entry {
    QByteArray body;
    QElapsedTimer age;
};

// Bodies kept at most: a resize's charts share a few stocks' files, and a
// 40-year history is about 1 MB.
constexpr qsizetype kKeptBytesLimit = 4 * 1024 * 1024;

struct CacheState {
    QHash<QUrl, Entry> bodies;
    QHash<QUrl, std::shared_ptr<QList<Waiter>>> inFlight;
    int generation = 0;
    QPointer<QTimer> expiry;
};

CacheState& state()
{
    static CacheState s;
    return s;
}

void dropExpired(CacheState& s)
{
    const int keepMs = pollTiming().yearCacheMs;
    s.bodies.removeIf([keepMs](const QHash<QUrl, Entry>::iterator& it) {
        return keepMs <= 0 || it->age.elapsed() >= keepMs;
    });
}

// The oldest bodies go first once the kept ones pass the limit.
void dropBeyondLimit(CacheState& s)
{
    qsizetype kept = 0;
    for (const Entry& entry : std::as_const(s.bodies))
        kept += entry.body.size();
    while (kept > kKeptBytesLimit && !s.bodies.isEmpty()) {
        const auto oldest = std::max_element(s.bodies.begin(), s.bodies.end(),
            [](const Entry& a, const Entry& b) { return a.age.elapsed() < b.age.elapsed(); });
        kept -= oldest->body.size();
        s.bodies.erase(oldest);
    }
}

// Kept bodies also go when their time is up and no chart asks again, so
// that closed windows leave nothing behind.
void armExpiry(CacheState& s)
{
    if (s.bodies.isEmpty())
        return;
    if (!s.expiry) {
        s.expiry = new QTimer(QCoreApplication::instance());
        s.expiry->setSingleShot(true);
        QObject::connect(s.expiry, &QTimer::timeout, [] {
            dropExpired(state());
            armExpiry(state());
        });
    }
    qint64 oldestAge = 0;
    for (const Entry& entry : std::as_const(s.bodies))
        oldestAge = std::max(oldestAge, entry.age.elapsed());
    s.expiry->start(int(std::max<qint64>(0, pollTiming().yearCacheMs - oldestAge)) + 1);
}

} // namespace

void YearFileCache::fetch(const QUrl& url, QObject* context, Completion completion)
{
    CacheState& s = state();
    // Expired bodies go now: kept on, they would pile up with every stock
    // the user has looked at.
    dropExpired(s);
    const auto hit = s.bodies.constFind(url);
    if (hit != s.bodies.constEnd()) {
        const QByteArray body = hit->body;
        platform::runOnMainAsync(context, [completion = std::move(completion), body] { completion(body); });
        return;
    }

    if (const auto joined = s.inFlight.value(url)) {
        joined->append(Waiter { context, std::move(completion) });
        return;
    }
    auto waiters = std::make_shared<QList<Waiter>>();
    waiters->append(Waiter { context, std::move(completion) });
    s.inFlight.insert(url, waiters);

    // A session of its own per request; it goes with the reply. The
    // application object keeps the reply deliverable when the asking chart
    // is gone, so that the other waiters still get it.
    auto* session = new platform::UrlSession(QCoreApplication::instance());
    const int generation = s.generation;
    session->get(
        url, feedHeaders(), session,
        [url, session, generation, waiters](const platform::UrlResponse& response) {
            CacheState& st = state();
            std::optional<QByteArray> body;
            // Any HTTP reply carries a body (an error page does not parse and so
            // counts as an empty year); a missing reply or one past the size
            // limit is a failure.
            if (response.status != 0 && !response.tooLarge)
                body = response.body;
            if (body && response.ok() && generation == st.generation && pollTiming().yearCacheMs > 0) {
                Entry entry;
                entry.body = *body;
                entry.age.start();
                st.bodies.insert(url, entry);
                dropBeyondLimit(st);
                armExpiry(st);
            }
            if (st.inFlight.value(url) == waiters)
                st.inFlight.remove(url);
            const QList<Waiter> toCall = *waiters;
            for (const Waiter& w : toCall) {
                if (w.context)
                    w.completion(body);
            }
            session->deleteLater();
        },
        platform::bodylimit::kKLineYear);
}

int YearFileCache::keptCount()
{
    return int(state().bodies.size());
}

void YearFileCache::clear()
{
    CacheState& s = state();
    s.bodies.clear();
    s.inFlight.clear(); // replies already asked for still reach their charts
    ++s.generation;
}

} // namespace charts
