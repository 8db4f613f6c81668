#include "WatchlistTestEnv.h"
#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "backend/ReplyObserver.h"
#include "market/MyStockGroup.h"
#include "market/stocks.h"
#include "platform/widgets/Colors.h"
#include "watchlist/MyStockTableCell.h"
#include "watchlist/Registration.h"
#include "watchlist/ZXGView.h"
#include "watchlist/commentStockViewController.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
QVariantMap rowOf(const QVariantList& rows, const QString& code)
{
    for (const QVariant& row : rows) {
        if (row.toMap().value(QStringLiteral("stockcode")).toString() == code)
            return row.toMap();
    }
    return {};
}
} // namespace

class tst_commentStockViewController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void opensFromRowMenu_withStoredValues();
    void fill_storedValueShownAndSavedAgain_data();
    void fill_storedValueShownAndSavedAgain();
    void fill_priceLineColourAndSign_data();
    void fill_priceLineColourAndSign();
    void fill_priceLineNeverFromQuoteStore();
    void save_valuesWithTwoDecimals_data();
    void save_valuesWithTwoDecimals();
    void save_successClosesOnlyWithBlock();
    void save_failureKeepsEntries();
    void save_twiceSendsTwice();
    void save_withoutCurrentGroupReportsFailure();
    void save_typedEntry_data();
    void save_typedEntry();
    void save_editorClosedBeforeReply_data();
    void save_editorClosedBeforeReply();
    void save_afterAnotherUserLoggedIn_sendsNothing();
    void keys_returnSavesEscapeCancels_data();
    void keys_returnSavesEscapeCancels();
    void render_editor();

private:
    void setUpPanel();
    commentStockViewController* openEditor(const QVariantMap& row, bool withBlock = true);

    std::unique_ptr<WatchlistTestEnv> m_env;
    std::unique_ptr<platform::ViewController> m_host;
    ZXGView* m_panel = nullptr;
};

void tst_commentStockViewController::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    watchlist::registerControllers();
}

void tst_commentStockViewController::cleanup()
{
    m_host.reset();
    m_panel = nullptr;
    m_env.reset();
}

void tst_commentStockViewController::setUpPanel()
{
    m_panel = showPanel(m_host);
    QVERIFY(groupLoaded(m_panel));
}

commentStockViewController* tst_commentStockViewController::openEditor(const QVariantMap& row, bool withBlock)
{
    if (withBlock) {
        QVariantMap event = row;
        event.insert(QStringLiteral("event"), QStringLiteral("setComment"));
        m_panel->cellCallBack(event);
        return m_host->findChild<commentStockViewController*>();
    }
    auto* editor = new commentStockViewController;
    editor->setSelfDict(row);
    m_host->presentViewControllerAsModalWindow(editor);
    return editor;
}

void tst_commentStockViewController::opensFromRowMenu_withStoredValues()
{
    QuilorSDK* client = m_env->makeClient();
    client->addStockToGroup(QStringLiteral("600519"), QString(), QString(), QStringLiteral("1"),
        QStringLiteral("1400.00"), QStringLiteral("0"), QStringLiteral("1650.50"), nullptr, nullptr);
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), 1);
    setUpPanel();
    QTRY_VERIFY(m_panel->iTableView->viewAtRow(2));
    auto* cell = static_cast<MyStockTableCell*>(m_panel->iTableView->viewAtRow(2));
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("设置提醒") };
    cell->menuForEvent(QPoint(10, 10));
    commentStockViewController* editor = nullptr;
    QTRY_VERIFY((editor = m_host->findChild<commentStockViewController*>()) != nullptr);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->nameCodeTextField->text(), QStringLiteral("贵州茅台(600519)"));
    QVERIFY(editor->lpriceButton->isChecked());
    QCOMPARE(editor->lpriceTextField->text(), QStringLiteral("1400"));
    QVERIFY(!editor->hpriceButton->isChecked());
    QVERIFY(editor->hpriceTextField->text().isEmpty());
    QVERIFY(editor->vpriceButton->isChecked());
    QCOMPARE(editor->vpriceTextField->text(), QStringLiteral("1650.5"));
    QVERIFY(editor->commentOK);
}

