#include "BackendRelay.h"
#include "WatchlistTestEnv.h"
#include "app/MainViewController.h"
#include "app/SecurityScreen.h"
#include "app/ZXGFatherView.h"
#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "backend/User.h"
#include "market/MyStockGroup.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Colors.h"
#include "screens/SingleStockViewController.h"
#include "watchlist/MyStockTableCell.h"
#include "watchlist/MystockViewController.h"
#include "watchlist/PopUpButton.h"
#include "watchlist/Registration.h"
#include "watchlist/ZXGView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QWindow>

namespace {
const QString kSavedRows = QStringLiteral("GroupStockstableArray");

// A security screen that only records how it was opened.
class RecordingScreen : public platform::ViewController, public SecurityScreen {
public:
    static inline QStringList opened;
    static inline std::function<void()> lastBlock;
    explicit RecordingScreen(const QString& kind)
        : m_kind(kind)
    {
    }
    void bindCode(const QString& code, QuilorSDK*) override { opened << m_kind + QLatin1Char(':') + code; }
    void setMyStockChanged(std::function<void()> block) override { lastBlock = std::move(block); }

private:
    QString m_kind;
};

QStringList codes(const QVariantList& rows)
{
    QStringList result;
    for (const QVariant& row : rows)
        result << row.toMap().value(QStringLiteral("stockcode")).toString();
    return result;
}

platform::UserDefaults* defaults()
{
    return platform::UserDefaults::standardUserDefaults();
}
} // namespace

class tst_ZXGView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void setUp_loadsCurrentGroup();
    void choosingGroup_loadsAndPersistsIt();
    void noGroups_placeholderDoesNothingAndSavedRowsStay();
    void backendDown_keepsSavedRowsAndReloadsWhenUp();
    void lateGroupReply_afterSwitch_isDropped();
    void deleteCurrentGroupAtIndexZero();
    void deleteLastGroup_emptyDataChangesNothing();
    void deleteConfirmation_cancelSendsNothing();
    void deleteFailure_alerts();
    void drag_dropRowArithmetic_data();
    void drag_dropRowArithmetic();
    void drag_fromAnotherTableRefused();
    void doubleClick_opensByCodeLength_data();
    void doubleClick_opensByCodeLength();
    void rowEvents_reloadGroup();
    void deletedRow_openScreenKeepsItsQuotes();
    void login_retriedAfterDelayNeverAtOnce();
    void table_onlyVisibleRowsLive();
    void gotoVIP_andBack_inTheApplicationLoop();
    void render_mainWindowWithGroup();

private:
    ZXGView* setUpPanel();
    QuilorSDK* clientThrough(const BackendRelay& relay);
    void waitForRows(int count);

    std::unique_ptr<WatchlistTestEnv> m_env;
    std::unique_ptr<platform::ViewController> m_host;
    ZXGView* m_panel = nullptr;
};

void tst_ZXGView::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    RecordingScreen::opened.clear();
    RecordingScreen::lastBlock = nullptr;
    ZXGView::setLoginRetryDelayMs(30000);
}

void tst_ZXGView::cleanup()
{
    m_host.reset();
    m_panel = nullptr;
    m_env.reset();
}

ZXGView* tst_ZXGView::setUpPanel()
{
    m_panel = showPanel(m_host);
    return m_panel;
}

QuilorSDK* tst_ZXGView::clientThrough(const BackendRelay& relay)
{
    auto* client = new QuilorSDK(
        relay.url(), QStringLiteral("2001"), QStringLiteral("400030000"), m_env->delegate.get());
    m_env->delegate->setIQuilorSDK(client);
    return client;
}

void tst_ZXGView::waitForRows(int count)
{
    QTRY_COMPARE(m_panel->tableArray.size(), count);
}

