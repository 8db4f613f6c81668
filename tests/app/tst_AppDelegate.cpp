#include "app/AppDelegate.h"
#include "app/MainViewController.h"
#include "app/ZXGFatherView.h"

#include "account/Membership.h"
#include "backend/BackendProtocol.h"

#include "TestSupport.h"
#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "charts/ChartFeeds.h"
#include "charts/ChartTiming.h"
#include "charts/YearFileCache.h"
#include "charts/timeLineView.h"
#include "market/SharedModels.h"
#include "platform/Json.h"
#include "platform/UrlSession.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ControllerRegistry.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

namespace {

// The API ids of the requests the stand-in received, in order.
QList<int> apisSent(standin::StandInServer& server)
{
    QList<int> apis;
    for (const QByteArray& body : server.backend().receivedBodies()) {
        const auto parsed = platform::parseJson(body);
        if (parsed)
            apis << parsed->toMap().value(QStringLiteral("api")).toString().toInt();
    }
    return apis;
}

// The main menu's entry to the members' daily picks.
QAction* picksItem(AppDelegate& delegate)
{
    for (QAction* menu : delegate.mainWindow()->menuBar()->actions())
        for (QAction* action : menu->menu()->actions())
            if (action->text() == QStringLiteral("岚石通VIP每日金股"))
                return action;
    return nullptr;
}

// Stands in for the picks ("picks") and the offer ("offer") while it lives.
struct MembershipWindows {
    MembershipWindows()
    {
        const auto stub = [](const char* name) {
            return [name]() -> QWidget* {
                auto* controller = new platform::ViewController;
                controller->setObjectName(QString::fromLatin1(name));
                return controller;
            };
        };
        platform::ControllerRegistry::registerFactory(QStringLiteral("VIPViewController"), stub("picks"));
        platform::ControllerRegistry::registerFactory(QStringLiteral("GoVIPViewController"), stub("offer"));
        platform::ViewController::setPresentsModally(false);
    }
    ~MembershipWindows()
    {
        platform::ControllerRegistry::clear();
        platform::ViewController::setPresentsModally(true);
    }
};

} // namespace

class tst_AppDelegate : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::IsolatedSettings> m_settings;