// A stored value opens switched on in a form the editor saves as it was.
void tst_commentStockViewController::fill_storedValueShownAndSavedAgain_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("saved");
    QTest::newRow("two decimals") << QStringLiteral("12.50") << true << QStringLiteral("12.5")
                                  << QStringLiteral("12.50");
    QTest::newRow("ten million") << QStringLiteral("10000000.00") << true << QStringLiteral("10000000")
                                 << QStringLiteral("10000000.00");
    QTest::newRow("off") << QStringLiteral("0") << false << QString() << QStringLiteral("0");
    QTest::newRow("below zero") << QStringLiteral("-3.00") << false << QString() << QStringLiteral("0");
    QTest::newRow("not a number") << QStringLiteral("abc") << false << QString() << QStringLiteral("0");
}

void tst_commentStockViewController::fill_storedValueShownAndSavedAgain()
{
    QFETCH(QString, stored);
    QFETCH(bool, on);
    QFETCH(QString, shown);
    QFETCH(QString, saved);
    setUpPanel();
    QVariantMap row = rowOf(m_panel->tableArray, QStringLiteral("600000"));
    row.insert(QStringLiteral("hprice"), stored);
    commentStockViewController* editor = openEditor(row);
    QVERIFY(editor);
    QCOMPARE(editor->hpriceButton->isChecked(), on);
    QCOMPARE(editor->hpriceTextField->text(), shown);
    testsupport::AlertRecorder alerts;
    QTest::mouseClick(editor->okButton, Qt::LeftButton);
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("修改提醒成功!") });
    QCOMPARE(
        m_env->bodiesFor(backend::kApiAddStockToGroup).first().value(QStringLiteral("hprice")).toString(),
        saved);
}

void tst_commentStockViewController::fill_priceLineColourAndSign_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("rise") << QStringLiteral("1.52") << QStringLiteral("10.46 (+1.52%)")
                          << platform::Colors::red();
    QTest::newRow("fall with its own minus")
        << QStringLiteral("-2.10") << QStringLiteral("10.46 (-2.10%)") << platform::Colors::green();
    QTest::newRow("unchanged") << QStringLiteral("0") << QStringLiteral("10.46 (0%)")
                               << platform::Colors::white();
    QTest::newRow("change the record cannot mean")
        << QStringLiteral("--") << QStringLiteral("10.46 (--)") << platform::Colors::white();
}

void tst_commentStockViewController::fill_priceLineColourAndSign()
{
    QFETCH(QString, rate);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    setUpPanel();
    QVariantMap row = rowOf(m_panel->tableArray, QStringLiteral("600000"));
    row.insert(QStringLiteral("cprice"), QStringLiteral("10.46"));
    row.insert(QStringLiteral("valuerate"), rate);
    commentStockViewController* editor = openEditor(row);
    QVERIFY(editor);
    QCOMPARE(editor->curPriceTextField->text(), text);
    QCOMPARE(editor->curPriceTextField->palette().color(QPalette::WindowText), colour);
}

void tst_commentStockViewController::fill_priceLineNeverFromQuoteStore()
{
    setUpPanel();
    // The panel's rows have their live quotes in the store by now.
    stocks* store = m_env->delegate->iQuilorSDK()->iStocks();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            const auto record = store->recordFor(QStringLiteral("600000"));
            return record && record->contains(QStringLiteral("cprice"));
        }(),
        10000);
    QVariantMap row = rowOf(m_panel->tableArray, QStringLiteral("600000"));
    row.remove(QStringLiteral("cprice"));
    row.remove(QStringLiteral("valuerate"));
    commentStockViewController* editor = openEditor(row);
    QVERIFY(editor);
    QVERIFY(editor->curPriceTextField->text().isEmpty());
}

