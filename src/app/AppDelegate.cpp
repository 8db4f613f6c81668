#include "app/AppDelegate.h"

#include "account/Membership.h"
#include "app/Logging.h"
#include "app/MainViewController.h"
#include "backend/BackendProtocol.h"
#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "market/GroupWrites.h"
#include "charts/DayKLineView.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/UrlSession.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/Presenters.h"
#include "platform/widgets/ViewController.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QIODevice>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextStream>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

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

// Keeps a terminal from echoing what is typed while it lives; other inputs
// (a pipe, a file, a buffer) are left alone.
class EchoOff {
public:
    explicit EchoOff(QIODevice& input)
    {
#ifdef Q_OS_UNIX
        auto* file = qobject_cast<QFile*>(&input);
        if (!file || file->handle() < 0 || !isatty(file->handle()))
            return;
        m_fd = file->handle();
        if (tcgetattr(m_fd, &m_saved) != 0) {
            m_fd = -1;
            return;
        }
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(m_fd, TCSAFLUSH, &quiet);
#else
        Q_UNUSED(input);
#endif
    }
    ~EchoOff()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            tcsetattr(m_fd, TCSAFLUSH, &m_saved);
#endif
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_fd = -1;
#ifdef Q_OS_UNIX
    termios m_saved {};
#endif
};

// One line from the input without its line break; empty at the end of input.
QString readPassword(const QString& userName, QIODevice& input, QTextStream& terminal)
{
    terminal << "Password for " << userName << ": " << Qt::flush;
    QByteArray line;
    {
        EchoOff quiet(input);
        line = input.readLine();
    }
    // Neither a piped password nor an unechoed one ended the prompt's line.
    terminal << Qt::endl;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// Back to the agent configured for this installation, else a browser's.
void restoreConfiguredAgent(QuilorSDK* sdk)
{
    const QString configured = platform::Configuration::current().userAgent;
    if (configured.isEmpty() || !sdk->setUser_Agent(configured))
        sdk->setUser_Agent(QString());
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
    if (m_sdk)
        disconnect(m_sdk, &QuilorSDK::loginNotSaved, this, nullptr);
    m_sdk = sdk;
    if (sdk) {
        connect(sdk, &QuilorSDK::loginNotSaved, this, [](const QString& userName, const QString& reason) {
            qCWarning(lcApp, "the login could not be saved: %s", qUtf8Printable(reason));
            platform::deliverUserNotification(QStringLiteral("岚石通"),
                QStringLiteral("无法保存 %1 的登录信息，下次启动时将以游客身份进入。").arg(userName));
        });
    }
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

void AppDelegate::ensureClient()
{
    if (m_sdk)
        return;
    setIQuilorSDK(new QuilorSDK(platform::Configuration::current().backendUrl, QStringLiteral("2001"),
        QStringLiteral("400030000"), this));
}

void AppDelegate::applicationDidFinishLaunching(bool showWindow)
{
    ensureClient();

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
    if (showWindow) {
        // Centred, and on a small screen no larger than its free area.
        platform::ViewController::placeWindowOver(m_window, nullptr);
        m_window->show();
    }
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

int AppDelegate::logInAs(const QString& userName, QIODevice& input, QTextStream& terminal)
{
    const QString password = readPassword(userName, input, terminal);
    if (password.isEmpty()) {
        terminal << "No password given for " << userName << Qt::endl;
        return 1;
    }
    ensureClient();
    int status = -1;
    QString message;
    QEventLoop loop;
    const auto notSaved
        = connect(m_sdk, &QuilorSDK::loginNotSaved, this, [&message](const QString&, const QString& reason) {
              message = QStringLiteral("the login could not be saved: ") + reason;
          });
    CallbackObserver reply(
        [&](const QVariant&) {
            status = message.isEmpty() ? 0 : 1;
            loop.quit();
        },
        [&](int code, const QString& description) {
            status = 1;
            message = QStringLiteral("%1 (%2)").arg(description).arg(code);
            loop.quit();
        });
    if (m_sdk->DoLogin(
            userName, backend::passwordHash(password), m_sdk->iUser()->deviceid, true, nullptr, &reply)) {
        if (status < 0)
            loop.exec();
    } else {
        status = 1;
        message = QStringLiteral("no backend is configured");
    }
    disconnect(notSaved);
    if (status != 0)
        terminal << "Login as " << userName << " failed: " << message << Qt::endl;
    return status;
}

bool AppDelegate::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    switch (api) {
    case backend::kApiAppSetting: {
        if (result.typeId() != QMetaType::QVariantMap) {
            // A reply that is no dictionary keeps the restored settings.
            qCWarning(lcApp, "application settings reply is not a dictionary");
            return true;
        }
        // What the reply leaves out is off: no "vipmacopen", no membership.
        const QVariantMap settings = readSettings(result.toMap());
        appDict = settings;
        updateMembershipMenu();
        platform::UserDefaults::standardUserDefaults()->setObject(settings, kAppSettingKey);
        const QString agent = platform::stringOf(settings, kUserAgentKey);
        if (m_sdk && !agent.isEmpty())
            m_sdk->setUser_Agent(agent);
        else if (m_sdk)
            restoreConfiguredAgent(m_sdk);
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

void AppDelegate::applicationWillTerminate(int waitMs)
{
    if (!m_sdk)
        return;
    auto* writes = market::GroupWrites::of(m_sdk);
    if (writes->pending() == 0)
        return;
    // Their windows are gone: nothing may open an alert now.
    writes->forgetObservers();
    QEventLoop loop;
    connect(writes, &market::GroupWrites::settled, &loop, &QEventLoop::quit);
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (const int left = writes->pending())
        qCWarning(lcApp, "%d change(s) of the watch list not sent before quitting", left);
}
