#include "backend/QuilorSDK.h"

#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UrlSession.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QRect>

#include <optional>

// One argument of an operation: its body key, its value (a null string is
// absent, so its key is left out) and whether the request makes no sense
// without it.
struct backend::OperationArg {
    const char* key;
    QString value;
    bool required = false;
};

namespace {

Q_LOGGING_CATEGORY(lcSdk, "lst.backend", QtInfoMsg)

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

constexpr bool kRequired = true;

// Whether the login reply's "qvmid" was sent as a number or a text (a flag
// would read as "1" once parsed).
bool idIsNumber(const QByteArray& replyBody)
{
    const QJsonValue id = QJsonDocument::fromJson(replyBody).object().value(QStringLiteral("qvmid"));
    return id.isString() || id.isDouble();
}

using Arg = backend::OperationArg;

std::optional<QVariantMap> bodyOf(std::initializer_list<Arg> args)
{
    QVariantMap body;
    for (const Arg& arg : args) {
        if (arg.required && arg.value.isEmpty())
            return std::nullopt;
        if (!arg.value.isNull())
            body.insert(QString::fromLatin1(arg.key), arg.value);
    }
    return body;
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
    // The configured agent, else the saved settings' one, else a browser's;
    // one that could end a header line counts as none.
    const QString configured = platform::Configuration::current().userAgent;
    const QString saved = platform::UserDefaults::standardUserDefaults()
                              ->objectForKey(QStringLiteral("appSettingDict"))
                              .toMap()
                              .value(QStringLiteral("User-Agent"))
                              .toString();
    if (configured.isEmpty() || !platform::setUserAgent(configured)) {
        if (saved.isEmpty() || !platform::setUserAgent(saved))
            platform::setUserAgent(QString());
    }
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

QString QuilorSDK::User_Agent() const
{
    return platform::userAgent();
}

bool QuilorSDK::setUser_Agent(const QString& agent)
{
    return platform::setUserAgent(agent);
}

bool QuilorSDK::SendRequest(int api, const QVariantMap& body, MHTTPObserver* HTTPObserver)
{
    return send(api, body, HTTPObserver, {});
}

bool QuilorSDK::operation(int api, std::initializer_list<backend::OperationArg> args, MHTTPObserver* observer)
{
    const auto body = bodyOf(args);
    return body && send(api, *body, observer);
}

bool QuilorSDK::send(int api, const QVariantMap& keys, MHTTPObserver* observer,
    std::function<bool(backend::ReplyOutcome&, const QByteArray&)> interceptor)
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
        // Replies of one record (the login, the settings, a count, a trend
        // summary, an index quote; some of them polled) hold a few fields; the
        // rest may carry lists.
        const bool oneRecord = api == backend::kApiLogin || api == backend::kApiAppSetting
            || api == backend::kApiNewMsgCount || api == backend::kApiIndexQuote
            || api == backend::kApiSendTrend || api == backend::kApiStockTrend;
        const qint64 limit
            = oneRecord ? platform::bodylimit::kBackendSmallReply : platform::bodylimit::kBackendReply;
        m_httpSession->post(url, api, platform::writeJson(body), platform::userAgent(), token, observer,
            std::move(interceptor), limit);
    };
    if (platform::isMainThread())
        start();
    else
        platform::runOnMain(this, std::move(start));
    return true;
}

bool QuilorSDK::DoLogin(const QString& UserName, const QString& PassWord, const QString& DeviceToken,
    bool WillSave, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    // The user name is the account's id: without it the server can only refuse.
    const auto body = bodyOf(
        { { "username", UserName, kRequired }, { "password", PassWord }, { "devicetoken", DeviceToken },
            { "willsave", WillSave ? QStringLiteral("1") : QStringLiteral("0") } });
    if (!body)
        return false;
    const quint64 serial = ++m_loginSerial;
    return send(backend::kApiLogin, *body, HTTPObserver,
        [this, serial, UserName, PassWord, DeviceToken, WillSave](
            backend::ReplyOutcome& outcome, const QByteArray& replyBody) {
            if (serial != m_loginSerial) {
                qCDebug(lcSdk) << "a superseded login reply was dropped";
                return false;
            }
            if (!outcome.ok)
                return true;
            // Only a dictionary naming a user is a login; anything else
            // leaves the record and its file as they were.
            if (!User::isUserRecord(outcome.result) || !idIsNumber(replyBody)) {
                qCWarning(lcSdk) << "login reply holds no user record";
                outcome = backend::ReplyOutcome();
                outcome.code = backend::kCodeBadReply;
                outcome.text = QStringLiteral("login reply holds no user");
                return true;
            }
            applyLogin(outcome.result.toMap(), UserName, PassWord, DeviceToken, WillSave);
            return true;
        });
}

