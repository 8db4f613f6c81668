#include "platform/UserDefaults.h"

#include "platform/Json.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "platform/Values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

namespace {
UserDefaults* g_standard = nullptr;
}

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent)
    , m_path(filePath)
{
    load();
}

UserDefaults* UserDefaults::standardUserDefaults()
{
    if (!g_standard)
        g_standard = new UserDefaults(configFolder() + QStringLiteral("/defaults.json"));
    return g_standard;
}

void UserDefaults::resetStandardUserDefaults()
{
    delete g_standard;
    g_standard = nullptr;
}

void UserDefaults::load()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString error;
    const auto parsed = parseJson(file.readAll(), &error);
    if (!parsed || parsed->metaType().id() != QMetaType::QVariantMap) {
        qCWarning(lcPlatform, "damaged settings file %s: %s", qUtf8Printable(m_path), qUtf8Printable(error));
        return;
    }
    m_values = parsed->toMap();
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    return m_values.value(key);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant v = m_values.value(key);
    if (!v.isValid())
        return QString();
    return v.toString();
}

long long UserDefaults::integerForKey(const QString& key) const
{
    return integerValue(m_values.value(key));
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    m_values.insert(key, value);
    synchronize();
}

void UserDefaults::setInteger(long long value, const QString& key)
{
    setObject(QString::number(value), key);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    if (m_values.remove(key) > 0)
        synchronize();
}

bool UserDefaults::synchronize()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(writeJson(m_values));
    return file.commit();
}

} // namespace platform
