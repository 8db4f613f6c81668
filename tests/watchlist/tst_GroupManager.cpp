#include "BackendRelay.h"
#include "WatchlistTestEnv.h"
#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "backend/ReplyObserver.h"
#include "market/MyStockGroup.h"
#include "platform/UserDefaults.h"
#include "watchlist/AddGroupViewController.h"
#include "watchlist/EditGroupTableCellView.h"
#include "watchlist/EditGroupViewController.h"
#include "watchlist/EditGroupViewController1.h"
#include "watchlist/MyStockTableCell.h"
#include "watchlist/Registration.h"
#include "watchlist/ZXGView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {
const QString kCurGroupIdx = guestKey("iCurGroupIdx");

platform::UserDefaults* defaults()
{
    return platform::UserDefaults::standardUserDefaults();
}

QStringList names(const QVariantList& groups)
{
    QStringList result;
    for (const QVariant& group : groups)
        result << group.toMap().value(QStringLiteral("userstockgroupname")).toString();
    return result;
}

QStringList codes(const QVariantList& rows)
{
    QStringList result;
    for (const QVariant& row : rows)
        result << row.toMap().value(QStringLiteral("stockcode")).toString();
    return result;
}

QMessageBox* shownMessageBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}
} // namespace

class tst_GroupManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void opens_fromPanelWithAllGroups();
    void add_emptyOrCancelledSendsNothing_data();
    void add_emptyOrCancelledSendsNothing();
    void add_storesIndexBeforeReload_data();
    void add_storesIndexBeforeReload();
    void add_duplicateNameRefused();
    void add_answeredWhileRenaming_isReportedAsAdd();
    void confirmation_escapeOrClosingCancels_data();
    void confirmation_escapeOrClosingCancels();
    void rename_fromRow_data();
    void rename_fromRow();
    void rename_rowWithoutIdAddsNoGroup();
    void delete_fromRowMovesSavedIndex_data();
    void delete_fromRowMovesSavedIndex();
    void delete_cancelledOrFailed();
    void deletingShownGroup_panelFollowsOnClose();
    void everyGroupGone_nothingDeletedIsOfferedOrLoaded();
    void rowCommand_groupDeletedElsewhere_saysSoAndDropsIt();
    void rowButtons_sendOrders_data();
    void rowButtons_sendOrders();
    void drag_sendsTargetOrder_data();
    void drag_sendsTargetOrder();
    void twoChangesInFlight_neitherUndoesTheOther_data();
    void twoChangesInFlight_neitherUndoesTheOther();
    void render_manager();

private:
    EditGroupViewController1* openManager();
    void addGroups(int count);
    EditGroupTableCellView* cellAt(int row);
    QList<QVariantMap> sent(int api) { return m_env->bodiesFor(api); }

    std::unique_ptr<WatchlistTestEnv> m_env;
    std::unique_ptr<platform::ViewController> m_host;
    ZXGView* m_panel = nullptr;
};

void tst_GroupManager::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    watchlist::registerControllers();
}

void tst_GroupManager::cleanup()
{
    m_host.reset();
    m_panel = nullptr;
    m_env.reset();
}

void tst_GroupManager::addGroups(int count)
{
    QuilorSDK* client = m_env->delegate->iQuilorSDK();
    for (int i = 0; i < count; ++i)
        client->addStockGroup(
            QStringLiteral("组%1").arg(i + 3), QStringLiteral("9"), QString(), nullptr, nullptr);
    QTRY_COMPARE(sent(backend::kApiAddGroup).size(), count);
    m_env->backend().clearReceivedBodies();
}

EditGroupViewController1* tst_GroupManager::openManager()
{
    m_panel = showPanel(m_host);
    if (!groupLoaded(m_panel))
        return nullptr;
    m_panel->SetBtnPressed();
    return m_host->findChild<EditGroupViewController1*>();
}

EditGroupTableCellView* tst_GroupManager::cellAt(int row)
{
    auto* manager = m_host->findChild<EditGroupViewController1*>();
    return manager ? static_cast<EditGroupTableCellView*>(manager->iTableView->viewAtRow(row)) : nullptr;
}

