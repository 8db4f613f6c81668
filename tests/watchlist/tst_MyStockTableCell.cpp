#include "WatchlistTestEnv.h"
#include "backend/MHTTPObserver.h"
#include "market/MyStockGroup.h"
#include "market/stocks.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Colors.h"
#include "screens/QuotePanel.h"
#include "watchlist/EditGroupTableCellView.h"
#include "watchlist/MyStockTableCell.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QWindow>

namespace {
const QString kStockupDateOk = QStringLiteral("StockupDateOk");

QVariantMap member(const char* code, const char* name, const char* order)
{
    return dict({ { "stockcode", code }, { "stockname", name }, { "name", name }, { "userstockorder", order },
        { "lprice", "0" }, { "hprice", "12.50" }, { "vprice", "0" } });
}

QColor colorOf(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

// What a label shows once drawn: the text of its document when it keeps one
// (markup, selectable text), else its text as it stands.
QString shownText(QLabel* label)
{
    label->grab();
    const QList<QTextDocument*> documents = label->findChildren<QTextDocument*>();
    return documents.isEmpty() ? label->text() : documents.first()->toPlainText();
}

bool showsColour(QWidget* widget, const QColor& colour)
{
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

// The tool tip a hover over `widget` shows.
QLabel* hoverToolTip(QWidget* widget)
{
    const QPoint centre = widget->rect().center();
    QHelpEvent hover(QEvent::ToolTip, centre, widget->mapToGlobal(centre));
    QApplication::sendEvent(widget, &hover);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->inherits("QTipLabel") && window->isVisible())
            return qobject_cast<QLabel*>(window);
    return nullptr;
}
} // namespace

class tst_MyStockTableCell : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void binding_codeLabels_data();
    void binding_codeLabels();
    void rebinding_unlabelledIndex_showsNothingOfThePreviousStock();
    void drawing_zeroRateWhitensSevenLabels();
    void drawing_ratioLayoutFollowsRecord();
    void drawing_missingValuepriceLeavesLabels();
    void notification_onlyOwnCodeRedraws();
    void attachment_registersAndRemovalUnregisters();
    void clicks_onlyExactlyTwoSendDoubleClick();
    void clicks_throughWindowSystem_data();
    void clicks_throughWindowSystem();
    void menu_itemsByGroups_data();
    void menu_itemsByGroups();
    void reorder_sendsOrder_data();
    void reorder_sendsOrder();
    void delete_confirmation_data();
    void delete_confirmation();
    void copy_intoGroupHoldingStock_alerts();
    void failures_showAlerts_data();
    void failures_showAlerts();
    void serverTexts_showAsWritten_data();
    void serverTexts_showAsWritten();

private:
    void setGroups(int count, bool currentHasId = true);
    MyStockTableCell* boundCell(const QVariantMap& record);

    std::unique_ptr<WatchlistTestEnv> m_env;
    QuilorSDK* m_client = nullptr;
    std::unique_ptr<QWidget> m_host;
    std::unique_ptr<QObject> m_receiver;
    QList<QVariantMap> m_events;
};

void tst_MyStockTableCell::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    m_client = m_env->makeClient();
    m_host = std::make_unique<QWidget>();
    m_host->resize(300, 60);
    m_receiver = std::make_unique<QObject>();
    m_events.clear();
    setGroups(2);
}

void tst_MyStockTableCell::cleanup()
{
    m_host.reset();
    m_receiver.reset();
    m_env.reset();
}

void tst_MyStockTableCell::setGroups(int count, bool currentHasId)
{
    QVariantList groups;
    const char* names[] = { "自选股", "股票组2", "股票组3" };
    for (int i = 0; i < count; ++i) {
        QVariantMap group = dict({ { "userstockgroupname", names[i] } });
        group.insert(QStringLiteral("userstockgrouporder"), QString::number(i));
        if (i > 0 || currentHasId)
            group.insert(QStringLiteral("id"), QString::number(i + 1));
        groups << group;
    }
    m_client->iMyStockGroup()->setIGroupArray(groups);
    m_client->iMyStockGroup()->setICurIdx(0);
}

MyStockTableCell* tst_MyStockTableCell::boundCell(const QVariantMap& record)
{
    auto* cell = new MyStockTableCell;
    cell->setDelegateCell(m_receiver.get());
    cell->setChangeCallBack([this](const QVariantMap& event) { m_events << event; });
    cell->UpdateCell(record);
    cell->setParent(m_host.get());
    cell->setGeometry(0, 0, 300, 40);
    m_host->show();
    return cell;
}

