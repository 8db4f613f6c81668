#include "market/MyStock.h"

#include "platform/UserDefaults.h"

namespace {
const QString kKey = QStringLiteral("recentSearches");
constexpr int kMaxRecent = 20;
} // namespace

MyStock::MyStock(QuilorSDK* sdk, QObject* parent)
    : QObject(parent)
{
    Q_UNUSED(sdk);
    const QVariant stored = platform::UserDefaults::standardUserDefaults()->objectForKey(kKey);
    for (const QVariant& item : stored.toList())
        if (item.typeId() == QMetaType::QString && !item.toString().isEmpty())
            m_recentSearches << item.toString();
}

void MyStock::addRecentSearch(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    QStringList list = m_recentSearches;
    list.removeAll(t);
    list.prepend(t);
    setRecentSearches(list);
}

void MyStock::setRecentSearches(const QStringList& list)
{
    m_recentSearches = list.mid(0, kMaxRecent);
    platform::UserDefaults::standardUserDefaults()->setObject(QVariant(m_recentSearches), kKey);
}
