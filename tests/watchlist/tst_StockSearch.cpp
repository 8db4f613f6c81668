#include "BackendRelay.h"
#include "WatchlistTestEnv.h"
#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "charts/DayKLineView.h"
#include "charts/timeLineView.h"
#include "market/MyStock.h"
#include "screens/SegmentedControl.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "watchlist/StockSearch.h"
#include "watchlist/ZXGView.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>

class tst_StockSearch : public QObject {
    Q_OBJECT
public:
    // The terminal as a user has it: no logging rules from the test set-up.
    static void initMain() { qunsetenv("QT_LOGGING_RULES"); }

private Q_SLOTS:
    void init();
    void cleanup();

    void typing_sendsOnlyPastLengthRule_data();
    void typing_sendsOnlyPastLengthRule();
    void hits_menuTitledNameAndCode();
    void recentSearches_offeredButNeverAdded();
    void choosingHit_opensTheScreenOfItsKind_data();
    void choosingHit_opensTheScreenOfItsKind();
    void replyNotAList_showsNoMenu();
    void replyBeyondThePage_showsOnlyThePageOfRealCodes();
    void failedSearch_keepsOldHitsAndAlertsNothing();
    void lateAnswerToOlderText_doesNotReplaceNewerMenu_data();
    void lateAnswerToOlderText_doesNotReplaceNewerMenu();
    void keysTypedIntoHits_goOnIntoTheField();
    void render_hitMenu();

private:
    ZXGView* setUpPanel();
    int searches() { return int(m_env->bodiesFor(backend::kApiSearchStock).size()); }

    std::unique_ptr<WatchlistTestEnv> m_env;
    std::unique_ptr<platform::ViewController> m_host;
    ZXGView* m_panel = nullptr;
};

void tst_StockSearch::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    platform::ControllerRegistry::registerClass<SingleStockViewController>(
        QString::fromUtf8(app::kStockScreenId));
    platform::ControllerRegistry::registerClass<SingleIndexViewController>(
        QString::fromUtf8(app::kIndexScreenId));
}

void tst_StockSearch::cleanup()
{
    m_host.reset();
    m_panel = nullptr;
    m_env.reset();
}

ZXGView* tst_StockSearch::setUpPanel()
{
    m_panel = showPanel(m_host);
    // The group arrives before any search, so hits never race the rows.
    if (!groupLoaded(m_panel))
        qWarning("the group did not load");
    return m_panel;
}

void tst_StockSearch::typing_sendsOnlyPastLengthRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sent");
    QTest::newRow("four digits") << QStringLiteral("6000") << false;
    QTest::newRow("five digits") << QStringLiteral("60000") << true;
    QTest::newRow("one letter") << QStringLiteral("p") << false;
    QTest::newRow("two letters") << QStringLiteral("pa") << true;
    QTest::newRow("two capitals") << QStringLiteral("PA") << true;
    QTest::newRow("one ideograph") << QStringLiteral("平") << false;
    QTest::newRow("two ideographs") << QStringLiteral("平安") << true;
    QTest::newRow("mixed three") << QStringLiteral("60a") << false;
    QTest::newRow("mixed four") << QStringLiteral("600a") << true;
    QTest::newRow("ideograph and letter") << QStringLiteral("平a") << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_StockSearch::typing_sendsOnlyPastLengthRule()
{
    QFETCH(QString, text);
    QFETCH(bool, sent);
    QCOMPARE(watchlist::searchTextQualifies(text), sent);

    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    // A text is typed into an empty field: a clear first so "empty" also changes the text.
    panel->iSearchField->setText(QStringLiteral("x"));
    panel->iSearchField->setText(text);
    if (!sent) {
        QTest::qWait(200);
        QCOMPARE(searches(), 0);
        return;
    }
    QTRY_COMPARE(searches(), 1);
    const QVariantMap body = m_env->bodiesFor(backend::kApiSearchStock).first();
    QCOMPARE(body.value(QStringLiteral("key")).toString(), text);
    QCOMPARE(body.value(QStringLiteral("pageindex")).toString(), QStringLiteral("0"));
    QCOMPARE(body.value(QStringLiteral("pagesize")).toString(), QStringLiteral("20"));
    QTRY_COMPARE(menus.shown.size(), 1);
}

void tst_StockSearch::hits_menuTitledNameAndCode()
{
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    panel->iSearchField->setText(QStringLiteral("pa"));
    QTRY_COMPARE(menus.shown.size(), 1);
    QCOMPARE(menus.shown.first(), QStringList { QStringLiteral("平安银行  000001") });
    QCOMPARE(panel->searchMenu()->title(), QStringLiteral("results"));
    QCOMPARE(panel->searchArray.size(), 1);

    // Every keystroke past the rule asks again; each answer replaces the menu.
    panel->iSearchField->setText(QStringLiteral("银行"));
    QTRY_COMPARE(menus.shown.size(), 2);
    QVERIFY(menus.shown.last().contains(QStringLiteral("浦发银行  600000")));
    QVERIFY(menus.shown.last().contains(QStringLiteral("工商银行  601398")));
    QCOMPARE(panel->searchMenu()->actions().size(), menus.shown.last().size());
}