void tst_commentStockViewController::save_valuesWithTwoDecimals_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("on, empty field") << true << QString() << QStringLiteral("0.00");
    QTest::newRow("off, whatever the field") << false << QStringLiteral("12") << QStringLiteral("0");
    QTest::newRow("on, rounded to two decimals") << true << QStringLiteral("9.876") << QStringLiteral("9.88");
    QTest::newRow("on, whole number") << true << QStringLiteral("11") << QStringLiteral("11.00");
}

void tst_commentStockViewController::save_valuesWithTwoDecimals()
{
    QFETCH(bool, on);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    setUpPanel();
    commentStockViewController* editor = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")));
    QVERIFY(editor);
    testsupport::AlertRecorder alerts;
    editor->lpriceButton->setChecked(on);
    editor->lpriceTextField->setText(typed);
    editor->hpriceButton->setChecked(true);
    editor->hpriceTextField->setText(QStringLiteral("12.5"));
    editor->okButton->click();
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("修改提醒成功!") });

    const QVariantMap body = m_env->bodiesFor(backend::kApiAddStockToGroup).first();
    QCOMPARE(body.value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
    QCOMPARE(body.value(QStringLiteral("stockname")).toString(), QStringLiteral("浦发银行"));
    QCOMPARE(body.value(QStringLiteral("userstockorder")).toString(), QStringLiteral("0"));
    QCOMPARE(body.value(QStringLiteral("userstockgroupid")).toString(), QStringLiteral("1"));
    QCOMPARE(body.value(QStringLiteral("lprice")).toString(), saved);
    QCOMPARE(body.value(QStringLiteral("hprice")).toString(), QStringLiteral("12.50"));
    QCOMPARE(body.value(QStringLiteral("vprice")).toString(), QStringLiteral("0"));
    // The list reloads and its row carries what was stored; the order is unchanged. The high
    // price is what changes in every row, so it tells that the reload has come.
    QTRY_COMPARE(
        rowOf(m_panel->tableArray, QStringLiteral("600000")).value(QStringLiteral("hprice")).toString(),
        QStringLiteral("12.50"));
    QCOMPARE(rowOf(m_panel->tableArray, QStringLiteral("600000")).value(QStringLiteral("lprice")).toString(),
        saved);
    QCOMPARE(m_panel->tableArray.first().toMap().value(QStringLiteral("stockcode")).toString(),
        QStringLiteral("600000"));
}

void tst_commentStockViewController::save_successClosesOnlyWithBlock()
{
    setUpPanel();
    const QVariantMap row = rowOf(m_panel->tableArray, QStringLiteral("000001"));
    QPointer<commentStockViewController> bare = openEditor(row, false);
    testsupport::AlertRecorder alerts;
    bare->okButton->click();
    QTRY_COMPARE(alerts.messages().size(), 1);
    QTest::qWait(100);
    QVERIFY(bare);
    QVERIFY(bare->isVisible());
    bare->close();
    QTRY_VERIFY(!bare);

    const auto loads = m_env->bodiesFor(backend::kApiGroupStocks).size();
    QPointer<commentStockViewController> editor = openEditor(row);
    QVERIFY(editor);
    editor->okButton->click();
    QTRY_COMPARE(alerts.messages().size(), 2);
    QTRY_VERIFY(!editor);
    // The save looks at the group before it goes out; the list then reloads it.
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiGroupStocks).size(), loads + 2);
}

void tst_commentStockViewController::save_failureKeepsEntries()
{
    setUpPanel();
    QPointer<commentStockViewController> editor
        = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")));
    QVERIFY(editor);
    m_env->backend().failApi(backend::kApiAddStockToGroup, -1);
    testsupport::AlertRecorder alerts;
    editor->vpriceButton->setChecked(true);
    editor->vpriceTextField->setText(QStringLiteral("8.8"));
    editor->okButton->click();
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("修改提醒失败，请重试!") });
    QTest::qWait(100);
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->vpriceTextField->text(), QStringLiteral("8.8"));
    QVERIFY(editor->vpriceButton->isChecked());
    // Confirming again tries again.
    editor->okButton->click();
    QTRY_COMPARE(alerts.messages().last(), QStringLiteral("修改提醒成功!"));
    QCOMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).last().value(QStringLiteral("vprice")).toString(),
        QStringLiteral("8.80"));
}

