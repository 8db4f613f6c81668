#include "BackendRelay.h"
#include "WatchlistTestEnv.h"
#include "app/MainViewController.h"
#include "app/SecurityScreen.h"
#include "app/ZXGFatherView.h"
#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "backend/ReplyObserver.h"
#include "backend/User.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "market/stocks.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Colors.h"
#include "screens/SingleStockViewController.h"
#include "watchlist/MyStockTableCell.h"
#include "watchlist/MystockViewController.h"
#include "watchlist/PopUpButton.h"
#include "watchlist/Registration.h"
#include "watchlist/ZXGView.h"
#include "watchlist/commentStockViewController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QWindow>

namespace {
const QString kSavedRows = guestKey("GroupStockstableArray");

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
    void noGroups_placeholderDoesNothing();
    void backendDown_eachGroupShowsItsOwnSavedRows();
    void lateGroupReply_afterSwitch_isDropped();
    void editsWhileAnotherIsHeld_restOnItsOutcome();
    void overlappingGroupLists_newestWins();
    void savedLoginOfAnotherUser_showsNothingOfTheFirst();
    void hostileGroupReplies_keepOnlyRealCodesAndCleanNames();
    void floodedGroupReplies_keepOnePage();
    void deleteCurrentGroupAtIndexZero();
    void deleteLastGroup_leavesNoGroupNorRows();
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
    void lastWindowClosed_deleteInFlightStillReachesTheBackend();
    void hiddenList_leavesTheShownListsGroupCurrent();
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
    QCOMPARE(panel->iMyStockGroup->savedRows(QStringLiteral("1")).size(), 3);
    QCOMPARE(defaults()->objectForKey(guestKey("savedGroupArray")).toList().size(), 2);

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
    QCOMPARE(defaults()->stringForKey(guestKey("iCurGroupIdx")), QStringLiteral("1"));
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
    QCOMPARE(panel->iPopUpButton->titleOfSelectedItem(), QStringLiteral("股票组2"));
}

void tst_ZXGView::noGroups_placeholderDoesNothing()
{
    m_env->backend().failApi(backend::kApiGetGroups, -1, 10);
    ZXGView* panel = setUpPanel();
    QTRY_COMPARE(titles(panel->iPopUpButton), QStringList { QStringLiteral("自选股") });
    QCOMPARE(panel->iPopUpButton->itemArray().first()->data().toString(), QStringLiteral("all"));
    QTRY_VERIFY(!m_env->bodiesFor(backend::kApiGetGroups).isEmpty());

    panel->iPopUpButton->itemArray().first()->trigger();
    QTest::qWait(200);
    QVERIFY(m_env->bodiesFor(backend::kApiGroupStocks).isEmpty());
    QVERIFY(defaults()->stringForKey(guestKey("iCurGroupIdx")).isNull());
    QVERIFY(panel->tableArray.isEmpty());
}

