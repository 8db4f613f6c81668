#include "platform/Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {
QString ensure(const QString& path)
{
    QDir().mkpath(path);
    return path;
}
} // namespace

QString cacheFolder()
{
    const QString overridden = qEnvironmentVariable("LST_CACHE_DIR");
    if (!overridden.isEmpty())
        return ensure(overridden);
    return ensure(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
}

QString configFolder()
{
    const QString overridden = qEnvironmentVariable("LST_CONFIG_DIR");
    if (!overridden.isEmpty())
        return ensure(overridden);
    return ensure(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

} // namespace platform
