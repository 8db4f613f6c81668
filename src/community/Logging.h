#pragma once

#include <QLoggingCategory>

// What the forecast and message windows log.
// Debug lines are off unless QT_LOGGING_RULES turns them on, e.g. "lst.community.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCommunity)