void tst_ZXGView::backendDown_eachGroupShowsItsOwnSavedRows()
{
    ZXGView::setLoginRetryDelayMs(200);
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    relay.setDown(true);
    clientThrough(relay);
    defaults()->setObject(QVariantList { dict({ { "id", "1" }, { "userstockgroupname", "自选股" } }),
                              dict({ { "id", "2" }, { "userstockgroupname", "股票组2" } }) },
        guestKey("savedGroupArray"));
    const QVariantList rows { dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" } }),
        dict({ { "stockcode", "000002" }, { "stockname", "万科A" } }) };
    defaults()->setObject(QVariantMap { { QStringLiteral("1"), rows } }, kSavedRows);
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
    QCOMPARE(codes(panel->iMyStockGroup->savedRows(QStringLiteral("1"))), strings({ "600000", "000002" }));
    QCOMPARE(notices.delivered.size(), 1);
    QVERIFY(alerts.alerts.isEmpty());

    // Another group chosen shows its own rows, here none, never the first
    // group's under its title; so does the next start.
    testsupport::MenuRecorder menus;
    menus.choice = strings({ "股票组2" });
    panel->iPopUpButton->click();
    QCOMPARE(panel->iPopUpButton->titleOfSelectedItem(), QStringLiteral("股票组2"));
    QCOMPARE(panel->iTableView->numberOfRows(), 0);
    QTest::qWait(300);
    QCOMPARE(notices.delivered.size(), 1);
    m_host.reset();
    delete m_env->delegate->iQuilorSDK();
    platform::UserDefaults::resetStandardUserDefaults();
    clientThrough(relay);
    panel = setUpPanel();
    QTRY_COMPARE(panel->iPopUpButton->titleOfSelectedItem(), QStringLiteral("股票组2"));
    QVERIFY(panel->tableArray.isEmpty());
    menus.choice = strings({ "自选股" });
    panel->iPopUpButton->click();
    QCOMPARE(codes(panel->tableArray), strings({ "600000", "000002" }));
    // A delete from these rows asks about their own group.
    QCOMPARE(watchlist::groupOfRow(panel->tableArray.first().toMap(), panel->iMyStockGroup)
                 .value(QStringLiteral("userstockgroupname"))
                 .toString(),
        QStringLiteral("自选股"));

    relay.setDown(false);
    QTRY_COMPARE_WITH_TIMEOUT(codes(panel->tableArray), strings({ "600000", "000001", "600519" }), 20000);
    QCOMPARE(codes(panel->iMyStockGroup->savedRows(QStringLiteral("1"))),
        strings({ "600000", "000001", "600519" }));
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

// An edit made while another edit's answer is held back rests on the rows
// that edit left on the server, not on the rows still shown.
void tst_ZXGView::editsWhileAnotherIsHeld_restOnItsOutcome()
{
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    clientThrough(relay);
    watchlist::registerControllers();
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    testsupport::AlertRecorder alerts;
    testsupport::MenuRecorder menus;
    const auto row
        = [panel](int index) { return static_cast<MyStockTableCell*>(panel->iTableView->viewAtRow(index)); };

    // 600000 is deleted, late; meanwhile 600519 is dropped on 000001.
    relay.holdAnswersTo(QByteArrayLiteral("\"api\":\"90014\""));
    menus.choice = QStringList { QStringLiteral("删除") };
    row(0)->menuForEvent(QPoint());
    QTRY_VERIFY(relay.hasHeld());
    QMimeData pasteboard;
    QVERIFY(panel->tableViewWriteRowsWithIndexes(panel->iTableView, { 2 }, &pasteboard));
    panel->tableViewDraggingSession(panel->iTableView, QPoint(), { 2 });
    QVERIFY(panel->tableViewAcceptDrop(
        panel->iTableView, DraggingInfo { panel->iTableView, &pasteboard }, 1, DropOperation::On));
    relay.release();
    QTRY_COMPARE(codes(panel->tableArray), strings({ "600519", "000001" }));

    // 000001 goes to the top, late; meanwhile its alert is saved.
    relay.holdAnswersTo(QByteArrayLiteral("\"userstockorder\":\"0\""));
    menus.choice = QStringList { QStringLiteral("移到最前") };
    row(1)->menuForEvent(QPoint());
    QTRY_VERIFY(relay.hasHeld());
    menus.choice = QStringList { QStringLiteral("设置提醒") };
    row(1)->menuForEvent(QPoint());
    auto* editor = m_host->findChild<commentStockViewController*>();
    QVERIFY(editor && editor->isVisible());
    QTest::mouseClick(editor->hpriceButton, Qt::LeftButton);
    QTest::keyClicks(editor->hpriceTextField, QStringLiteral("12.5"));
    QTest::mouseClick(editor->okButton, Qt::LeftButton);
    relay.release();
    QTRY_VERIFY(alerts.messages().contains(QStringLiteral("修改提醒成功!")));
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000001", "600519" }));
    QTRY_COMPARE(panel->tableArray.first().toMap().value(QStringLiteral("hprice")).toString(),
        QStringLiteral("12.50"));
}

void tst_ZXGView::overlappingGroupLists_newestWins()
{
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    QuilorSDK* client = clientThrough(relay);
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    QTRY_COMPARE(titles(panel->iPopUpButton).size(), 2);

    // Two reloads of the group list, a group added between them, answered
    // newest first.
    relay.holdAnswersTo(QByteArrayLiteral("\"api\":\"90010\""));
    panel->refreshGroup();
    QTRY_COMPARE(relay.heldCount(), 1);
    QPointer<backend::ReplyObserver> added = new backend::ReplyObserver(this, {}, {});
    QVERIFY(client->addStockGroup(QStringLiteral("新组"), QStringLiteral("9"), QString(), nullptr, added));
    QTRY_VERIFY(!added);
    panel->refreshGroup();
    QTRY_COMPARE(relay.heldCount(), 2);
    relay.releaseNewest();
    QTRY_COMPARE(titles(panel->iPopUpButton), strings({ "自选股", "股票组2", "新组" }));
    relay.release();
    QTRY_VERIFY_WITH_TIMEOUT(client->iHttpSession()->requestsInFlight() == 0, 10000);
    QTest::qWait(100);
    QCOMPARE(titles(panel->iPopUpButton), strings({ "自选股", "股票组2", "新组" }));
    QCOMPARE(panel->iMyStockGroup->savedGroups().size(), 3);
}

void tst_ZXGView::savedLoginOfAnotherUser_showsNothingOfTheFirst()
{
    ZXGView::setLoginRetryDelayMs(200);
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    QuilorSDK* client = clientThrough(relay);
    client->iUser()->qvmid = QStringLiteral("400031001");
    ZXGView* panel = setUpPanel();
    waitForRows(3);
    // This user's first group holds a fourth stock.
    client->addStockToGroup(QStringLiteral("000858"), QStringLiteral("五粮液"), QStringLiteral("9"),
        QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), nullptr, panel);
    waitForRows(4);
    m_host.reset();

    // The next start is another user's, with the backend down.
    User other;
    other.username = QStringLiteral("putong");
    other.qvmid = QStringLiteral("400031002");
    QVERIFY(other.Save());
    User::setLastLoginName(other.username);
    relay.setDown(true);
    delete client;
    client = clientThrough(relay);
    QCOMPARE(client->iUser()->qvmid, QStringLiteral("400031002"));
    panel = setUpPanel();
    QTRY_VERIFY(relay.refused() >= 3);
    QVERIFY(panel->iMyStockGroup->iGroupArray.isEmpty());
    QVERIFY(panel->tableArray.isEmpty());

    // Up again: that user's own groups load (with the same ids), and the
    // first user's rows are kept as they were.
    relay.setDown(false);
    QTRY_COMPARE_WITH_TIMEOUT(codes(panel->tableArray), strings({ "600000", "000001", "600519" }), 10000);
    const auto keptRows = [](const char* user) {
        return defaults()
            ->objectForKey(
                MyStockGroup::userKey(QStringLiteral("GroupStockstableArray"), QString::fromUtf8(user)))
            .toMap()
            .value(QStringLiteral("1"))
            .toList()
            .size();
    };
    QCOMPARE(keptRows("400031001"), 4);
    QCOMPARE(keptRows("400031002"), 3);

    // A login as the first user while running shows that user's groups.
    client->DoLogin(QStringLiteral("demo"), backend::passwordHash(QStringLiteral("demo1234")),
        QStringLiteral("test-device"), true, nullptr, panel);
    waitForRows(4);
    QCOMPARE(keptRows("400031002"), 3);
}

