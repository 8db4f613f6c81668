#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "account/Registration.h"
#include "app/AppDelegate.h"
#include "app/SecurityScreen.h"
#include "backend/QuilorSDK.h"
#include "community/InputStockTrendViewController.h"
#include "community/Registration.h"
#include "community/StockVoteViewController.h"
#include "market/MyStockGroup.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/Values.h"
#include "platform/widgets/ControllerRegistry.h"
#include "screens/F10ViewController.h"
#include "screens/Registration.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "screens/stockHistoryViewController.h"
#include "screens/stockIDXHistoryViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"
#include "watchlist/Registration.h"
#include "watchlist/VIPViewController.h"

#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <memory>

// The action buttons of both security screens: the add-to-group menu and
// its request, the trend button, the members' recent-days button and F10,
// against the stand-in server.
class TestSecurityActions : public QObject {
    Q_OBJECT

private:
    ScreensTestEnv m_env;

    // Requests of `api` for `code` the server has received, oldest first.
    QList<QVariantMap> requestsOf(int api, const QString& code)
    {
        QList<QVariantMap> found;
        for (const QVariantMap& request : m_env.receivedRequests()) {
            if (platform::integerValue(request.value(QStringLiteral("api"))) == api
                && request.value(QStringLiteral("stockcode")).toString() == code)
                found << request;
        }
        return found;
    }
    QList<QVariantMap> addRequests(const QString& code)
    {
        return requestsOf(backend::kApiAddStockToGroup, code);
    }

    // The guest's two groups on the server and one the server does not know.
    static QVariantList threeGroups()
    {
        auto group = [](const char* id, const QString& name, const char* order) {
            return QVariantMap { { QStringLiteral("id"), QString::fromLatin1(id) },
                { QStringLiteral("userstockgroupname"), name },
                { QStringLiteral("userstockgrouporder"), QString::fromLatin1(order) } };
        };
        return { group("1", QStringLiteral("自选股"), "0"), group("2", QStringLiteral("股票组2"), "1"),
            group("9", QStringLiteral("股票组9"), "2") };
    }

    std::unique_ptr<SecurityViewController> bound(bool index, const QString& code)
    {
        std::unique_ptr<SecurityViewController> screen = makeSecurityScreen(index);
        screen->bindCode(code, m_env.sdk);
        return screen;
    }

    template <typename T> static QList<T*> windowsOf(QWidget* screen)
    {
        return screen->findChildren<T*>(QString(), Qt::FindDirectChildrenOnly);
    }

    static QVariantList dayRows()
    {
        return jsonFixture(QStringLiteral("screens/"), "daylist_one_row.json").toList();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env.start();
        SecurityViewController::setDayListRetryBaseMs(40);
        RecentDaysViewController::setDelays(10, 40);
        screens::registerControllers();
        community::registerControllers();
        account::registerControllers();
        watchlist::registerControllers();
    }

    void init()
    {
        m_env.delegate->appDict.clear();
        m_env.sdk->iUser()->power = QStringLiteral("4001");
        MyStockGroup* groups = m_env.sdk->iMyStockGroup();
        groups->setIGroupArray({});
        groups->setICurIdx(0);
        groups->setIGroupStockDict({});
    }

    void cleanupTestCase() { m_env.stop(); }

    void addMenu_listsGroupsInOrderOrTheLoneItem_data()
    {
        QTest::addColumn<QVariantList>("groups");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("no groups") << QVariantList() << QStringList { QStringLiteral("自选股") };
        QTest::newRow("three groups, no lone item")
            << threeGroups()
            << QStringList { QStringLiteral("自选股"), QStringLiteral("股票组2"), QStringLiteral("股票组9") };
        QVariantList reordered = threeGroups();
        reordered.move(2, 0);
        QTest::newRow("array order, not group order")
            << reordered
            << QStringList { QStringLiteral("股票组9"), QStringLiteral("自选股"), QStringLiteral("股票组2") };
    }
    void addMenu_listsGroupsInOrderOrTheLoneItem()
    {
        QFETCH(QVariantList, groups);
        QFETCH(QStringList, items);
        testsupport::MenuRecorder menus;
        m_env.sdk->iMyStockGroup()->setIGroupArray(groups);
        auto screen = bound(false, QStringLiteral("600036"));
        QTest::mouseClick(screen->addBtn, Qt::LeftButton);
        QCOMPARE(menus.shown.size(), 1);
        QCOMPARE(menus.shown.first(), items);
    }

