#include "WatchlistTestEnv.h"
#include "app/SecurityScreen.h"
#include "backend/HttpSession.h"
#include "backend/User.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/Configuration.h"
#include "platform/UrlSession.h"
#include "platform/Values.h"
#include "screens/SegmentedControl.h"
#include "watchlist/VIPViewController.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// A stock screen that only records what it was opened with.
class RecordingScreen : public platform::ViewController, public SecurityScreen {
public:
    static inline QStringList opened;
    void bindCode(const QString& code, QuilorSDK*) override { opened << code; }
    void setMyStockChanged(std::function<void()>) override { }
};

QString rowValue(const VIPViewController& window, int row, const char* name)
{
    return window.stockDicts.at(row)->value(s(name)).toString();
}

bool allRowsHave(const VIPViewController& window, const char* name)
{
    if (window.stockDicts.isEmpty())
        return false;
    for (const platform::SharedDict& row : window.stockDicts) {
        if (!row->contains(s(name)))
            return false;
    }
    return true;
}

// The per-row requests of the passes, as "feed:600000", "app:600000",
// "flow:600000".
QAction* itemWithTitle(QMenu* menu, const QString& title)
{
    for (QAction* item : menu->actions()) {
        if (item->text() == title)
            return item;
    }
    qFatal("no menu item %s", qUtf8Printable(title));
}

QStringList passSteps(const QStringList& log)
{
    static const QRegularExpression feed(s("^/data/feed/[01]([0-9]{6})$"));
    static const QRegularExpression app(s("^/app/stock/[01]([0-9]{6})\\.json$"));
    static const QRegularExpression flow(s("^/js/([0-9]{6})\\.js$"));
    QStringList steps;
    for (const QString& entry : log) {
        const QString path = entry.section(QLatin1Char('?'), 0, 0);
        if (const auto m = feed.match(path); m.hasMatch())
            steps << s("feed:") + m.captured(1);
        else if (const auto m = app.match(path); m.hasMatch())
            steps << s("app:") + m.captured(1);
        else if (const auto m = flow.match(path); m.hasMatch())
            steps << s("flow:") + m.captured(1);
    }
    return steps;
}

// One pass at a time means strict feed, app, flow triples of one code
// (from the first feed request on: the log may start inside a row).
bool stepsAreSequential(QStringList steps, QString* why)
{
    while (!steps.isEmpty() && !steps.constFirst().startsWith(s("feed:")))
        steps.removeFirst();
    static const char* const order[] = { "feed:", "app:", "flow:" };
    for (int i = 0; i < steps.size(); ++i) {
        const QString expected = s(order[i % 3]);
        const QString code = steps.at(i - i % 3).section(QLatin1Char(':'), 1);
        if (steps.at(i) != expected + code) {
            *why = QStringLiteral("step %1 is %2, expected %3%4 (%5)")
                       .arg(i)
                       .arg(steps.at(i), expected, code, steps.join(QLatin1Char(' ')));
            return false;
        }
    }
    return true;
}
} // namespace

class tst_RecommendWindow : public QObject {
    Q_OBJECT
public:
    // The terminal as a user has it: no logging rules from the test set-up.
    static void initMain() { qunsetenv("QT_LOGGING_RULES"); }

private Q_SLOTS:
    void init();
    void cleanup();

    void opening_showsEmptyTableAndRequestsNothing();
    void segments_askForTheirTypeAndDate_data();
    void segments_askForTheirTypeAndDate();
    void refresh_fillsRowsThenPassesRefreshThem();
    void listBeyondThePage_showsThePage();
    void refreshDuringPass_endsPassAndListsAgain();
    void refreshDuringPause_runsAtOnceWithOnePass();
    void segmentDuringPass_showsNoRowOfTheListBefore();
    void failures_notifyUnlessCodeOne_data();
    void failures_notifyUnlessCodeOne();
    void quoteFeedFailure_leavesTableEmpty();
    void stepFailures_keepValuesAndMoveOn();
    void menu_entriesByGroupsAndOperator_data();
    void menu_entriesByGroupsAndOperator();
    void addToGroup_data();
    void addToGroup();
    void delete_asOperator_removesRowsUpToTheLast();
    void rowMenu_actsOnItsRowAfterTheListChanged_data();
    void rowMenu_actsOnItsRowAfterTheListChanged();
    void doubleClick_opensSelectedStockOnly();
    void render_table();

private:
    VIPViewController* openWindow(int passPauseMs = 60000, int flowRetryMs = 10);
    void refreshAndWaitForRows(int count = 5);
    QList<QVariantMap> listRequests() { return m_env->bodiesFor(90016); }

