#pragma once

#include <QLoggingCategory>

// What the shared widgets and the notice page log.
// Debug lines are off unless QT_LOGGING_RULES turns them on, e.g. "lst.ui.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcUi)
