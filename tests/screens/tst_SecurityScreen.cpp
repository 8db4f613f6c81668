#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "backend/HttpSession.h"
#include "backend/QuilorSDK.h"
#include "charts/StockChartView.h"
#include "market/MyStockGroup.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/NotificationCenter.h"
#include "platform/Values.h"
#include "platform/widgets/ControllerRegistry.h"
#include "screens/Registration.h"
#include "screens/SegmentedControl.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

#include <memory>

// Binding, lifecycle, replies and failures of both security screens against
// the stand-in server.
class TestSecurityScreen : public QObject {
    Q_OBJECT

private:
    ScreensTestEnv m_env;

    // Backend requests of one API the server has received so far (for one
    // code when given, so that late requests of earlier screens don't count).
    int requestsOf(int api, const QString& code = QString())
    {
        int count = 0;
        for (const QVariantMap& request : m_env.receivedRequests()) {
            if (platform::integerValue(request.value(QStringLiteral("api"))) != api)
                continue;
            if (code.isNull() || request.value(QStringLiteral("stockcode")).toString() == code)
                ++count;
        }
        return count;
    }

    static QVariant fixture(const char* name) { return jsonFixture(QStringLiteral("screens/"), name); }

    std::unique_ptr<SecurityViewController> makeScreen(bool index) { return makeSecurityScreen(index); }

private Q_SLOTS:
    void initTestCase()
    {
        m_env.start();
        SecurityViewController::setDayListRetryBaseMs(40);
    }

    void init()
    {
        m_env.delegate->appDict.clear();
        m_env.delegate->curSingleStockDict = nullptr;
        m_env.sdk->iUser()->power = QStringLiteral("4001");
    }

    void cleanupTestCase() { m_env.stop(); }