void tst_commentStockViewController::save_twiceSendsTwice()
{
    setUpPanel();
    commentStockViewController* editor
        = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")), false);
    testsupport::AlertRecorder alerts;
    editor->okButton->click();
    editor->okButton->click();
    QTRY_COMPARE(alerts.messages().size(), 2);
    QCOMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), 2);
}

void tst_commentStockViewController::save_withoutCurrentGroupReportsFailure()
{
    setUpPanel();
    // A row that does not say its group falls back on the current one.
    QVariantMap row = rowOf(m_panel->tableArray, QStringLiteral("600000"));
    row.remove(QStringLiteral("userstockgroupid"));
    commentStockViewController* editor = openEditor(row, false);
    m_env->delegate->iQuilorSDK()->iMyStockGroup()->setICurIdx(7);
    testsupport::AlertRecorder alerts;
    editor->okButton->click();
    QCOMPARE(alerts.messages(), QStringList { QStringLiteral("修改提醒失败，请重试!") });
    QTest::qWait(100);
    QVERIFY(m_env->bodiesFor(backend::kApiAddStockToGroup).isEmpty());
}

void tst_commentStockViewController::save_typedEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved"); // empty: refused, nothing sent
    QTest::newRow("group separator") << QStringLiteral("2,300") << QString();
    QTest::newRow("unfinished") << QStringLiteral("12,") << QString();
    QTest::newRow("point alone") << QStringLiteral(".") << QString();
    QTest::newRow("whole number") << QStringLiteral("2300") << QStringLiteral("2300.00");
    QTest::newRow("decimals") << QStringLiteral("12.5") << QStringLiteral("12.50");
}

void tst_commentStockViewController::save_typedEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    setUpPanel();
    commentStockViewController* editor = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")));
    QVERIFY(editor);
    testsupport::AlertRecorder alerts;
    QTest::mouseClick(editor->lpriceButton, Qt::LeftButton);
    QVERIFY(editor->lpriceButton->isChecked());
    QTest::keyClicks(editor->lpriceTextField, typed);
    QCOMPARE(editor->lpriceTextField->text(), typed);
    QTest::mouseClick(editor->okButton, Qt::LeftButton);
    if (saved.isEmpty()) {
        QCOMPARE(alerts.messages().size(), 1);
        QVERIFY2(alerts.messages().first().contains(typed), qPrintable(alerts.messages().first()));
        QTest::qWait(200);
        QVERIFY(m_env->bodiesFor(backend::kApiAddStockToGroup).isEmpty());
        QCOMPARE(alerts.messages().size(), 1);
        return;
    }
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("修改提醒成功!") });
    QCOMPARE(
        m_env->bodiesFor(backend::kApiAddStockToGroup).first().value(QStringLiteral("lprice")).toString(),
        saved);
}

// The user closes the editor before the save is answered: the list still
// reloads the stored values, or the failure is still reported.
void tst_commentStockViewController::save_editorClosedBeforeReply_data()
{
    QTest::addColumn<bool>("stored");
    QTest::newRow("stored") << true;
    QTest::newRow("refused") << false;
}

