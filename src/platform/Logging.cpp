#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcPlatform, "lst.platform", QtInfoMsg)