void tst_GroupManager::opens_fromPanelWithAllGroups()
{
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    QVERIFY(manager->isVisible());
    QCOMPARE(manager->title(), QStringLiteral("群组管理"));
    QCOMPARE(manager->proposedRow, -1);
    QCOMPARE(names(manager->tableArray), strings({ "自选股", "股票组2" }));
    QCOMPARE(manager->iTableView->numberOfRows(), 2);
    QCOMPARE(cellAt(1)->textField->text(), QStringLiteral("股票组2"));
    // The window keeps its width whatever it is asked.
    manager->resize(600, 500);
    QCOMPARE(manager->width(), EditGroupViewController1::kWidth);
    QCOMPARE(manager->height(), 500);
}

void tst_GroupManager::add_emptyOrCancelledSendsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty field") << QString() << 1
                                 << QStringList { QStringLiteral("群组名不能为空，请输入一个群组名称！") };
    QTest::newRow("blanks only") << QStringLiteral("   ") << 1
                                 << QStringList { QStringLiteral("群组名不能为空，请输入一个群组名称！") };
    QTest::newRow("cancelled") << QStringLiteral("长线") << 0
                               << QStringList { QStringLiteral("您确定要添加群组'长线'吗？") };
}

void tst_GroupManager::add_emptyOrCancelledSendsNothing()
{
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    alerts.answers = { answer };
    manager->addGroupTextField->setText(name);
    manager->addGroupButton->click();
    QCOMPARE(manager->isAddGroup, int(EditGroupViewController1::kAdd));
    QTest::qWait(200);
    QCOMPARE(alerts.messages(), messages);
    if (answer == 0)
        QCOMPARE(alerts.alerts.first().buttons, strings({ "取消", "添加" }));
    QVERIFY(sent(backend::kApiAddGroup).isEmpty());
}

void tst_GroupManager::add_storesIndexBeforeReload_data()
{
    QTest::addColumn<int>("extra");
    QTest::addColumn<QString>("index");
    QTest::newRow("two groups") << 0 << QStringLiteral("1");
    QTest::newRow("four groups") << 2 << QStringLiteral("3");
}

void tst_GroupManager::add_storesIndexBeforeReload()
{
    QFETCH(int, extra);
    QFETCH(QString, index);
    m_env->makeClient();
    addGroups(extra);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    QTRY_COMPARE(manager->tableArray.size(), 2 + extra);

    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    manager->addGroupTextField->setText(QStringLiteral("长线"));
    manager->addGroupButton->click();
    QTRY_COMPARE(alerts.messages().size(), 2);
    QCOMPARE(alerts.messages().last(), QStringLiteral("添加群组成功!"));
    QVERIFY(manager->addGroupTextField->text().isEmpty());
    const QVariantMap body = sent(backend::kApiAddGroup).first();
    QCOMPARE(body.value(QStringLiteral("userstockgroupname")).toString(), QStringLiteral("长线"));
    QCOMPARE(body.value(QStringLiteral("userstockgrouporder")).toString(), QStringLiteral("0"));
    QVERIFY(!body.contains(QStringLiteral("id")));
    QCOMPARE(defaults()->stringForKey(kCurGroupIdx), index);

    // The list is reloaded into the shared model, the saved copy and the table.
    QTRY_COMPARE(manager->tableArray.size(), 3 + extra);
    QCOMPARE(names(manager->tableArray).last(), QStringLiteral("长线"));
    QCOMPARE(m_env->delegate->iQuilorSDK()->iMyStockGroup()->iGroupArray.size(), 3 + extra);
    QCOMPARE(defaults()->objectForKey(guestKey("savedGroupArray")).toList().size(), 3 + extra);
    QTRY_COMPARE(manager->iTableView->numberOfRows(), 3 + extra);
}

// The user starts renaming before the add is answered: the answer is still
// the add's, never reported as a rename.
void tst_GroupManager::add_answeredWhileRenaming_isReportedAsAdd()
{
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    testsupport::InputRecorder inputs;
    inputs.answers = QStringList { QString() };
    manager->addGroupTextField->setText(QStringLiteral("长线"));
    manager->addGroupButton->click();
    cellAt(0)->renameButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(alerts.messages(),
        (QStringList { QStringLiteral("您确定要添加群组'长线'吗？"), QStringLiteral("添加群组成功!") }),
        10000);
    QVERIFY(manager->addGroupTextField->text().isEmpty());
}

