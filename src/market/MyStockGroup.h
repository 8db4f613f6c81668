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

    void setDelegateCell(QObject* receiver);
    void setChangeCallBack(std::function<void(const QVariantMap&)> handler);
    QObject* delegateCell() const;

    // API 90010 for the user's qvmid; the receiver gets {"result": "OK",
    // "des": "Group refresh OK"} or {"result": "Fail", "des": "Group refresh
    // Fail"} on the main thread, nothing for an empty "data".
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
    bool IsOnThisGroup(const QString& code) const;

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    QuilorSDK* m_sdk;
    platform::CellEventCallBack m_callback;
};