void tst_ZXGView::hostileGroupReplies_keepOnlyRealCodesAndCleanNames()
{
    const QByteArray longCode(100000, '6');
    m_env->backend().answerApi(backend::kApiGetGroups,
        R"({"code":"0","data":[{"id":"1","userstockgroupname":"\u0001\u0002自选股"},)"
        R"({"id":"123456789012345678901234","userstockgroupname":"坏"},{"id":"x1","userstockgroupname":"坏"},)"
        R"({"id":"2","userstockgroupname":"股票&组2\u007f"}]})");
    m_env->backend().answerApi(backend::kApiGroupStocks,
        R"({"code":"0","data":[{"stockcode":")" + longCode
            + R"(","stockname":"长"},)"
              R"({"stockcode":"600000","stockname":"\u0007浦发\u001b银行","cprice":"99"},)"
              R"({"stockcode":"000300.idx","stockname":"沪深300"},{"stockcode":"60000x"},)"
              R"({"stockcode":"60000.idxx"},{"stockcode":6000001}]})");
    ZXGView* panel = setUpPanel();
    // An "&" in a name is a character, not a shortcut mark.
    QTRY_COMPARE(titles(panel->iPopUpButton), strings({ "自选股", "股票&组2" }));
    QTRY_COMPARE(codes(panel->tableArray), strings({ "600000", "000300.idx" }));
    QCOMPARE(panel->tableArray.first().toMap().value(QStringLiteral("stockname")).toString(),
        QStringLiteral("浦发银行"));
    // Only the row's own keys travel on: no price of the reply's making.
    QVERIFY(!panel->tableArray.first().toMap().contains(QStringLiteral("cprice")));
    stocks* store = m_env->delegate->iQuilorSDK()->iStocks();
    QVERIFY(!store->recordFor(QString::fromLatin1(longCode)));
    QVERIFY(!store->refreshQueue().contains(QString::fromLatin1(longCode)));
    QVERIFY(QFileInfo(defaults()->filePath()).size() < 10000);
}

