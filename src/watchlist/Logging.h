#pragma once

#include <QLoggingCategory>

// What the watch list and the recommended stocks log.
// Debug lines are off unless QT_LOGGING_RULES turns them on, e.g. "lst.watchlist.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcWatchlist)
