#pragma once

#include <QString>

namespace platform {

// The per-user cache folder (property lists, stocks.plist ...) and the
// folder of the settings file. Created on first use. Both follow
// LST_CACHE_DIR and LST_CONFIG_DIR when set, so tests and several
// instances never share them.
QString cacheFolder();
QString configFolder();

} // namespace platform