private Q_SLOTS:
    void initTestCase() { market::installSharedModels(); }
    void init() { m_settings = std::make_unique<testsupport::IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }

    void launch_makesTheClientAndFetchesTheSettings()
    {
        testsupport::StandIn standIn;
        AppDelegate delegate;
        QCOMPARE(AppDelegate::shared(), &delegate);
        delegate.setDelays(50, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QuilorSDK* sdk = delegate.iQuilorSDK();
        QVERIFY(sdk);
        QCOMPARE(sdk->baseUrl(), standIn.baseUrl());
        QCOMPARE(sdk->devicetype(), QStringLiteral("2001"));
        QCOMPARE(sdk->guestUserId(), QStringLiteral("400030000"));
        QVERIFY(delegate.mainViewController());
        QVERIFY(delegate.mainWindow());
        QCOMPARE(delegate.viewController(), delegate.mainViewController());
        QVERIFY(!delegate.curSingleStockDict);

        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);
        QCOMPARE(delegate.appDict.value(QStringLiteral("vipmacopen")).toString(), QStringLiteral("1"));
        // Saved for the next start, and its User-Agent is the client's.
        const QVariantMap saved = platform::UserDefaults::standardUserDefaults()
                                      ->objectForKey(QStringLiteral("appSettingDict"))
                                      .toMap();
        QCOMPARE(saved, delegate.appDict);
        QVERIFY(sdk->User_Agent().startsWith(QStringLiteral("Mozilla/5.0")));
    }

    void launch_restoresTheSavedSettings()
    {
        platform::UserDefaults::standardUserDefaults()->setObject(
            QVariantMap { { QStringLiteral("vipmacopen"), QStringLiteral("0") },
                { QStringLiteral("User-Agent"), QStringLiteral("SavedAgent/1.0") } },
            QStringLiteral("appSettingDict"));
        testsupport::StandIn standIn;
        standIn.server().backend().failApi(93001, -1030, 100);
        AppDelegate delegate;
        delegate.setDelays(60000, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QCOMPARE(delegate.appDict.value(QStringLiteral("vipmacopen")).toString(), QStringLiteral("0"));
        QCOMPARE(delegate.iQuilorSDK()->User_Agent(), QStringLiteral("SavedAgent/1.0"));
        // A failing server leaves the restored settings in force.
        QTRY_VERIFY_WITH_TIMEOUT(apisSent(standIn.server()).contains(93001), 5000);
        QTest::qWait(100);
        QCOMPARE(delegate.appDict.value(QStringLiteral("vipmacopen")).toString(), QStringLiteral("0"));
    }

    void failedSettingsRequest_isRepeatedAfterThePause()
    {
        testsupport::StandIn standIn;
        standIn.server().backend().failApi(93001, -1030, 2);
        AppDelegate delegate;
        delegate.setDelays(40, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);
        QCOMPARE(apisSent(standIn.server()).count(93001), 3);
        // Once they arrived nothing more is asked.
        QTest::qWait(150);
        QCOMPARE(apisSent(standIn.server()).count(93001), 3);
    }

    void connectionFailure_isRepeatedToo()
    {
        testsupport::StandIn standIn;
        standIn.server().failPath(QStringLiteral("user"), 0, 1);
        AppDelegate delegate;
        delegate.setDelays(40, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 8000);
    }

    void settingsArrived_thenSilentLoginWithTheSavedUser()
    {
        testsupport::StandIn standIn;
        AppDelegate delegate;
        delegate.setDelays(60000, 30, 60000);
        delegate.setIQuilorSDK(
            new QuilorSDK(standIn.baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"), &delegate));
        User* user = delegate.iQuilorSDK()->iUser();
        user->username = QStringLiteral("demo");
        user->password
            = QString::fromLatin1(QCryptographicHash::hash("demo1234", QCryptographicHash::Md5).toHex());
        delegate.applicationDidFinishLaunching(false);
        QTRY_COMPARE_WITH_TIMEOUT(user->qvmid, QStringLiteral("400031001"), 5000);
        QCOMPARE(user->power, QStringLiteral("4002"));
        const QList<int> apis = apisSent(standIn.server());
        QCOMPARE(apis.count(10000), 1);
        QVERIFY(apis.indexOf(93001) < apis.indexOf(10000));
    }

    void silentLogin_withoutSavedUser_sendsNothing()
    {
        testsupport::StandIn standIn;
        AppDelegate delegate;
        delegate.setDelays(60000, 10, 60000);
        delegate.applicationDidFinishLaunching(false);
        delegate.iQuilorSDK()->iUser()->username.clear();
        QVERIFY(!delegate.silentLogin());
        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);
        QTest::qWait(100);
        QVERIFY(!apisSent(standIn.server()).contains(10000));
    }

    void failedLogin_transportRetried_refusalNot()
    {
        testsupport::StandIn standIn;
        AppDelegate delegate;
        delegate.setDelays(60000, 10, 40);
        delegate.setIQuilorSDK(
            new QuilorSDK(standIn.baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"), &delegate));
        User* user = delegate.iQuilorSDK()->iUser();
        user->username = QStringLiteral("demo");
        user->password = QStringLiteral("0000");
        delegate.applicationDidFinishLaunching(false);
        // A wrong hash is refused by the server (-1003): asked once only.
        QTRY_VERIFY_WITH_TIMEOUT(apisSent(standIn.server()).contains(10000), 5000);
        QTest::qWait(200);
        QCOMPARE(apisSent(standIn.server()).count(10000), 1);

        // A failed connection is tried again after the pause.
        standIn.server().failPath(QStringLiteral("user"), 503, 1);
        user->password
            = QString::fromLatin1(QCryptographicHash::hash("demo1234", QCryptographicHash::Md5).toHex());
        QVERIFY(delegate.silentLogin());
        QTRY_COMPARE_WITH_TIMEOUT(user->qvmid, QStringLiteral("400031001"), 5000);
    }

    void mainWindow_hasQuitAndTheHomeScreen()
    {
        testsupport::StandIn standIn;
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching(true);
        QMainWindow* window = delegate.mainWindow();
        QVERIFY(window->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
        QCOMPARE(window->centralWidget(), delegate.mainViewController());
        QStringList items;
        for (QAction* menu : window->menuBar()->actions())
            for (QAction* item : menu->menu()->actions())
                items << item->text();
        QCOMPARE(items, (QStringList { QStringLiteral("退出岚石通"), QStringLiteral("岚石通VIP每日金股") }));
        QVERIFY(delegate.mainViewController()->zxgFatherView());
        QVERIFY(!testsupport::renderToPng(window, QStringLiteral("MainWindow")).isEmpty());
    }

    void dailyPicks_membersGetTheWindowOthersTheOffer_hiddenWhenSwitchedOff()
    {
        testsupport::StandIn standIn;
        MembershipWindows windows;
        AppDelegate delegate;
        delegate.setDelays(50, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);

        QAction* item = picksItem(delegate);
        QVERIFY(item);
        QVERIFY(item->isVisible());
        MainViewController* main = delegate.mainViewController();

        delegate.iQuilorSDK()->iUser()->power = QStringLiteral("4001");
        item->trigger();
        QVERIFY(main->findChild<platform::ViewController*>(QStringLiteral("offer")));
        QVERIFY(!main->findChild<platform::ViewController*>(QStringLiteral("picks")));

        delegate.iQuilorSDK()->iUser()->power = QStringLiteral("4002");
        item->trigger();
        QVERIFY(main->findChild<platform::ViewController*>(QStringLiteral("picks")));

        delegate.HttpResult(QVariantMap { { QStringLiteral("vipmacopen"), QStringLiteral("0") } },
            backend::kApiAppSetting, false);
        QVERIFY(!item->isVisible());
    }

    // A settings reply that names no switch turns membership off, also for
    // the next start.
    void settingsWithoutTheSwitch_turnMembershipOff()
    {
        platform::UserDefaults::standardUserDefaults()->setObject(
            QVariantMap { { QStringLiteral("vipmacopen"), QStringLiteral("1") } },
            QStringLiteral("appSettingDict"));
        testsupport::StandIn standIn;
        standIn.server().backend().setAppSetting(QStringLiteral("vipmacopen"), QString());
        standIn.server().backend().setAppSetting(QStringLiteral("User-Agent"), QString());
        AppDelegate delegate;
        delegate.setDelays(50, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QVERIFY(picksItem(delegate)->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);
        QVERIFY(!picksItem(delegate)->isVisible());
        QVERIFY(!membership::featuresOn(platform::UserDefaults::standardUserDefaults()
                                            ->objectForKey(QStringLiteral("appSettingDict"))
                                            .toMap()));
    }

    // "--user demo" with the password on standard input: the login is saved
    // for later starts and the members' picks open; a refused one says why.
    void userStart_savesTheLoginAndReachesTheMembersPicks_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("opened");
        QTest::newRow("the sample member") << QByteArray("demo1234\n") << 0 << QStringLiteral("picks");
        QTest::newRow("a wrong password") << QByteArray("demo\n") << 1 << QStringLiteral("offer");
    }
    void userStart_savesTheLoginAndReachesTheMembersPicks()
    {
        QFETCH(QByteArray, typed);
        QFETCH(int, status);
        QFETCH(QString, opened);
        testsupport::StandIn standIn;
        MembershipWindows windows;
        AppDelegate delegate;
        delegate.setDelays(50, 60000, 60000);
        QBuffer input(&typed);
        QVERIFY(input.open(QIODevice::ReadOnly));
        QString printed;
        QTextStream terminal(&printed);
        QCOMPARE(delegate.logInAs(QStringLiteral("demo"), input, terminal), status);
        QVERIFY(printed.startsWith(QStringLiteral("Password for demo: ")));
        User saved;
        QCOMPARE(saved.Load(QStringLiteral("demo")), status == 0);
        if (status == 0) {
            QCOMPARE(User::lastLoginName(), QStringLiteral("demo"));
            QCOMPARE(saved.password, backend::passwordHash(QStringLiteral("demo1234")));
        } else {
            QVERIFY(printed.contains(QStringLiteral("密码错误")));
        }

        delegate.applicationDidFinishLaunching(false);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);
        picksItem(delegate)->trigger();
        QVERIFY(delegate.mainViewController()->findChild<platform::ViewController*>(opened));
    }

    // The client's agent (a browser's unless the server's settings name a safe
    // one) goes out on the chart feeds, and a settings value that would add
    // a header is neither sent nor saved.
    void settingsAgent_isSentOnTheFeeds_unlessItCouldAddAHeader_data()
    {
        QTest::addColumn<QString>("stored"); // in the saved settings at start
        QTest::addColumn<QString>("served");
        QTest::addColumn<QString>("expected");
        const QString injected = QStringLiteral("Agent/1\r\nX-Injected: 1");
        QTest::newRow("none in the settings") << QString() << QString() << platform::defaultUserAgent();
        QTest::newRow("the server's agent") << QString() << QStringLiteral("LanShiTest/3.0 (Feeds)")
                                            << QStringLiteral("LanShiTest/3.0 (Feeds)");
        QTest::newRow("header injection in the reply")
            << QString() << injected << platform::defaultUserAgent();
        QTest::newRow("header injection in the saved settings")
            << injected << QString() << platform::defaultUserAgent();
    }
    void settingsAgent_isSentOnTheFeeds_unlessItCouldAddAHeader()
    {
        QFETCH(QString, stored);
        QFETCH(QString, served);
        QFETCH(QString, expected);
        if (!stored.isNull())
            platform::UserDefaults::standardUserDefaults()->setObject(
                QVariantMap { { QStringLiteral("User-Agent"), stored } }, QStringLiteral("appSettingDict"));
        testsupport::StandIn standIn;
        standIn.server().backend().setAppSetting(QStringLiteral("User-Agent"), served);
        AppDelegate delegate;
        delegate.setDelays(50, 60000, 60000);
        delegate.applicationDidFinishLaunching(false);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.appDict.contains(QStringLiteral("vipmacopen")), 5000);

        // A minute file from the time-share chart, a K-line year file from
        // the year-file cache.
        charts::pollTiming().yearCacheMs = 0;
        charts::YearFileCache::clear();
        standIn.server().clearRequestLog();
        platform::ViewController father;
        QWidget host;
        auto* chart = new timeLineView(QRect(0, 0, 800, 400),
            { { QStringLiteral("stockcode"), QStringLiteral("600000") } }, &father,
            [](const QVariantMap&) {});
        chart->setParent(&host);
        QObject context;
        bool yearDone = false;
        charts::YearFileCache::fetch(
            charts::klineYearUrl(charts::KLinePeriod::Day, 2024, QStringLiteral("0600000")), &context,
            [&](const std::optional<QByteArray>&) { yearDone = true; });
        const auto sentTo = [&](const QString& part) {
            const QStringList paths = standIn.server().requestLog();
            const auto headers = standIn.server().requestHeaderLog();
            for (qsizetype i = 0; i < paths.size() && i < headers.size(); ++i) {
                if (paths.at(i).contains(part))
                    return std::optional<QHash<QByteArray, QByteArray>>(headers.at(i));
            }
            return std::optional<QHash<QByteArray, QByteArray>>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(yearDone && sentTo(QStringLiteral("/data/hs/time/today/")), 10000);
        for (const QString& part : { QStringLiteral("/data/hs/time/today/0600000"),
                 QStringLiteral("/data/hs/kline/day/history/2024/0600000") }) {
            const auto headers = sentTo(part);
            QVERIFY2(headers, qPrintable(part));
            QCOMPARE(QString::fromLatin1(headers->value("user-agent")), expected);
            QVERIFY(!headers->contains("x-injected"));
        }
        QFile defaults(platform::UserDefaults::standardUserDefaults()->filePath());
        QVERIFY(defaults.open(QIODevice::ReadOnly));
        QVERIFY(!defaults.readAll().contains("X-Injected"));
    }
};

QTEST_MAIN(tst_AppDelegate)
#include "tst_AppDelegate.moc"
