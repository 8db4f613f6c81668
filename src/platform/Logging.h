#pragma once

#include <QLoggingCategory>

// What the platform layer logs (settings files, formats, windows).
// Debug lines are off unless QT_LOGGING_RULES turns them on, e.g. "lst.platform.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