void tst_commentStockViewController::save_editorClosedBeforeReply()
{
    QFETCH(bool, stored);
    setUpPanel();
    QPointer<commentStockViewController> editor
        = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")));
    QVERIFY(editor);
    if (!stored)
        m_env->backend().failApi(backend::kApiAddStockToGroup, -1004);
    testsupport::AlertRecorder alerts;
    editor->hpriceButton->setChecked(true);
    editor->hpriceTextField->setText(QStringLiteral("12.5"));
    editor->okButton->click();
    // Gone before any reply can have come in.
    editor->close();
    delete editor.data();
    if (stored) {
        QTRY_COMPARE_WITH_TIMEOUT(
            rowOf(m_panel->tableArray, QStringLiteral("600000")).value(QStringLiteral("hprice")).toString(),
            QStringLiteral("12.50"), 10000);
        QVERIFY(alerts.messages().isEmpty());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(
            alerts.messages(), QStringList { QStringLiteral("修改提醒失败，请重试!") }, 10000);
    }
}

void tst_commentStockViewController::keys_returnSavesEscapeCancels_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("saves");
    QTest::newRow("Return in a price field: 确定") << int(Qt::Key_Return) << 1;
    QTest::newRow("Escape: 取消, nothing sent") << int(Qt::Key_Escape) << 0;
}

void tst_commentStockViewController::keys_returnSavesEscapeCancels()
{
    QFETCH(int, key);
    QFETCH(int, saves);
    setUpPanel();
    QPointer<commentStockViewController> editor
        = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")));
    QVERIFY(editor);
    QVERIFY(QTest::qWaitForWindowExposed(editor));
    testsupport::AlertRecorder alerts;
    QTest::mouseClick(editor->hpriceButton, Qt::LeftButton);
    QTest::keyClicks(editor->hpriceTextField, QStringLiteral("12.5"));
    QTest::keyClick(editor->hpriceTextField, Qt::Key(key));
    // Saved, the editor closes on the reply; cancelled, at once.
    QTRY_VERIFY(!editor);
    QVERIFY(testsupport::waitForQuietRequests(m_env->standin.server()));
    QCOMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), saves);
    QCOMPARE(alerts.messages().size(), saves);
}

// The editor of a row of the guest's group, saved once another user logged
// in (whose group may have the same id): nothing is sent, and it says why.
void tst_commentStockViewController::save_afterAnotherUserLoggedIn_sendsNothing()
{
    setUpPanel();
    commentStockViewController* editor = openEditor(rowOf(m_panel->tableArray, QStringLiteral("600000")));
    QVERIFY(editor);
    QuilorSDK* client = m_env->delegate->iQuilorSDK();
    QPointer<backend::ReplyObserver> login = new backend::ReplyObserver(this, {}, {});
    QVERIFY(client->DoLogin(QStringLiteral("demo"), backend::passwordHash(QStringLiteral("demo1234")),
        QString(), true, nullptr, login));
    QTRY_VERIFY(!login);
    QTRY_COMPARE(m_panel->iMyStockGroup->userId(), QStringLiteral("400031001"));
    testsupport::AlertRecorder alerts;
    QTest::mouseClick(editor->hpriceButton, Qt::LeftButton);
    QTest::keyClicks(editor->hpriceTextField, QStringLiteral("12.5"));
    QTest::mouseClick(editor->okButton, Qt::LeftButton);
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("登录的用户已经更换，这项修改没有发出。") });
    QTRY_COMPARE(client->iHttpSession()->requestsInFlight(), 0);
    QVERIFY(m_env->bodiesFor(backend::kApiAddStockToGroup).isEmpty());
}

void tst_commentStockViewController::render_editor()
{
    setUpPanel();
    QVariantMap row = rowOf(m_panel->tableArray, QStringLiteral("600000"));
    row.insert(QStringLiteral("cprice"), QStringLiteral("10.46"));
    row.insert(QStringLiteral("valuerate"), QStringLiteral("1.55"));
    row.insert(QStringLiteral("lprice"), QStringLiteral("9.80"));
    commentStockViewController* editor = openEditor(row);
    QVERIFY(editor);
    QVERIFY(QFile::exists(testsupport::renderToPng(editor, QStringLiteral("watchlist_price_alert"))));
}

QTEST_MAIN(tst_commentStockViewController)
#include "tst_commentStockViewController.moc"
