#include "platform/UserDefaults.h"

#include "platform/Json.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "platform/Values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace platform {

namespace {
UserDefaults* g_standard = nullptr;
}

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent)
    , m_path(filePath)
{
    m_values = readFile(true).value_or(QVariantMap());
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

std::optional<QVariantMap> UserDefaults::readFile(bool warn) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString error;
    const auto parsed = parseJson(file.readAll(), &error);
    if (!parsed || parsed->metaType().id() != QMetaType::QVariantMap) {
        if (warn)
            qCWarning(
                lcPlatform, "damaged settings file %s: %s", qUtf8Printable(m_path), qUtf8Printable(error));
        return std::nullopt;
    }
    return parsed->toMap();
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
    m_changed.insert(key, value);
    synchronize();
}

void UserDefaults::setInteger(long long value, const QString& key)
{
    setObject(QString::number(value), key);
}

void UserDefaults::setObjects(const QVariantMap& entries)
{
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.value().isValid())
            m_values.insert(it.key(), it.value());
        else
            m_values.remove(it.key());
        m_changed.insert(it.key(), it.value());
    }
    synchronize();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    // Also when only another copy has set the key since this one read it.
    m_values.remove(key);
    m_changed.insert(key, QVariant());
    synchronize();
}

bool UserDefaults::synchronize()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // Another copy reads and merges the same way: one at a time. A lock left
    // by a copy that died is taken over.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(5000))
        qCWarning(lcPlatform, "settings file %s is locked; writing anyway", qUtf8Printable(m_path));
    // A damaged or missing file is rebuilt from what this copy holds.
    const std::optional<QVariantMap> onDisk = readFile(false);
    QVariantMap merged = onDisk.value_or(m_values);
    for (auto it = m_changed.cbegin(); it != m_changed.cend(); ++it) {
        if (it.value().isValid())
            merged.insert(it.key(), it.value());
        else
            merged.remove(it.key());
    }
    m_values = merged;
    if (onDisk && merged == *onDisk)
        m_changed.clear();
    if (m_changed.isEmpty())
        return true;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(writeJson(merged));
    if (!file.commit())
        return false;
    m_changed.clear();
    return true;
}

} // namespace platform
