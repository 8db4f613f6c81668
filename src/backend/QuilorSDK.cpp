#include "backend/QuilorSDK.h"

#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QRect>

#include <optional>

namespace {

Q_LOGGING_CATEGORY(lcSdk, "lst.backend")

std::optional<QuilorSDK::SharedModelFactory>& modelFactory()
{
    static std::optional<QuilorSDK::SharedModelFactory> factory;
    return factory;
}

std::function<int()>& screenHeightSource()
{
    static std::function<int()> source;
    return source;
}

const QString kDefaultUserAgent = QStringLiteral(
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_11_6) AppleWebKit/601.7.7 (KHTML, like Gecko) Version/9.1.2 "
    "Safari/601.7.7");

// The GUI library is not linked here: the screen is reached through the
// application's meta-object properties when a GUI application runs.
int primaryScreenHeight()
{
    if (screenHeightSource())
        return screenHeightSource()();
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return 0;
    QObject* screen = app->property("primaryScreen").value<QObject*>();
    if (!screen)
        return 0;
    return screen->property("availableGeometry").toRect().height();
}

bool missing(const QString& value)
{
    return value.isEmpty();
}

// A key only for an argument that is present.
void put(QVariantMap& body, const char* key, const QString& value)
{
    if (!value.isNull())
        body.insert(QString::fromLatin1(key), value);
}

} // namespace

void QuilorSDK::setSharedModelFactory(const SharedModelFactory& factory)
{
    modelFactory() = factory;
}

void QuilorSDK::setScreenHeightSource(std::function<int()> source)
{
    screenHeightSource() = std::move(source);
}

QuilorSDK::QuilorSDK(
    const QString& baseUrl, const QString& devicetype, const QString& guestUserId, QObject* parent)
    : QObject(parent)
    , m_baseUrl(baseUrl.isEmpty() ? platform::Configuration::current().backendUrl : baseUrl)
    , m_devicetype(devicetype)
    , m_guestUserId(guestUserId)
{
    m_userAgent = platform::Configuration::current().userAgent;
    if (m_userAgent.isEmpty()) {
        const QVariantMap settings = platform::UserDefaults::standardUserDefaults()
                                         ->objectForKey(QStringLiteral("appSettingDict"))
                                         .toMap();
        m_userAgent = settings.value(QStringLiteral("User-Agent")).toString();
    }
    if (m_userAgent.isEmpty())
        m_userAgent = kDefaultUserAgent;
    m_screenHeight = primaryScreenHeight();

    m_user = std::make_unique<User>(guestUserId);
    const QString lastName = User::lastLoginName();
    if (!lastName.isEmpty())
        m_user->Load(lastName);

    if (const auto& factory = modelFactory()) {
        if (factory->makeStocks)
            m_stocks = factory->makeStocks(this);
        if (factory->makeMyStock)
            m_myStock = factory->makeMyStock(this);
        if (factory->makeMyStockGroup)
            m_myStockGroup = factory->makeMyStockGroup(this);
    } else {
        qCWarning(lcSdk) << "no shared-model factory installed: the client has no quote store or group model";
    }

    m_httpSession = new HttpSession(this);
}

QuilorSDK::~QuilorSDK()
{
    // Models may read the user record while they go: delete them (newest
    // first) while it still exists.
    QList<QPointer<QObject>> owned;
    for (QObject* child : children())
        owned.prepend(child);
    for (const QPointer<QObject>& child : owned)
        delete child.data();
    m_httpSession = nullptr;
    m_stocks = nullptr;
    m_myStock = nullptr;
    m_myStockGroup = nullptr;
}

void QuilorSDK::setUser_Agent(const QString& agent)
{
    m_userAgent = agent.isEmpty() ? kDefaultUserAgent : agent;
}

bool QuilorSDK::SendRequest(int api, const QVariantMap& body, MHTTPObserver* HTTPObserver)
{
    return send(api, body, HTTPObserver, {});
}