void tst_MyStockTableCell::binding_codeLabels_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("label");
    QTest::newRow("600000") << "600000"
                            << "SH.600000";
    QTest::newRow("599999") << "599999"
                            << "SZ.599999";
    QTest::newRow("000001.idx") << "000001.idx"
                                << "SH.000001";
    QTest::newRow("399006.idx") << "399006.idx"
                                << "SZ.399006";
    QTest::newRow("888888.idx") << "888888.idx"
                                << "HSC.888888";
}

void tst_MyStockTableCell::binding_codeLabels()
{
    QFETCH(QString, code);
    QFETCH(QString, label);
    QVariantMap record = member("", "某某", "0");
    record.insert(QStringLiteral("stockcode"), code);
    MyStockTableCell* cell = boundCell(record);
    QCOMPARE(cell->code->text(), label);
    QCOMPARE(cell->name->text(), QStringLiteral("某某"));
    QCOMPARE(cell->selfDict.value(QStringLiteral("isRunningHttp")).toString(), QStringLiteral("NO"));
    QCOMPARE(cell->selfDict.value(QStringLiteral("dataUploaded")).toString(), QStringLiteral("YES"));
    // Bound and attached, the code is in the store's refresh queue.
    QVERIFY(m_client->iStocks()->refreshQueue().contains(code));
}

void tst_MyStockTableCell::rebinding_unlabelledIndex_showsNothingOfThePreviousStock()
{
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    QVariantMap quote = dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" }, { "cprice", "10.46" },
        { "valueprice", "0.16" }, { "valuerate", "1.55" }, { "ratio", "1.2" }, { "turnoverrate", "0.3" },
        { "mainvalue", "0.5" } });
    cell->UpdateUI(&quote);
    QCOMPARE(cell->price->text(), QStringLiteral("10.46"));
    QCOMPARE(colorOf(cell->name), platform::Colors::red());

    // The reused row now stands for an index it cannot label.
    cell->UpdateCell(member("000300.idx", "沪深300", "1"));
    QCOMPARE(cell->name->text(), QStringLiteral("沪深300"));
    for (const QLabel* label :
        { cell->code, cell->price, cell->wave, cell->ratio, cell->turnoverrate, cell->mainvalue })
        QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName() + QLatin1Char('=') + label->text()));
    QCOMPARE(colorOf(cell->name), platform::Colors::white());
    QVERIFY(!m_client->iStocks()->recordFor(QStringLiteral("000300.idx")));
}

void tst_MyStockTableCell::drawing_zeroRateWhitensSevenLabels()
{
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    const QList<QLabel*> seven { cell->name, cell->price, cell->code, cell->wave, cell->turnoverrate,
        cell->ratio, cell->mainvalue };

    QVariantMap quote = dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" }, { "cprice", "10.20" },
        { "valueprice", "0.20" }, { "valuerate", "2.00" }, { "mainvalue", "1.5" } });
    cell->UpdateUI(&quote);
    for (QLabel* label : seven)
        QCOMPARE(colorOf(label), platform::Colors::red());

    quote.insert(QStringLiteral("valuerate"), QStringLiteral("0.00"));
    quote.remove(QStringLiteral("mainvalue"));
    cell->UpdateUI(&quote);
    for (QLabel* label : seven)
        QCOMPARE(colorOf(label), platform::Colors::white());
    QCOMPARE(cell->wave->text(), QStringLiteral("0.20  0.00%"));

    quote.insert(QStringLiteral("mainvalue"), QStringLiteral("-0.5"));
    cell->UpdateUI(&quote);
    QCOMPARE(colorOf(cell->mainvalue), platform::Colors::green());
    QCOMPARE(cell->mainvalue->text(), QStringLiteral("-0.5000亿"));
    QCOMPARE(colorOf(cell->price), platform::Colors::white());
}

