#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

namespace platform {

// Strings, arrays and dictionaries under keys, kept in one JSON file in the
// config folder and written atomically on every change.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);

    static UserDefaults* standardUserDefaults();
    // Drops the shared instance so the next call reads the file again
    // (a restart, for tests).
    static void resetStandardUserDefaults();

    QVariant objectForKey(const QString& key) const;
    QString stringForKey(const QString& key) const; // null when absent
    long long integerForKey(const QString& key) const;
    void setObject(const QVariant& value, const QString& key);
    void setInteger(long long value, const QString& key);
    void removeObjectForKey(const QString& key);
    bool synchronize();

    QString filePath() const { return m_path; }

private:
    void load();

    QString m_path;
    QVariantMap m_values;
};

} // namespace platform