void tst_ZXGView::setUp_loadsCurrentGroup()
{
    ZXGView* panel = setUpPanel();
    // No client yet: the panel makes one, with its message centre.
    QVERIFY(m_env->delegate->iQuilorSDK());
    QVERIFY(m_env->delegate->iMsgCenter());
    QCOMPARE(m_env->delegate->viewController(), m_host.get());
    QCOMPARE(panel->iMyStockGroup.data(), m_env->delegate->iQuilorSDK()->iMyStockGroup());
    QCOMPARE(panel->iCurGroupIdx, QStringLiteral("0"));

    QTRY_COMPARE(
        titles(panel->iPopUpButton), (QStringList { QStringLiteral("自选股"), QStringLiteral("股票组2") }));
    QTRY_COMPARE(codes(panel->tableArray), strings({ "600000", "000001", "600519" }));
    QCOMPARE(panel->iPopUpButton->indexOfSelectedItem(), 0);
    QCOMPARE(panel->iMyStockGroup->iGroupStockDict.keys().size(), 3);
    QVERIFY(panel->iMyStockGroup->IsOnThisGroup(QStringLiteral("600519")));
    QCOMPARE(defaults()->objectForKey(kSavedRows).toList().size(), 3);
    QCOMPARE(defaults()->objectForKey(QStringLiteral("savedGroupArray")).toList().size(), 2);

    const QVariantMap body = m_env->bodiesFor(backend::kApiGroupStocks).last();
    QCOMPARE(body.value(QStringLiteral("userstockgroupid")).toString(), QStringLiteral("1"));
    QCOMPARE(body.value(QStringLiteral("pageindex")).toString(), QStringLiteral("0"));
    QCOMPARE(body.value(QStringLiteral("pagesize")).toString(), QStringLiteral("1000"));
    QTRY_COMPARE(panel->iTableView->liveViewCount(), 3);
}

void tst_ZXGView::choosingGroup_loadsAndPersistsIt()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QTRY_COMPARE(panel->iPopUpButton->itemArray().size(), 2);
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("股票组2") };
    panel->iPopUpButton->click();
    QCOMPARE(panel->iCurGroupIdx, QStringLiteral("1"));
    QCOMPARE(defaults()->stringForKey(QStringLiteral("iCurGroupIdx")), QStringLiteral("1"));
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
    QCOMPARE(panel->iPopUpButton->titleOfSelectedItem(), QStringLiteral("股票组2"));
}

void tst_ZXGView::noGroups_placeholderDoesNothingAndSavedRowsStay()
{
    m_env->backend().failApi(backend::kApiGetGroups, -1, 10);
    QVariantList saved { dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" } }),
        dict({ { "stockcode", "000002" }, { "stockname", "万科A" } }) };
    defaults()->setObject(saved, kSavedRows);

    ZXGView* panel = setUpPanel();
    QCOMPARE(panel->tableArray.size(), 2);
    QCOMPARE(panel->iTableView->numberOfRows(), 2);
    QTRY_COMPARE(titles(panel->iPopUpButton), QStringList { QStringLiteral("自选股") });
    QCOMPARE(panel->iPopUpButton->itemArray().first()->data().toString(), QStringLiteral("all"));
    QTRY_VERIFY(!m_env->bodiesFor(backend::kApiGetGroups).isEmpty());

    panel->iPopUpButton->itemArray().first()->trigger();
    QTest::qWait(200);
    QVERIFY(m_env->bodiesFor(backend::kApiGroupStocks).isEmpty());
    QVERIFY(defaults()->stringForKey(QStringLiteral("iCurGroupIdx")).isNull());
    QCOMPARE(codes(panel->tableArray), strings({ "600000", "000002" }));
}

void tst_ZXGView::backendDown_keepsSavedRowsAndReloadsWhenUp()
{
    ZXGView::setLoginRetryDelayMs(200);
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    relay.setDown(true);
    clientThrough(relay);
    defaults()->setObject(QVariantList { dict({ { "id", "1" }, { "userstockgroupname", "自选股" } }),
                              dict({ { "id", "2" }, { "userstockgroupname", "股票组2" } }) },
        QStringLiteral("savedGroupArray"));
    defaults()->setObject(QVariantList { dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" } }),
                              dict({ { "stockcode", "000002" }, { "stockname", "万科A" } }) },
        kSavedRows);
    testsupport::NotificationRecorder notices;
    testsupport::AlertRecorder alerts;
    ZXGView* panel = setUpPanel();

    // The load fails: what the user had stays, on screen and on disk, and a
    // notice tells of it; then again and again, without another notice.
    QTRY_VERIFY_WITH_TIMEOUT(!notices.delivered.isEmpty() || panel->tableArray.size() != 2, 20000);
    QCOMPARE(codes(panel->tableArray), strings({ "600000", "000002" }));
    QTRY_VERIFY_WITH_TIMEOUT(relay.refused() >= 6, 20000);
    QCOMPARE(codes(panel->tableArray), strings({ "600000", "000002" }));
    QCOMPARE(panel->iTableView->numberOfRows(), 2);
    QCOMPARE(codes(defaults()->objectForKey(kSavedRows).toList()), strings({ "600000", "000002" }));
    QCOMPARE(notices.delivered.size(), 1);
    QVERIFY(alerts.alerts.isEmpty());

    relay.setDown(false);
    QTRY_COMPARE_WITH_TIMEOUT(codes(panel->tableArray), strings({ "600000", "000001", "600519" }), 20000);
    QCOMPARE(codes(defaults()->objectForKey(kSavedRows).toList()), strings({ "600000", "000001", "600519" }));
    QCOMPARE(notices.delivered.size(), 1);
}