void tst_MyStockTableCell::drawing_ratioLayoutFollowsRecord()
{
    MyStockTableCell* cell = boundCell(member("399001.idx", "深证成指", "0"));
    const int narrow = cell->ratio->width();
    QCOMPARE(narrow, 43);

    QVariantMap index = dict({ { "stockcode", "399001.idx" }, { "valueprice", "-12.1" },
        { "valuerate", "-0.11" }, { "transactionvaluecount", "35000000" } });
    cell->UpdateUI(&index);
    QCOMPARE(cell->ratio->text(), QStringLiteral("额: 3500.00亿"));
    QCOMPARE(cell->ratio->width(), 88);
    QVERIFY(cell->turnoverrate->isHidden());
    cell->UpdateUI(&index);
    QCOMPARE(cell->ratio->width(), 88);

    cell->removeFromSuperview();
    cell->UpdateCell(member("600000", "浦发银行", "0"));
    QVariantMap stock = dict({ { "stockcode", "600000" }, { "valueprice", "0.1" }, { "valuerate", "1.0" },
        { "ratio", "0.87" }, { "turnoverrate", "0.31" } });
    cell->UpdateUI(&stock);
    QCOMPARE(cell->ratio->width(), 43);
    QVERIFY(!cell->turnoverrate->isHidden());
    QCOMPARE(cell->ratio->text(), QStringLiteral("量:0.87"));
    QCOMPARE(cell->turnoverrate->text(), QStringLiteral("换:0.31%"));
    delete cell;
}

void tst_MyStockTableCell::drawing_missingValuepriceLeavesLabels()
{
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    cell->UpdateCell(member("600519", "贵州茅台", "2"));
    for (QLabel* label : { cell->price, cell->wave, cell->ratio, cell->turnoverrate, cell->mainvalue })
        QVERIFY(label->text().isEmpty());
    QVariantMap quote = dict(
        { { "stockcode", "600519" }, { "cprice", "1700.00" }, { "valuerate", "1.0" }, { "ratio", "1.2" } });
    cell->UpdateUI(&quote);
    QVERIFY(cell->price->text().isEmpty());
    QVERIFY(cell->ratio->text().isEmpty());
}

void tst_MyStockTableCell::notification_onlyOwnCodeRedraws()
{
    stocks* store = m_client->iStocks();
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    StockQuoteDict record = store->recordFor(QStringLiteral("600000"));
    QVERIFY(record);
    record->insert(QStringLiteral("valueprice"), QStringLiteral("0.33"));
    record->insert(QStringLiteral("valuerate"), QStringLiteral("-3.00"));
    record->insert(QStringLiteral("cprice"), QStringLiteral("9.99"));
    cell->price->setText(QStringLiteral("sentinel"));

    const StockQuoteDict other = platform::makeSharedDict(dict(
        { { "stockcode", "000002" }, { "valueprice", "1" }, { "valuerate", "1" }, { "cprice", "7.00" } }));
    platform::NotificationCenter::defaultCenter()->postNotificationName(
        kStockupDateOk, QVariant::fromValue(other));
    QCOMPARE(cell->price->text(), QStringLiteral("sentinel"));

    platform::NotificationCenter::defaultCenter()->postNotificationName(
        kStockupDateOk, QVariant::fromValue(record));
    QCOMPARE(cell->price->text(), record->value(QStringLiteral("cprice")).toString());
}

void tst_MyStockTableCell::attachment_registersAndRemovalUnregisters()
{
    stocks* store = m_client->iStocks();
    platform::NotificationCenter* center = platform::NotificationCenter::defaultCenter();
    const int observersBefore = center->observerCount(kStockupDateOk);

    auto* cell = new MyStockTableCell;
    // Not yet bound: attaching registers nothing.
    cell->setParent(m_host.get());
    QVERIFY(!cell->isRegistered());
    QCOMPARE(center->observerCount(kStockupDateOk), observersBefore);
    cell->removeFromSuperview();

    cell->UpdateCell(member("601398", "工商银行", "1"));
    cell->setParent(m_host.get());
    QVERIFY(cell->isRegistered());
    QVERIFY(store->refreshQueue().contains(QStringLiteral("601398")));
    QCOMPARE(center->observerCount(kStockupDateOk), observersBefore + 1);
    // Moving between parents keeps one observation.
    QWidget other;
    cell->setParent(&other);
    QCOMPARE(center->observerCount(kStockupDateOk), observersBefore + 1);

    cell->removeFromSuperview();
    QVERIFY(!cell->isRegistered());
    QVERIFY(!cell->parentWidget());
    QVERIFY(!store->refreshQueue().contains(QStringLiteral("601398")));
    QVERIFY(store->recordFor(QStringLiteral("601398")));
    QCOMPARE(center->observerCount(kStockupDateOk), observersBefore);
    delete cell;
}