void tst_GroupManager::add_duplicateNameRefused()
{
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    manager->addGroupTextField->setText(QStringLiteral("股票组2"));
    manager->addGroupButton->click();
    QTRY_COMPARE(alerts.messages().size(), 2);
    QCOMPARE(alerts.messages().last(), QStringLiteral("分组名称不能重复!"));
    QTest::qWait(100);
    QCOMPARE(manager->tableArray.size(), 2);
}

void tst_GroupManager::confirmation_escapeOrClosingCancels_data()
{
    QTest::addColumn<bool>("adding"); // else deleting
    QTest::addColumn<bool>("closing"); // else Escape
    QTest::newRow("add, Escape") << true << false;
    QTest::newRow("add, window closed") << true << true;
    QTest::newRow("delete, Escape") << false << false;
    QTest::newRow("delete, window closed") << false << true;
}

void tst_GroupManager::confirmation_escapeOrClosingCancels()
{
    QFETCH(bool, adding);
    QFETCH(bool, closing);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    // No recorder: Qt's own message box asks.
    if (adding) {
        manager->addGroupTextField->setText(QStringLiteral("长线"));
        manager->addGroupButton->click();
    } else {
        cellAt(0)->deleteButton->click();
    }
    QPointer<QMessageBox> box;
    QTRY_VERIFY((box = shownMessageBox()) != nullptr);
    QCOMPARE(box->buttons().size(), 2);
    // Return still answers with the first button, as laid out.
    QCOMPARE(box->defaultButton()->text(), QStringLiteral("取消"));
    if (closing) {
        QVERIFY(box->windowHandle());
        box->windowHandle()->close();
    } else {
        QTest::keyClick(box, Qt::Key_Escape);
    }
    QTRY_VERIFY(!box);
    // What the answer sends is on its way by the time the box is gone.
    QTRY_COMPARE(m_env->delegate->iQuilorSDK()->iHttpSession()->requestsInFlight(), 0);
    QVERIFY(sent(backend::kApiAddGroup).isEmpty());
    QVERIFY(sent(backend::kApiDelGroup).isEmpty());
    QCOMPARE(names(manager->tableArray), strings({ "自选股", "股票组2" }));
}

void tst_GroupManager::rename_fromRow_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("message"); // empty: no alert
    QTest::addColumn<bool>("sends");
    QTest::newRow("new name") << QStringLiteral("短线") << QStringLiteral("重命名群组成功!") << true;
    QTest::newRow("existing name") << QStringLiteral("股票组2") << QStringLiteral("分组名称不能重复!")
                                   << true;
    QTest::newRow("a and ten emoji, twenty-one UTF-16 units")
        << QLatin1Char('a') + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(10)
        << QStringLiteral("重命名群组成功!") << true;
    QTest::newRow("empty name") << QStringLiteral("")
                                << QStringLiteral("群组名不能为空，请输入一个群组名称！") << false;
    QTest::newRow("cancelled") << QString() << QString() << false;
}

void tst_GroupManager::rename_fromRow()
{
    QFETCH(QString, answer);
    QFETCH(QString, message);
    QFETCH(bool, sends);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    testsupport::InputRecorder inputs;
    inputs.answers = QStringList { answer };
    cellAt(0)->renameButton->click();
    QTRY_COMPARE(inputs.asked, QStringList { QStringLiteral("重命名[自选股]群组") });
    QCOMPARE(manager->isAddGroup, int(EditGroupViewController1::kRename));
    QCOMPARE(manager->curOpGroup.value(QStringLiteral("event")).toString(), QStringLiteral("DoRename"));
    if (message.isEmpty()) {
        QTest::qWait(200);
        QVERIFY(alerts.alerts.isEmpty());
    } else {
        QTRY_COMPARE(alerts.messages(), QStringList { message });
    }
    QCOMPARE(sent(backend::kApiAddGroup).size(), sends ? 1 : 0);
    if (!sends)
        return;
    const QVariantMap body = sent(backend::kApiAddGroup).first();
    QCOMPARE(body.value(QStringLiteral("id")).toString(), QStringLiteral("1"));
    QCOMPARE(body.value(QStringLiteral("userstockgrouporder")).toString(), QStringLiteral("0"));
    if (message == QStringLiteral("重命名群组成功!"))
        QTRY_COMPARE(names(manager->tableArray), (QStringList { answer, QStringLiteral("股票组2") }));
}