bool QuilorSDK::send(int api, const QVariantMap& keys, MHTTPObserver* observer,
    std::function<void(const backend::ReplyOutcome&)> interceptor)
{
    if (m_baseUrl.isEmpty()) {
        qCWarning(lcSdk) << "no backend URL configured; API" << api << "not sent";
        return false;
    }
    // The session and the user record live on the main thread; a caller on
    // another thread has its request built and sent there.
    // The token is taken now: the observer may be gone by the time a queued
    // request starts.
    std::weak_ptr<int> token = observer ? observer->observerToken() : std::weak_ptr<int>();
    auto start = [this, api, keys, observer, token, interceptor = std::move(interceptor)]() mutable {
        QVariantMap body;
        for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
            if (!it.value().isNull())
                body.insert(it.key(), it.value());
        }
        body.insert(backend::kKeyApi, QString::number(api));
        body.insert(backend::kKeyUserId, m_user->qvmid);
        body.insert(backend::kKeyDeviceType, m_devicetype);
        body.insert(backend::kKeyDeviceId, m_user->deviceid);
        const QUrl url = platform::Configuration::join(m_baseUrl, QString::fromLatin1(backend::kEntryPath));
        if (!m_httpSession)
            m_httpSession = new HttpSession(this);
        m_httpSession->post(
            url, api, platform::writeJson(body), m_userAgent, token, observer, std::move(interceptor));
    };
    if (platform::isMainThread())
        start();
    else
        platform::runOnMain(this, std::move(start));
    return true;
}

bool QuilorSDK::DoLogin(const QString& UserName, const QString& PassWord, const QString& DeviceToken,
    bool WillSave, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(UserName))
        return false;
    QVariantMap body;
    put(body, "username", UserName);
    put(body, "password", PassWord);
    put(body, "devicetoken", DeviceToken);
    body.insert(QStringLiteral("willsave"), WillSave ? QStringLiteral("1") : QStringLiteral("0"));
    return send(backend::kApiLogin, body, HTTPObserver,
        [this, UserName, PassWord, DeviceToken, WillSave](const backend::ReplyOutcome& outcome) {
            if (!outcome.ok)
                return;
            applyLogin(outcome.result.toMap(), UserName, PassWord, DeviceToken, WillSave);
        });
}

void QuilorSDK::applyLogin(const QVariantMap& reply, const QString& userName, const QString& passwordHash,
    const QString& deviceToken, bool willSave)
{
    m_user->SetValueByDict(reply);
    if (m_user->username.isEmpty())
        m_user->username = userName;
    m_user->password = passwordHash;
    if (!deviceToken.isEmpty())
        m_user->deviceid = deviceToken;
    m_user->isLogin = true;
    if (willSave) {
        m_user->Save();
        User::setLastLoginName(m_user->username);
        platform::UserDefaults::standardUserDefaults()->setObject(m_user->qvmid, QStringLiteral("qvmid"));
    }
    platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("UserInfoChanged"));
}

bool QuilorSDK::SearchStockByKey(const QString& key, const QString& pageindex, const QString& pagesize,
    QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(key))
        return false;
    QVariantMap body;
    put(body, "key", key);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    return send(backend::kApiSearchStock, body, HTTPObserver);
}

bool QuilorSDK::GetAGroupOfStocks(const QString& userstockgroupid, const QString& pageindex,
    const QString& pagesize, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(userstockgroupid))
        return false;
    QVariantMap body;
    put(body, "userstockgroupid", userstockgroupid);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    return send(backend::kApiGroupStocks, body, HTTPObserver);
}

bool QuilorSDK::GetStockDay(const QString& code, const QString& pageindex, const QString& pagesize,
    QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(code))
        return false;
    QVariantMap body;
    put(body, "code", code);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    return send(backend::kApiStockDay, body, HTTPObserver);
}

bool QuilorSDK::getStockGroup(const QString& uid, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(uid))
        return false;
    QVariantMap body;
    put(body, "uid", uid);
    return send(backend::kApiGetGroups, body, HTTPObserver);
}

bool QuilorSDK::addStockGroup(const QString& userstockgroupname, const QString& userstockgrouporder,
    const QString& theID, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    // A new group needs its name; a change needs the group's id.
    if (missing(userstockgroupname) && missing(theID))
        return false;
    QVariantMap body;
    put(body, "userstockgroupname", userstockgroupname);
    put(body, "userstockgrouporder", userstockgrouporder);
    put(body, "id", theID);
    return send(backend::kApiAddGroup, body, HTTPObserver);
}