void tst_ZXGView::lateGroupReply_afterSwitch_isDropped()
{
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    QuilorSDK* client = clientThrough(relay);
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QTRY_COMPARE(panel->iPopUpButton->itemArray().size(), 2);

    // Group 1 is reloaded, and its answer is late...
    relay.holdAnswersTo(QByteArrayLiteral("\"userstockgroupid\":\"1\""));
    panel->cellCallBack(dict({ { "event", "DoRefresh" } }));
    QTRY_VERIFY(relay.hasHeld());
    // ...behind the user's choice of group 2.
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("股票组2") };
    panel->iPopUpButton->click();
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
    relay.release();
    QTRY_VERIFY_WITH_TIMEOUT(client->iHttpSession()->requestsInFlight() == 0, 10000);
    QTest::qWait(200);
    QCOMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
    QCOMPARE(panel->iPopUpButton->titleOfSelectedItem(), QStringLiteral("股票组2"));

    // A drag among the rows shown re-orders their own group.
    QMimeData pasteboard;
    QVERIFY(panel->tableViewWriteRowsWithIndexes(panel->iTableView, { 1 }, &pasteboard));
    panel->tableViewDraggingSession(panel->iTableView, QPoint(), { 1 });
    QVERIFY(panel->tableViewAcceptDrop(
        panel->iTableView, DraggingInfo { panel->iTableView, &pasteboard }, 0, DropOperation::On));
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), 1);
    const QVariantMap body = m_env->bodiesFor(backend::kApiAddStockToGroup).first();
    QCOMPARE(body.value(QStringLiteral("stockcode")).toString(), QStringLiteral("601398"));
    QCOMPARE(body.value(QStringLiteral("userstockgroupid")).toString(), QStringLiteral("2"));
    QTRY_COMPARE(codes(panel->tableArray), strings({ "601398", "000002" }));
}

void tst_ZXGView::deleteCurrentGroupAtIndexZero()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    testsupport::AlertRecorder alerts;
    itemWithData(panel->groupSetMenu(), QStringLiteral("deleteGroup"))->trigger();
    QCOMPARE(alerts.alerts.size(), 1);
    QCOMPARE(alerts.alerts.first().messageText, QStringLiteral("您确定要删除\"自选股\"分组吗？"));
    QCOMPARE(alerts.alerts.first().buttons, (QStringList { QStringLiteral("确定"), QStringLiteral("取消") }));

    QTRY_COMPARE(alerts.messages().size(), 2);
    QCOMPARE(alerts.messages().last(), QStringLiteral("分组删除成功!"));
    QCOMPARE(m_env->bodiesFor(backend::kApiDelGroup).first().value(QStringLiteral("id")).toString(),
        QStringLiteral("1"));
    QCOMPARE(panel->iCurGroupIdx, QStringLiteral("0"));
    QTRY_COMPARE(titles(panel->iPopUpButton), QStringList { QStringLiteral("股票组2") });
    QCOMPARE(defaults()->objectForKey(QStringLiteral("savedGroupArray")).toList().size(), 1);
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
}

void tst_ZXGView::deleteLastGroup_emptyDataChangesNothing()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    testsupport::AlertRecorder alerts;
    QAction* remove = itemWithData(panel->groupSetMenu(), QStringLiteral("deleteGroup"));
    remove->trigger();
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));

    // The one group left goes too: the reply's "data" is empty.
    remove->trigger();
    QTRY_COMPARE(alerts.messages().count(QStringLiteral("分组删除成功!")), 2);
    QTest::qWait(200);
    QCOMPARE(titles(panel->iPopUpButton), QStringList { QStringLiteral("股票组2") });
    QCOMPARE(panel->iCurGroupIdx, QStringLiteral("0"));
    QCOMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
    QCOMPARE(panel->iMyStockGroup->iGroupArray.size(), 1);
}