void tst_ZXGView::floodedGroupReplies_keepOnePage()
{
    // Far more groups and rows than a page: menus, table and saved lists keep one page.
    QByteArray groups = R"({"code":"0","data":[)";
    QByteArray rows = R"({"code":"0","data":[)";
    for (int i = 1; i <= 3000; ++i) {
        const QByteArray comma = i > 1 ? "," : "";
        groups += comma + R"({"id":")" + QByteArray::number(i) + R"(","userstockgroupname":"组"})";
        rows += comma + R"({"stockcode":")" + QByteArray::number(600000 + i) + R"("})";
    }
    m_env->backend().answerApi(backend::kApiGetGroups, groups + "]}");
    m_env->backend().answerApi(backend::kApiGroupStocks, rows + "]}");
    ZXGView* panel = setUpPanel();
    QTRY_COMPARE(titles(panel->iPopUpButton).size(), MyStockGroup::kGroupPageSize);
    QTRY_COMPARE(panel->tableArray.size(), MyStockGroup::kGroupPageSize);
    QCOMPARE(
        defaults()->objectForKey(guestKey("savedGroupArray")).toList().size(), MyStockGroup::kGroupPageSize);
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
    QCOMPARE(defaults()->objectForKey(guestKey("savedGroupArray")).toList().size(), 1);
    QTRY_COMPARE(codes(panel->tableArray), strings({ "000002", "601398" }));
}

void tst_ZXGView::deleteLastGroup_leavesNoGroupNorRows()
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
    QTRY_VERIFY(panel->tableArray.isEmpty());
    QCOMPARE(panel->iPopUpButton->itemArray().first()->data().toString(), QStringLiteral("all"));
    QVERIFY(panel->iMyStockGroup->iGroupArray.isEmpty());
    QVERIFY(defaults()->objectForKey(guestKey("savedGroupArray")).toList().isEmpty());
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
    mainWindow->setGeometry(100, 100, 440, 300);

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
    // Each window takes the other's place: centred where the other stood.
    QList<int> centres;
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
            centres << mainWindow->frameGeometry().center().x() << compact->frameGeometry().center().x();
            compact->move(300, compact->y());
            compact->resize(500, 700);
            centres << compact->frameGeometry().center().x();
            resized = compact->size();
            compactTakesGroups
                = m_env->delegate->iQuilorSDK()->iMyStockGroup()->delegateCell() == compact->iZXGView;
            QTest::mouseClick(compact->iZXGView->iVIPBtn, Qt::LeftButton);
            step = 2;
        } else if (step == 2 && mainWindow->isVisible() && !compact) {
            centres << mainWindow->frameGeometry().center().x();
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
    QCOMPARE(centres.size(), 4);
    QCOMPARE(centres.at(1), centres.at(0));
    QCOMPARE(centres.at(3), centres.at(2));
    QVERIFY(compactTakesGroups);
    QCOMPARE(m_env->delegate->viewController(), m_env->delegate->mainViewController());
    QCOMPARE(m_env->delegate->iQuilorSDK()->iMyStockGroup()->delegateCell(), mainPanel);
}

