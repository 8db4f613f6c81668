#pragma once

#include <QObject>
#include <QStringList>

class QuilorSDK;

// Holder of the recent-search list, kept across runs.
class MyStock : public QObject {
    Q_OBJECT
public:
    explicit MyStock(QuilorSDK* sdk, QObject* parent = nullptr);

    QStringList recentSearches() const { return m_recentSearches; }
    void addRecentSearch(const QString& text);
    void setRecentSearches(const QStringList& list);

private:
    QStringList m_recentSearches;
};
