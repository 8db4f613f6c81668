#pragma once

#include <QLoggingCategory>

// What the stock and index windows log.
// Debug lines are off unless QT_LOGGING_RULES turns them on, e.g. "lst.screens.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcScreens)