void tst_ZXGView::deleteConfirmation_cancelSendsNothing()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    itemWithData(panel->groupSetMenu(), QStringLiteral("deleteGroup"))->trigger();
    QTest::qWait(200);
    QVERIFY(m_env->bodiesFor(backend::kApiDelGroup).isEmpty());
    QCOMPARE(alerts.alerts.size(), 1);
}

void tst_ZXGView::deleteFailure_alerts()
{
    m_env->backend().failApi(backend::kApiDelGroup, -1);
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    testsupport::AlertRecorder alerts;
    itemWithData(panel->groupSetMenu(), QStringLiteral("deleteGroup"))->trigger();
    QTRY_COMPARE(alerts.messages().size(), 2);
    QCOMPARE(alerts.messages().last(), QStringLiteral("分组删除失败，请重试!"));
    QCOMPARE(panel->iMyStockGroup->iGroupArray.size(), 2);
}

void tst_ZXGView::drag_dropRowArithmetic_data()
{
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("above");
    QTest::addColumn<int>("target"); // row whose order is sent; -1: nothing
    QTest::newRow("row 2 above row 5 takes row 4's order") << 2 << 5 << true << 4;
    QTest::newRow("row 5 above row 2 takes row 2's order") << 5 << 2 << true << 2;
    QTest::newRow("row 2 on row 5") << 2 << 5 << false << 5;
    QTest::newRow("row 0 below the last row") << 0 << 6 << true << 5;
    QTest::newRow("row 5 on one past the end sends nothing") << 5 << 6 << false << -1;
    QTest::newRow("beyond the rows refused") << 1 << 7 << true << -1;
}

void tst_ZXGView::drag_dropRowArithmetic()
{
    QFETCH(int, dragged);
    QFETCH(int, row);
    QFETCH(bool, above);
    QFETCH(int, target);

    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QuilorSDK* client = m_env->delegate->iQuilorSDK();
    // One after the other: each answer carries the whole group, and answers
    // sent together may be handled in any order.
    int count = 3;
    for (const char* code : { "000858", "600036", "000651" }) {
        client->addStockToGroup(QString::fromUtf8(code), QString(), QStringLiteral("9"), QStringLiteral("1"),
            QString(), QString(), QString(), nullptr, panel);
        waitForRows(++count);
    }
    const QVariantList rows = panel->tableArray;
    const int sentBefore = int(m_env->bodiesFor(backend::kApiAddStockToGroup).size());

    QMimeData pasteboard;
    QVERIFY(panel->tableViewWriteRowsWithIndexes(panel->iTableView, { dragged }, &pasteboard));
    QVERIFY(pasteboard.hasFormat(QString::fromUtf8(watchlist::kDragType)));
    panel->tableViewDraggingSession(panel->iTableView, QPoint(), { dragged });
    QCOMPARE(panel->proposedRow, dragged);

    const DraggingInfo info { panel->iTableView, &pasteboard };
    const DropOperation operation = above ? DropOperation::Above : DropOperation::On;
    const bool inside = row <= rows.size();
    QCOMPARE(panel->tableViewValidateDrop(panel->iTableView, info, row, operation),
        inside ? Qt::MoveAction : Qt::IgnoreAction);
    QCOMPARE(panel->tableViewAcceptDrop(panel->iTableView, info, row, operation), inside);

    if (target < 0) {
        QTest::qWait(200);
        QCOMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), sentBefore);
        return;
    }
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), sentBefore + 1);
    const QVariantMap body = m_env->bodiesFor(backend::kApiAddStockToGroup).last();
    const QVariantMap draggedRow = rows.at(dragged).toMap();
    QCOMPARE(body.value(QStringLiteral("stockcode")), draggedRow.value(QStringLiteral("stockcode")));
    QCOMPARE(body.value(QStringLiteral("stockname")), draggedRow.value(QStringLiteral("name")));
    QCOMPARE(body.value(QStringLiteral("userstockorder")),
        rows.at(target).toMap().value(QStringLiteral("userstockorder")));
    QCOMPARE(body.value(QStringLiteral("userstockgroupid")).toString(), QStringLiteral("1"));
    // The backend's answer replaces the rows: the dragged stock now sits at the target.
    QTRY_COMPARE(panel->tableArray.value(target).toMap().value(QStringLiteral("stockcode")),
        draggedRow.value(QStringLiteral("stockcode")));
}

