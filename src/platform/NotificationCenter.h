#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

namespace platform {

struct Notification {
    QString name;
    QVariant object; // a SharedDict, a dictionary or nothing
};

// Posting from any thread; every observer is called on the main thread.
// An observer that was removed or destroyed is never called.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter* defaultCenter();

    void addObserver(QObject* observer, const QString& name, Handler handler);
    void removeObserver(QObject* observer);
    void removeObserver(QObject* observer, const QString& name);

    // From the main thread observers run before this returns, as in the
    // platform this stands in for; from another thread they are queued.
    void postNotificationName(const QString& name, const QVariant& object = QVariant());

    int observerCount(const QString& name) const;

private:
    struct Entry {
        quint64 id;
        QPointer<QObject> observer;
        const QObject* key;
        Handler handler;
    };
    void deliver(const Notification& notification);

    QHash<QString, std::vector<Entry>> m_entries;
    quint64 m_nextId = 1;
};

} // namespace platform
