#include "TestSupport.h"

#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/PlainText.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QPixmap>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace testsupport {

namespace {
std::optional<platform::Configuration> g_savedConfiguration;

QString plainTitle(const QAction* action)
{
    return platform::fromMenuText(action->text());
}

void describe(const QMenu* menu, const QString& indent, QStringList* out)
{
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            *out << indent + QStringLiteral("-");
        } else if (action->menu()) {
            *out << indent + plainTitle(action) + QLatin1Char('>');
            describe(action->menu(), indent + QStringLiteral("  "), out);
        } else {
            *out << indent + plainTitle(action);
        }
    }
}
} // namespace

TricklingServer::TricklingServer()
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (!socket->readAll().contains("\r\n\r\n") || socket->findChild<QTimer*>())
                    return;
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n");
                auto* drip = new QTimer(socket);
                connect(drip, &QTimer::timeout, socket, [socket] { socket->write("1\r\n \r\n"); });
                drip->start(20);
            });
        }
    });
    listen(QHostAddress::LocalHost);
}

QString TricklingServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

IsolatedSettings::IsolatedSettings()
{
    const QString root = m_dir.path();
    QDir().mkpath(root + QStringLiteral("/config"));
    QDir().mkpath(root + QStringLiteral("/cache"));
    qputenv("LST_CONFIG_DIR", (root + QStringLiteral("/config")).toUtf8());
    qputenv("LST_CACHE_DIR", (root + QStringLiteral("/cache")).toUtf8());
    platform::UserDefaults::resetStandardUserDefaults();
}

IsolatedSettings::~IsolatedSettings()
{
    // The folders go with the temporary directory; nothing may keep writing there.
    platform::UserDefaults::resetStandardUserDefaults();
    // A newer instance made before this one went keeps its folders.
    if (qEnvironmentVariable("LST_CONFIG_DIR") == configDir())
        qunsetenv("LST_CONFIG_DIR");
    if (qEnvironmentVariable("LST_CACHE_DIR") == cacheDir())
        qunsetenv("LST_CACHE_DIR");
}

QString IsolatedSettings::cacheDir() const
{
    return m_dir.path() + QStringLiteral("/cache");
}

QString IsolatedSettings::configDir() const
{
    return m_dir.path() + QStringLiteral("/config");
}

StandIn::StandIn(const QString& storeDir)
    : m_server(std::make_unique<standin::StandInServer>(storeDir))
{
    if (!m_server->listen(0))
        qFatal("the stand-in server cannot listen on 127.0.0.1");
    const platform::Configuration previous = platform::Configuration::current();
    if (!g_savedConfiguration)
        g_savedConfiguration = previous;
    platform::Configuration c = platform::Configuration::allAt(m_server->baseUrl());
    c.userAgent = previous.userAgent;
    platform::Configuration::setCurrent(c);
}

StandIn::~StandIn()
{
    if (g_savedConfiguration) {
        platform::Configuration::setCurrent(*g_savedConfiguration);
        g_savedConfiguration.reset();
    }
}

standin::StandInServer& StandIn::server()
{
    return *m_server;
}

QString StandIn::baseUrl() const
{
    return m_server->baseUrl();
}

AlertRecorder::AlertRecorder()
{
    platform::setAlertPresenter(this);
}

AlertRecorder::~AlertRecorder()
{
    if (platform::alertPresenter() == this)
        platform::setAlertPresenter(nullptr);
}

void AlertRecorder::present(const platform::AlertSpec& alert, QWidget*, std::function<void(int)> done)
{
    alerts << alert;
    const int answer = answers.isEmpty() ? 0 : answers.takeFirst();
    if (done)
        done(answer);
}

QStringList AlertRecorder::messages() const
{
    QStringList out;
    for (const platform::AlertSpec& a : alerts)
        out << a.messageText;
    return out;
}

MenuRecorder::MenuRecorder()
{
    platform::setMenuPresenter(this);
}

MenuRecorder::~MenuRecorder()
{
    if (platform::menuPresenter() == this)
        platform::setMenuPresenter(nullptr);
}

void MenuRecorder::popUp(QMenu* menu, const QPoint&, QWidget*)
{
    if (!menu)
        return;
    QStringList items;
    describe(menu, QString(), &items);
    shown << items;
    if (whileOpen)
        whileOpen();
    if (choice.isEmpty())
        return;
    // Emits aboutToShow as a real pop-up would, so menus filled lazily work.
    Q_EMIT menu->aboutToShow();
    const QMenu* level = menu;
    for (qsizetype i = 0; i < choice.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* action : level->actions()) {
            if (!action->isSeparator() && plainTitle(action) == choice.at(i)) {
                found = action;
                break;
            }
        }
        if (!found) {
            qWarning("MenuRecorder: no item \"%s\" in the menu", qUtf8Printable(choice.at(i)));
            return;
        }
        if (i + 1 < choice.size()) {
            if (!found->menu()) {
                qWarning("MenuRecorder: \"%s\" has no submenu", qUtf8Printable(choice.at(i)));
                return;
            }
            level = found->menu();
            continue;
        }
        if (found->isEnabled())
            found->trigger();
        else
            qWarning("MenuRecorder: \"%s\" is disabled", qUtf8Printable(choice.at(i)));
    }
}