void QuilorSDK::applyLogin(const QVariantMap& reply, const QString& userName, const QString& passwordHash,
    const QString& deviceToken, bool willSave)
{
    // The user logged in already, logged in again (the silent logins).
    const bool relogin = !userName.isEmpty() && m_user->username == userName;
    // The record becomes this login's alone: nothing of an earlier user stays.
    const QString device = deviceToken.isEmpty() ? m_user->deviceid : deviceToken;
    m_user->Clear();
    m_user->SetValueByDict(reply);
    m_user->username = userName;
    m_user->password = passwordHash;
    m_user->deviceid = device;
    m_user->isLogin = true;
    // A silent login keeps the saved login as another copy of the
    // application may have left it since (another user, or none).
    bool save = willSave;
    if (save && relogin) {
        platform::UserDefaults::standardUserDefaults()->synchronize();
        if (User::lastLoginName() != userName) {
            qCDebug(lcSdk) << "the saved login changed elsewhere; this login is not saved";
            save = false;
        }
    }
    if (save) {
        QString error;
        if (m_user->Save(&error)) {
            User::setLastLoginName(m_user->username);
            platform::UserDefaults::standardUserDefaults()->setObject(m_user->qvmid, QStringLiteral("qvmid"));
        } else {
            forgetSavedLogin();
            Q_EMIT loginNotSaved(userName, error);
        }
    }
    platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("UserInfoChanged"));
}

void QuilorSDK::forgetSavedLogin()
{
    User::setLastLoginName(QString());
    platform::UserDefaults::standardUserDefaults()->removeObjectForKey(QStringLiteral("qvmid"));
}

void QuilorSDK::logout()
{
    ++m_loginSerial;
    if (!m_user->username.isEmpty() && QFile::exists(User::filePathFor(m_user->username))) {
        m_user->password.clear();
        m_user->isLogin = false;
        m_user->Save();
    }
    const QString userName = m_user->username;
    m_user->Clear();
    // Another copy of the application may have saved another user's login
    // since: that one stays.
    platform::UserDefaults::standardUserDefaults()->synchronize();
    if (User::lastLoginName().isEmpty() || User::lastLoginName() == userName)
        forgetSavedLogin();
    platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("isLogouted"));
}

bool QuilorSDK::SearchStockByKey(const QString& key, const QString& pageindex, const QString& pagesize,
    QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    // The caller decides when a text is worth asking about.
    return operation(backend::kApiSearchStock,
        { { "key", key }, { "pageindex", pageindex }, { "pagesize", pagesize } }, HTTPObserver);
}

bool QuilorSDK::GetAGroupOfStocks(const QString& userstockgroupid, const QString& pageindex,
    const QString& pagesize, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiGroupStocks,
        { { "userstockgroupid", userstockgroupid, kRequired }, { "pageindex", pageindex },
            { "pagesize", pagesize } },
        HTTPObserver);
}

bool QuilorSDK::GetStockDay(const QString& code, const QString& pageindex, const QString& pagesize,
    QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiStockDay,
        { { "code", code, kRequired }, { "pageindex", pageindex }, { "pagesize", pagesize } }, HTTPObserver);
}

bool QuilorSDK::getStockGroup(const QString& uid, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiGetGroups, { { "uid", uid, kRequired } }, HTTPObserver);
}

bool QuilorSDK::addStockGroup(const QString& userstockgroupname, const QString& userstockgrouporder,
    const QString& theID, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    // The id is optional: without it the server makes a new group.
    return operation(backend::kApiAddGroup,
        { { "userstockgroupname", userstockgroupname }, { "userstockgrouporder", userstockgrouporder },
            { "id", theID } },
        HTTPObserver);
}