void tst_GroupManager::rename_rowWithoutIdAddsNoGroup()
{
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    testsupport::InputRecorder inputs;
    inputs.answers = QStringList { QStringLiteral("短线") };
    // Without an id the operation would make a new group instead.
    manager->cellCallBack(dict({ { "event", "DoRename" }, { "userstockgroupname", "无号" } }));
    QCOMPARE(inputs.asked, QStringList { QStringLiteral("重命名[无号]群组") });
    QCOMPARE(alerts.messages(), QStringList { QStringLiteral("网络不给力，添加分组失败，请重试!") });
    QTest::qWait(100);
    QVERIFY(sent(backend::kApiAddGroup).isEmpty());
}

void tst_GroupManager::delete_fromRowMovesSavedIndex_data()
{
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("after");
    QTest::newRow("index 0 stays") << 0 << 1 << QStringLiteral("0") << QStringLiteral("0");
    QTest::newRow("index 3 moves back") << 0 << 1 << QStringLiteral("3") << QStringLiteral("2");
    QTest::newRow("the chosen group deleted") << 1 << 1 << QStringLiteral("1") << QStringLiteral("0");
    QTest::newRow("a group after the chosen one deleted")
        << 1 << 2 << QStringLiteral("1") << QStringLiteral("1");
}

// The saved choice stays on the group chosen, or moves back by one when that
// group (or one before it) went.
void tst_GroupManager::delete_fromRowMovesSavedIndex()
{
    QFETCH(int, extra);
    QFETCH(int, row);
    QFETCH(QString, saved);
    QFETCH(QString, after);
    m_env->makeClient();
    addGroups(extra);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    QTRY_COMPARE(manager->tableArray.size(), 2 + extra);
    const QVariantMap deleted = manager->tableArray.at(row).toMap();
    defaults()->setObject(saved, kCurGroupIdx);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    cellAt(row)->deleteButton->click();
    QTRY_COMPARE(alerts.messages().size(), 2);
    QCOMPARE(alerts.messages().first(),
        QStringLiteral("您确定要把群组'%1'删除吗？本群组下面所有的股票也将会被删除。")
            .arg(deleted.value(QStringLiteral("userstockgroupname")).toString()));
    QCOMPARE(alerts.alerts.first().buttons, strings({ "取消", "删除" }));
    QCOMPARE(alerts.messages().last(), QStringLiteral("分组删除成功!"));
    QCOMPARE(
        sent(backend::kApiDelGroup).first().value(QStringLiteral("id")), deleted.value(QStringLiteral("id")));
    QCOMPARE(defaults()->stringForKey(kCurGroupIdx), after);
    QTRY_COMPARE(manager->tableArray.size(), 1 + extra);
    QCOMPARE(defaults()->objectForKey(guestKey("savedGroupArray")).toList().size(), 1 + extra);
}

void tst_GroupManager::delete_cancelledOrFailed()
{
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 0 };
    cellAt(0)->deleteButton->click();
    QTRY_COMPARE(alerts.alerts.size(), 1);
    QTest::qWait(100);
    QVERIFY(sent(backend::kApiDelGroup).isEmpty());

    m_env->backend().failApi(backend::kApiDelGroup, -1);
    alerts.answers = { 1 };
    cellAt(0)->deleteButton->click();
    QTRY_COMPARE(alerts.messages().size(), 3);
    QCOMPARE(alerts.messages().last(), QStringLiteral("分组删除失败，请重试!"));
    QCOMPARE(manager->tableArray.size(), 2);
}