bool QuilorSDK::delStockGroup(const QString& theID, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(theID))
        return false;
    QVariantMap body;
    put(body, "id", theID);
    return send(backend::kApiDelGroup, body, HTTPObserver);
}

bool QuilorSDK::addStockToGroup(const QString& stockcode, const QString& stockname,
    const QString& userstockorder, const QString& userstockgroupid, const QString& lprice,
    const QString& hprice, const QString& vprice, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode) || missing(userstockgroupid))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "stockname", stockname);
    put(body, "userstockorder", userstockorder);
    put(body, "userstockgroupid", userstockgroupid);
    put(body, "lprice", lprice);
    put(body, "hprice", hprice);
    put(body, "vprice", vprice);
    return send(backend::kApiAddStockToGroup, body, HTTPObserver);
}

bool QuilorSDK::delStockFromGroup(
    const QString& stockcode, const QString& stockgroupid, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode) || missing(stockgroupid))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "userstockgroupid", stockgroupid);
    return send(backend::kApiDelStockFromGroup, body, HTTPObserver);
}

bool QuilorSDK::moveOrCopyStockToGroup(const QString& stockcode, const QString& userstockgroupid,
    const QString& newuserstockgroupid, const QString& type, QObject* ReturnObject,
    MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode) || missing(userstockgroupid) || missing(newuserstockgroupid))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "userstockgroupid", userstockgroupid);
    put(body, "newuserstockgroupid", newuserstockgroupid);
    put(body, "type", type);
    return send(backend::kApiMoveOrCopyStock, body, HTTPObserver);
}

bool QuilorSDK::GetRecommentStockList(const QString& recomtype, const QString& pageindex,
    const QString& pagesize, const QString& recomdate, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    QVariantMap body;
    put(body, "recomtype", recomtype);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    put(body, "recomdate", recomdate);
    return send(backend::kApiRecommendList, body, HTTPObserver);
}

bool QuilorSDK::DelRecommentStock(const QString& stockcode, const QString& recomtype,
    const QString& recomdate, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "recomtype", recomtype);
    put(body, "recomdate", recomdate);
    return send(backend::kApiDelRecommend, body, HTTPObserver);
}

bool QuilorSDK::GetStockTrend(
    const QString& stockcode, const QString& curdate, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "curdate", curdate);
    return send(backend::kApiStockTrend, body, HTTPObserver);
}

bool QuilorSDK::GetDayKStockIdx(const QString& stockname, const QString& code, const QString& pageindex,
    const QString& pagesize, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(code))
        return false;
    QVariantMap body;
    put(body, "stockname", stockname);
    put(body, "code", code);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    return send(backend::kApiIndexDayK, body, HTTPObserver);
}

bool QuilorSDK::GetStockIDXDay(const QString& code, const QString& pageindex, const QString& pagesize,
    QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(code))
        return false;
    QVariantMap body;
    put(body, "code", code);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    return send(backend::kApiIndexDay, body, HTTPObserver);
}

bool QuilorSDK::GetAppSetting(QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    return send(backend::kApiAppSetting, {}, HTTPObserver);
}

bool QuilorSDK::GetStockIDXNow(const QString& code, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(code))
        return false;
    QVariantMap body;
    put(body, "code", code);
    return send(backend::kApiIndexQuote, body, HTTPObserver);
}

bool QuilorSDK::SendStockTrend(
    const QString& stockcode, const QString& trend, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode) || missing(trend))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "trend", trend);
    return send(backend::kApiSendTrend, body, HTTPObserver);
}

bool QuilorSDK::GetStockTrendList(const QString& stockcode, const QString& pageindex, const QString& pagesize,
    QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(stockcode))
        return false;
    QVariantMap body;
    put(body, "stockcode", stockcode);
    put(body, "pageindex", pageindex);
    put(body, "pagesize", pagesize);
    return send(backend::kApiTrendList, body, HTTPObserver);
}

bool QuilorSDK::GetNewMsgCount(const QString& uid, QObject* ReturnObject, MHTTPObserver* HTTPObserver)
{
    Q_UNUSED(ReturnObject);
    if (missing(uid))
        return false;
    QVariantMap body;
    put(body, "uid", uid);
    return send(backend::kApiNewMsgCount, body, HTTPObserver);
}
