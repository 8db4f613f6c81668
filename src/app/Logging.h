#pragma once

#include <QLoggingCategory>

// What the application shell logs.
// Debug lines are off unless QT_LOGGING_RULES turns them on, e.g. "lst.app.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