    std::unique_ptr<WatchlistTestEnv> m_env;
    std::unique_ptr<VIPViewController> m_window;
    std::unique_ptr<testsupport::NotificationRecorder> m_notes;
};

void tst_RecommendWindow::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    m_env->makeClient();
    m_notes = std::make_unique<testsupport::NotificationRecorder>();
    RecordingScreen::opened.clear();
    platform::ControllerRegistry::registerClass<RecordingScreen>(QString::fromUtf8(app::kStockScreenId));
    VIPViewController::setOperatorUserId(QString());
}

void tst_RecommendWindow::cleanup()
{
    m_window.reset();
    m_notes.reset();
    m_env.reset();
    VIPViewController::setOperatorUserId(QString());
}

VIPViewController* tst_RecommendWindow::openWindow(int passPauseMs, int flowRetryMs)
{
    m_window = std::make_unique<VIPViewController>();
    m_window->setDelays(passPauseMs, flowRetryMs);
    m_window->show();
    m_window->loadViewIfNeeded();
    return m_window.get();
}

void tst_RecommendWindow::refreshAndWaitForRows(int count)
{
    m_window->refreshButton->click();
    QTRY_COMPARE(m_window->stockDicts.size(), count);
    // The table takes the rows on a later turn of the loop.
    QTRY_COMPARE(m_window->table->model()->rowCount(), count);
}

void tst_RecommendWindow::opening_showsEmptyTableAndRequestsNothing()
{
    VIPViewController* window = openWindow();
    QCOMPARE(window->title(), s("岚石通VIP每日金股"));
    QCOMPARE(window->iDateStr, QDate::currentDate().toString(s("yyyy-MM-dd")));
    QCOMPARE(window->table->model()->rowCount(), 0);
    QVERIFY(window->iProgressIndicator->isHidden());
    QVERIFY(!window->isDoRefresh && !window->isUpdateAllStocks);
    QTest::qWait(100);
    QVERIFY(listRequests().isEmpty());
    // The window keeps its size whatever is proposed.
    QCOMPARE(window->windowWillResize(QSize(1200, 900)), QSize(767, 331));
    QCOMPARE(window->windowWillResize(QSize(100, 100)), QSize(767, 331));
}

void tst_RecommendWindow::segments_askForTheirTypeAndDate_data()
{
    QTest::addColumn<int>("segment");
    QTest::addColumn<QString>("recomtype");
    QTest::newRow("segment 0") << 0 << s("1");
    QTest::newRow("segment 1") << 1 << s("2");
    QTest::newRow("segment 2") << 2 << s("3");
}

void tst_RecommendWindow::segments_askForTheirTypeAndDate()
{
    QFETCH(int, segment);
    QFETCH(QString, recomtype);
    VIPViewController* window = openWindow();
    // Choosing a date only remembers it.
    window->selectDatePickerCell->setDate(QDate(2016, 3, 1));
    QCOMPARE(window->iDateStr, s("2016-03-01"));
    QTest::qWait(50);
    QVERIFY(listRequests().isEmpty());

    window->iSegmentedControl->segment(segment)->click();
    QVERIFY(window->iProgressIndicator->isVisible());
    QTRY_COMPARE(listRequests().size(), 1);
    const QVariantMap body = listRequests().constFirst();
    QCOMPARE(body.value(s("recomtype")).toString(), recomtype);
    QCOMPARE(body.value(s("pageindex")).toString(), s("0"));
    QCOMPARE(body.value(s("pagesize")).toString(), s("100"));
    QCOMPARE(body.value(s("recomdate")).toString(), s("2016-03-01"));
    QTRY_COMPARE(window->stockDicts.size(), 5);
    QVERIFY(window->iProgressIndicator->isHidden());
    QCOMPARE(rowValue(*window, 0, "recomtype"), recomtype);
    QCOMPARE(rowValue(*window, 0, "recomdate"), s("2016-03-01"));
}