void tst_MyStockTableCell::clicks_onlyExactlyTwoSendDoubleClick()
{
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    cell->mouseDown(3);
    cell->mouseDown(1);
    QVERIFY(m_events.isEmpty());
    cell->mouseDown(2);
    QCOMPARE(m_events.size(), 1);
    QCOMPARE(m_events.first().value(QStringLiteral("event")).toString(), QStringLiteral("DoubleClick"));
    QCOMPARE(m_events.first().value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
}

void tst_MyStockTableCell::clicks_throughWindowSystem_data()
{
    // Times of the left presses, in ms from the first.
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<int>("doubleClicks");
    const int apart = QApplication::doubleClickInterval() + 200;
    QTest::newRow("double click") << QList<int> { 0, 100 } << 1;
    QTest::newRow("triple click sends one") << QList<int> { 0, 100, 200 } << 1;
    QTest::newRow("two clicks too far apart") << QList<int> { 0, apart } << 0;
    QTest::newRow("two double clicks") << QList<int> { 0, 100, 3 * apart, 3 * apart + 100 } << 2;
}

void tst_MyStockTableCell::clicks_throughWindowSystem()
{
    // Presses go the way a real platform delivers them: Qt itself turns the
    // second press into a double-click event.
    QFETCH(QList<int>, presses);
    QFETCH(int, doubleClicks);
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QWindow* window = m_host->windowHandle();
    QVERIFY(window);
    const QPointF local(20, 10);
    const QPointF global = window->mapToGlobal(local);
    const int base = QTest::lastMouseTimestamp + 10 * QApplication::doubleClickInterval();
    for (int at : presses) {
        qt_handleMouseEvent(
            window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, {}, base + at);
        qt_handleMouseEvent(
            window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease, {}, base + at);
        QCoreApplication::processEvents();
    }
    QTest::lastMouseTimestamp = base + presses.last() + 10 * QApplication::doubleClickInterval();
    QCOMPARE(m_events.size(), doubleClicks);
    for (const QVariantMap& event : std::as_const(m_events))
        QCOMPARE(event.value(QStringLiteral("event")).toString(), QStringLiteral("DoubleClick"));
    QVERIFY(cell->isVisible());
}

void tst_MyStockTableCell::menu_itemsByGroups_data()
{
    QTest::addColumn<int>("groups");
    QTest::addColumn<bool>("currentHasId");
    QTest::addColumn<QStringList>("titles");
    const QStringList five = strings({ "移到最前", "上移一位", "下移一位", "设置提醒", "删除" });
    const QStringList seven
        = strings({ "移到最前", "上移一位", "下移一位", "移动到分组", "拷贝到分组", "设置提醒", "删除" });
    QTest::newRow("one group") << 1 << true << five;
    QTest::newRow("current group without id") << 2 << false << five;
    QTest::newRow("two groups") << 2 << true << seven;
    QTest::newRow("three groups") << 3 << true << seven;
}

void tst_MyStockTableCell::menu_itemsByGroups()
{
    QFETCH(int, groups);
    QFETCH(bool, currentHasId);
    QFETCH(QStringList, titles);
    setGroups(groups, currentHasId);
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    std::unique_ptr<QMenu> menu(cell->getMenu());
    QCOMPARE(menu->title(), QStringLiteral("Set"));
    QStringList shown;
    for (QAction* action : menu->actions())
        shown << action->text();
    QCOMPARE(shown, titles);
    if (titles.size() == 7) {
        QMenu* move = menu->actions().at(3)->menu();
        QVERIFY(move);
        QCOMPARE(move->objectName(), QStringLiteral("Move"));
        QCOMPARE(menu->actions().at(4)->menu()->objectName(), QStringLiteral("Copy"));
        // Every group but the current one, carrying its id.
        QCOMPARE(move->actions().size(), groups - 1);
        QCOMPARE(move->actions().first()->text(), QStringLiteral("股票组2"));
        QCOMPARE(move->actions().first()->data().toString(), QStringLiteral("2"));
    }
}

// The order and alerts sent are those the stock holds on the server when the
// command goes out, whatever the row still shows.
void tst_MyStockTableCell::reorder_sendsOrder_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("code"); // empty: a row without an order
    QTest::addColumn<QString>("sent");
    QTest::newRow("up from the top sends -1") << "上移一位"
                                              << "600000"
                                              << "-1";
    QTest::newRow("down from the last sends one past") << "下移一位"
                                                       << "600519"
                                                       << "3";
    QTest::newRow("to the top sends 0") << "移到最前"
                                        << "600519"
                                        << "0";
    QTest::newRow("up without an order sends nothing") << "上移一位"
                                                       << ""
                                                       << "";
}