    // What each class queues for each binding selector, and in which order.
    void binding_queuesWorkPerClassAndSelector_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<bool>("indexSelector");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("queued");
        QTest::newRow("stock screen, stock selector")
            << false << false << QStringLiteral("600000") << QStringList { QStringLiteral("day") };
        QTest::newRow("stock screen, index selector (searched index)")
            << false << true << QStringLiteral("000001.idx") << QStringList { QStringLiteral("update") };
        QTest::newRow("index screen, index selector")
            << true << true << QStringLiteral("000001.idx")
            << QStringList { QStringLiteral("day"), QStringLiteral("update") };
        QTest::newRow("index screen, stock selector")
            << true << false << QStringLiteral("399001.idx") << QStringList { QStringLiteral("day") };
    }
    void binding_queuesWorkPerClassAndSelector()
    {
        QFETCH(bool, index);
        QFETCH(bool, indexSelector);
        QFETCH(QString, code);
        QFETCH(QStringList, queued);
        auto screen = makeScreen(index);
        QStringList seen;
        connect(screen.get(), &SecurityViewController::dayListRequested, this,
            [&seen]() { seen << QStringLiteral("day"); });
        connect(screen.get(), &SecurityViewController::updatedUI, this,
            [&seen]() { seen << QStringLiteral("update"); });
        if (indexSelector)
            screen->InitIndexByCode(code, m_env.sdk);
        else
            screen->InitStockByCode(code, m_env.sdk);
        QVERIFY(seen.isEmpty()); // queued, not done while binding
        QCoreApplication::sendPostedEvents();
        QCOMPARE(seen, queued);
        QCOMPARE(screen->curCode, code);
        QCOMPARE(screen->selfDict->value(QStringLiteral("stockcode")).toString(), code);
        QVERIFY(m_env.sdk->iStocks()->recordFor(code));
    }

    // The opening order through the registered identifiers: the right
    // class, bound before it is shown, the block handed over afterwards.
    void opening_registeredScreensFollowTheOpeningOrder_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("className");
        QTest::newRow("stock") << QString::fromLatin1(app::kStockScreenId) << QStringLiteral("600000")
                               << QStringLiteral("SingleStockViewController");
        QTest::newRow("index") << QString::fromLatin1(app::kIndexScreenId) << QStringLiteral("399006.idx")
                               << QStringLiteral("SingleIndexViewController");
    }
    void opening_registeredScreensFollowTheOpeningOrder()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, code);
        QFETCH(QString, className);
        screens::registerControllers();
        platform::ViewController opener;
        int reloads = 0;
        platform::ViewController* opened
            = app::openSecurityScreen(&opener, identifier, code, [&reloads]() { ++reloads; });
        auto* screen = qobject_cast<SecurityViewController*>(opened);
        QVERIFY(screen);
        QCOMPARE(QString::fromLatin1(screen->metaObject()->className()), className);
        QCOMPARE(screen->curCode, code);
        QVERIFY(screen->isVisible());
        QVERIFY(screen->currentChart());
        QVERIFY(screen->MyStockChanged);
        screen->MyStockChanged();
        QCOMPARE(reloads, 1);
        QTRY_VERIFY_WITH_TIMEOUT(screen->stocks.has_value(), 5000);
        QPointer<SecurityViewController> guard(screen);
        screen->close();
        QTRY_VERIFY(!guard); // a presented screen goes when it closes
    }

    void binding_onlyStockScreenNamesTheCompanyDataStock()
    {
        auto stock = makeScreen(false);
        stock->bindCode(QStringLiteral("600036"), m_env.sdk);
        QVERIFY(m_env.delegate->curSingleStockDict);
        QCOMPARE(
            m_env.delegate->curSingleStockDict, m_env.sdk->iStocks()->recordFor(QStringLiteral("600036")));
        QVERIFY(m_env.sdk->iStocks()->refreshQueue().contains(QStringLiteral("600036")));

        auto index = makeScreen(true);
        index->bindCode(QStringLiteral("399006.idx"), m_env.sdk);
        QCOMPARE(
            m_env.delegate->curSingleStockDict, m_env.sdk->iStocks()->recordFor(QStringLiteral("600036")));
    }

    void binding_withoutCodeStaysUnbound()
    {
        auto screen = makeScreen(false);
        QSignalSpy requested(screen.get(), &SecurityViewController::dayListRequested);
        const QStringList queueBefore = m_env.sdk->iStocks()->refreshQueue();
        screen->bindCode(QString(), m_env.sdk);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(requested.count(), 0);
        QVERIFY(screen->curCode.isNull());
        QVERIFY(!screen->selfDict);
        QCOMPARE(m_env.sdk->iStocks()->refreshQueue(), queueBefore);
        QVERIFY(!m_env.delegate->curSingleStockDict);
    }

    void dayList_fromServerThenTrendSummary()
    {
        auto screen = makeScreen(false);
        const int trendsBefore = requestsOf(backend::kApiStockTrend, QStringLiteral("601318"));
        screen->bindCode(QStringLiteral("601318"), m_env.sdk);
        QTRY_VERIFY_WITH_TIMEOUT(screen->stocks.has_value(), 5000);
        QCOMPARE(screen->stocks->size(), SecurityViewController::kDayListRows);
        QCOMPARE(screen->stocks->first().toMap().value(QStringLiteral("code")).toString(),
            QStringLiteral("601318"));
        QTRY_COMPARE_WITH_TIMEOUT(
            requestsOf(backend::kApiStockTrend, QStringLiteral("601318")), trendsBefore + 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(screen->treadDict.has_value(), 5000);
    }

    // Replies handed to the screen as the backend client hands them over; a
    // searched index on the stock screen asks for no day list of its own.
    void dayList_replies_data()
    {
        QTest::addColumn<QString>("fixtureName");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("trends");
        QTest::newRow("zero rows change nothing") << QStringLiteral("daylist_empty.json") << -1 << 0 << 0;
        QTest::newRow("not an array changes nothing")
            << QStringLiteral("daylist_not_array.json") << -1 << 0 << 0;
        QTest::newRow("one row redraws and asks the trend once")
            << QStringLiteral("daylist_one_row.json") << 1 << 1 << 1;
    }
    void dayList_replies()
    {
        QFETCH(QString, fixtureName);
        QFETCH(int, rows);
        QFETCH(int, updates);
        QFETCH(int, trends);
        auto screen = makeScreen(false);
        screen->InitIndexByCode(QStringLiteral("000001.idx"), m_env.sdk);
        QSignalSpy updated(screen.get(), &SecurityViewController::updatedUI);
        QTRY_COMPARE(updated.count(), 1); // the bound work
        updated.clear();
        const int trendsBefore = requestsOf(backend::kApiStockTrend, QStringLiteral("000001.idx"));

        screen->HttpResult(fixture(fixtureName.toLatin1().constData()), backend::kApiStockDay, false);
        if (trends > 0)
            QTRY_COMPARE_WITH_TIMEOUT(requestsOf(backend::kApiStockTrend, QStringLiteral("000001.idx")),
                trendsBefore + trends, 5000);
        else
            QTest::qWait(300);
        QCOMPARE(updated.count(), updates);
        QCOMPARE(requestsOf(backend::kApiStockTrend, QStringLiteral("000001.idx")), trendsBefore + trends);
        QCOMPARE(screen->stocks.has_value() ? int(screen->stocks->size()) : -1, rows);
    }

    void dayList_replyOfTheOtherScreensApiIsIgnored()
    {
        auto screen = makeScreen(false);
        screen->InitIndexByCode(QStringLiteral("000001.idx"), m_env.sdk);
        screen->HttpResult(fixture("daylist_one_row.json"), backend::kApiIndexDay, false);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!screen->stocks);
    }

    // A failed day list is asked again with doubling pauses, a bounded
    // number of times, and a success ends the series.
    void dayList_failures_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("filled");
        QTest::newRow("stock, two failures then rows") << false << 2 << 3 << true;
        // Six failures: the first request and every one of the five repeats.
        QTest::newRow("stock, failing throughout gives up") << false << 6 << 6 << false;
        QTest::newRow("index, failing throughout gives up") << true << 6 << 6 << false;
    }
    void dayList_failures()
    {
        QFETCH(bool, index);
        QFETCH(int, failures);
        QFETCH(int, requests);
        QFETCH(bool, filled);
        const int api = index ? backend::kApiIndexDay : backend::kApiStockDay;
        m_env.backend().failApi(api, -1, failures);
        auto screen = makeScreen(index);
        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        connect(
            screen.get(), &SecurityViewController::dayListRequested, this, [&]() { at << clock.elapsed(); });
        screen->bindCode(index ? QStringLiteral("399001.idx") : QStringLiteral("600004"), m_env.sdk);

        QTRY_COMPARE_WITH_TIMEOUT(int(at.size()), requests, 10000);
        if (filled)
            QTRY_VERIFY_WITH_TIMEOUT(screen->stocks.has_value(), 5000);
        // Longer than the last pause would be: nothing more is asked.
        QTest::qWait(
            SecurityViewController::dayListRetryBaseMs() << (SecurityViewController::kDayListRetries + 1));
        QCOMPARE(int(at.size()), requests);
        QCOMPARE(screen->stocks.has_value(), filled);
        for (int i = 1; i < at.size(); ++i) {
            const qint64 pause = at.at(i) - at.at(i - 1);
            const qint64 planned = qint64(SecurityViewController::dayListRetryBaseMs()) << (i - 1);
            QVERIFY2(pause >= planned * 9 / 10,
                qPrintable(QStringLiteral("pause %1 ms before attempt %2, planned %3 ms")
                               .arg(pause)
                               .arg(i + 1)
                               .arg(planned)));
        }
    }

    // "StockupDateOk" redraws only for the screen's own code, read from
    // "stockcode" or else "code" of the notification's record.
    void stockUpdate_data()
    {
        QTest::addColumn<QVariantMap>("record");
        QTest::addColumn<int>("updates");
        const QString code = QStringLiteral("600000");
        QTest::newRow("only \"code\", same") << QVariantMap { { QStringLiteral("code"), code } } << 1;
        QTest::newRow("only \"code\", other")
            << QVariantMap { { QStringLiteral("code"), QStringLiteral("600004") } } << 0;
        QTest::newRow("\"stockcode\", same") << QVariantMap { { QStringLiteral("stockcode"), code } } << 1;
        QTest::newRow("\"stockcode\" wins over \"code\"") << QVariantMap {
            { QStringLiteral("stockcode"), QStringLiteral("600004") }, { QStringLiteral("code"), code }
        } << 0;
        QTest::newRow("no code") << QVariantMap { { QStringLiteral("cprice"), QStringLiteral("10.30") } }
                                 << 0;
    }
    void stockUpdate()
    {
        QFETCH(QVariantMap, record);
        QFETCH(int, updates);
        auto screen = makeScreen(false);
        screen->InitIndexByCode(QStringLiteral("600000"), m_env.sdk);
        screen->show();
        QSignalSpy updated(screen.get(), &SecurityViewController::updatedUI);
        QTRY_VERIFY(updated.count() >= 2); // the bound work and the appearance
        // Only the queued work of the application runs from here on: a quote
        // reply of the store handled meanwhile would post its own update.
        QObject* app = QCoreApplication::instance();
        QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
        updated.clear();

        platform::NotificationCenter::defaultCenter()->postNotificationName(
            QStringLiteral("StockupDateOk"), QVariant::fromValue(platform::makeSharedDict(record)));
        QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
        QCOMPARE(updated.count(), updates);
        screen->close();
    }

    void trendChanged_twiceAsksTwice()
    {
        auto screen = makeScreen(false);
        screen->InitIndexByCode(QStringLiteral("000858"), m_env.sdk);
        screen->show();
        QVERIFY(!screen->iGoToVoteBtn->isEnabled());
        QTest::qWait(100);
        const int before = requestsOf(backend::kApiStockTrend, QStringLiteral("000858"));
        auto* center = platform::NotificationCenter::defaultCenter();
        center->postNotificationName(QStringLiteral("TrendChanged"));
        center->postNotificationName(QStringLiteral("TrendChanged"));
        QTRY_COMPARE_WITH_TIMEOUT(
            requestsOf(backend::kApiStockTrend, QStringLiteral("000858")), before + 2, 5000);
        // The first trend reply enables the vote button.
        QTRY_VERIFY_WITH_TIMEOUT(screen->iGoToVoteBtn->isEnabled(), 5000);
        QVERIFY(screen->treadDict.has_value());
        screen->close();
    }

    // The summary asked after the day list is held; a forecast made meanwhile
    // asks again and is answered first: the older answer, released last,
    // must not bring back "not yet forecast".
    void trendSummary_olderAnswerNeverReplacesNewer()
    {
        auto screen = makeScreen(false);
        m_env.standIn->server().holdApi(backend::kApiStockTrend);
        screen->bindCode(QStringLiteral("000651"), m_env.sdk);
        screen->show();
        QTRY_COMPARE_WITH_TIMEOUT(m_env.standIn->server().heldCount(), 1, 5000);
        m_env.backend().answerApi(backend::kApiStockTrend,
            R"({"code":"0","stockcode":"000651","risecount":"1","flatcount":"0","fallcount":"0",)"
            R"("totalcount":"1","curuservotecount":"1","curusertrend":"1"})");
        platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("TrendChanged"));
        const auto voted = [&screen]() {
            return screen->treadDict
                && screen->treadDict->value(QStringLiteral("curuservotecount")).toString()
                == QStringLiteral("1");
        };
        QTRY_VERIFY_WITH_TIMEOUT(voted(), 5000);
        m_env.standIn->server().releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(m_env.sdk->iHttpSession()->requestsInFlight(), 0, 5000);
        QCoreApplication::sendPostedEvents();
        QVERIFY(voted());
        screen->close();
    }

    void vipButton_data()
    {
        QTest::addColumn<QVariant>("vipmacopen");
        QTest::addColumn<QString>("power");
        QTest::addColumn<bool>("hidden");
        const QVariant off(QStringLiteral("0"));
        QTest::newRow("off, ordinary user") << off << QStringLiteral("4001") << true;
        QTest::newRow("off, platinum member") << off << QStringLiteral("4003") << false;
        QTest::newRow("off, level above 5000") << off << QStringLiteral("6000") << true;
        QTest::newRow("off, level 5000") << off << QStringLiteral("5000") << false;
        QTest::newRow("off, no level") << off << QString() << true;
        QTest::newRow("off as -1, ordinary user")
            << QVariant(QStringLiteral("-1")) << QStringLiteral("4001") << true;
        QTest::newRow("switch missing, ordinary user") << QVariant() << QStringLiteral("4001") << true;
        QTest::newRow("on, ordinary user")
            << QVariant(QStringLiteral("1")) << QStringLiteral("4001") << false;
        QTest::newRow("on, level above 5000")
            << QVariant(QStringLiteral("1")) << QStringLiteral("6000") << false;
    }
    void vipButton()
    {
        QFETCH(QVariant, vipmacopen);
        QFETCH(QString, power);
        QFETCH(bool, hidden);
        if (vipmacopen.isValid())
            m_env.delegate->appDict.insert(QStringLiteral("vipmacopen"), vipmacopen);
        m_env.sdk->iUser()->power = power;
        auto screen = makeScreen(false);
        screen->InitIndexByCode(QStringLiteral("600000"), m_env.sdk);
        screen->show();
        QCOMPARE(screen->iGoToVIPBtn->isHidden(), hidden);
        screen->close();
    }

    void window_titleAndFixedSize_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QString>("title");
        QTest::newRow("stock") << false << QStringLiteral("岚石通个股数据");
        QTest::newRow("index") << true << QStringLiteral("岚石通指数数据");
    }
    void window_titleAndFixedSize()
    {
        QFETCH(bool, index);
        QFETCH(QString, title);
        auto screen = makeScreen(index);
        screen->bindCode(index ? QStringLiteral("000001.idx") : QStringLiteral("600000"), m_env.sdk);
        screen->show();
        QCOMPARE(screen->windowTitle(), title);
        const QSize fixed(1242, 573);
        QCOMPARE(screen->size(), fixed);
        for (const QSize& asked : { QSize(800, 600), QSize(1600, 900), QSize(1242, 574), QSize(0, 0) }) {
            QCOMPARE(screen->windowWillResize(asked), fixed);
            screen->resize(asked);
            QCOMPARE(screen->size(), fixed);
        }
        screen->close();
    }

    // Closing stops every chart and every notification handler; the quote
    // store keeps the record and keeps refreshing it.
    void close_stopsChartsAndNotificationsButStoreKeepsRecord()
    {
        auto screen = makeScreen(false);
        screen->bindCode(QStringLiteral("600519"), m_env.sdk);
        screen->show();
        QPointer<StockChartView> chart = screen->currentChart();
        QVERIFY(chart);
        QVERIFY(!chart->isSelfHiden());
        QTRY_VERIFY(screen->stocks.has_value());
        // The trend summary that follows the day list is in, so none is in flight.
        QTRY_VERIFY_WITH_TIMEOUT(screen->treadDict.has_value(), 5000);
        QSignalSpy updated(screen.get(), &SecurityViewController::updatedUI);
        QSignalSpy stopped(chart.data(), &QObject::destroyed);
        auto* center = platform::NotificationCenter::defaultCenter();
        const int observers = center->observerCount(QStringLiteral("StockupDateOk"));

        screen->close();
        QVERIFY(!screen->currentChart());
        QCOMPARE(center->observerCount(QStringLiteral("StockupDateOk")), observers - 1);
        QTRY_COMPARE(stopped.count(), 1);
        QVERIFY(!chart);

        QCoreApplication::sendPostedEvents();
        updated.clear();
        const int trends = requestsOf(backend::kApiStockTrend, QStringLiteral("600519"));
        center->postNotificationName(QStringLiteral("StockupDateOk"),
            QVariant::fromValue(
                platform::makeSharedDict({ { QStringLiteral("stockcode"), QStringLiteral("600519") } })));
        center->postNotificationName(QStringLiteral("TrendChanged"));
        QTest::qWait(200);
        QCOMPARE(updated.count(), 0);
        QCOMPARE(requestsOf(backend::kApiStockTrend, QStringLiteral("600519")), trends);
        QVERIFY(m_env.sdk->iStocks()->recordFor(QStringLiteral("600519")));
        QVERIFY(m_env.sdk->iStocks()->refreshQueue().contains(QStringLiteral("600519")));
        QVERIFY(screen->stocks.has_value()); // the day list stays

        // Shown again, the screen appears in full once more.
        screen->show();
        QVERIFY(screen->currentChart());
        QCOMPARE(center->observerCount(QStringLiteral("StockupDateOk")), observers);
        screen->close();
    }

    void groupReplies_runBlockThenRetitle()
    {
        auto screen = makeScreen(false);
        screen->bindCode(QStringLiteral("600000"), m_env.sdk);
        QStringList order;
        screen->setMyStockChanged([&]() { order << QStringLiteral("block:") + screen->addBtn->text(); });
        m_env.sdk->iMyStockGroup()->setIGroupStockDict({ { QStringLiteral("600000"), QVariantMap() } });
        screen->HttpResult(
            QVariantMap { { QStringLiteral("data"), QVariantList() } }, backend::kApiAddStockToGroup, false);
        QTRY_COMPARE(screen->addBtn->text(), QStringLiteral("删除自选"));
        QCOMPARE(order, QStringList { QStringLiteral("block:加自选") });

        m_env.sdk->iMyStockGroup()->setIGroupStockDict({});
        screen->HttpResult(QVariantMap(), backend::kApiDelStockFromGroup, false);
        QTRY_COMPARE(screen->addBtn->text(), QStringLiteral("加自选"));
        QCOMPARE(order.size(), 2);
    }

    void groupFailures_showTheirAlerts()
    {
        testsupport::AlertRecorder alerts;
        auto screen = makeScreen(false);
        // A stock the group does not hold yet.
        screen->bindCode(QStringLiteral("600036"), m_env.sdk);
        bool blockRan = false;
        screen->setMyStockChanged([&]() { blockRan = true; });
        const QString title = screen->addBtn->text();

        m_env.backend().failApi(backend::kApiAddStockToGroup, -1, 1);
        screen->groupItemDict = { { QStringLiteral("id"), QStringLiteral("1") },
            { QStringLiteral("userstockgroupname"), QStringLiteral("自选股") } };
        screen->DoAddStockToGroup();
        QTRY_COMPARE_WITH_TIMEOUT(
            alerts.messages(), QStringList { QStringLiteral("网络不给力，添加自选股失败，请重试!") }, 5000);
        QCOMPARE(alerts.alerts.first().buttons.value(0, QStringLiteral("确定")), QStringLiteral("确定"));

        screen->HttpEvent(
            backend::kCodeConnectionFailed, QStringLiteral("timed out"), backend::kApiDelStockFromGroup);
        QTRY_COMPARE(alerts.messages().size(), 2);
        QCOMPARE(alerts.messages().last(), QStringLiteral("网络不给力，删除自选股失败，请重试!"));

        // A failed trend request shows nothing.
        screen->HttpEvent(500, QStringLiteral("server"), backend::kApiStockTrend);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(alerts.messages().size(), 2);
        QVERIFY(!blockRan);
        QCOMPARE(screen->addBtn->text(), title);
    }
};

QTEST_MAIN(TestSecurityScreen)
#include "tst_SecurityScreen.moc"