void tst_ZXGView::drag_fromAnotherTableRefused()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    StockTableView other;
    const DraggingInfo info { &other, nullptr };
    panel->proposedRow = 0;
    QCOMPARE(panel->tableViewValidateDrop(panel->iTableView, info, 1, DropOperation::Above), Qt::CopyAction);
    QVERIFY(!panel->tableViewAcceptDrop(panel->iTableView, info, 1, DropOperation::Above));
    QCOMPARE(panel->tableViewValidateDrop(panel->iTableView, DraggingInfo {}, 1, DropOperation::Above),
        Qt::IgnoreAction);
    QTest::qWait(200);
    QVERIFY(m_env->bodiesFor(backend::kApiAddStockToGroup).isEmpty());
}

void tst_ZXGView::doubleClick_opensByCodeLength_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("opened");
    QTest::newRow("stock") << "600000"
                           << "stock:600000";
    QTest::newRow("index") << "399006.idx"
                           << "index:399006.idx";
    QTest::newRow("five characters") << "60000"
                                     << "";
    QTest::newRow("eleven characters") << "6000001.idx"
                                       << "";
    QTest::newRow("no code") << ""
                             << "";
}

void tst_ZXGView::doubleClick_opensByCodeLength()
{
    QFETCH(QString, code);
    QFETCH(QString, opened);
    platform::ControllerRegistry::registerFactory(QString::fromUtf8(app::kStockScreenId),
        []() { return new RecordingScreen(QStringLiteral("stock")); });
    platform::ControllerRegistry::registerFactory(QString::fromUtf8(app::kIndexScreenId),
        []() { return new RecordingScreen(QStringLiteral("index")); });
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QVariantMap event = dict({ { "event", "DoubleClick" } });
    event.insert(QStringLiteral("stockcode"), code);
    panel->cellCallBack(event);
    QCOMPARE(RecordingScreen::opened, opened.isEmpty() ? QStringList() : QStringList { opened });
    if (opened.isEmpty())
        return;
    // A change made in the screen reloads the group.
    const auto loads = m_env->bodiesFor(backend::kApiGroupStocks).size();
    QVERIFY(RecordingScreen::lastBlock);
    RecordingScreen::lastBlock();
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiGroupStocks).size(), loads + 1);
}

void tst_ZXGView::rowEvents_reloadGroup()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiGroupStocks).size(), 1);
    // A real row's double click travels to the panel.
    platform::ControllerRegistry::registerFactory(QString::fromUtf8(app::kStockScreenId),
        []() { return new RecordingScreen(QStringLiteral("stock")); });
    auto* cell = static_cast<MyStockTableCell*>(panel->iTableView->viewAtRow(2));
    QVERIFY(cell);
    // Two presses through the window system, which makes the second one a
    // double-click event as a real platform does.
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QWindow* window = m_host->windowHandle();
    const QPointF local = cell->mapTo(m_host.get(), QPointF(30, 12));
    const QPointF global = window->mapToGlobal(local);
    const int base = QTest::lastMouseTimestamp + 10 * QApplication::doubleClickInterval();
    for (int at : { 0, 80 }) {
        qt_handleMouseEvent(
            window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, {}, base + at);
        qt_handleMouseEvent(
            window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease, {}, base + at);
    }
    QTest::lastMouseTimestamp = base + 10 * QApplication::doubleClickInterval();
    QCoreApplication::processEvents();
    QCOMPARE(RecordingScreen::opened, QStringList { QStringLiteral("stock:600519") });

    panel->cellCallBack(dict({ { "event", "DoRefresh" } }));
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiGroupStocks).size(), 2);
    // Without a registered editor "setComment" opens nothing.
    panel->cellCallBack(dict({ { "event", "setComment" }, { "stockcode", "600000" } }));
}

