#include "community/Logging.h"

Q_LOGGING_CATEGORY(lcCommunity, "lst.community", QtInfoMsg)