void tst_GroupManager::deletingShownGroup_panelFollowsOnClose()
{
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    cellAt(0)->deleteButton->click();
    QTRY_COMPARE(names(manager->tableArray), strings({ "股票组2" }));
    manager->close();

    // The list shows what is left, and the rows of the group it shows.
    QTRY_COMPARE(titles(m_panel->iPopUpButton), strings({ "股票组2" }));
    QCOMPARE(m_panel->iPopUpButton->titleOfSelectedItem(), QStringLiteral("股票组2"));
    QCOMPARE(m_panel->iCurGroupIdx, QStringLiteral("0"));
    QTRY_COMPARE(codes(m_panel->tableArray), strings({ "000002", "601398" }));

    // "修改分组名" renames the group shown.
    itemWithData(m_panel->groupSetMenu(), QStringLiteral("renameGroup"))->trigger();
    auto* dialog = m_host->findChild<EditGroupViewController*>();
    QVERIFY(dialog);
    dialog->nameTextField->setText(QStringLiteral("核心"));
    dialog->okButton->click();
    QTRY_COMPARE(sent(backend::kApiAddGroup).size(), 1);
    QCOMPARE(sent(backend::kApiAddGroup).first().value(QStringLiteral("id")).toString(), QStringLiteral("2"));
}

// A command on a row of a group another device deleted is told so, once,
// and the group leaves the list; it is not reported as a network failure.
void tst_GroupManager::rowCommand_groupDeletedElsewhere_saysSoAndDropsIt()
{
    m_panel = showPanel(m_host);
    QVERIFY(groupLoaded(m_panel));
    QTRY_COMPARE(m_panel->tableArray.size(), 3);
    QPointer<backend::ReplyObserver> elsewhere = new backend::ReplyObserver(this, {}, {});
    QVERIFY(m_env->delegate->iQuilorSDK()->delStockGroup(QStringLiteral("1"), nullptr, elsewhere));
    QTRY_VERIFY(!elsewhere);
    testsupport::AlertRecorder alerts;
    testsupport::MenuRecorder menus;
    menus.choice = strings({ "移到最前" });
    static_cast<MyStockTableCell*>(m_panel->iTableView->viewAtRow(2))->menuForEvent(QPoint());
    QTRY_COMPARE(alerts.messages(), strings({ "这个分组已经不存在了!" }));
    QTRY_COMPARE(titles(m_panel->iPopUpButton), strings({ "股票组2" }));
    QVERIFY(sent(backend::kApiAddStockToGroup).isEmpty());
}

void tst_GroupManager::everyGroupGone_nothingDeletedIsOfferedOrLoaded()
{
    ZXGView::setLoginRetryDelayMs(100);
    testsupport::NotificationRecorder notices;
    m_panel = showPanel(m_host);
    QVERIFY(groupLoaded(m_panel));
    QTRY_COMPARE(titles(m_panel->iPopUpButton).size(), 2);
    // Another device deletes the second group; choosing it here finds it
    // gone, which is no network failure.
    QPointer<backend::ReplyObserver> elsewhere = new backend::ReplyObserver(this, {}, {});
    QVERIFY(m_env->delegate->iQuilorSDK()->delStockGroup(QStringLiteral("2"), nullptr, elsewhere));
    QTRY_VERIFY(!elsewhere);
    testsupport::MenuRecorder menus;
    menus.choice = strings({ "股票组2" });
    m_panel->iPopUpButton->click();
    QTRY_COMPARE(titles(m_panel->iPopUpButton), strings({ "自选股" }));
    QTRY_COMPARE(m_panel->tableArray.size(), 3);

    // The manager deletes the last group: the backend answers with no groups.
    m_panel->SetBtnPressed();
    auto* manager = m_host->findChild<EditGroupViewController1*>();
    QVERIFY(manager);
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    cellAt(0)->deleteButton->click();
    QTRY_VERIFY(manager->tableArray.isEmpty());
    manager->close();
    QTRY_VERIFY(m_panel->tableArray.isEmpty());
    QCOMPARE(m_panel->iPopUpButton->itemArray().first()->data().toString(), QStringLiteral("all"));
    QVERIFY(defaults()->objectForKey(guestKey("savedGroupArray")).toList().isEmpty());

    // The freed name is taken again.
    itemWithData(m_panel->groupSetMenu(), QStringLiteral("addGroup"))->trigger();
    auto* dialog = m_host->findChild<AddGroupViewController*>();
    QVERIFY(dialog);
    dialog->nameTextField->setText(QStringLiteral("自选股"));
    QTest::keyClick(dialog->nameTextField, Qt::Key_Return);
    QTRY_COMPARE(m_panel->iMyStockGroup->iGroupArray.size(), 1);
    QVERIFY(alerts.messages().contains(QStringLiteral("添加群组成功!")));
    // The gone group was asked for once, and nobody heard of a network failure.
    int loadsOfGone = 0;
    for (const QVariantMap& body : sent(backend::kApiGroupStocks))
        loadsOfGone += body.value(QStringLiteral("userstockgroupid")).toString() == QStringLiteral("2");
    QCOMPARE(loadsOfGone, 1);
    QVERIFY(notices.delivered.isEmpty());
}

