#include "charts/YearFileCache.h"

#include "charts/ChartFeeds.h"
#include "charts/ChartTiming.h"
#include "platform/MainThread.h"
#include "platform/UrlSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>

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

struct CacheState {
    QHash<QUrl, Entry> bodies;
    QHash<QUrl, std::shared_ptr<QList<Waiter>>> inFlight;
    int generation = 0;
};

CacheState& state()
{
    static CacheState s;
    return s;
}

} // namespace

void YearFileCache::fetch(const QUrl& url, QObject* context, Completion completion)
{
    CacheState& s = state();
    const int keepMs = pollTiming().yearCacheMs;
    // Expired bodies go now: kept on, they would pile up with every stock
    // the user has looked at.
    s.bodies.removeIf([keepMs](const QHash<QUrl, Entry>::iterator& it) {
        return keepMs <= 0 || it->age.elapsed() >= keepMs;
    });
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