void tst_RecommendWindow::refresh_fillsRowsThenPassesRefreshThem()
{
    const testsupport::LogCapture logged;
    VIPViewController* window = openWindow(50);
    refreshAndWaitForRows();
    QCOMPARE(window->table->model()->rowCount(), 5);
    QVERIFY(!window->isDoRefresh);
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(rowValue(*window, row, "stockcode").size(), 6);
        QVERIFY(!rowValue(*window, row, "stockname").isEmpty());
        QCOMPARE(rowValue(*window, row, "recomdate"), window->iDateStr);
        const double price = platform::doubleValue(rowValue(*window, row, "cprice"));
        const double reference = platform::doubleValue(rowValue(*window, row, "reprice"));
        QVERIFY(price > 0 && reference > 0);
        QVERIFY(qAbs(platform::doubleValue(rowValue(*window, row, "earnpercent"))
                    - (price - reference) / reference * 100.0)
            < 0.011);
    }
    // The first fill asked for every code at once.
    const QStringList log = m_env->standin.server().requestLog();
    QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const QString& path) {
        return path.startsWith(s("/data/feed/")) && path.count(QLatin1Char(',')) == 4;
    }));

    QTRY_VERIFY(allRowsHave(*window, "mainvalue"));
    QVERIFY(allRowsHave(*window, "ratio"));
    const QString code = rowValue(*window, 0, "stockcode");
    QVERIFY(allRowsHave(*window, "turnoverrate"));

    // After the pause the next pass starts again at the first row.
    QTRY_VERIFY(passSteps(m_env->standin.server().requestLog()).count(s("feed:") + code) >= 2);
    QString why;
    QVERIFY2(stepsAreSequential(passSteps(m_env->standin.server().requestLog()), &why), qPrintable(why));
    QCOMPARE(listRequests().size(), 1);

    // The turnover column shows percent: the feed's fraction times 100.
    QByteArray appBody;
    platform::UrlSession session;
    session.get(platform::Configuration::join(m_env->standin.baseUrl(), vip::stockAppPath(code)), {},
        &session, [&](const platform::UrlResponse& response) { appBody = response.body; });
    QTRY_VERIFY(!appBody.isEmpty());
    const QVariantMap first = platform::parseJson(appBody)
                                  .value_or(QVariant())
                                  .toMap()
                                  .value(s("data"))
                                  .toList()
                                  .value(0)
                                  .toMap();
    // Fetched a moment apart: during trading hours the volume grows.
    const double percent = platform::doubleValue(first.value(s("HS")));
    QVERIFY(percent > 0);
    QVERIFY2(qAbs(platform::doubleValue(rowValue(*window, 0, "turnoverrate")) - percent)
            <= qMax(0.02, percent * 0.05),
        qPrintable(rowValue(*window, 0, "turnoverrate")));

    // Closing the window ends the passes.
    window->hide();
    // Requests already under way may still land; after them comes a quiet window.
    QVERIFY(testsupport::waitForQuietRequests(
        m_env->standin.server(), [](const QString& path) { return !passSteps({ path }).isEmpty(); }, 200));
    // Lists and passes are a normal run: the terminal stays quiet.
    QVERIFY2(logged.messages().isEmpty(), qPrintable(logged.messages().join(QLatin1Char('\n'))));
}

void tst_RecommendWindow::listBeyondThePage_showsThePage()
{
    QByteArray list = R"({"code":"0","data":[)";
    for (int i = 0; i < 3000; ++i)
        list += QByteArray(i ? "," : "") + R"({"stockcode":"600000","stockname":"浦发银行","recomtype":"1"})";
    m_env->backend().answerApi(90016, list + "]}");
    openWindow();
    refreshAndWaitForRows(VIPViewController::kPageSize);
}

