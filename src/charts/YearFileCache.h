#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

namespace charts {

// Year files shared by the charts of one process. A live window resize
// builds a new chart per step; each asks for the same files, so a request
// already in flight is joined and a body fetched a moment ago
// (pollTiming().yearCacheMs) is handed out again instead of fetched anew.
// Only bodies of HTTP replies are kept; a failed connection is never reused.
class YearFileCache {
public:
    // The body, or nothing when no reply came. Delivered on the main thread,
    // never synchronously, and not at all once `context` is gone.
    using Completion = std::function<void(const std::optional<QByteArray>& body)>;
    static void fetch(const QUrl& url, QObject* context, Completion completion);
    // Bodies kept now. Expired ones go at the next fetch or when their time
    // is up, the oldest ones early when the kept bodies pass a few MB.
    static int keptCount();
    // Forgets every kept body (tests; a new trading day).
    static void clear();
};

} // namespace charts