void tst_StockSearch::recentSearches_offeredButNeverAdded()
{
    MyStock* recent = m_env->makeClient()->iMyStock();
    QVERIFY(recent);
    recent->addRecentSearch(QStringLiteral("GZMT"));
    ZXGView* panel = setUpPanel();
    QCompleter* completer = panel->iSearchField->completer();
    QVERIFY(completer);
    QCOMPARE(completer->model()->rowCount(), 1);
    QCOMPARE(completer->model()->index(0, 0).data().toString(), QStringLiteral("GZMT"));

    // Opening a hit neither extends the list nor replaces what the field offers.
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { QStringLiteral("平安银行  000001") };
    panel->iSearchField->setText(QStringLiteral("pa"));
    QTRY_VERIFY(m_host->findChild<SingleStockViewController*>());
    QCOMPARE(recent->recentSearches(), QStringList { QStringLiteral("GZMT") });
    QCOMPARE(panel->iSearchField->completer(), completer);
}

void tst_StockSearch::choosingHit_opensTheScreenOfItsKind_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hit");
    QTest::addColumn<QString>("code");
    QTest::newRow("stock by initials")
        << QStringLiteral("GZMT") << QStringLiteral("贵州茅台  600519") << QStringLiteral("600519");
    QTest::newRow("own index, as a row opens it")
        << QStringLiteral("LSTZ") << QStringLiteral("岚石通指  888888.idx") << QStringLiteral("888888.idx");
}

void tst_StockSearch::choosingHit_opensTheScreenOfItsKind()
{
    QFETCH(QString, text);
    QFETCH(QString, hit);
    QFETCH(QString, code);

    // Searching and opening a stock is a normal run: it leaves the terminal quiet.
    const testsupport::LogCapture log;
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    menus.choice = QStringList { hit };
    panel->iSearchField->setText(text);
    SecurityViewController* screen = nullptr;
    QTRY_VERIFY((screen = m_host->findChild<SecurityViewController*>()) != nullptr);
    QCOMPARE(screen->curCode, code);
    QVERIFY(screen->isVisible());

    const bool index = code.size() == 10;
    QCOMPARE(qobject_cast<SingleIndexViewController*>(screen) != nullptr, index);
    if (index) {
        // The index's own units (its record counts 亿手), its day K-line
        // only, and no limits or company data.
        QLabel* volume = screen->quotePanel->field(QStringLiteral("transaction100countField"));
        QTRY_VERIFY_WITH_TIMEOUT(volume->text().endsWith(QStringLiteral("亿手")), 10000);
        QVERIFY(!screen->quotePanel->field(QStringLiteral("today_limith_priceField")));
        QVERIFY(!screen->findChild<QPushButton*>(QStringLiteral("F10Btn")));
        QVERIFY(screen->kSeg->isHidden());
        QVERIFY(screen->iDayKLineView && !screen->iTimeLineView);
        QTRY_VERIFY_WITH_TIMEOUT(!m_env->bodiesFor(backend::kApiIndexDay).isEmpty(), 10000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!m_env->bodiesFor(backend::kApiStockDay).isEmpty(), 10000);
    }

    // Opening a hit leaves the recent-search list alone; a change made in the screen reloads the group.
    QVERIFY(m_env->delegate->iQuilorSDK()->iMyStock()->recentSearches().isEmpty());
    const auto loads = m_env->bodiesFor(backend::kApiGroupStocks).size();
    QVERIFY(screen->MyStockChanged);
    screen->MyStockChanged();
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiGroupStocks).size(), loads + 1);
    QVERIFY2(log.messages().isEmpty(), qPrintable(log.messages().join(QLatin1Char('\n'))));
}

void tst_StockSearch::replyNotAList_showsNoMenu()
{
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    panel->HttpResult(
        QVariantMap { { QStringLiteral("code"), QStringLiteral("0") } }, backend::kApiSearchStock, false);
    // Nothing was ever answered: showing does nothing either.
    panel->ShowMatchText();
    QTest::qWait(100);
    QVERIFY(menus.shown.isEmpty());

    // An empty answer still makes an (empty) menu.
    panel->HttpResult(QVariantList(), backend::kApiSearchStock, false);
    QTRY_COMPARE(menus.shown.size(), 1);
    QVERIFY(menus.shown.first().isEmpty());

    // A hit of the wrong length or without a code opens nothing.
    QAction odd(QStringLiteral("odd"));
    odd.setData(QStringLiteral("60000"));
    panel->SeachMenuItemSelected(&odd);
    panel->SeachMenuItemSelected(nullptr);
    QVERIFY(!m_host->findChild<SingleStockViewController*>());
    QVERIFY(m_env->delegate->iQuilorSDK()->iMyStock()->recentSearches().isEmpty());
}