void tst_RecommendWindow::refreshDuringPass_endsPassAndListsAgain()
{
    VIPViewController* window = openWindow();
    refreshAndWaitForRows();
    QTRY_VERIFY(window->isUpdateAllStocks);
    window->refreshButton->click();
    QCOMPARE(window->WillDoUpData, qint64(1));
    QCOMPARE(listRequests().size(), 1);
    QTRY_COMPARE(listRequests().size(), 2);
    QTRY_COMPARE(window->stockDicts.size(), 5);
    QCOMPARE(window->WillDoUpData, qint64(0));
    m_env->standin.server().clearRequestLog();
    QTRY_VERIFY(allRowsHave(*window, "mainvalue"));
    QString why;
    QVERIFY2(stepsAreSequential(passSteps(m_env->standin.server().requestLog()), &why), qPrintable(why));
}

void tst_RecommendWindow::refreshDuringPause_runsAtOnceWithOnePass()
{
    VIPViewController* window = openWindow(300);
    refreshAndWaitForRows();
    QTRY_VERIFY(allRowsHave(*window, "mainvalue") && !window->isUpdateAllStocks);
    window->refreshButton->click();
    QVERIFY(window->isDoRefresh);
    // In the pause, and twice more in quick succession.
    window->refreshButton->click();
    window->refreshButton->click();
    QTRY_COMPARE(listRequests().size(), 4);
    QTRY_COMPARE(window->stockDicts.size(), 5);
    m_env->standin.server().clearRequestLog();
    // Long enough for the old pause to have ended and a second pass to start.
    QTest::qWait(700);
    QTRY_VERIFY_WITH_TIMEOUT(passSteps(m_env->standin.server().requestLog()).size() >= 15, 10000);
    const QStringList steps = passSteps(m_env->standin.server().requestLog());
    QString why;
    QVERIFY2(stepsAreSequential(steps, &why), qPrintable(why));
}

void tst_RecommendWindow::segmentDuringPass_showsNoRowOfTheListBefore()
{
    VIPViewController* window = openWindow();
    refreshAndWaitForRows();
    QTRY_VERIFY(window->isUpdateAllStocks);
    QTest::mouseClick(static_cast<QWidget*>(window->iSegmentedControl->segment(1)), Qt::LeftButton);
    QVERIFY(window->stockDicts.isEmpty());
    QTRY_COMPARE(listRequests().size(), 2);
    QCOMPARE(listRequests().constLast().value(s("recomtype")).toString(), s("2"));
    QTRY_COMPARE(window->stockDicts.size(), 5);
    QCOMPARE(rowValue(*window, 0, "recomtype"), s("2"));
}

void tst_RecommendWindow::failures_notifyUnlessCodeOne_data()
{
    QTest::addColumn<int>("api");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("notified");
    QTest::newRow("list, server code") << 90016 << -1001 << true;
    QTest::newRow("list, code one") << 90016 << 1 << false;
    QTest::newRow("add to group, code one") << 90013 << 1 << true;
}

void tst_RecommendWindow::failures_notifyUnlessCodeOne()
{
    QFETCH(int, api);
    QFETCH(int, code);
    QFETCH(bool, notified);
    VIPViewController* window = openWindow();
    if (api == 90013) {
        QuilorSDK* client = m_env->delegate->iQuilorSDK();
        client->iMyStockGroup()->setIGroupArray(
            { QVariantMap { { s("id"), s("1") }, { s("userstockgroupname"), s("自选股") } },
                QVariantMap { { s("id"), s("2") }, { s("userstockgroupname"), s("股票组2") } } });
        refreshAndWaitForRows();
        m_env->backend().failApi(api, code);
        QAction item;
        item.setData(0);
        item.setProperty("keyEquivalent", s("2"));
        window->cellMenuAddToPressed(&item);
        QTRY_COMPARE(m_env->bodiesFor(90013).size(), 1);
    } else {
        m_env->backend().failApi(api, code);
        window->refreshButton->click();
    }
    QTRY_VERIFY(window->iProgressIndicator->isHidden());
    // The add's failure does not touch the indicator: wait for its notice.
    if (notified)
        QTRY_COMPARE_WITH_TIMEOUT(m_notes->delivered.size(), 1, 10000);
    QTest::qWait(100);
    QCOMPARE(m_notes->delivered.size(), notified ? 1 : 0);
    if (notified) {
        QCOMPARE(m_notes->delivered.constFirst().title, s("网络不给力"));
        QCOMPARE(m_notes->delivered.constFirst().informativeText, s("网络不给力，请重试！"));
        QCOMPARE(m_notes->delivered.constFirst().soundName, s("default"));
    }
    if (api == 90016) {
        QVERIFY(window->stockDicts.isEmpty());
        QVERIFY(window->isDoRefresh);
    } else {
        QCOMPARE(window->stockDicts.size(), 5);
    }
}

