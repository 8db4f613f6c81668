#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/Callback.h"

#include <QObject>
#include <QVariantList>
#include <QVariantMap>

class QuilorSDK;

// The user's stock groups (groupDict: "id", "userstockgroupname",
// "userstockgrouporder") and the member map of the current group.
class MyStockGroup : public QObject, public MHTTPObserver {
    Q_OBJECT
public:
    // receiver and handler become delegateCell / changeCallBack.
    MyStockGroup(QuilorSDK* sdk, QObject* father, std::function<void(const QVariantMap&)> callBack,
        QObject* parent = nullptr);
    ~MyStockGroup() override;

    void setDelegateCell(QObject* receiver);
    void setChangeCallBack(std::function<void(const QVariantMap&)> handler);
    QObject* delegateCell() const;

    // API 90010 for the user's qvmid; the receiver gets {"result": "OK",
    // "des": "Group refresh OK"} or {"result": "Fail", "des": "Group refresh
    // Fail"} on the main thread, nothing for an empty "data". A reply older
    // than a list already taken, or asked for another user, is dropped.
    void refreshData();

    QVariantList iGroupArray;
    void setIGroupArray(const QVariantList& groups) { iGroupArray = groups; }

    int iCurIdx = 0;
    void setICurIdx(int index) { iCurIdx = index; }
    // nullopt-like: an empty map when the index lies outside iGroupArray.
    QVariantMap GetCurGroupDict() const;
    bool hasCurGroup() const;

    // "stockcode" -> groupMemberDict; written only by the self-selected list.
    QVariantMap iGroupStockDict;
    bool hasGroupStockDict = false;
    void setIGroupStockDict(const QVariantMap& members)
    {
        iGroupStockDict = members;
        hasGroupStockDict = true;
    }
    void clearGroupStockDict()
    {
        iGroupStockDict.clear();
        hasGroupStockDict = false;
    }
    bool IsOnThisGroup(const QString& code) const;

    // A group was deleted: the groups left are the reply's "data" when it is
    // a list (empty once the last group went), else those held less that one.
    // Also for a group the backend no longer knows (code -1004). The saved
    // chosen group stays chosen; when it is the one deleted, the group before
    // it is chosen.
    void groupDeleted(const QString& groupId, const QVariant& reply = QVariant());

    // The user whose groups these are. What the list keeps between starts is
    // kept apart per user, as two users' group ids may be the same: the group
    // list (written whenever a list is taken), the chosen group's index and
    // each group's last rows.
    QString userId() const { return m_userId; }
    QVariantList savedGroups() const;
    QString savedCurIdx() const; // null when none was kept
    void saveCurIdx(const QString& index);
    // The id of the group the saved index named when it was saved (null
    // when unknown).
    QString savedCurGroupId() const;
    QVariantList savedRows(const QString& groupId) const;
    void saveRows(const QString& groupId, const QVariantList& rows);
    // The user-defaults key of `key` for one user.
    static QString userKey(const QString& key, const QString& userId);

    // A group's members come in one page of this many at most; a user keeps
    // at most as many groups.
    static constexpr int kGroupPageSize = 1000;

    // The records of a reply (or of a saved list) as they may be kept: groups
    // with a bounded numeric id, members with a real code, only their own
    // keys, names without control characters, at most kGroupPageSize of
    // either. Anything else is dropped with one short log line.
    static QVariantList groupsOfReply(const QVariant& data);
    static QVariantList membersOfReply(const QVariant& data);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

Q_SIGNALS:
    // The group list was replaced: a refresh, a delete, another user.
    void groupsChanged();
    // Another user logged in: the model now holds that user's saved groups.
    void userChanged();

private:
    QString currentUserId() const;
    // Takes the saved groups of the logged-in user when it is not the one
    // whose groups are held; answers whether it changed.
    bool followUser();
    void listArrived(int serial, const QString& userId, const QVariant& result);
    void listFailed(int serial, const QString& userId, int code, const QString& description);
    // `deletedId`: the group whose delete brought the list.
    void storeGroups(const QVariantList& groups, const QString& deletedId = QString());
    void followChosenGroup(const QVariantList& groups, const QString& deletedId);

    QuilorSDK* m_sdk;
    platform::CellEventCallBack m_callback;
    QString m_userId;
    bool m_hasUser = false;
    int m_requestSerial = 0;
    int m_appliedSerial = 0;
};
