#include "app/AppDelegate.h"

#include "account/Membership.h"
#include "app/Logging.h"
#include "app/MainViewController.h"
#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "charts/DayKLineView.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/UrlSession.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ControllerRegistry.h"

#include <QApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {
AppDelegate* g_shared = nullptr;
const QString kAppSettingKey = QStringLiteral("appSettingDict");
const QString kUserAgentKey = QStringLiteral("User-Agent");
const QString kVipOpenKey = QStringLiteral("vipmacopen");

// The keys of a settings reply the application reads, each a short text; the
// User-Agent only when it can stand in a header. The rest is not kept.
QVariantMap readSettings(const QVariantMap& reply)
{
    QVariantMap kept;
    const QString open = platform::stringOf(reply, kVipOpenKey);
    if (reply.contains(kVipOpenKey) && open.size() <= 16)
        kept.insert(kVipOpenKey, open);
    const QString agent = platform::stringOf(reply, kUserAgentKey);
    if (!agent.isEmpty() && platform::isSafeHeaderValue(agent))
        kept.insert(kUserAgentKey, agent);
    else if (!agent.isEmpty())
        qCWarning(lcApp, "settings User-Agent refused: not a safe header value");
    return kept;
}
} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
    g_shared = this;
}

AppDelegate::~AppDelegate()
{
    if (g_shared == this)
        g_shared = nullptr;
    delete m_window;
}

AppDelegate* AppDelegate::shared()
{
    return g_shared;
}

MainViewController* AppDelegate::mainViewController() const
{
    return m_main.data();
}

void AppDelegate::setIQuilorSDK(QuilorSDK* sdk)
{
    m_sdk = sdk;
    // The day chart of the product's own index reads the backend; charts sit
    // below the shell and are handed the client here.
    DayKLineView::setDefaultSDK(sdk);
}

void AppDelegate::setIMsgCenter(QObject* msgCenter)
{
    m_msgCenter = msgCenter;
}

void AppDelegate::setViewController(QObject* controller)
{
    m_viewController = controller;
}

void AppDelegate::setDelays(int settingsRetryMs, int loginDelayMs, int loginRetryMs)
{
    m_settingsRetryMs = settingsRetryMs;
    m_loginDelayMs = loginDelayMs;
    m_loginRetryMs = loginRetryMs;
}

void AppDelegate::applicationDidFinishLaunching(bool showWindow)
{
    if (!m_sdk)
        setIQuilorSDK(new QuilorSDK(platform::Configuration::current().backendUrl, QStringLiteral("2001"),
            QStringLiteral("400030000"), this));

    platform::UserDefaults* defaults = platform::UserDefaults::standardUserDefaults();
    const QVariantMap stored = platform::dictFromVariant(defaults->objectForKey(kAppSettingKey));
    const QVariantMap saved = readSettings(stored);
    // An older file may hold a whole reply, or an agent that must not be
    // sent: only what is read stays.
    if (saved != stored && !stored.isEmpty())
        defaults->setObject(saved, kAppSettingKey);
    if (!saved.isEmpty()) {
        appDict = saved;
        const QString agent = platform::stringOf(saved, kUserAgentKey);
        if (!agent.isEmpty())
            m_sdk->setUser_Agent(agent);
    }

    buildMainWindow();
    if (showWindow)
        m_window->show();
    requestAppSettings();
}

void AppDelegate::buildMainWindow()
{
    if (m_window)
        return;
    m_window = new QMainWindow;
    m_window->setWindowTitle(QStringLiteral("岚石通"));
    m_window->resize(1242, 720);

    QMenu* appMenu = m_window->menuBar()->addMenu(QStringLiteral("岚石通"));
    QAction* quit = appMenu->addAction(QStringLiteral("退出岚石通"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    // The members' daily picks window hangs off the main menu, as the
    // layout's entry to it; it shows only while membership is switched on.
    QMenu* vipMenu = m_window->menuBar()->addMenu(QStringLiteral("会员"));
    m_vipAction = vipMenu->addAction(QStringLiteral("岚石通VIP每日金股"));
    connect(m_vipAction, &QAction::triggered, this, [this]() {
        if (membership::featuresOn(appDict))
            openDailyPicks();
    });
    updateMembershipMenu();

    auto* main = new MainViewController;
    main->initByController(m_window);
    m_window->setCentralWidget(main);
    m_main = main;
    setViewController(main);
}

void AppDelegate::updateMembershipMenu()
{
    if (m_vipAction)
        m_vipAction->setVisible(membership::featuresOn(appDict));
}

void AppDelegate::openDailyPicks(platform::ViewController* presenter)
{
    if (!presenter)
        presenter = m_main;
    if (!presenter)
        return;
    const QString power = m_sdk && m_sdk->iUser() ? m_sdk->iUser()->power : QString();
    const char* identifier = membership::isPayingMember(power) ? "VIPViewController" : "GoVIPViewController";
    if (platform::ViewController* controller
        = platform::ControllerRegistry::instantiateController(QString::fromLatin1(identifier)))
        presenter->presentViewControllerAsModalWindow(controller);
}

void AppDelegate::requestAppSettings()
{
    if (m_sdk && !m_sdk->GetAppSetting(nullptr, this))
        qCWarning(lcApp, "the settings request could not be started");
}

bool AppDelegate::silentLogin()
{
    if (!m_sdk || !m_sdk->iUser())
        return false;
    const User* user = m_sdk->iUser();
    if (user->username.isEmpty() || user->password.isEmpty())
        return false;
    return m_sdk->DoLogin(user->username, user->password, user->deviceid, true, nullptr, this);
}

bool AppDelegate::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    switch (api) {
    case backend::kApiAppSetting: {
        const QVariantMap settings = readSettings(platform::dictFromVariant(result));
        if (settings.isEmpty()) {
            // A reply without settings keeps the restored ones.
            qCWarning(lcApp, "application settings reply is not a dictionary");
            return true;
        }
        appDict = settings;
        updateMembershipMenu();
        platform::UserDefaults::standardUserDefaults()->setObject(settings, kAppSettingKey);
        const QString agent = platform::stringOf(settings, kUserAgentKey);
        if (!agent.isEmpty() && m_sdk)
            m_sdk->setUser_Agent(agent);
        // Several settings replies (cache and network) must not stack logins.
        if (!m_loginScheduled) {
            m_loginScheduled = true;
            platform::runOnMainAfter(m_loginDelayMs, this, [this]() { silentLogin(); });
        }
        return true;
    }
    case backend::kApiLogin:
        // The client has already copied the reply into the user record.
        return true;
    default:
        return true;
    }
}

bool AppDelegate::HttpEvent(int code, const QString& description, int api)
{
    switch (api) {
    case backend::kApiAppSetting:
        qCWarning(lcApp, "settings request failed (%d %s), repeating", code, qUtf8Printable(description));
        platform::runOnMainAfter(m_settingsRetryMs, this, [this]() { requestAppSettings(); });
        return true;
    case backend::kApiLogin:
        // A refused login (a negative server code) stays refused: asking again
        // with the same saved hash every 30 s would only repeat the refusal.
        qCWarning(lcApp, "silent login failed (%d %s)", code, qUtf8Printable(description));
        if (code >= 0)
            platform::runOnMainAfter(m_loginRetryMs, this, [this]() { silentLogin(); });
        return true;
    default:
        return true;
    }
}