void tst_MyStockTableCell::reorder_sendsOrder()
{
    QFETCH(QString, item);
    QFETCH(QString, code);
    QFETCH(QString, sent);
    QVariantMap record = member("600519", "贵州茅台", "1");
    record.insert(QStringLiteral("hprice"), QStringLiteral("0"));
    if (code.isEmpty()) {
        record.remove(QStringLiteral("userstockorder"));
    } else {
        record.insert(QStringLiteral("stockcode"), code);
        m_client->addStockToGroup(code, QString(), QString(), QStringLiteral("1"), QString(),
            QStringLiteral("12.50"), QString(), nullptr, nullptr);
        QTRY_COMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), 1);
    }
    const auto before = m_env->bodiesFor(backend::kApiAddStockToGroup).size();
    MyStockTableCell* cell = boundCell(record);

    testsupport::MenuRecorder menus;
    menus.choice = QStringList { item };
    cell->menuForEvent(QPoint(10, 10));
    QCOMPARE(menus.shown.size(), 1);

    if (sent.isEmpty()) {
        QTest::qWait(200);
        QCOMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), before);
        return;
    }
    QTRY_COMPARE(m_events.size(), 1);
    QCOMPARE(m_events.first().value(QStringLiteral("event")).toString(), QStringLiteral("DoRefresh"));
    QCOMPARE(m_env->bodiesFor(backend::kApiAddStockToGroup).size(), before + 1);
    const QVariantMap body = m_env->bodiesFor(backend::kApiAddStockToGroup).last();
    QCOMPARE(body.value(QStringLiteral("userstockorder")).toString(), sent);
    QCOMPARE(body.value(QStringLiteral("stockcode")).toString(), code);
    QCOMPARE(body.value(QStringLiteral("userstockgroupid")).toString(), QStringLiteral("1"));
    // The alert values travel along so a reorder keeps them.
    QCOMPARE(body.value(QStringLiteral("hprice")).toString(), QStringLiteral("12.50"));
}

void tst_MyStockTableCell::delete_confirmation_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("确定 deletes") << 0;
    QTest::newRow("取消 sends nothing") << 1;
}

void tst_MyStockTableCell::delete_confirmation()
{
    QFETCH(int, answer);
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    testsupport::AlertRecorder alerts;
    alerts.answers = { answer };
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("删除") };
    cell->menuForEvent(QPoint());

    QCOMPARE(alerts.alerts.size(), 1);
    QCOMPARE(alerts.alerts.first().messageText,
        QStringLiteral("您确定要把\"浦发银行\"从分组\"自选股\"中删除吗？"));
    QCOMPARE(alerts.alerts.first().buttons, (QStringList { QStringLiteral("确定"), QStringLiteral("取消") }));
    if (answer != 0) {
        QTest::qWait(200);
        QVERIFY(m_env->bodiesFor(backend::kApiDelStockFromGroup).isEmpty());
        QVERIFY(m_events.isEmpty());
        return;
    }
    QTRY_COMPARE(m_events.size(), 1);
    const QVariantMap body = m_env->bodiesFor(backend::kApiDelStockFromGroup).first();
    QCOMPARE(body.value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
    QCOMPARE(body.value(QStringLiteral("userstockgroupid")).toString(), QStringLiteral("1"));
}

void tst_MyStockTableCell::copy_intoGroupHoldingStock_alerts()
{
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    testsupport::AlertRecorder alerts;
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("拷贝到分组"), QStringLiteral("股票组2") };

    cell->menuForEvent(QPoint());
    QTRY_COMPARE(m_events.size(), 1);
    const QVariantMap body = m_env->bodiesFor(backend::kApiMoveOrCopyStock).first();
    QCOMPARE(body.value(QStringLiteral("type")).toString(), QStringLiteral("1"));
    QCOMPARE(body.value(QStringLiteral("newuserstockgroupid")).toString(), QStringLiteral("2"));
    QVERIFY(alerts.alerts.isEmpty());

    cell->menuForEvent(QPoint());
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("目标组已经存在这支股票!") });
    QCOMPARE(m_events.size(), 1);
}