void tst_RecommendWindow::quoteFeedFailure_leavesTableEmpty()
{
    VIPViewController* window = openWindow();
    m_env->standin.server().failPath(s("/data/feed/"), 500);
    window->refreshButton->click();
    QTRY_VERIFY(!window->isDoRefresh);
    QTest::qWait(200);
    QVERIFY(window->stockDicts.isEmpty());
    QCOMPARE(window->table->model()->rowCount(), 0);
    QVERIFY(passSteps(m_env->standin.server().requestLog()).isEmpty());
    // The user's next refresh fills it.
    refreshAndWaitForRows();
}

void tst_RecommendWindow::stepFailures_keepValuesAndMoveOn()
{
    VIPViewController* window = openWindow();
    m_env->standin.server().failPath(s("/app/stock/"), 500, 1);
    m_env->standin.server().failPath(s("/js/"), 500, VIPViewController::kFlowAttempts);
    refreshAndWaitForRows();
    const QString first = rowValue(*window, 0, "stockcode");
    const QString second = rowValue(*window, 1, "stockcode");
    QTRY_VERIFY(window->stockDicts.at(1)->contains(s("mainvalue")));
    // The failed app step left the row without volume figures until the
    // retry fetched them; the fund flow was tried a bounded number of times.
    const QStringList steps = passSteps(m_env->standin.server().requestLog());
    QCOMPARE(steps.count(s("flow:") + first), VIPViewController::kFlowAttempts);
    QCOMPARE(steps.count(s("app:") + first), VIPViewController::kFlowAttempts);
    QVERIFY(!window->stockDicts.at(0)->contains(s("mainvalue")));
    QVERIFY(window->stockDicts.at(0)->contains(s("ratio")));
    QVERIFY(steps.indexOf(s("feed:") + second) > steps.lastIndexOf(s("flow:") + first));
}

void tst_RecommendWindow::menu_entriesByGroupsAndOperator_data()
{
    QTest::addColumn<int>("groups");
    QTest::addColumn<bool>("isOperator");
    QTest::addColumn<QStringList>("items");
    const QStringList addTo { s("添加到分组>"), s("  自选股"), s("  股票组2") };
    QTest::newRow("one group, ordinary user") << 1 << false << QStringList();
    QTest::newRow("two groups, ordinary user") << 2 << false << addTo;
    QTest::newRow("one group, operator") << 1 << true << QStringList { s("删除") };
    QTest::newRow("two groups, operator") << 2 << true << (addTo + QStringList { s("删除") });
}

void tst_RecommendWindow::menu_entriesByGroupsAndOperator()
{
    QFETCH(int, groups);
    QFETCH(bool, isOperator);
    QFETCH(QStringList, items);
    VIPViewController* window = openWindow();
    QVariantList groupArray { QVariantMap { { s("id"), s("1") }, { s("userstockgroupname"), s("自选股") } } };
    if (groups == 2)
        groupArray << QVariantMap { { s("id"), s("2") }, { s("userstockgroupname"), s("股票组2") } };
    m_env->delegate->iQuilorSDK()->iMyStockGroup()->setIGroupArray(groupArray);
    // Nobody is the operator while the id is not configured.
    if (isOperator)
        VIPViewController::setOperatorUserId(m_env->delegate->iQuilorSDK()->iUser()->qvmid);
    refreshAndWaitForRows();
    testsupport::MenuRecorder menus;
    const QRect cell = window->table->visualRect(window->table->model()->index(1, 0));
    Q_EMIT window->table->customContextMenuRequested(cell.center());
    QCOMPARE(menus.shown.size(), 1);
    QCOMPARE(menus.shown.constFirst(), items);
}