    // The menu is the "ADD" menu of the add button on both screens, and each
    // item carries its group index (the lone item "all") for the handler.
    void addMenu_titleViewAndItemKeys_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QVariantList>("groups");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("stock, no groups") << false << QVariantList() << QStringList { QStringLiteral("all") };
        QTest::newRow("stock, three groups")
            << false << threeGroups()
            << QStringList { QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2") };
        QTest::newRow("index, three groups")
            << true << threeGroups()
            << QStringList { QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2") };
    }
    void addMenu_titleViewAndItemKeys()
    {
        QFETCH(bool, index);
        QFETCH(QVariantList, groups);
        QFETCH(QStringList, keys);
        struct Capture : platform::MenuPresenter {
            Capture() { platform::setMenuPresenter(this); }
            ~Capture() override { platform::setMenuPresenter(nullptr); }
            void popUp(QMenu* menu, const QPoint&, QWidget* shownFor) override
            {
                title = menu->title();
                view = shownFor;
                for (QAction* action : menu->actions())
                    keys << action->data().toString();
            }
            QString title;
            QWidget* view = nullptr;
            QStringList keys;
        } capture;
        m_env.sdk->iMyStockGroup()->setIGroupArray(groups);
        auto screen = bound(index, index ? QStringLiteral("000001.idx") : QStringLiteral("600036"));
        screen->addBtnPressed();
        QCOMPARE(capture.title, QStringLiteral("ADD"));
        QCOMPARE(capture.view, screen->addBtn);
        QCOMPARE(capture.keys, keys);
    }

    // Choosing an item sends the add for that group with order and alerts
    // "0"; the reply runs the opener's block, then re-titles the button
    // from the current group's member map.
    void addMenu_choosingAGroup_data()
    {
        QTest::addColumn<QVariantList>("groups");
        QTest::addColumn<QString>("code"); // new to the chosen group
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("stockname"); // null: the record has none yet
        QTest::addColumn<bool>("listReloadAddsIt"); // the block files the stock in the member map
        QTest::addColumn<QString>("sentGroupId"); // null: nothing sent
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("reorderedWhileOpen");
        const QString layoutTitle = QStringLiteral("加自选");
        const QString code = QStringLiteral("600036");
        QTest::newRow("second of three, another group than the list's")
            << threeGroups() << code << QStringLiteral("股票组2") << QStringLiteral("招商银行") << false
            << QStringLiteral("2") << QString() << QStringLiteral("加自选") << false;
        QTest::newRow("the list's group, which then holds it")
            << threeGroups() << code << QStringLiteral("自选股") << QStringLiteral("招商银行") << true
            << QStringLiteral("1") << QString() << QStringLiteral("删除自选") << false;
        // The list's reload, started by the block, lands later: the add
        // itself tells that the list's group now holds the stock.
        QTest::newRow("the list's group, its reload still on its way")
            << threeGroups() << QStringLiteral("601166") << QStringLiteral("自选股")
            << QStringLiteral("兴业银行") << false << QStringLiteral("1") << QString()
            << QStringLiteral("删除自选") << false;
        QTest::newRow("record not named yet: sent without a name")
            << threeGroups() << QStringLiteral("600887") << QStringLiteral("股票组2") << QString() << false
            << QStringLiteral("2") << QString() << QStringLiteral("加自选") << false;
        QTest::newRow("lone item of a user without groups does nothing")
            << QVariantList() << code << QStringLiteral("自选股") << QStringLiteral("招商银行") << false
            << QString() << QString() << layoutTitle << false;
        QTest::newRow("group the server no longer has: said so, title kept, nothing added")
            << threeGroups() << code << QStringLiteral("股票组9") << QStringLiteral("招商银行") << false
            << QString() << QStringLiteral("这个分组已经不存在了!") << layoutTitle << false;
        QTest::newRow("groups reordered while the menu was open: the group of the name chosen")
            << threeGroups() << QStringLiteral("600887") << QStringLiteral("自选股")
            << QStringLiteral("伊利股份") << false << QStringLiteral("1") << QString()
            << QStringLiteral("加自选") << true;
    }
    void addMenu_choosingAGroup()
    {
        QFETCH(QVariantList, groups);
        QFETCH(QString, code);
        QFETCH(QString, choice);
        QFETCH(QString, stockname);
        QFETCH(bool, listReloadAddsIt);
        QFETCH(QString, sentGroupId);
        QFETCH(QString, alert);
        QFETCH(QString, title);
        QFETCH(bool, reorderedWhileOpen);
        testsupport::MenuRecorder menus;
        testsupport::AlertRecorder alerts;
        MyStockGroup* model = m_env.sdk->iMyStockGroup();
        model->setIGroupArray(groups);
        auto screen = bound(false, code);
        QVariantMap record { { QStringLiteral("stockcode"), code } };
        if (!stockname.isNull())
            record.insert(QStringLiteral("stockname"), stockname);
        screen->selfDict = platform::makeSharedDict(record);
        int blocks = 0;
        screen->setMyStockChanged([&]() {
            ++blocks;
            if (listReloadAddsIt)
                model->setIGroupStockDict(
                    { { code, QVariantMap { { QStringLiteral("stockcode"), code } } } });
        });
        const int before = addRequests(code).size();

        menus.choice = QStringList { choice };
        if (reorderedWhileOpen) {
            QVariantList reversed;
            for (const QVariant& group : groups)
                reversed.prepend(group);
            menus.whileOpen = [model, reversed]() { model->setIGroupArray(reversed); };
        }
        screen->addBtnPressed();
        if (sentGroupId.isNull() && alert.isNull()) {
            QTest::qWait(200);
            QCOMPARE(addRequests(code).size(), before);
            QCOMPARE(blocks, 0);
            QVERIFY(alerts.messages().isEmpty());
            QCOMPARE(screen->addBtn->text(), title);
            return;
        }
        QCOMPARE(screen->groupItemDict, groups.at(menus.shown.first().indexOf(choice)).toMap());
        if (alert.isNull())
            QTRY_COMPARE_WITH_TIMEOUT(blocks, 1, 5000);
        else
            QTRY_COMPARE_WITH_TIMEOUT(alerts.messages(), QStringList { alert }, 5000);
        QCOMPARE(screen->addBtn->text(), title);
        QCOMPARE(blocks, alert.isNull() ? 1 : 0);

        const QList<QVariantMap> sent = addRequests(code);
        if (sentGroupId.isNull()) {
            QCOMPARE(sent.size(), before);
            return;
        }
        QCOMPARE(sent.size(), before + 1);
        const QVariantMap request = sent.last();
        QCOMPARE(request.value(QStringLiteral("userstockgroupid")).toString(), sentGroupId);
        QCOMPARE(request.value(QStringLiteral("userstockorder")).toString(), QStringLiteral("0"));
        for (const char* key : { "lprice", "hprice", "vprice" })
            QCOMPARE(request.value(QString::fromLatin1(key)).toString(), QStringLiteral("0"));
        QCOMPARE(request.contains(QStringLiteral("stockname")), !stockname.isNull());
        if (!stockname.isNull())
            QCOMPARE(request.value(QStringLiteral("stockname")).toString(), stockname);
    }

    // Adding a stock that a group already holds, the one the list shows or
    // another, tells the user so and leaves the stock's order and price
    // alerts on the server as they are.
    void addToGroup_memberStaysAsItIs_data()
    {
        QTest::addColumn<int>("current"); // the list's group
        QTest::newRow("a group the list does not show") << 1;
        QTest::newRow("the list's group") << 0;
    }
    void addToGroup_memberStaysAsItIs()
    {
        QFETCH(int, current);
        const QString code = QStringLiteral("600519");
        standin::StandInServer& server = m_env.standIn->server();
        const int set = addRequests(code).size();
        m_env.sdk->addStockToGroup(code, QString(), QString(), QStringLiteral("1"), QStringLiteral("1400.00"),
            QStringLiteral("0"), QStringLiteral("1650.50"), nullptr, nullptr);
        QTRY_COMPARE(addRequests(code).size(), set + 1);
        const QVariantList stored = testsupport::storedMembers(server, QStringLiteral("1"));
        MyStockGroup* model = m_env.sdk->iMyStockGroup();
        model->setIGroupArray(threeGroups());
        model->setICurIdx(current);
        testsupport::MenuRecorder menus;
        testsupport::AlertRecorder alerts;
        auto screen = bound(false, code);
        int blocks = 0;
        screen->setMyStockChanged([&blocks]() { ++blocks; });
        const int before = addRequests(code).size();

        menus.choice = QStringList { QStringLiteral("自选股") };
        screen->addBtnPressed();
        QTRY_COMPARE_WITH_TIMEOUT(
            alerts.messages(), QStringList { QStringLiteral("目标组已经存在这支股票!") }, 5000);
        QCOMPARE(addRequests(code).size(), before);
        QCOMPARE(testsupport::storedMembers(server, QStringLiteral("1")), stored);
        QCOMPARE(blocks, 0);
    }

    // A group without an id sends nothing; the user hears of it.
    void addToGroup_notSentIsReported()
    {
        testsupport::AlertRecorder alerts;
        const QString code = QStringLiteral("600036");
        auto screen = bound(false, code);
        const int before = addRequests(code).size();
        screen->groupItemDict = { { QStringLiteral("userstockgroupname"), QStringLiteral("自选股") } };
        screen->DoAddStockToGroup();
        QCOMPARE(alerts.messages(), QStringList { QStringLiteral("网络不给力，添加自选股失败，请重试!") });
        QTest::qWait(100);
        QCOMPARE(addRequests(code).size(), before);
    }

    // The user closes the window before the add is answered: the opener's
    // list is still reloaded, or the failure still reported over the opener.
    void addToGroup_replyAfterTheWindowClosed_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("added") << 1 << true;
        QTest::newRow("group the server no longer has") << 2 << false;
    }
    void addToGroup_replyAfterTheWindowClosed()
    {
        QFETCH(int, group);
        QFETCH(bool, succeeds);
        testsupport::AlertRecorder alerts;
        m_env.sdk->iMyStockGroup()->setIGroupArray(threeGroups());
        platform::ViewController opener;
        int reloads = 0;
        QPointer<platform::ViewController> screen = app::openSecurityScreen(&opener,
            QString::fromLatin1(app::kStockScreenId), QStringLiteral("000858"), [&reloads]() { ++reloads; });
        QVERIFY(screen);
        auto* security = qobject_cast<SecurityViewController*>(screen.data());
        security->groupItemDict = threeGroups().at(group).toMap();
        security->DoAddStockToGroup();
        // Gone before any reply can have come in.
        screen->close();
        delete screen.data();
        if (succeeds) {
            QTRY_COMPARE_WITH_TIMEOUT(reloads, 1, 10000);
            QVERIFY(alerts.messages().isEmpty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(
                alerts.messages(), QStringList { QStringLiteral("这个分组已经不存在了!") }, 10000);
            QCOMPARE(reloads, 0);
        }
    }

    // The VIP button does what the main menu's membership entry does.
    void vipButton_opensWhatTheMembershipEntryOpens_data()
    {
        QTest::addColumn<QString>("power");
        QTest::addColumn<bool>("picks");
        QTest::newRow("ordinary user: offer") << QStringLiteral("4001") << false;
        QTest::newRow("paying member: daily picks") << QStringLiteral("4002") << true;
    }
    void vipButton_opensWhatTheMembershipEntryOpens()
    {
        QFETCH(QString, power);
        QFETCH(bool, picks);
        m_env.delegate->appDict.insert(QStringLiteral("vipmacopen"), QStringLiteral("1"));
        m_env.sdk->iUser()->power = power;
        auto screen = bound(false, QStringLiteral("600036"));
        screen->show();
        QVERIFY(screen->iGoToVIPBtn->isVisible());
        QTest::mouseClick(screen->iGoToVIPBtn, Qt::LeftButton);
        QCOMPARE(windowsOf<VIPViewController>(screen.get()).size(), picks ? 1 : 0);
        QCOMPARE(
            screen->findChildren<platform::ViewController*>(QStringLiteral("GoVIPViewController")).size(),
            picks ? 0 : 1);
        screen->close();
    }

    void trendButton_data()
    {
        QTest::addColumn<QString>("votes"); // null: no trend summary yet
        QTest::addColumn<bool>("voteWindow");
        QTest::newRow("no summary yet: forecast dialog") << QString() << false;
        QTest::newRow("not forecast today: forecast dialog") << QStringLiteral("0") << false;
        QTest::newRow("forecast today: vote window") << QStringLiteral("1") << true;
    }
    void trendButton()
    {
        QFETCH(QString, votes);
        QFETCH(bool, voteWindow);
        const QString code = QStringLiteral("600519");
        auto screen = bound(false, code);
        if (!votes.isNull())
            screen->treadDict = QVariantMap { { QStringLiteral("curuservotecount"), votes } };
        screen->GotoGetTrend();
        const auto forecast = windowsOf<InputStockTrendViewController>(screen.get());
        const auto vote = windowsOf<StockVoteViewController>(screen.get());
        QCOMPARE(forecast.size(), voteWindow ? 0 : 1);
        QCOMPARE(vote.size(), voteWindow ? 1 : 0);
        if (voteWindow) {
            QVERIFY(vote.first()->isVisible());
            QCOMPARE(vote.first()->stockcode(), code);
        } else {
            QVERIFY(forecast.first()->isVisible());
            QCOMPARE(forecast.first()->stockcode(), code);
        }
    }

    // The trend button as the user meets it: enabled by the server's
    // summary, which says no forecast was sent today.
    void trendButton_afterServerSummaryOpensForecast()
    {
        auto screen = bound(false, QStringLiteral("000858"));
        screen->show();
        QTRY_VERIFY_WITH_TIMEOUT(screen->iGoToVoteBtn->isEnabled(), 5000);
        QTest::mouseClick(screen->iGoToVoteBtn, Qt::LeftButton);
        QCOMPARE(windowsOf<InputStockTrendViewController>(screen.get()).size(), 1);
        screen->close();
    }

    // The members' gate of the recent-days button and what the table gets.
    void recentDays_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QVariant>("vipmacopen");
        QTest::addColumn<QString>("power");
        QTest::addColumn<bool>("withDayList");
        QTest::addColumn<QString>("opens"); // "", "offer" or "table"
        const QVariant on(QStringLiteral("1"));
        const QVariant off(QStringLiteral("0"));
        const QString offer = QStringLiteral("offer");
        const QString table = QStringLiteral("table");
        QTest::newRow("on, ordinary user: offer") << false << on << QStringLiteral("4001") << true << offer;
        QTest::newRow("on, member with rows: table with them")
            << false << on << QStringLiteral("4002") << true << table;
        QTest::newRow("on, member before the day list: table loads its own")
            << false << on << QStringLiteral("4002") << false << table;
        QTest::newRow("on, level above 5000: offer")
            << false << on << QStringLiteral("6000") << true << offer;
        QTest::newRow("on, no level: offer") << false << on << QString() << true << offer;
        QTest::newRow("off, ordinary user: nothing")
            << false << off << QStringLiteral("4001") << true << QString();
        QTest::newRow("off, level 5000: offer") << false << off << QStringLiteral("5000") << true << offer;
        QTest::newRow("off, member: table") << false << off << QStringLiteral("4003") << true << table;
        QTest::newRow("off, level above 5000: nothing")
            << false << off << QStringLiteral("6000") << true << QString();
        QTest::newRow("off as -1, no level: nothing")
            << false << QVariant(QStringLiteral("-1")) << QString() << true << QString();
        QTest::newRow("off, level 0: offer") << false << off << QStringLiteral("0") << true << offer;
        QTest::newRow("switch missing, member: table")
            << false << QVariant() << QStringLiteral("4003") << false << table;
        QTest::newRow("index screen, member: index table")
            << true << on << QStringLiteral("4004") << true << table;
        QTest::newRow("index screen, off, ordinary user: nothing")
            << true << off << QStringLiteral("4001") << true << QString();
    }
    void recentDays()
    {
        QFETCH(bool, index);
        QFETCH(QVariant, vipmacopen);
        QFETCH(QString, power);
        QFETCH(bool, withDayList);
        QFETCH(QString, opens);
        if (vipmacopen.isValid())
            m_env.delegate->appDict.insert(QStringLiteral("vipmacopen"), vipmacopen);
        m_env.sdk->iUser()->power = power;
        const QString code = index ? QStringLiteral("399001.idx") : QStringLiteral("601318");
        auto screen = bound(index, code);
        // The bound day list is still queued: the rows are what the test says.
        if (withDayList)
            screen->stocks = dayRows();
        QTest::mouseClick(screen->historyBtn, Qt::LeftButton);

        const auto offers
            = screen->findChildren<platform::ViewController*>(QStringLiteral("GoVIPViewController"));
        const auto tables = windowsOf<RecentDaysViewController>(screen.get());
        QCOMPARE(offers.size(), opens == QStringLiteral("offer") ? 1 : 0);
        QCOMPARE(tables.size(), opens == QStringLiteral("table") ? 1 : 0);
        if (tables.isEmpty())
            return;
        RecentDaysViewController* opened = tables.first();
        QVERIFY(opened->isVisible());
        QCOMPARE(QString::fromLatin1(opened->metaObject()->className()),
            index ? QStringLiteral("stockIDXHistoryViewController")
                  : QStringLiteral("stockHistoryViewController"));
        QCOMPARE(opened->curCode, code);
        QCOMPARE(opened->stockDicts.has_value(), withDayList);
        if (withDayList) {
            QCOMPARE(*opened->stockDicts, dayRows());
        } else {
            QSignalSpy requested(opened, &RecentDaysViewController::dayListRequested);
            QVERIFY(requested.wait(5000));
        }
    }

