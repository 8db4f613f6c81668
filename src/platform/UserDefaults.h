#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform {

// Strings, arrays and dictionaries under keys, kept in one JSON file in the
// config folder and written atomically on every change. A write carries only
// the keys this object changed, merged into what the file holds then, so two
// copies of the application on one folder keep each other's changes.
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
    // Several keys in one write, so that they are on disk together or not at
    // all; an invalid value removes its key.
    void setObjects(const QVariantMap& entries);
    // Writes the changes not yet written, and takes up what other copies
    // wrote meanwhile.
    bool synchronize();

    QString filePath() const { return m_path; }

private:
    // The file's dictionary; nullopt when it is missing or damaged.
    std::optional<QVariantMap> readFile(bool warn) const;

    QString m_path;
    QVariantMap m_values;
    // Keys changed here and not yet written (an invalid value: removed).
    QVariantMap m_changed;
};

} // namespace platform