// A stock new to the group is added with no order and no alerts; one the
// group holds already keeps its order and alerts, and the user is told.
void tst_RecommendWindow::addToGroup_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("rowsChangedWhileOpen");
    QTest::newRow("new to the group") << false << false;
    QTest::newRow("held with alerts") << true << false;
    QTest::newRow("rows changed while the menu was open: the stock of the row chosen") << false << true;
}

void tst_RecommendWindow::addToGroup()
{
    QFETCH(bool, held);
    QFETCH(bool, rowsChangedWhileOpen);
    VIPViewController* window = openWindow();
    QuilorSDK* client = m_env->delegate->iQuilorSDK();
    client->iMyStockGroup()->setIGroupArray(
        { QVariantMap { { s("id"), s("1") }, { s("userstockgroupname"), s("自选股") } },
            QVariantMap { { s("id"), s("2") }, { s("userstockgroupname"), s("股票组2") } } });
    refreshAndWaitForRows();
    const QString code = rowValue(*window, 2, "stockcode");
    standin::StandInServer& server = m_env->standin.server();
    if (held) {
        client->addStockToGroup(
            code, QString(), QString(), s("2"), s("9.50"), s("0"), s("11.00"), nullptr, nullptr);
        QTRY_VERIFY(
            !market::GroupWrites::memberOf(testsupport::storedMembers(server, s("2")), code).isEmpty());
    }
    const QVariantList stored = testsupport::storedMembers(server, s("2"));
    const auto sent = m_env->bodiesFor(90013).size();
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { s("添加到分组"), s("股票组2") };
    const QString name = rowValue(*window, 2, "stockname");
    if (rowsChangedWhileOpen)
        menus.whileOpen = [window]() { window->stockDicts.removeFirst(); };
    // Told in the window, the terminal stays quiet.
    const testsupport::LogCapture log;
    const QRect cell = window->table->visualRect(window->table->model()->index(2, 0));
    Q_EMIT window->table->customContextMenuRequested(cell.center());
    QTRY_COMPARE(m_notes->delivered.size(), 1);
    QVERIFY2(log.messages().isEmpty(), qPrintable(log.messages().join(QLatin1Char('\n'))));
    if (held) {
        QCOMPARE(m_notes->delivered.constFirst().informativeText, s("目标组已经存在这支股票!"));
        QCOMPARE(m_env->bodiesFor(90013).size(), sent);
        QCOMPARE(testsupport::storedMembers(server, s("2")), stored);
        return;
    }
    QCOMPARE(m_notes->delivered.constFirst().title, s("添加分组成功"));
    QCOMPARE(m_notes->delivered.constFirst().informativeText, s("添加分组成功，恭喜！"));
    QCOMPARE(m_env->bodiesFor(90013).size(), sent + 1);
    const QVariantMap body = m_env->bodiesFor(90013).constLast();
    QCOMPARE(body.value(s("stockcode")).toString(), code);
    QCOMPARE(body.value(s("stockname")).toString(), name);
    QCOMPARE(body.value(s("userstockgroupid")).toString(), s("2"));
    QCOMPARE(body.value(s("userstockorder")).toString(), s("0"));
    for (const char* alert : { "lprice", "hprice", "vprice" })
        QCOMPARE(body.value(s(alert)).toString(), s("0"));
}