NotificationRecorder::NotificationRecorder()
{
    platform::setUserNotificationPresenter(this);
}

NotificationRecorder::~NotificationRecorder()
{
    if (platform::userNotificationPresenter() == this)
        platform::setUserNotificationPresenter(nullptr);
}

void NotificationRecorder::deliver(const platform::UserNotification& notification)
{
    delivered << notification;
}

BrowserRecorder::BrowserRecorder()
{
    platform::setBrowserPresenter(this);
}

BrowserRecorder::~BrowserRecorder()
{
    if (platform::browserPresenter() == this)
        platform::setBrowserPresenter(nullptr);
}

void BrowserRecorder::open(const QUrl& url)
{
    opened << url;
}

InputRecorder::InputRecorder()
{
    platform::setInputPresenter(this);
}

InputRecorder::~InputRecorder()
{
    if (platform::inputPresenter() == this)
        platform::setInputPresenter(nullptr);
}

void InputRecorder::ask(const QString& title, const QString& label, const QString&, QWidget*,
    std::function<void(const QString&)> done)
{
    asked << (title.isEmpty() ? label : title);
    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    if (done)
        done(answer);
}

bool waitForNotification(const QString& name, int timeoutMs, platform::Notification* received,
    std::function<bool(const platform::Notification&)> accept)
{
    QObject context;
    bool got = false;
    platform::NotificationCenter::defaultCenter()->addObserver(
        &context, name, [&](const platform::Notification& n) {
            if (got || (accept && !accept(n)))
                return;
            got = true;
            if (received)
                *received = n;
        });
    QDeadlineTimer deadline(timeoutMs);
    while (!got && !deadline.hasExpired())
        QTest::qWait(5);
    platform::NotificationCenter::defaultCenter()->removeObserver(&context);
    return got;
}

bool waitForQuietRequests(
    standin::StandInServer& server, const std::function<bool(const QString&)>& counts, int quietMs, int tries)
{
    for (int i = 0; i < tries; ++i) {
        server.clearRequestLog();
        QTest::qWait(quietMs);
        const QStringList log = server.requestLog();
        if (std::none_of(
                log.begin(), log.end(), [&](const QString& path) { return !counts || counts(path); }))
            return true;
    }
    return false;
}

QString renderToPng(QWidget* widget, const QString& name)
{
    if (!widget)
        return QString();
    if (!widget->isVisible())
        widget->show();
    QCoreApplication::processEvents();
    QString dir = qEnvironmentVariable("LST_RENDER_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(LST_RENDER_DEFAULT_DIR);
    QDir().mkpath(dir);
    QString file = name;
    if (!file.endsWith(QLatin1String(".png")))
        file += QStringLiteral(".png");
    const QString path = dir + QLatin1Char('/') + file;
    if (!widget->grab().save(path, "PNG")) {
        qWarning("renderToPng: cannot write %s", qUtf8Printable(path));
        return QString();
    }
    return path;
}

QVariantList storedMembers(standin::StandInServer& server, const QString& groupId)
{
    const QByteArray body
        = platform::writeJson(QVariantMap { { QStringLiteral("api"), QStringLiteral("90005") },
            { QStringLiteral("userstockgroupid"), groupId } });
    const standin::BackendService::Reply reply = server.backend().handle("/user", body,
        { { QByteArrayLiteral("md5"), QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex() } });
    return platform::parseJson(reply.body)
        .value_or(QVariant())
        .toMap()
        .value(QStringLiteral("data"))
        .toList();
}

QByteArray readFixture(const QString& relativePath)
{
    const QString path = QStringLiteral(LST_FIXTURES_DIR) + QLatin1Char('/') + relativePath;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QTest::qFail(qPrintable(QStringLiteral("missing fixture ") + relativePath), __FILE__, __LINE__);
        return QByteArray();
    }
    return file.readAll();
}

namespace {
QMutex g_logMutex;
QStringList* g_logged = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const QByteArray category(context.category ? context.category : "");
    if (category == "default" || category.startsWith("lst.")) {
        const QMutexLocker lock(&g_logMutex);
        if (g_logged)
            g_logged->append(QString::fromUtf8(category) + QStringLiteral(": ") + text);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}
} // namespace

LogCapture::LogCapture()
{
    const QMutexLocker lock(&g_logMutex);
    g_logged = new QStringList;
    g_previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(g_previousHandler);
    const QMutexLocker lock(&g_logMutex);
    delete g_logged;
    g_logged = nullptr;
}

QStringList LogCapture::messages() const
{
    const QMutexLocker lock(&g_logMutex);
    return *g_logged;
}

} // namespace testsupport
