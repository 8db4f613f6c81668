#pragma once

#include "backend/MHTTPObserver.h"
#include "backend/User.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <initializer_list>
#include <memory>

class HttpSession;
namespace backend {
struct ReplyOutcome;
struct OperationArg;
} // namespace backend
class stocks;
class MyStock;
class MyStockGroup;

namespace backend {
// API ids of the backend operations.
enum Api : int {
    kApiLogin = 10000,
    kApiSearchStock = 90003,
    kApiGroupStocks = 90005,
    kApiStockDay = 90006,
    kApiGetGroups = 90010,
    kApiAddGroup = 90011,
    kApiDelGroup = 90012,
    kApiAddStockToGroup = 90013,
    kApiDelStockFromGroup = 90014,
    kApiMoveOrCopyStock = 90015,
    kApiRecommendList = 90016,
    kApiDelRecommend = 90018,
    kApiSendTrend = 90030,
    kApiStockTrend = 90031,
    kApiTrendList = 90032,
    kApiAppSetting = 93001,
    kApiNewMsgCount = 95001,
    kApiIndexQuote = 99001,
    kApiIndexDayK = 99003,
    kApiIndexDay = 99006,
};
} // namespace backend

// The one backend client. It creates the shared models in order and keeps
// them for the life of the process. Every operation takes its arguments as
// strings (a null QString is an absent argument: its key is left out of the
// body), then a return object (always nullptr here) and the observer, and
// answers whether the request was started: NO, with nothing sent, when its
// required code or id is missing.
class QuilorSDK : public QObject {
    Q_OBJECT
public:
    // The market store's models are made by the market library, which sits
    // above this one: it installs their factory once (market's
    // installSharedModels()) before the first client is made. Each factory
    // parents what it makes to the client.
    struct SharedModelFactory {
        std::function<stocks*(QuilorSDK*)> makeStocks;
        std::function<MyStock*(QuilorSDK*)> makeMyStock;
        std::function<MyStockGroup*(QuilorSDK*)> makeMyStockGroup;
    };
    static void setSharedModelFactory(const SharedModelFactory& factory);

    QuilorSDK(const QString& baseUrl, const QString& devicetype, const QString& guestUserId,
        QObject* parent = nullptr);
    ~QuilorSDK() override;

    // Shared models.
    User* iUser() const { return m_user.get(); }
    stocks* iStocks() const { return m_stocks; }
    MyStock* iMyStock() const { return m_myStock; }
    MyStockGroup* iMyStockGroup() const { return m_myStockGroup; }
    HttpSession* iHttpSession() const { return m_httpSession; }

    QString baseUrl() const { return m_baseUrl; }
    QString devicetype() const { return m_devicetype; }
    QString guestUserId() const { return m_guestUserId; }
    // The agent of every feed and backend request (platform::userAgent()).
    QString User_Agent() const;
    // Refuses an agent that is not a safe header value (false, unchanged).
    bool setUser_Agent(const QString& agent);
    int screenHeight() const { return m_screenHeight; }

    // Only the newest login counts: the reply of an earlier one, or of one
    // made before a logout, reaches nobody and changes nothing.
    bool DoLogin(const QString& UserName, const QString& PassWord, const QString& DeviceToken, bool WillSave,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    // Back to the guest: the record is cleared, its file keeps no password
    // hash, the next start is the guest's, and no login in flight counts.
    // Posts "isLogouted".
    void logout();
    bool SearchStockByKey(const QString& key, const QString& pageindex, const QString& pagesize,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool GetAGroupOfStocks(const QString& userstockgroupid, const QString& pageindex, const QString& pagesize,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool GetStockDay(const QString& code, const QString& pageindex, const QString& pagesize,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool getStockGroup(const QString& uid, QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool addStockGroup(const QString& userstockgroupname, const QString& userstockgrouporder,
        const QString& theID, QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool delStockGroup(const QString& theID, QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool addStockToGroup(const QString& stockcode, const QString& stockname, const QString& userstockorder,
        const QString& userstockgroupid, const QString& lprice, const QString& hprice, const QString& vprice,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool delStockFromGroup(const QString& stockcode, const QString& stockgroupid, QObject* ReturnObject,
        MHTTPObserver* HTTPObserver);
    bool moveOrCopyStockToGroup(const QString& stockcode, const QString& userstockgroupid,
        const QString& newuserstockgroupid, const QString& type, QObject* ReturnObject,
        MHTTPObserver* HTTPObserver);
    bool GetRecommentStockList(const QString& recomtype, const QString& pageindex, const QString& pagesize,
        const QString& recomdate, QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool DelRecommentStock(const QString& stockcode, const QString& recomtype, const QString& recomdate,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool GetStockTrend(
        const QString& stockcode, const QString& curdate, QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool GetDayKStockIdx(const QString& stockname, const QString& code, const QString& pageindex,
        const QString& pagesize, QObject* ReturnObject, MHTTPObserver* HTTPObserver);
    bool GetStockIDXDay(const QString& code, const QString& pageindex, const QString& pagesize,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver);

    // Operations of this product's own wire format (docs/backend-protocol.md).
    bool GetAppSetting(QObject* ReturnObject, MHTTPObserver* HTTPObserver); // 93001
    bool GetStockIDXNow(const QString& code, QObject* ReturnObject, MHTTPObserver* HTTPObserver); // 99001
    bool SendStockTrend(const QString& stockcode, const QString& trend, QObject* ReturnObject,
        MHTTPObserver* HTTPObserver); // 90030
    bool GetStockTrendList(const QString& stockcode, const QString& pageindex, const QString& pagesize,
        QObject* ReturnObject, MHTTPObserver* HTTPObserver); // 90032
    bool GetNewMsgCount(const QString& uid, QObject* ReturnObject, MHTTPObserver* HTTPObserver); // 95001

    // Sends any operation: the body's keys as given (null values left out).
    bool SendRequest(int api, const QVariantMap& body, MHTTPObserver* HTTPObserver);

    // Where screenHeight comes from (the application shell may install one;
    // by default the primary screen of a GUI application, else 0).
    static void setScreenHeightSource(std::function<int()> source);

Q_SIGNALS:
    // A login asked to be saved was applied but could not be written: the
    // next start is the guest's.
    void loginNotSaved(const QString& userName, const QString& reason);

private:
    // Builds the body of a listed operation and sends it; NO when a required
    // argument is missing.
    bool operation(int api, std::initializer_list<backend::OperationArg> args, MHTTPObserver* observer);
    bool send(int api, const QVariantMap& keys, MHTTPObserver* observer,
        std::function<bool(backend::ReplyOutcome&, const QByteArray&)> interceptor = {});
    void applyLogin(const QVariantMap& reply, const QString& userName, const QString& passwordHash,
        const QString& deviceToken, bool willSave);
    void forgetSavedLogin();

    QString m_baseUrl;
    QString m_devicetype;
    QString m_guestUserId;
    int m_screenHeight = 0;
    std::unique_ptr<User> m_user;
    stocks* m_stocks = nullptr;
    MyStock* m_myStock = nullptr;
    MyStockGroup* m_myStockGroup = nullptr;
    HttpSession* m_httpSession = nullptr;
    // Counts logins and logouts; a login reply counts only while it is the last.
    quint64 m_loginSerial = 0;
};