void tst_RecommendWindow::delete_asOperator_removesRowsUpToTheLast()
{
    VIPViewController* window = openWindow();
    VIPViewController::setOperatorUserId(m_env->delegate->iQuilorSDK()->iUser()->qvmid);
    refreshAndWaitForRows();
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { s("删除") };
    for (int left = 5; left > 0; --left) {
        const QString code = rowValue(*window, 0, "stockcode");
        const QRect cell = window->table->visualRect(window->table->model()->index(0, 0));
        Q_EMIT window->table->customContextMenuRequested(cell.center());
        QTRY_COMPARE(m_env->bodiesFor(90018).size(), 6 - left);
        const QVariantMap body = m_env->bodiesFor(90018).constLast();
        QCOMPARE(body.value(s("stockcode")).toString(), code);
        QCOMPARE(body.value(s("recomtype")).toString(), s("1"));
        QCOMPARE(body.value(s("recomdate")).toString(), window->iDateStr);
        // The rows left come back and replace the table, the last one too.
        QTRY_COMPARE(window->stockDicts.size(), left - 1);
        QTRY_COMPARE(window->table->model()->rowCount(), left - 1);
    }
    QVERIFY(m_notes->delivered.isEmpty());
}

// A row's menu stays open while the list changes under it (a refresh asked
// for during a pass runs then): its items act on the stock it was opened
// on, and a list answered for that stock's type is not shown under another.
void tst_RecommendWindow::rowMenu_actsOnItsRowAfterTheListChanged_data()
{
    QTest::addColumn<QStringList>("choice");
    QTest::addColumn<int>("api");
    QTest::newRow("add to a group") << QStringList { s("添加到分组"), s("股票组2") } << 90013;
    QTest::newRow("delete as operator") << QStringList { s("删除") } << 90018;
}

void tst_RecommendWindow::rowMenu_actsOnItsRowAfterTheListChanged()
{
    QFETCH(QStringList, choice);
    QFETCH(int, api);
    VIPViewController* window = openWindow();
    QuilorSDK* client = m_env->delegate->iQuilorSDK();
    VIPViewController::setOperatorUserId(client->iUser()->qvmid);
    client->iMyStockGroup()->setIGroupArray(
        { QVariantMap { { s("id"), s("1") }, { s("userstockgroupname"), s("自选股") } },
            QVariantMap { { s("id"), s("2") }, { s("userstockgroupname"), s("股票组2") } } });
    refreshAndWaitForRows();
    const QString code = rowValue(*window, 2, "stockcode");
    std::unique_ptr<QMenu> menu(window->getMenu(2));

    window->iSegmentedControl->segment(1)->click();
    QTRY_COMPARE(window->stockDicts.size(), 5);
    QCOMPARE(rowValue(*window, 2, "recomtype"), s("2"));
    QVERIFY(rowValue(*window, 2, "stockcode") != code);

    QMenu* items = menu.get();
    for (qsizetype i = 0; i + 1 < choice.size(); ++i)
        items = itemWithTitle(items, choice.at(i))->menu();
    itemWithTitle(items, choice.last())->trigger();
    QTRY_COMPARE(m_env->bodiesFor(api).size(), 1);
    QCOMPARE(m_env->bodiesFor(api).constFirst().value(s("stockcode")).toString(), code);
    if (api == 90018)
        QCOMPARE(m_env->bodiesFor(api).constFirst().value(s("recomtype")).toString(), s("1"));
    QTRY_COMPARE(client->iHttpSession()->requestsInFlight(), 0);
    QTest::qWait(100);
    QCOMPARE(window->stockDicts.size(), 5);
    QCOMPARE(rowValue(*window, 0, "recomtype"), s("2"));
}

void tst_RecommendWindow::doubleClick_opensSelectedStockOnly()
{
    VIPViewController* window = openWindow();
    refreshAndWaitForRows();
    window->table->clearSelection();
    window->doubleClickInTable();
    QVERIFY(RecordingScreen::opened.isEmpty());

    window->table->selectRow(3);
    const QModelIndex index = window->table->model()->index(3, 1);
    Q_EMIT window->table->doubleClicked(index);
    QCOMPARE(RecordingScreen::opened, QStringList { rowValue(*window, 3, "stockcode") });
}

void tst_RecommendWindow::render_table()
{
    VIPViewController* window = openWindow();
    refreshAndWaitForRows();
    QTRY_VERIFY(window->stockDicts.at(2)->contains(s("mainvalue")));
    const QString path = testsupport::renderToPng(window, s("recommend_table"));
    QVERIFY(QFile::exists(path));
}

QTEST_MAIN(tst_RecommendWindow)
#include "tst_RecommendWindow.moc"
