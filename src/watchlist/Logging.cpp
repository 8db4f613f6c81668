#include "watchlist/Logging.h"

Q_LOGGING_CATEGORY(lcWatchlist, "lst.watchlist", QtInfoMsg)