bool QuilorSDK::delStockGroup(const QString& theID, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiDelGroup, { { "id", theID, kRequired } }, HTTPObserver);
}

bool QuilorSDK::addStockToGroup(const QString& stockcode, const QString& stockname,
    const QString& userstockorder, const QString& userstockgroupid, const QString& lprice,
    const QString& hprice, const QString& vprice, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiAddStockToGroup,
        { { "stockcode", stockcode, kRequired }, { "stockname", stockname },
            { "userstockorder", userstockorder }, { "userstockgroupid", userstockgroupid, kRequired },
            { "lprice", lprice }, { "hprice", hprice }, { "vprice", vprice } },
        HTTPObserver);
}

bool QuilorSDK::delStockFromGroup(const QString& stockcode, const QString& stockgroupid,
    QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiDelStockFromGroup,
        { { "stockcode", stockcode, kRequired }, { "userstockgroupid", stockgroupid, kRequired } },
        HTTPObserver);
}

bool QuilorSDK::moveOrCopyStockToGroup(const QString& stockcode, const QString& userstockgroupid,
    const QString& newuserstockgroupid, const QString& type, QObject* /*ReturnObject*/,
    MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiMoveOrCopyStock,
        { { "stockcode", stockcode, kRequired }, { "userstockgroupid", userstockgroupid, kRequired },
            { "newuserstockgroupid", newuserstockgroupid, kRequired }, { "type", type } },
        HTTPObserver);
}

bool QuilorSDK::GetRecommentStockList(const QString& recomtype, const QString& pageindex,
    const QString& pagesize, const QString& recomdate, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiRecommendList,
        { { "recomtype", recomtype }, { "pageindex", pageindex }, { "pagesize", pagesize },
            { "recomdate", recomdate } },
        HTTPObserver);
}

bool QuilorSDK::DelRecommentStock(const QString& stockcode, const QString& recomtype,
    const QString& recomdate, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiDelRecommend,
        { { "stockcode", stockcode, kRequired }, { "recomtype", recomtype }, { "recomdate", recomdate } },
        HTTPObserver);
}

bool QuilorSDK::GetStockTrend(
    const QString& stockcode, const QString& curdate, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiStockTrend,
        { { "stockcode", stockcode, kRequired }, { "curdate", curdate } }, HTTPObserver);
}

bool QuilorSDK::GetDayKStockIdx(const QString& stockname, const QString& code, const QString& pageindex,
    const QString& pagesize, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiIndexDayK,
        { { "stockname", stockname }, { "code", code, kRequired }, { "pageindex", pageindex },
            { "pagesize", pagesize } },
        HTTPObserver);
}

bool QuilorSDK::GetStockIDXDay(const QString& code, const QString& pageindex, const QString& pagesize,
    QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiIndexDay,
        { { "code", code, kRequired }, { "pageindex", pageindex }, { "pagesize", pagesize } }, HTTPObserver);
}

bool QuilorSDK::GetAppSetting(QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiAppSetting, {}, HTTPObserver);
}

bool QuilorSDK::GetStockIDXNow(const QString& code, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiIndexQuote, { { "code", code, kRequired } }, HTTPObserver);
}

bool QuilorSDK::SendStockTrend(
    const QString& stockcode, const QString& trend, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiSendTrend,
        { { "stockcode", stockcode, kRequired }, { "trend", trend, kRequired } }, HTTPObserver);
}

bool QuilorSDK::GetStockTrendList(const QString& stockcode, const QString& pageindex, const QString& pagesize,
    QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiTrendList,
        { { "stockcode", stockcode, kRequired }, { "pageindex", pageindex }, { "pagesize", pagesize } },
        HTTPObserver);
}

bool QuilorSDK::GetNewMsgCount(const QString& uid, QObject* /*ReturnObject*/, MHTTPObserver* HTTPObserver)
{
    return operation(backend::kApiNewMsgCount, { { "uid", uid, kRequired } }, HTTPObserver);
}