void tst_GroupManager::rowButtons_sendOrders_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("sentOrder");
    QTest::newRow("to first") << QStringLiteral("moveToFirstButton") << 1 << QStringLiteral("0");
    QTest::newRow("up from 0") << QStringLiteral("moveToPreButton") << 0 << QStringLiteral("-1");
    QTest::newRow("down from 1") << QStringLiteral("moveToNextButton") << 1 << QStringLiteral("2");
}

void tst_GroupManager::rowButtons_sendOrders()
{
    QFETCH(QString, button);
    QFETCH(int, row);
    QFETCH(QString, sentOrder);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    EditGroupTableCellView* cell = cellAt(row);
    const QVariantMap group = manager->tableArray.at(row).toMap();
    const auto reloads = sent(backend::kApiGetGroups).size();
    cell->findChild<QPushButton*>(button)->click();
    QTRY_COMPARE(sent(backend::kApiAddGroup).size(), 1);
    const QVariantMap body = sent(backend::kApiAddGroup).first();
    QCOMPARE(body.value(QStringLiteral("userstockgrouporder")).toString(), sentOrder);
    QCOMPARE(body.value(QStringLiteral("id")), group.value(QStringLiteral("id")));
    QCOMPARE(
        body.value(QStringLiteral("userstockgroupname")), group.value(QStringLiteral("userstockgroupname")));
    // The list is looked at before the move and reloaded after it.
    QTRY_COMPARE(sent(backend::kApiGetGroups).size(), reloads + 2);

    // A row without an id moves nothing.
    cell->UpdateCell(dict({ { "userstockgroupname", "无号" }, { "userstockgrouporder", "1" } }));
    cell->findChild<QPushButton*>(button)->click();
    QTest::qWait(200);
    QCOMPARE(sent(backend::kApiAddGroup).size(), 1);
}

void tst_GroupManager::drag_sendsTargetOrder_data()
{
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("above");
    QTest::addColumn<int>("target"); // -1: nothing sent
    QTest::newRow("row 0 above row 3 takes row 2's order") << 0 << 3 << true << 2;
    QTest::newRow("row 3 above row 1 takes row 1's order") << 3 << 1 << true << 1;
    QTest::newRow("row 1 on row 2") << 1 << 2 << false << 2;
    QTest::newRow("past the end sends nothing") << 1 << 4 << false << -1;
}

void tst_GroupManager::drag_sendsTargetOrder()
{
    QFETCH(int, dragged);
    QFETCH(int, row);
    QFETCH(bool, above);
    QFETCH(int, target);
    m_env->makeClient();
    addGroups(2);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    QTRY_COMPARE(manager->tableArray.size(), 4);
    const QVariantList rows = manager->tableArray;

    QMimeData pasteboard;
    QVERIFY(manager->tableViewWriteRowsWithIndexes(manager->iTableView, { dragged }, &pasteboard));
    QVERIFY(pasteboard.hasFormat(QString::fromUtf8(watchlist::kDragType)));
    manager->tableViewDraggingSession(manager->iTableView, QPoint(), { dragged });
    const DraggingInfo info { manager->iTableView, &pasteboard };
    const DropOperation operation = above ? DropOperation::Above : DropOperation::On;
    QCOMPARE(manager->tableViewValidateDrop(manager->iTableView, info, row, operation), Qt::MoveAction);
    QVERIFY(manager->tableViewAcceptDrop(manager->iTableView, info, row, operation));
    // From another table: offered as a copy, refused.
    StockTableView other;
    QCOMPARE(
        manager->tableViewValidateDrop(manager->iTableView, DraggingInfo { &other, nullptr }, 1, operation),
        Qt::CopyAction);
    QVERIFY(
        !manager->tableViewAcceptDrop(manager->iTableView, DraggingInfo { &other, nullptr }, 1, operation));

    if (target < 0) {
        QTest::qWait(200);
        QVERIFY(sent(backend::kApiAddGroup).isEmpty());
        return;
    }
    QCOMPARE(manager->isAddGroup, int(EditGroupViewController1::kReorder));
    QTRY_COMPARE(sent(backend::kApiAddGroup).size(), 1);
    const QVariantMap body = sent(backend::kApiAddGroup).first();
    const QVariantMap moved = rows.at(dragged).toMap();
    QCOMPARE(body.value(QStringLiteral("id")), moved.value(QStringLiteral("id")));
    QCOMPARE(body.value(QStringLiteral("userstockgrouporder")),
        rows.at(target).toMap().value(QStringLiteral("userstockgrouporder")));
    // A reorder reports nothing; the reloaded table shows the group at its new place.
    QTRY_COMPARE(manager->tableArray.value(target).toMap().value(QStringLiteral("id")),
        moved.value(QStringLiteral("id")));
}