void tst_ZXGView::lastWindowClosed_deleteInFlightStillReachesTheBackend()
{
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    clientThrough(relay);
    watchlist::registerControllers();
    m_env->delegate->applicationDidFinishLaunching(true);
    QMainWindow* mainWindow = m_env->delegate->mainWindow();
    auto* panel
        = qobject_cast<ZXGView*>(m_env->delegate->mainViewController()->zxgFatherView()->listView());
    QVERIFY(panel);
    QTRY_COMPARE(panel->tableArray.size(), 3);
    testsupport::AlertRecorder alerts;
    testsupport::MenuRecorder menus;
    const qsizetype deletes = m_env->bodiesFor(backend::kApiDelStockFromGroup).size();

    // The delete waits for the group's rows while the user closes the last
    // window: the application's loop ends with the write still queued.
    relay.holdAnswersTo(QByteArrayLiteral("\"api\":\"90005\""));
    menus.choice = QStringList { QStringLiteral("删除") };
    static_cast<MyStockTableCell*>(panel->iTableView->viewAtRow(0))->menuForEvent(QPoint());
    QTRY_VERIFY(relay.hasHeld());
    QTimer::singleShot(0, mainWindow, &QWidget::close);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, []() { QCoreApplication::exit(1); });
    watchdog.start(60000);
    QCOMPARE(QApplication::exec(), 0);
    watchdog.stop();

    QTimer::singleShot(100, &relay, [&relay]() { relay.release(); });
    m_env->delegate->applicationWillTerminate(30000);
    QCOMPARE(m_env->bodiesFor(backend::kApiDelStockFromGroup).size(), deletes + 1);
    QCOMPARE(market::GroupWrites::of(m_env->delegate->iQuilorSDK())->pending(), 0);
    // Nothing opens over windows that are gone: the delete's question is all.
    QCOMPARE(alerts.messages().size(), 1);
}

void tst_ZXGView::hiddenList_leavesTheShownListsGroupCurrent()
{
    // The main window's list stays set up behind the compact window: what it
    // still does must not make its group the current one, of which the
    // security screen's 加自选 / 删除自选 speaks.
    ZXGView* mainList = setUpPanel();
    waitForRows(3);
    std::unique_ptr<platform::ViewController> compactHost;
    ZXGView* compact = showPanel(compactHost);
    QTRY_COMPARE(compact->tableArray.size(), 3);
    QTRY_COMPARE(compact->iPopUpButton->itemArray().size(), 2);
    m_host->close();
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("股票组2") };
    compact->iPopUpButton->click();
    QTRY_COMPARE(codes(compact->tableArray), strings({ "000002", "601398" }));

    QuilorSDK* client = m_env->delegate->iQuilorSDK();
    QTRY_COMPARE(client->iHttpSession()->requestsInFlight(), 0);
    const qsizetype loads = m_env->bodiesFor(backend::kApiGroupStocks).size();
    mainList->UpDateGroup();
    QTRY_VERIFY(m_env->bodiesFor(backend::kApiGroupStocks).size() > loads);
    QTRY_COMPARE(client->iHttpSession()->requestsInFlight(), 0);
    QTest::qWait(100);
    QCOMPARE(compact->iMyStockGroup->GetCurGroupDict().value(QStringLiteral("id")).toString(),
        QStringLiteral("2"));
    QVERIFY(compact->iMyStockGroup->IsOnThisGroup(QStringLiteral("000002")));
    QCOMPARE(codes(compact->tableArray), strings({ "000002", "601398" }));
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
