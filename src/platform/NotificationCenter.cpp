#include "platform/NotificationCenter.h"

#include "platform/MainThread.h"

#include <QCoreApplication>

namespace platform {

NotificationCenter* NotificationCenter::defaultCenter()
{
    // Thread-safe first use: a worker may be the first to post.
    static NotificationCenter* const center = [] {
        auto* made = new NotificationCenter;
        made->moveToThread(QCoreApplication::instance()->thread());
        return made;
    }();
    return center;
}

void NotificationCenter::addObserver(QObject* observer, const QString& name, Handler handler)
{
    if (!observer || !handler)
        return;
    m_entries[name].push_back(
        Entry { m_nextId++, QPointer<QObject>(observer), observer, std::move(handler) });
}

void NotificationCenter::removeObserver(QObject* observer)
{
    for (auto& entries : m_entries)
        std::erase_if(entries, [observer](const Entry& e) { return e.key == observer; });
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name)
{
    auto it = m_entries.find(name);
    if (it != m_entries.end())
        std::erase_if(*it, [observer](const Entry& e) { return e.key == observer; });
}

void NotificationCenter::postNotificationName(const QString& name, const QVariant& object)
{
    Notification notification { name, object };
    if (isMainThread()) {
        deliver(notification);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, notification]() { deliver(notification); }, Qt::QueuedConnection);
}

void NotificationCenter::deliver(const Notification& notification)
{
    auto it = m_entries.find(notification.name);
    if (it == m_entries.end())
        return;
    std::erase_if(*it, [](const Entry& e) { return e.observer.isNull(); });
    // Observers may add or remove observers while being called: walk a
    // snapshot of ids and look each up again before calling it.
    std::vector<quint64> ids;
    for (const Entry& e : *it)
        ids.push_back(e.id);
    for (quint64 id : ids) {
        auto entries = m_entries.find(notification.name);
        if (entries == m_entries.end())
            return;
        auto found
            = std::find_if(entries->begin(), entries->end(), [id](const Entry& e) { return e.id == id; });
        if (found == entries->end() || found->observer.isNull())
            continue;
        Handler handler = found->handler;
        handler(notification);
    }
}

int NotificationCenter::observerCount(const QString& name) const
{
    int count = 0;
    for (const Entry& e : m_entries.value(name))
        if (!e.observer.isNull())
            ++count;
    return count;
}

} // namespace platform