void tst_ZXGView::deletedRow_openScreenKeepsItsQuotes()
{
    standin::SampleMarket& market = m_env->standin.server().market();
    const QDateTime morning(QDate(2025, 3, 14), QTime(10, 0), QTimeZone(QByteArrayLiteral("Asia/Shanghai")));
    market.setNow(morning);
    platform::ControllerRegistry::registerClass<SingleStockViewController>(
        QString::fromUtf8(app::kStockScreenId));
    m_env->makeClient()->iStocks()->setPollIntervals(100, 100);
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    auto* cell = static_cast<MyStockTableCell*>(panel->iTableView->viewAtRow(0));
    QVERIFY(cell);
    const QString code = cell->selfDict.value(QStringLiteral("stockcode")).toString();

    // The stock's window opens from its row; then the row is deleted.
    QVariantMap event = dict({ { "event", "DoubleClick" } });
    event.insert(QStringLiteral("stockcode"), code);
    panel->cellCallBack(event);
    SingleStockViewController* screen = nullptr;
    QTRY_VERIFY((screen = m_host->findChild<SingleStockViewController*>()) != nullptr);
    testsupport::AlertRecorder alerts;
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("删除") };
    cell->menuForEvent(QPoint());
    waitForRows(2);

    // The open window still follows the market.
    const QDateTime later = morning.addSecs(40 * 60);
    market.setNow(later);
    const QString price = QString::number(market.quoteAt(code, later).last, 'f', 2);
    QVERIFY(price != QString::number(market.quoteAt(code, morning).last, 'f', 2));
    QLabel* shown = screen->quotePanel->field(QStringLiteral("priceTextField"));
    QVERIFY(shown);
    QTRY_COMPARE_WITH_TIMEOUT(shown->text(), price, 10000);
}

void tst_ZXGView::login_retriedAfterDelayNeverAtOnce()
{
    // The clock starts when the first request is seen, which on a busy
    // machine may be well after its failure arrived: the delay leaves room.
    const int delay = 1000;
    ZXGView::setLoginRetryDelayMs(delay);
    m_env->backend().failApi(backend::kApiLogin, -1, 2);
    QuilorSDK* client = m_env->makeClient();
    client->iUser()->username = QStringLiteral("demo");
    client->iUser()->password = backend::passwordHash(QStringLiteral("demo1234"));
    client->iUser()->deviceid = QStringLiteral("test-device");
    setUpPanel();

    QTRY_COMPARE(m_env->bodiesFor(backend::kApiLogin).size(), 1);
    QElapsedTimer clock;
    clock.start();
    const QVariantMap first = m_env->bodiesFor(backend::kApiLogin).first();
    QCOMPARE(first.value(QStringLiteral("username")).toString(), QStringLiteral("demo"));
    QTest::qWait(200);
    QCOMPARE(m_env->bodiesFor(backend::kApiLogin).size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_env->bodiesFor(backend::kApiLogin).size(), 2, 10000);
    QVERIFY(clock.elapsed() >= delay * 6 / 10);
    QTRY_COMPARE_WITH_TIMEOUT(m_env->bodiesFor(backend::kApiLogin).size(), 3, 10000);
    QTRY_COMPARE(client->iUser()->qvmid, QStringLiteral("400031001"));
    QTest::qWait(delay * 3 / 2);
    QCOMPARE(m_env->bodiesFor(backend::kApiLogin).size(), 3);
}

void tst_ZXGView::table_onlyVisibleRowsLive()
{
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QVariantList many;
    for (int i = 0; i < 200; ++i) {
        QVariantMap row = dict({ { "stockname", "样本" } });
        row.insert(QStringLiteral("stockcode"), QStringLiteral("%1").arg(600000 + i));
        row.insert(QStringLiteral("userstockorder"), QString::number(i));
        many << row;
    }
    panel->HttpResult(QVariantMap { { QStringLiteral("data"), many } }, backend::kApiGroupStocks, false);
    StockTableView* table = panel->iTableView;
    const int visible = table->viewport()->height() / table->rowHeight() + 1;
    QVERIFY(table->liveViewCount() <= visible + 1);
    QVERIFY(table->liveViewCount() >= visible - 1);
    stocks* store = m_env->delegate->iQuilorSDK()->iStocks();
    auto registeredCount = [store]() {
        int n = 0;
        for (const QString& code : store->refreshQueue())
            n += code.startsWith(QLatin1Char('6')) && code.size() == 6 ? 1 : 0;
        return n;
    };
    QVERIFY(registeredCount() <= table->liveViewCount() + 3);

    table->scrollToRow(150);
    QVERIFY(table->visibleRows().contains(150));
    auto* cell = static_cast<MyStockTableCell*>(table->viewAtRow(150));
    QCOMPARE(cell->code->text(), QStringLiteral("SH.600150"));
    QVERIFY(!store->refreshQueue().contains(QStringLiteral("600000")));
    QVERIFY(store->refreshQueue().contains(QStringLiteral("600150")));
    QVERIFY(table->liveViewCount() + table->reusableViewCount() <= 2 * visible + 2);
    QVERIFY(registeredCount() <= table->liveViewCount() + 3);
    // Even rows carry the faint stripe, odd rows none.
    const QColor stripe = platform::Colors::calibratedRGB(250.0 / 255, 250.0 / 255, 250.0 / 255, 0.1);
    QCOMPARE(table->backgroundColorForRow(150), stripe);
    QCOMPARE(table->backgroundColorForRow(151).alpha(), 0);
}

