#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "platform/Configuration.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Colors.h"
#include "screens/ColumnView.h"
#include "screens/CompanyBaseInfoView.h"
#include "screens/F10ViewController.h"
#include "screens/SegmentedControl.h"
#include "standin/FeedBodies.h"
#include "standin/StandInServer.h"
#include "ui/ListBaseView.h"
#include "ui/NoticelistView.h"
#include "ui/WebNoticeViewController.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <utility>

namespace {

// A bare HTTP server on 127.0.0.1 that answers every request with one body
// and keeps what each request sent, for what the stand-in does not log.
class RawHttpServer : public QObject {
public:
    struct Request {
        QByteArray line;
        QByteArray userAgent;
    };

    // `held`: requests wait unanswered until release().
    explicit RawHttpServer(QByteArray body, bool held = false)
        : m_body(std::move(body))
        , m_held(held)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { serve(socket); });
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    const QList<Request>& requests() const { return m_requests; }

    void release()
    {
        m_held = false;
        for (const QPointer<QTcpSocket>& socket : std::exchange(m_waiting, {}))
            if (socket)
                answer(socket);
    }

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        const QList<QByteArray> lines = pending.left(end).split('\n');
        request.line = lines.value(0).trimmed();
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:"))
                request.userAgent = line.mid(11).trimmed();
        }
        m_requests << request;
        m_pending.remove(socket);
        if (m_held)
            m_waiting << QPointer<QTcpSocket>(socket);
        else
            answer(socket);
    }

    void answer(QTcpSocket* socket)
    {
        socket->write(
            "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
        socket->disconnectFromHost();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    QByteArray m_body;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
    bool m_held = false;
    QList<QPointer<QTcpSocket>> m_waiting;
};

// Points the company-data host at another server for one test.
class CompanyHostSwitch {
public:
    explicit CompanyHostSwitch(const QString& baseUrl)
        : m_saved(platform::Configuration::current())
    {
        platform::Configuration c = m_saved;
        c.neteaseCompanyUrl = baseUrl;
        platform::Configuration::setCurrent(c);
    }
    ~CompanyHostSwitch() { platform::Configuration::setCurrent(m_saved); }

private:
    platform::Configuration m_saved;
};

} // namespace