    // F10 opens the company data of the screen whose button was pressed,
    // even when another stock screen was bound after it.
    void f10_opensTheCompanyDataOfThisScreen()
    {
        auto first = bound(false, QStringLiteral("600036"));
        auto second = bound(false, QStringLiteral("000002"));
        const StockQuoteDict firstRecord = m_env.sdk->iStocks()->recordFor(QStringLiteral("600036"));
        QCOMPARE(
            m_env.delegate->curSingleStockDict, m_env.sdk->iStocks()->recordFor(QStringLiteral("000002")));

        auto* button = first->findChild<QPushButton*>(QStringLiteral("F10Btn"));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        const auto windows = windowsOf<F10ViewController>(first.get());
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first()->isVisible());
        QCOMPARE(m_env.delegate->curSingleStockDict, firstRecord);
        QVERIFY(windowsOf<F10ViewController>(second.get()).isEmpty());
        // The index screen has no F10 button.
        auto index = bound(true, QStringLiteral("000001.idx"));
        QVERIFY(!index->findChild<QPushButton*>(QStringLiteral("F10Btn")));
    }

    void inertActions_sendAndOpenNothing()
    {
        testsupport::AlertRecorder alerts;
        m_env.sdk->iMyStockGroup()->setIGroupArray(threeGroups());
        m_env.sdk->iMyStockGroup()->setIGroupStockDict({ { QStringLiteral("000001.idx"), QVariantMap() } });
        auto index = bound(true, QStringLiteral("000001.idx"));
        index->deleteStockFromCurGroup();
        static_cast<SingleIndexViewController*>(index.get())->CalculatorBtnPressed();
        QTest::qWait(100);
        QVERIFY(requestsOf(backend::kApiDelStockFromGroup, QStringLiteral("000001.idx")).isEmpty());
        QVERIFY(addRequests(QStringLiteral("000001.idx")).isEmpty());
        QVERIFY(
            index->findChildren<platform::ViewController*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
        QVERIFY(alerts.messages().isEmpty());
    }
};

QTEST_MAIN(TestSecurityActions)
#include "tst_SecurityActions.moc"