void tst_MyStockTableCell::failures_showAlerts_data()
{
    QTest::addColumn<int>("api");
    QTest::addColumn<QStringList>("choice");
    QTest::addColumn<QString>("message");
    QTest::newRow("move fails") << int(backend::kApiMoveOrCopyStock)
                                << QStringList { QStringLiteral("移动到分组"), QStringLiteral("股票组2") }
                                << "网络不给力，请重试!";
    QTest::newRow("delete fails") << int(backend::kApiDelStockFromGroup)
                                  << QStringList { QStringLiteral("删除") }
                                  << "网络不给力，删除自选股失败，请重试!";
    QTest::newRow("reorder fails") << int(backend::kApiAddStockToGroup)
                                   << QStringList { QStringLiteral("移到最前") } << "网络不给力，请重试!";
}

void tst_MyStockTableCell::failures_showAlerts()
{
    QFETCH(int, api);
    QFETCH(QStringList, choice);
    QFETCH(QString, message);
    m_env->backend().failApi(api, -1);
    MyStockTableCell* cell = boundCell(member("600000", "浦发银行", "0"));
    testsupport::AlertRecorder alerts;
    testsupport::MenuRecorder menus;
    menus.choice = choice;
    cell->menuForEvent(QPoint());
    QTRY_VERIFY(alerts.messages().contains(message));
    QCOMPARE(alerts.alerts.last().buttons, QStringList { QStringLiteral("确定") });
    QTest::qWait(100);
    QVERIFY(m_events.isEmpty());
    QCOMPARE(cell->selfDict.value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
}

// A name that is markup naming a local image shows as written, in the places
// a server's names reach, and the image never shows.
void tst_MyStockTableCell::serverTexts_showAsWritten_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<bool>("cutShort");
    QTest::newRow("watch-list row") << "row" << true;
    QTest::newRow("group chooser") << "chooser" << true;
    QTest::newRow("group manager row") << "manager" << true;
    QTest::newRow("security screen name") << "panel" << false;
}

void tst_MyStockTableCell::serverTexts_showAsWritten()
{
    QFETCH(QString, place);
    QFETCH(bool, cutShort);
    QTemporaryDir folder;
    QImage image(6, 6, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QVERIFY(image.save(folder.filePath(QStringLiteral("probe.png"))));
    const QString name
        = QStringLiteral("<img src=\"%1\">x").arg(folder.filePath(QStringLiteral("probe.png")));

    QLabel* label = nullptr;
    QWidget* shown = nullptr;
    if (place == QLatin1String("row")) {
        QVariantMap record = member("600000", "", "0");
        record.insert(QStringLiteral("stockname"), name);
        shown = label = boundCell(record)->name;
    } else if (place == QLatin1String("chooser")) {
        auto* button = new watchlist::PopUpButton(m_host.get());
        auto* menu = new QMenu(button);
        menu->addAction(name);
        button->setPopUpMenu(menu);
        button->setGeometry(0, 0, 120, 30);
        button->selectItemAtIndex(0);
        shown = button;
    } else if (place == QLatin1String("manager")) {
        auto* row = new EditGroupTableCellView(m_host.get());
        row->setGeometry(0, 0, 300, 30);
        row->UpdateCell({ { QStringLiteral("id"), QStringLiteral("1") },
            { QStringLiteral("userstockgroupname"), name } });
        shown = label = row->textField;
    } else {
        auto* panel = new QuotePanel(QuotePanel::Stock, m_host.get());
        panel->resize(panel->sizeHint());
        quotepanel::PanelUpdate update;
        update.writes << quotepanel::FieldWrite { QStringLiteral("nameTextField"), name, std::nullopt };
        panel->apply(update);
        label = panel->field(QStringLiteral("nameTextField"));
        shown = panel;
    }
    m_host->show();

    if (label) {
        const QString text = shownText(label);
        QVERIFY2(text == name || (text.endsWith(QChar(0x2026)) && name.startsWith(text.chopped(1))),
            qPrintable(text));
    }
    QVERIFY(!showsColour(shown, Qt::magenta));
    QCOMPARE(!shown->toolTip().isEmpty(), cutShort);
    if (cutShort) {
        QLabel* tip = hoverToolTip(shown);
        QVERIFY(tip);
        QCOMPARE(shownText(tip), name);
        QVERIFY(!showsColour(tip, Qt::magenta));
        QToolTip::hideText();
    }
}

QTEST_MAIN(tst_MyStockTableCell)
#include "tst_MyStockTableCell.moc"