void tst_ZXGView::gotoVIP_andBack_inTheApplicationLoop()
{
    watchlist::registerControllers();
    m_env->delegate->applicationDidFinishLaunching(true);
    QMainWindow* mainWindow = m_env->delegate->mainWindow();
    QVERIFY(mainWindow && mainWindow->isVisible());
    auto* mainPanel
        = qobject_cast<ZXGView*>(m_env->delegate->mainViewController()->zxgFatherView()->listView());
    QVERIFY(mainPanel);
    QTRY_COMPARE(mainPanel->tableArray.size(), 3);
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());

    // "⇄" and back inside the application's own loop, where closing its last
    // window ends it; a watchdog ends a script that is stuck.
    const auto shownCompact = []() -> MystockViewController* {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* candidate = qobject_cast<MystockViewController*>(widget);
                candidate && candidate->isVisible())
                return candidate;
        }
        return nullptr;
    };
    int step = 0;
    QPointer<MystockViewController> compact;
    int compactWidth = 0;
    QSize resized;
    bool compactTakesGroups = false;
    QTimer script;
    script.setInterval(50);
    connect(&script, &QTimer::timeout, this, [&]() {
        if (step == 0) {
            QTest::mouseClick(mainPanel->iVIPBtn, Qt::LeftButton);
            step = 1;
        } else if (step == 1) {
            compact = shownCompact();
            if (!compact || mainWindow->isVisible() || compact->iZXGView->tableArray.size() != 3)
                return;
            compactWidth = compact->width();
            compact->resize(500, 700);
            resized = compact->size();
            compactTakesGroups
                = m_env->delegate->iQuilorSDK()->iMyStockGroup()->delegateCell() == compact->iZXGView;
            QTest::mouseClick(compact->iZXGView->iVIPBtn, Qt::LeftButton);
            step = 2;
        } else if (step == 2 && mainWindow->isVisible() && !compact) {
            step = 3;
            QCoreApplication::exit(0);
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, []() { QCoreApplication::exit(1); });
    script.start();
    watchdog.start(60000);
    const int code = QApplication::exec();
    script.stop();
    // Ended before the last step with 0: the application quit by itself.
    QCOMPARE(step, 3);
    QCOMPARE(code, 0);
    QCOMPARE(compactWidth, MystockViewController::kWidth);
    QCOMPARE(resized, QSize(MystockViewController::kWidth, 700));
    QVERIFY(compactTakesGroups);
    QCOMPARE(m_env->delegate->viewController(), m_env->delegate->mainViewController());
    QCOMPARE(m_env->delegate->iQuilorSDK()->iMyStockGroup()->delegateCell(), mainPanel);
}

void tst_ZXGView::render_mainWindowWithGroup()
{
    watchlist::registerControllers();
    m_env->delegate->applicationDidFinishLaunching(true);
    auto* panel = qobject_cast<ZXGView*>(m_env->delegate->mainViewController()->zxgFatherView()->listView());
    QVERIFY(panel);
    QTRY_COMPARE(panel->tableArray.size(), 3);
    // Wait until the quote store filled the first row.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            auto* cell = static_cast<MyStockTableCell*>(panel->iTableView->viewAtRow(0));
            return cell && !cell->price->text().isEmpty() && !cell->wave->text().isEmpty();
        }(),
        10000);
    const QString path
        = testsupport::renderToPng(m_env->delegate->mainWindow(), QStringLiteral("watchlist_main"));
    QVERIFY(QFile::exists(path));
}

QTEST_MAIN(tst_ZXGView)
#include "tst_ZXGView.moc"
