#include "screens/Logging.h"

Q_LOGGING_CATEGORY(lcScreens, "lst.screens", QtInfoMsg)