// The company-data window against the stand-in server: fetching, tab
// switching, stacking, failures and the notice hand-off.
class TestF10Window : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<F10ViewController> m_window;

    standin::StandInServer& server() { return m_standIn->server(); }

    static platform::SharedDict record(const QString& code, const QString& name)
    {
        const auto s = [](const char* v) { return QString::fromUtf8(v); };
        return platform::makeSharedDict(
            { { s("stockcode"), code }, { s("stockname"), name }, { s("mainvalue"), s("0.8123") },
                { s("mainvaluePrecent"), s("3.25") }, { s("transactionvaluecount"), s("250000") },
                { s("bigbigvalue"), s("1.25") }, { s("bigbigvaluePrecent"), s("5.00") },
                { s("bigvalue"), s("-0.4377") }, { s("bigvaluePrecent"), s("-1.75") },
                { s("midvalue"), s("-0.3") }, { s("midvaluePrecent"), s("-1.20") },
                { s("minvalue"), s("-0.5123") }, { s("minvaluePrecent"), s("-2.05") },
                { s("bigbigbuy"), s("6.5") }, { s("bigbigsell"), s("5.25") }, { s("bigbuy"), s("5.0") },
                { s("bigsell"), s("5.4377") }, { s("midbuy"), s("6.2") }, { s("midsell"), s("6.5") },
                { s("minbuy"), s("7.3") }, { s("minsell"), s("7.8123") } });
    }

    int requestsContaining(const QString& part) const
    {
        int n = 0;
        for (const QString& path : m_standIn->server().requestLog())
            n += path.contains(part) ? 1 : 0;
        return n;
    }

    CompanyBaseInfoView* page() const { return m_window->iCompanyBaseInfoView; }

    // Selects a segment as a press would; answers whether its builder ran.
    bool select(int segment, bool expectBuild = true)
    {
        QSignalSpy built(page(), &CompanyBaseInfoView::tabBuilt);
        page()->iSegmentedCtr->setSelectedSegment(segment);
        page()->SegmentedValueChanged();
        if (!expectBuild)
            return true;
        return !built.isEmpty() || built.wait(5000);
    }

    // `height`: at most this tall, as a small screen would hold it.
    void open(int height = QWIDGETSIZE_MAX)
    {
        m_window = std::make_unique<F10ViewController>();
        m_window->setMaximumHeight(height);
        QSignalSpy built(m_window->iCompanyBaseInfoView, &CompanyBaseInfoView::tabBuilt);
        m_window->show();
        QVERIFY(built.wait(5000));
        QCOMPARE(built.first().first().toInt(), int(CompanyBaseInfoView::Summary));
        QCoreApplication::processEvents();
    }

    // Child grids of the content area that are shown, top to bottom.
    QList<ListBaseView*> shownGrids() const
    {
        QList<ListBaseView*> grids;
        for (ListBaseView* grid : page()->cellView->findChildren<ListBaseView*>(Qt::FindDirectChildrenOnly))
            if (!grid->isHidden())
                grids << grid;
        std::sort(grids.begin(), grids.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        return grids;
    }

private Q_SLOTS:
    void initTestCase()
    {
        platform::ViewController::setPresentsModally(false);
        QuilorSDK::setScreenHeightSource([] { return 760; });
        m_settings = std::make_unique<testsupport::IsolatedSettings>();
        m_standIn = std::make_unique<testsupport::StandIn>();
        market::installSharedModels();
        m_delegate = std::make_unique<AppDelegate>();
        m_delegate->setIQuilorSDK(new QuilorSDK(platform::Configuration::current().backendUrl,
            QStringLiteral("2001"), QStringLiteral("400030000"), m_delegate.get()));
    }

    void init()
    {
        m_delegate->curSingleStockDict = record(QStringLiteral("600000"), QStringLiteral("浦发银行"));
        server().clearRequestLog();
    }

    void cleanup() { m_window.reset(); }

    void cleanupTestCase()
    {
        m_delegate.reset();
        m_standIn.reset();
        QuilorSDK::setScreenHeightSource({});
    }

    void appear_titlesAndStacksTheSummary()
    {
        open();
        QCOMPARE(m_window->title(), QStringLiteral(" 浦发银行 F10"));
        QCOMPARE(m_window->size(), QSize(666, 760));
        QCOMPARE(page()->cellView->width(), 656);
        QCOMPARE(requestsContaining(QStringLiteral("/app/stock/0600000_summary.json")), 1);
        QTRY_COMPARE(shownGrids().size(), 3);
        const QList<ListBaseView*> grids = shownGrids();
        QCOMPARE(grids.at(0)->mainTitle(), QStringLiteral("基本资料"));
        QCOMPARE(grids.at(1)->mainTitle(), QStringLiteral("收入构成(按产品)"));
        QCOMPARE(grids.at(2)->mainTitle(), QStringLiteral("收入构成(按地域)"));
        QCOMPARE(grids.at(0)->pos(), QPoint(5, 0));
        QCOMPARE(grids.at(1)->y(), grids.at(0)->height() + 5);
        QCOMPARE(grids.at(2)->y(), grids.at(1)->y() + grids.at(1)->height() + 5);
        QCOMPARE(grids.at(0)->width(), 646);
        QCOMPARE(
            grids.at(0)->rows().at(3), (QStringList { QStringLiteral("所属地域"), QStringLiteral("上海") }));
    }

    void selections_requestCounts_data()
    {
        QTest::addColumn<QList<int>>("segments");
        QTest::addColumn<int>("summaries");
        QTest::addColumn<int>("notices");
        QTest::newRow("summary twice") << QList<int> { 0, 0 } << 2 << 0;
        QTest::newRow("notices twice") << QList<int> { 4, 4 } << 0 << 1;
        QTest::newRow("notices, summary, notices") << QList<int> { 4, 0, 4 } << 1 << 1;
    }
    void selections_requestCounts()
    {
        QFETCH(QList<int>, segments);
        QFETCH(int, summaries);
        QFETCH(int, notices);
        open();
        server().clearRequestLog();
        for (int segment : segments)
            QVERIFY(select(segment));
        QCOMPARE(requestsContaining(QStringLiteral("_summary.json")), summaries);
        QCOMPARE(requestsContaining(QStringLiteral("_noticelist.json?count=20&page=0")), notices);
    }

    void indexRecord_fetchesNothing()
    {
        m_delegate->curSingleStockDict = record(QStringLiteral("000001.idx"), QStringLiteral("上证指数"));
        m_window = std::make_unique<F10ViewController>();
        m_window->show();
        for (int segment : { 1, 3, 4, 0 })
            select(segment, false);
        QTest::qWait(100);
        QCOMPARE(requestsContaining(QStringLiteral("/app/stock/")), 0);
        QCOMPARE(m_window->title(), QStringLiteral(" 上证指数 F10"));
    }

    void fetch_followsTheCurrentRecord()
    {
        open();
        m_delegate->curSingleStockDict = record(QStringLiteral("000001"), QStringLiteral("平安银行"));
        QVERIFY(select(CompanyBaseInfoView::Holders));
        QCOMPARE(requestsContaining(QStringLiteral("/app/stock/1000001_holders.json")), 1);
        QCOMPARE(m_window->title(), QStringLiteral(" 浦发银行 F10"));
        const QList<ListBaseView*> grids = shownGrids();
        QCOMPARE(grids.size(), 3);
        QCOMPARE(grids.at(0)->mainTitle(), QStringLiteral("户均持股"));
        QVERIFY(grids.at(2)->mainTitle().startsWith(QStringLiteral("十大流通股东(")));
        QVERIFY(grids.at(2)->rows().at(1).at(0).startsWith(QStringLiteral("平安银行")));
    }

    void retiredFetch_neverDelivers()
    {
        server().failPath(QStringLiteral("_summary.json"), -1);
        m_window = std::make_unique<F10ViewController>();
        QSignalSpy built(page(), &CompanyBaseInfoView::tabBuilt);
        m_window->show();
        QTRY_COMPARE(requestsContaining(QStringLiteral("_summary.json")), 1);
        QVERIFY(select(CompanyBaseInfoView::Indicators));
        QTest::qWait(150);
        QCOMPARE(built.size(), 1);
        QCOMPARE(built.first().first().toInt(), int(CompanyBaseInfoView::Indicators));
        QVERIFY(page()->iJING_LI_RUNColumnView);
        QVERIFY(page()->iIndicatorsView);
    }

    void failedFetch_showsAnEmptyPage_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        // One stock per row, so that a failure left unused cannot reach another test.
        QTest::newRow("server error") << 500 << QStringLiteral("600009");
        QTest::newRow("not found") << 404 << QStringLiteral("600016");
        QTest::newRow("connection dropped") << 0 << QStringLiteral("600019");
    }
    void failedFetch_showsAnEmptyPage()
    {
        QFETCH(int, status);
        QFETCH(QString, code);
        open();
        QTRY_COMPARE(shownGrids().size(), 3);
        m_delegate->curSingleStockDict = record(code, QStringLiteral("测试"));
        server().failPath(code + QStringLiteral("_indicators.json"), status, 2);
        QSignalSpy built(page(), &CompanyBaseInfoView::tabBuilt);
        select(CompanyBaseInfoView::Indicators, false);
        // A dropped connection may be retried once by the network layer.
        QTRY_VERIFY(requestsContaining(QStringLiteral("_indicators.json")) >= 1);
        QTRY_COMPARE_WITH_TIMEOUT(built.size(), 1, 10000);
        QCOMPARE(built.first().first().toInt(), int(CompanyBaseInfoView::Indicators));
        QVERIFY(shownGrids().isEmpty());
        QVERIFY(!page()->iJING_LI_RUNColumnView);
    }

    void fetch_pathAndClientUserAgent()
    {
        RawHttpServer raw(QByteArrayLiteral("{}"));
        const CompanyHostSwitch host(raw.baseUrl());
        const QString savedAgent = m_delegate->iQuilorSDK()->User_Agent();
        m_delegate->iQuilorSDK()->setUser_Agent(QStringLiteral("LanShiTest/2.0 (F10)"));
        open();
        m_delegate->iQuilorSDK()->setUser_Agent(savedAgent);
        QCOMPARE(raw.requests().size(), 1);
        QCOMPARE(raw.requests().first().line, QByteArray("GET /app/stock/0600000_summary.json HTTP/1.1"));
        QCOMPARE(raw.requests().first().userAgent, QByteArray("LanShiTest/2.0 (F10)"));
    }

    // A reply that is no JSON object reaches its builder, which finds nothing:
    // the page is left empty, not showing the previous tab; a notice list
    // that was not stored is asked again.
    void unusableReply_showsAnEmptyPage_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("html page") << QByteArray("<html><body>维护中</body></html>");
        QTest::newRow("json array") << QByteArray(R"([{"data":[]}])");
        QTest::newRow("not utf-8") << QByteArray("{\"data\":[\xff\xfe]}");
        QTest::newRow("empty notice list") << QByteArray(R"({"data":[]})");
    }
    void unusableReply_showsAnEmptyPage()
    {
        QFETCH(QByteArray, body);
        open();
        QTRY_COMPARE(shownGrids().size(), 3);
        RawHttpServer raw(body);
        const CompanyHostSwitch host(raw.baseUrl());
        for (int segment : { int(CompanyBaseInfoView::Holders), int(CompanyBaseInfoView::Indicators),
                 int(CompanyBaseInfoView::Notices), int(CompanyBaseInfoView::Notices) }) {
            QVERIFY(select(segment));
            QVERIFY(shownGrids().isEmpty());
            QVERIFY(page()->iNoticelistView->isHidden());
        }
        QCOMPARE(raw.requests().size(), 4);
        QVERIFY(raw.requests().at(3).line.contains("_noticelist.json?count=20&page=0"));
    }

    // The holders' reply comes after the user went on to the money flow: it
    // is dropped, and the money flow stays as it was drawn.
    void lateReply_neverLandsOnAnotherTab()
    {
        open();
        const QString path = QStringLiteral("/app/stock/0600000_holders.json");
        const QByteArray holders = standin::answerFeed(
            server().market(), path, QUrlQuery(), server().market().now(), server().baseUrl())
                                       .body;
        QVERIFY(holders.contains("SHI_DA_GU_DONG"));
        RawHttpServer raw(holders, true);
        const CompanyHostSwitch host(raw.baseUrl());
        QSignalSpy finished(page(), &CompanyBaseInfoView::fetchFinished);
        select(CompanyBaseInfoView::Holders, false);
        QTRY_COMPARE_WITH_TIMEOUT(raw.requests().size(), 1, 5000);
        QVERIFY(select(CompanyBaseInfoView::Cash));
        raw.release();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QVERIFY(!page()->iHoldersView && !page()->iHoldersTop10View);
        QVERIFY(page()->iCashPieView);
        const QList<ListBaseView*> grids = shownGrids();
        QCOMPARE(grids.size(), 2);
        QCOMPARE(grids.at(0)->mainTitle(), QStringLiteral("当日净流入"));
        // The pie's legend stands out on the dark page.
        QVERIFY(page()->iCashPieView->palette().color(QPalette::WindowText).lightnessF() > 0.6);
    }

    // A click on another tab takes the blocks of the tab before away at once:
    // while its reply is held, or when the tab has nothing to show.
    void tabClick_showsNothingOfThePreviousTab_data()
    {
        QTest::addColumn<int>("segment");
        QTest::addColumn<QString>("mainvalue");
        QTest::newRow("holders, reply held") << int(CompanyBaseInfoView::Holders) << QStringLiteral("0.8123");
        QTest::newRow("money flow without figures") << int(CompanyBaseInfoView::Cash) << QStringLiteral("0");
    }
    void tabClick_showsNothingOfThePreviousTab()
    {
        QFETCH(int, segment);
        QFETCH(QString, mainvalue);
        m_delegate->curSingleStockDict->insert(QStringLiteral("mainvalue"), mainvalue);
        open();
        QTRY_COMPARE(shownGrids().size(), 3);
        if (segment == CompanyBaseInfoView::Holders)
            server().failPath(QStringLiteral("0600000_holders.json"), -1);
        QTest::mouseClick(static_cast<QWidget*>(page()->iSegmentedCtr->segment(segment)), Qt::LeftButton);
        QVERIFY(shownGrids().isEmpty());
        QVERIFY(!page()->iJianJieListBaseView);
        if (segment == CompanyBaseInfoView::Holders)
            QTRY_COMPARE(requestsContaining(QStringLiteral("0600000_holders.json")), 1);
    }

    void indicators_chartOfEveryQuarterAndTableOfFour()
    {
        open();
        QVERIFY(select(CompanyBaseInfoView::Indicators));
        ColumnView* chart = page()->iJING_LI_RUNColumnView;
        QVERIFY(chart);
        QCOMPARE(chart->geometry(), QRect(5, 0, 646, 200));
        QCOMPARE(chart->iListValueArray.size(), 12);
        QCOMPARE(chart->iUnit, QStringLiteral("亿"));
        ListBaseView* table = page()->iIndicatorsView;
        QCOMPARE(table->mainTitle(), QStringLiteral("季度财务指标"));
        QCOMPARE(table->y(), 205);
        QCOMPARE(table->rows().size(), 16);
        QCOMPARE(table->rows().first().size(), 5);
        QCOMPARE(table->rows().first().first(), QStringLiteral("名称/季度"));
        QVERIFY(table->rows().at(13).at(1).startsWith(QStringLiteral("-+")));
    }

    void cash_builtFromTheRecord()
    {
        open();
        QVERIFY(select(CompanyBaseInfoView::Cash));
        MMPieChartView* pie = page()->iCashPieView;
        QVERIFY(pie);
        QCOMPARE(pie->geometry(), QRect(164, 0, 328, 328));
        QCOMPARE(pie->radius(), 100.0);
        // 6.5亿 of 25亿 turnover is 26%, and so on.
        QCOMPARE(pie->values(), (QList<double> { 26, 20, 25, 29 }));
        QCOMPARE(pie->keys(),
            (QList<QString> { QStringLiteral("超大单"), QStringLiteral("大单"), QStringLiteral("中单"),
                QStringLiteral("小单") }));
        ListBaseView* net = page()->iCash1View;
        ListBaseView* deals = page()->iCash2View;
        QCOMPARE(net->y(), 333);
        QCOMPARE(deals->y(), 333 + net->height() + 20);
        QCOMPARE(net->rows().at(0),
            (QStringList { QStringLiteral("主力净流入"), QStringLiteral("+8123.00万"),
                QStringLiteral("主力净比"), QStringLiteral("+3.25%") }));
        QCOMPARE(net->rows().at(2).at(3), QStringLiteral("--1.75%"));
        QCOMPARE(net->colorForCell(1, net->rows().at(2).at(1)), platform::Colors::green());
        QCOMPARE(deals->rows().at(1),
            (QStringList {
                QStringLiteral("超大单"), QStringLiteral("+6.5000亿"), QStringLiteral("-5.2500亿") }));
        page()->toogleVisualizationType();
        QCOMPARE(pie->visualizationType(), 1);
        page()->showHideLabels();
        QVERIFY(!pie->showKeys());
        QVERIFY(pie->legendTexts().isEmpty());
        // Re-selecting the summary drops the money-flow blocks.
        QVERIFY(select(CompanyBaseInfoView::Summary));
        QVERIFY(!page()->iCashPieView);
        QCOMPARE(shownGrids().size(), 3);
    }

    void notices_listAndHandOff()
    {
        open();
        QVERIFY(select(CompanyBaseInfoView::Notices));
        NoticelistView* list = page()->iNoticelistView;
        QVERIFY(!list->isHidden());
        QCOMPARE(shownGrids().size(), 0);
        QTRY_COMPARE(list->table()->rowCount(), 20);
        const QVariantMap first = list->dataArr().first().toMap();
        QVERIFY(platform::stringOf(first, QStringLiteral("createTime")).size() > 10);
        list->table()->selectRow(0);
        list->doubleAction();
        const QList<WebNoticeViewController*> pages = m_window->findChildren<WebNoticeViewController*>();
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.first()->url().toString(), platform::stringOf(first, QStringLiteral("url")));
        QCOMPARE(pages.first()->title(), platform::stringOf(first, QStringLiteral("title")));
        pages.first()->close();
        m_window->hide();
        QCOMPARE(
            platform::NotificationCenter::defaultCenter()->observerCount(QStringLiteral("GoToNoticeDetail")),
            0);
    }

    void resize_snapsBackAndRestacks()
    {
        open();
        QVERIFY(select(CompanyBaseInfoView::Notices));
        NoticelistView* list = page()->iNoticelistView;
        list->move(40, 60);
        m_window->resize(900, 500);
        QCOMPARE(m_window->size(), QSize(666, 760));
        QTRY_COMPARE(list->pos(), QPoint(5, 0));

        QVERIFY(select(CompanyBaseInfoView::Holders));
        QList<ListBaseView*> grids = shownGrids();
        QCOMPARE(grids.size(), 3);
        grids.first()->move(5, 300);
        m_window->resize(666, 400);
        QCOMPARE(m_window->size(), QSize(666, 760));
        QTRY_COMPARE(grids.first()->pos(), QPoint(5, 0));
        QCOMPARE(grids.at(1)->y(), grids.at(0)->height() + 5);
    }

    // Held shorter than its page (a small screen), the window's tab scrolls:
    // its last block comes into view with the wheel, no block narrower.
    void shortWindow_lastBlockScrollsIntoView()
    {
        open(400);
        QVERIFY(select(CompanyBaseInfoView::Holders));
        QCOMPARE(m_window->height(), 400);
        const QList<ListBaseView*> grids = shownGrids();
        QCOMPARE(grids.size(), 3);
        const auto bottom
            = [&]() { return grids.last()->mapTo(m_window.get(), grids.last()->rect().bottomLeft()).y(); };
        QVERIFY(bottom() >= 400);
        // A wheel turn over the middle of the page, passed up as the window
        // system's would be until a widget takes it.
        const QPoint middle(300, 200);
        for (int turn = 0; turn < 20 && bottom() >= 400; ++turn) {
            for (QWidget* w = m_window->childAt(middle); w; w = w->parentWidget()) {
                const QPoint at = w->mapFrom(m_window.get(), middle);
                QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
                if (QApplication::sendEvent(w, &wheel) && wheel.isAccepted())
                    break;
            }
        }
        QVERIFY(bottom() < 400);
        QCOMPARE(grids.first()->width(), 646);
    }

    void render_everyTab()
    {
        open();
        const char* const names[]
            = { "f10_summary", "f10_holders", "f10_cash", "f10_indicators", "f10_notices" };
        for (int segment = 0; segment < 5; ++segment) {
            if (segment > 0)
                QVERIFY(select(segment));
            QTest::qWait(50);
            QVERIFY(!testsupport::renderToPng(m_window.get(), QString::fromLatin1(names[segment])).isEmpty());
        }
    }
};

QTEST_MAIN(TestF10Window)
#include "tst_F10Window.moc"