void tst_StockSearch::replyBeyondThePage_showsOnlyThePageOfRealCodes()
{
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    QByteArray hits = "[{\"code\":\"" + QByteArray(5000, '6')
        + "\",\"stockname\":\"x\"},"
          "{\"code\":\"60/../\",\"stockname\":\"y\"}";
    for (int i = 0; i < 1000; ++i)
        hits += ",{\"code\":\"" + QByteArray::number(600000 + i) + "\",\"stockname\":\""
            + QByteArray(i == 1 ? 500 : 1, 'z') + "\"}";
    m_env->backend().answerApi(backend::kApiSearchStock, hits + "]");
    panel->iSearchField->setText(QStringLiteral("60000"));
    QTRY_COMPARE(menus.shown.size(), 1);
    QCOMPARE(menus.shown.first().size(), watchlist::kSearchPageSize);
    QCOMPARE(menus.shown.first().first(), QStringLiteral("z  600000"));
    // A name as long as a page ends in "…" and leaves its code readable.
    QVERIFY2(menus.shown.first().at(1).endsWith(QStringLiteral("…  600001"))
            && menus.shown.first().at(1).size() < 100,
        qPrintable(menus.shown.first().at(1)));
}

void tst_StockSearch::failedSearch_keepsOldHitsAndAlertsNothing()
{
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    testsupport::AlertRecorder alerts;
    panel->iSearchField->setText(QStringLiteral("pa"));
    QTRY_COMPARE(menus.shown.size(), 1);
    m_env->backend().failApi(backend::kApiSearchStock, -1006);
    panel->iSearchField->setText(QStringLiteral("wly"));
    QTRY_COMPARE(searches(), 2);
    QTest::qWait(200);
    QCOMPARE(menus.shown.size(), 1);
    QCOMPARE(panel->searchArray.size(), 1);
    QVERIFY(alerts.alerts.isEmpty());
}

void tst_StockSearch::lateAnswerToOlderText_doesNotReplaceNewerMenu_data()
{
    QTest::addColumn<QString>("typedNext");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("a longer code") << QStringLiteral("600000")
                                   << QStringList { QStringLiteral("浦发银行  600000") };
    // Nothing is asked for an empty field, and the hits of what it held are no answer to it.
    QTest::newRow("the field emptied") << QString() << QStringList();
}

void tst_StockSearch::lateAnswerToOlderText_doesNotReplaceNewerMenu()
{
    QFETCH(QString, typedNext);
    QFETCH(QStringList, shown);
    const quint16 port = quint16(QUrl(m_env->standin.baseUrl()).port());
    BackendRelay relay(port);
    relay.holdAnswersTo(QByteArrayLiteral("\"key\":\"60000\""));
    auto* client = new QuilorSDK(
        relay.url(), QStringLiteral("2001"), QStringLiteral("400030000"), m_env->delegate.get());
    m_env->delegate->setIQuilorSDK(client);
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    panel->iSearchField->setText(QStringLiteral("60000"));
    panel->iSearchField->setText(typedNext);
    QTRY_COMPARE(m_env->bodiesFor(backend::kApiSearchStock).size(), shown.size() + 1);
    QTRY_COMPARE(menus.shown.size(), shown.size());
    // The held-back answer to "60000" arrives later and is dropped. Once no
    // request is in flight it has been handed over; what it would show is
    // posted, so a short wait lets that run.
    relay.release();
    QTRY_VERIFY_WITH_TIMEOUT(client->iHttpSession()->requestsInFlight() == 0, 10000);
    QTest::qWait(200);
    QCOMPARE(menus.shown.size(), shown.size());
    if (!shown.isEmpty())
        QCOMPARE(menus.shown.first(), shown);
}

void tst_StockSearch::keysTypedIntoHits_goOnIntoTheField()
{
    // A shown menu holds the keyboard: the next digit must still reach the
    // field (and ask again), and the navigation keys stay the menu's.
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    panel->iSearchField->setText(QStringLiteral("60000"));
    QTRY_COMPARE(menus.shown.size(), 1);
    QMenu* hits = panel->searchMenu();
    QTest::keyClick(hits, Qt::Key_Down);
    QCOMPARE(panel->iSearchField->text(), QStringLiteral("60000"));
    QTest::keyClick(hits, Qt::Key_0);
    QCOMPARE(panel->iSearchField->text(), QStringLiteral("600000"));
    QTRY_COMPARE(menus.shown.size(), 2);
    QTest::keyClick(panel->searchMenu(), Qt::Key_Backspace);
    QCOMPARE(panel->iSearchField->text(), QStringLiteral("60000"));
}

void tst_StockSearch::render_hitMenu()
{
    ZXGView* panel = setUpPanel();
    testsupport::MenuRecorder menus;
    panel->iSearchField->setText(QStringLiteral("银行"));
    QTRY_COMPARE(menus.shown.size(), 1);
    QVERIFY(QFile::exists(
        testsupport::renderToPng(panel->searchMenu(), QStringLiteral("watchlist_search_hits"))));
    QVERIFY(QFile::exists(testsupport::renderToPng(m_host.get(), QStringLiteral("watchlist_search_field"))));
}

QTEST_MAIN(tst_StockSearch)
#include "tst_StockSearch.moc"