void tst_GroupManager::twoChangesInFlight_neitherUndoesTheOther_data()
{
    QTest::addColumn<int>("extra");
    QTest::addColumn<QStringList>("steps"); // on the first group, while the first step's answer is held
    QTest::addColumn<QStringList>("after");
    QTest::newRow("down, then renamed")
        << 0 << strings({ "down", "rename" }) << strings({ "股票组2", "短线" });
    QTest::newRow("renamed, then down")
        << 0 << strings({ "rename", "down" }) << strings({ "股票组2", "短线" });
    QTest::newRow("down twice") << 1 << strings({ "down", "down" })
                                << strings({ "股票组2", "组3", "自选股" });
}

// Each change goes out with the name and order the group holds once the one
// before it was answered.
void tst_GroupManager::twoChangesInFlight_neitherUndoesTheOther()
{
    QFETCH(int, extra);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, after);
    BackendRelay relay(quint16(QUrl(m_env->standin.baseUrl()).port()));
    m_env->delegate->setIQuilorSDK(new QuilorSDK(
        relay.url(), QStringLiteral("2001"), QStringLiteral("400030000"), m_env->delegate.get()));
    addGroups(extra);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    QTRY_COMPARE(manager->tableArray.size(), 2 + extra);
    testsupport::AlertRecorder alerts;
    testsupport::InputRecorder inputs;
    inputs.answers = QStringList { QStringLiteral("短线") };
    relay.holdAnswersTo(QByteArrayLiteral("\"api\":\"90011\""));
    for (const QString& step : steps) {
        QPushButton* button
            = step == QStringLiteral("down") ? cellAt(0)->moveToNextButton : cellAt(0)->renameButton;
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(relay.hasHeld());
    }
    relay.release();
    QTRY_COMPARE(names(manager->tableArray), after);
    QTRY_COMPARE(m_env->delegate->iQuilorSDK()->iHttpSession()->requestsInFlight(), 0);
    QCOMPARE(sent(backend::kApiAddGroup).size(), 2);
    QCOMPARE(names(manager->tableArray), after);
}

void tst_GroupManager::render_manager()
{
    m_env->makeClient();
    addGroups(1);
    // The longest name a group may have does not fit the row: it is cut short.
    const QString longName = QStringLiteral("长线价值投资精选组合第二期备选观察名单甲");
    QCOMPARE(longName.size(), watchlist::kGroupNameMaxLength);
    m_env->delegate->iQuilorSDK()->addStockGroup(longName, QStringLiteral("9"), QString(), nullptr, nullptr);
    QTRY_COMPARE(sent(backend::kApiAddGroup).size(), 1);
    EditGroupViewController1* manager = openManager();
    QVERIFY(manager);
    QTRY_COMPARE(manager->iTableView->numberOfRows(), 4);
    QCOMPARE(cellAt(3)->textField->fullText(), longName);
    QVERIFY2(cellAt(3)->textField->text().endsWith(QChar(0x2026)), qPrintable(cellAt(3)->textField->text()));
    manager->addGroupTextField->setText(QStringLiteral("长线"));
    QVERIFY(QFile::exists(testsupport::renderToPng(manager, QStringLiteral("watchlist_group_manager"))));
}

QTEST_MAIN(tst_GroupManager)
#include "tst_GroupManager.moc"
