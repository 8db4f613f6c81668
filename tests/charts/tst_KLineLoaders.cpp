// The day, week and month loaders against the stand-in server: year order
// and count, failed and unreadable years, early January, the product's own
// index, codes without a feed, the live price and the end of every chain.
#include "backend/QuilorSDK.h"
#include "charts/ChartGeometry.h"
#include "charts/ChartTiming.h"
#include "charts/DayKLineView.h"
#include "charts/MonthKLineView.h"
#include "charts/WeekKLineView.h"
#include "charts/YearFileCache.h"
#include "platform/Configuration.h"
#include "platform/widgets/ViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include "ChartsTestEnv.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimeZone>

#include <memory>

namespace {

enum Kind { Day, Week, Month };

// Answers every request with one fixed body (or, when `onlyPath` is set,
// only those whose path holds it, the others with an empty year); remembers
// the paths.
class FixedReplyServer : public QTcpServer {
public:
    QByteArray body;
    QString onlyPath;
    QStringList paths;
    FixedReplyServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->readAll();
                    paths << QString::fromLatin1(request.split(' ').value(1));
                    const QByteArray body = onlyPath.isEmpty() || paths.last().contains(onlyPath)
                        ? this->body
                        : QByteArray(R"({"data": []})");
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: "
                        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
};

} // namespace

class tst_KLineLoaders : public QObject {
    Q_OBJECT

    ChartsTestEnv m_env;
    std::unique_ptr<QWidget> m_host;
    QuilorSDK* m_sdk = nullptr;

    standin::StandInServer& server() { return m_env.server(); }

    void setNow(const QDateTime& now) { m_env.setNow(now); }

    QStringList requests(const QString& part) const { return m_env.requests(part); }

    KLineHistoryView* make(Kind kind, const QString& code, const QVariantMap& extra = {})
    {
        QVariantMap stock = extra;
        stock.insert(QStringLiteral("stockcode"), code);
        const QRect frame(0, 0, 700, 400);
        KLineHistoryView* chart = nullptr;
        auto callBack = [](const QVariantMap&) {};
        if (kind == Day) {
            auto* day = new DayKLineView(frame, stock, m_env.father.get(), callBack);
            day->setQuilorSDK(m_sdk);
            chart = day;
        } else if (kind == Week) {
            chart = new WeekKLineView(frame, stock, m_env.father.get(), callBack);
        } else {
            chart = new MonthKLineView(frame, stock, m_env.father.get(), callBack);
        }
        return chart;
    }

    // Made and added to the host, which starts its history.
    KLineHistoryView* add(Kind kind, const QString& code, const QVariantMap& extra = {})
    {
        KLineHistoryView* chart = make(kind, code, extra);
        chart->setParent(m_host.get());
        return chart;
    }

    // Distinct year files asked for (a dropped connection is sent twice).
    qsizetype yearsAsked() const
    {
        QStringList paths = requests(QStringLiteral("/kline/"));
        paths.removeDuplicates();
        return paths.size();
    }

    static QStringList yearPaths(const QString& period, const QString& code, int newest, int count)
    {
        QStringList out;
        for (int i = 0; i < count; ++i)
            out << QStringLiteral("/data/hs/kline/%1/history/%2/%3.json")
                       .arg(period)
                       .arg(newest - i)
                       .arg(code);
        return out;
    }

    static QString dateOf(const QVariant& row) { return row.toList().value(0).toString(); }

private Q_SLOTS:
    void initTestCase()
    {
        m_env.start();
        m_sdk = new QuilorSDK(m_env.standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"),
            m_env.father.get());
    }

    void init()
    {
        ChartsTestEnv::shortenTiming();
        // Wednesday evening: history loads, the price never polls.
        setNow(shanghai(2025, 3, 12, 20, 0));
        m_host = std::make_unique<QWidget>();
        m_host->resize(700, 400);
        server().clearRequestLog();
    }

    void cleanup()
    {
        m_host.reset();
        // The in-process server reads what a finished chart sent last only
        // when the loop runs: let it, so the next test's log starts empty.
        QTest::qWait(60);
        charts::setClock({});
        server().market().setNow(std::nullopt);
    }

    void cleanupTestCase() { m_env.stop(); }

    void yearOrder_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("period");
        QTest::addColumn<int>("years");
        QTest::newRow("day: this year and the last") << int(Day) << QStringLiteral("day") << 2;
        QTest::newRow("week: ten years") << int(Week) << QStringLiteral("week") << 10;
        QTest::newRow("month: twenty years") << int(Month) << QStringLiteral("month") << 20;
    }
    void yearOrder()
    {
        QFETCH(int, kind);
        QFETCH(QString, period);
        QFETCH(int, years);
        KLineHistoryView* chart = make(Kind(kind), QStringLiteral("600000"));
        QSignalSpy drawn(chart, &KLineHistoryView::historyDrawn);
        QSignalSpy rendered(chart, &CandleView::backImageReady);
        chart->setParent(m_host.get());
        QTRY_COMPARE_WITH_TIMEOUT(drawn.count(), 1, 20000);
        QCOMPARE(
            requests(QStringLiteral("/kline/")), yearPaths(period, QStringLiteral("0600000"), 2025, years));
        QCOMPARE(rendered.count(), 1); // drawn once, at the end

        const QVariantList rows = chart->iDataArray;
        QVERIFY(!rows.isEmpty());
        QCOMPARE(chart->iWPintCount, long(rows.size()));
        QCOMPARE(dateOf(rows.last()).left(4), QStringLiteral("2025"));
        QCOMPARE(dateOf(rows.first()).left(4), QString::number(2025 - years + 1));
        for (qsizetype i = 1; i < rows.size(); ++i)
            QVERIFY2(dateOf(rows[i - 1]) < dateOf(rows[i]), qPrintable(dateOf(rows[i])));
        QCOMPARE(chart->startIdx, charts::geometry::startIndexFor(rows.size(), 700, 7));
        QVERIFY(!chart->backImage().isNull());
        QCOMPARE(chart->bars().size(), rows.size());
    }

    void failures_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("failPart");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<int>("requestCount");
        QTest::addColumn<QString>("oldestYear");
        QTest::newRow("day: previous year dropped draws nothing")
            << int(Day) << QStringLiteral("/day/history/2024/") << 0 << false << 2 << QString();
        QTest::newRow("day: current year dropped")
            << int(Day) << QStringLiteral("/day/history/2025/") << 0 << false << 1 << QString();
        QTest::newRow("week: sixth year dropped keeps five")
            << int(Week) << QStringLiteral("/week/history/2020/") << 0 << true << 6 << QStringLiteral("2021");
        QTest::newRow("week: first year dropped holds nothing")
            << int(Week) << QStringLiteral("/week/history/2025/") << 0 << false << 1 << QString();
        QTest::newRow("month: third year dropped keeps two")
            << int(Month) << QStringLiteral("/month/history/2023/") << 0 << true << 3
            << QStringLiteral("2024");
        QTest::newRow("day: previous year does not parse")
            << int(Day) << QStringLiteral("/day/history/2024/") << 404 << true << 2 << QStringLiteral("2025");
        QTest::newRow("day: error page counts as empty")
            << int(Day) << QStringLiteral("/day/history/2024/") << 500 << true << 2 << QStringLiteral("2025");
        QTest::newRow("week: a middle year does not parse")
            << int(Week) << QStringLiteral("/week/history/2020/") << 404 << true << 10
            << QStringLiteral("2016");
    }
    void failures()
    {
        QFETCH(int, kind);
        QFETCH(QString, failPart);
        QFETCH(int, status);
        QFETCH(bool, drawn);
        QFETCH(int, requestCount);
        QFETCH(QString, oldestYear);
        // The network layer sends a request again once when the connection
        // drops before any reply; dropping both makes the year fail.
        server().failPath(failPart, status, status == 0 ? 2 : 1);
        KLineHistoryView* chart = make(Kind(kind), QStringLiteral("600000"));
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        chart->setParent(m_host.get());
        if (drawn) {
            QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000);
            QCOMPARE(dateOf(chart->iDataArray.first()).left(4), oldestYear);
            if (status == 404 && kind == Week) {
                for (const QVariant& row : std::as_const(chart->iDataArray))
                    QVERIFY(!dateOf(row).startsWith(QStringLiteral("2020")));
            }
            QVERIFY(!chart->backImage().isNull());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(int(yearsAsked()), requestCount, 20000);
            // The second try of a dropped year comes after the first has been
            // counted; waiting for it keeps it out of the next test's log.
            if (status == 0)
                QTRY_COMPARE_WITH_TIMEOUT(int(requests(failPart).size()), 2, 10000);
            QTest::qWait(300);
            QCOMPARE(spy.count(), 0);
            QVERIFY(chart->backImage().isNull());
            QVERIFY(!chart->historyFinished());
        }
        QCOMPARE(int(yearsAsked()), requestCount);
    }

    void earlyJanuary_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("oldestYear");
        QTest::newRow("day: last year alone") << int(Day) << QStringLiteral("2021");
        QTest::newRow("week: the nine earlier years") << int(Week) << QStringLiteral("2013");
    }
    void earlyJanuary()
    {
        QFETCH(int, kind);
        QFETCH(QString, oldestYear);
        // Saturday 1 January: this year's file holds no rows yet.
        setNow(shanghai(2022, 1, 1, 20, 0));
        KLineHistoryView* chart = make(Kind(kind), QStringLiteral("000001"));
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        chart->setParent(m_host.get());
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000);
        QCOMPARE(chart->curYear, QStringLiteral("2022"));
        QVERIFY(requests(QStringLiteral("/kline/")).first().contains(QStringLiteral("/2022/1000001.json")));
        QVERIFY(!chart->iDataArray.isEmpty());
        QCOMPARE(dateOf(chart->iDataArray.first()).left(4), oldestYear);
        QCOMPARE(dateOf(chart->iDataArray.last()).left(4), QStringLiteral("2021"));
    }

    // One row a feed sends that the chart cannot mean, as the newest bar
    // after twenty sound ones.
    void yearWithARowItCannotMean_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("bars");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("volume");
        QTest::newRow("open beyond single precision")
            << R"(["20250310", "1e39", 10.5, 10.6, 10.4, 1000, 1.0])" << 20 << u"涨幅 0.50%"_qs
            << u"量 1200"_qs;
        QTest::newRow("volume beyond single precision")
            << R"(["20250310", 10.5, 10.6, 10.7, 10.4, "1e40", 1.0])" << 20 << u"涨幅 0.50%"_qs
            << u"量 1200"_qs;
        QTest::newRow("suspended: prices --")
            << R"(["20250310", "--", "--", "--", "--", 0, "--"])" << 20 << u"涨幅 0.50%"_qs << u"量 1200"_qs;
        QTest::newRow("suspended: volume and change --")
            << R"(["20250310", 10.5, 10.5, 10.5, 10.5, "--", "--"])" << 21 << u"涨幅 --"_qs << u"量 --"_qs;
        QTest::newRow("price 0") << R"(["20250310", 0, 0, 0, 0, 0, -100])" << 20 << u"涨幅 0.50%"_qs
                                 << u"量 1200"_qs;
        QTest::newRow("zero read with a minus") << R"(["20250310", 10.5, 10.5, 10.5, 10.5, "-0", "-0.00"])"
                                                << 21 << u"涨幅 0.00%"_qs << u"量 0"_qs;
        QTest::newRow("a real zero stays zero")
            << R"(["20250310", 10.5, 10.5, 10.5, 10.5, "0", "0"])" << 21 << u"涨幅 0.00%"_qs << u"量 0"_qs;
    }
    void yearWithARowItCannotMean()
    {
        QFETCH(QString, row);
        QFETCH(int, bars);
        QFETCH(QString, change);
        QFETCH(QString, volume);
        QByteArray body = R"({"symbol": "600000", "data": [)";
        for (int i = 0; i < 20; ++i)
            body += QStringLiteral(R"(["202502%1", 10.0, 10.05, 10.2, 9.9, 1200, 0.5], )")
                        .arg(i + 1, 2, 10, QLatin1Char('0'))
                        .toLatin1();
        body += row.toLatin1() + "]}";
        FixedReplyServer files;
        files.body = body;
        files.onlyPath = QStringLiteral("/2025/");
        const platform::Configuration saved = platform::Configuration::current();
        platform::Configuration c = saved;
        c.neteaseChartUrl = files.baseUrl();
        platform::Configuration::setCurrent(c);
        KLineHistoryView* chart = make(Day, QStringLiteral("600000"));
        QSignalSpy drawn(chart, &KLineHistoryView::historyDrawn);
        chart->setParent(m_host.get());
        QTRY_COMPARE_WITH_TIMEOUT(drawn.count(), 1, 20000);
        platform::Configuration::setCurrent(saved);

        QCOMPARE(chart->iDataArray.size(), 21); // the rows stay as the feed sent them
        QCOMPARE(chart->bars().size(), bars);
        // The price scale spans the sound bars, not 0 to 1 or 0 to 1e39.
        QVERIFY2(chart->priceScale().low > 9 && chart->priceScale().high < 11,
            qPrintable(QStringLiteral("%1..%2").arg(chart->priceScale().low).arg(chart->priceScale().high)));
        const long newest = long(chart->bars().size()) - 1;
        const QStringList lines = chart->barLines(newest);
        QCOMPARE(lines.value(5), change);
        QCOMPARE(lines.value(6), volume);
        for (const QString& text :
            { chart->topLegend(newest), chart->bottomLegend(newest), lines.join(u' ') })
            QVERIFY2(!text.contains(u"inf"_qs) && !text.contains(u"nan"_qs), qPrintable(text));
    }

    void ownIndex_dayChartReadsTheBackendAndNeverPolls()
    {
        setNow(shanghai(2025, 3, 12, 10, 0)); // trading hours
        KLineHistoryView* chart = make(Day, QStringLiteral("888888.idx"),
            { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } });
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        chart->setParent(m_host.get());
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 1, 20000);
        QVERIFY(!chart->iDataArray.isEmpty());
        QVERIFY(chart->iDataArray.size() <= 1000);
        QCOMPARE(chart->iWPintCount, long(chart->iDataArray.size()));
        QCOMPARE(chart->startIdx, charts::geometry::startIndexFor(chart->iDataArray.size(), 700, 7));
        QTest::qWait(200);
        QCOMPARE(requests(QStringLiteral("/kline/")), QStringList());
        QCOMPARE(requests(QStringLiteral("q=")), QStringList());
        QVERIFY(!chart->bars().isEmpty());
    }

    void ownIndex_backendFailureLeavesTheChartEmpty()
    {
        server().backend().failApi(backend::kApiIndexDayK, -1001);
        KLineHistoryView* chart = add(Day, QStringLiteral("888888.idx"));
        QTRY_VERIFY_WITH_TIMEOUT(!requests(QStringLiteral("/user")).isEmpty(), 10000);
        QTest::qWait(300);
        QVERIFY(chart->iDataArray.isEmpty());
        QVERIFY(chart->backImage().isNull());
    }

    void ownIndex_eachDeliveryReplacesTheRows()
    {
        auto rowsOf = [](int count) {
            QVariantList rows;
            for (int i = 0; i < count; ++i)
                rows << QVariant(
                    QVariantList { QStringLiteral("2025-03-%1").arg(i + 1, 2, 10, QLatin1Char('0')), u"10"_qs,
                        u"11"_qs, u"12"_qs, u"9"_qs, u"1000"_qs, u"1.5"_qs });
            return QVariantMap { { u"data"_qs, rows } };
        };
        std::unique_ptr<KLineHistoryView> chart(make(Day, QStringLiteral("888888.idx")));
        auto* day = static_cast<DayKLineView*>(chart.get());
        QSignalSpy drawn(chart.get(), &KLineHistoryView::historyDrawn);
        // The cached reply first, then the fresh one: the second replaces the
        // first instead of adding to it.
        day->HttpResult(rowsOf(3), backend::kApiIndexDayK, true);
        QCOMPARE(chart->iDataArray.size(), 3);
        day->HttpResult(rowsOf(120), backend::kApiIndexDayK, false);
        QCOMPARE(chart->iDataArray.size(), 120);
        QCOMPARE(chart->iWPintCount, 120L);
        QCOMPARE(chart->startIdx, 22L); // 120 - 700 / 7 + 2
        QCOMPARE(drawn.count(), 2);
        QVERIFY(!chart->backImage().isNull());
        // Another operation's reply and a failure leave the rows alone.
        day->HttpResult(rowsOf(5), backend::kApiIndexDay, false);
        day->HttpEvent(-1, u"busy"_qs, backend::kApiIndexDayK);
        QCOMPARE(chart->iDataArray.size(), 120);
        QCOMPARE(drawn.count(), 2);
        // Of far more bars than the page asked for, the newest page is kept.
        const QVariantMap flood = rowsOf(100000);
        day->HttpResult(flood, backend::kApiIndexDayK, false);
        QCOMPARE(chart->iDataArray.size(), 1000);
        QCOMPARE(chart->iDataArray.last(), flood.value(u"data"_qs).toList().last());
    }

    void codesWithoutAFeed_requestNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("code");
        QTest::newRow("day, seven characters") << int(Day) << QStringLiteral("6000001");
        QTest::newRow("week, seven characters") << int(Week) << QStringLiteral("6000001");
        QTest::newRow("month, seven characters") << int(Month) << QStringLiteral("6000001");
        QTest::newRow("week, own index") << int(Week) << QStringLiteral("888888.idx");
        QTest::newRow("month, own index") << int(Month) << QStringLiteral("888888.idx");
    }
    void codesWithoutAFeed_requestNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, code);
        setNow(shanghai(2025, 3, 12, 10, 0));
        m_env.drainRequests();
        KLineHistoryView* chart
            = add(Kind(kind), code, { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } });
        QTest::qWait(300);
        QCOMPARE(server().requestLog(), QStringList());
        QVERIFY(chart->iDataArray.isEmpty());
    }

    void livePrice_storesTheLastPrice_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("path");
        QTest::newRow("Shanghai stock") << QStringLiteral("600000") << QStringLiteral("/q=s_sh600000");
        QTest::newRow("Shenzhen stock") << QStringLiteral("000001") << QStringLiteral("/q=s_sz000001");
        QTest::newRow("Shanghai composite")
            << QStringLiteral("000001.idx") << QStringLiteral("/q=s_sh000001");
        QTest::newRow("Shenzhen index") << QStringLiteral("399001.idx") << QStringLiteral("/q=s_sz399001");
    }
    void livePrice_storesTheLastPrice()
    {
        QFETCH(QString, code);
        QFETCH(QString, path);
        setNow(shanghai(2025, 3, 12, 10, 15));
        KLineHistoryView* chart = make(Day, code);
        QSignalSpy spy(chart, &KLineHistoryView::nowPriceHandled);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
        QCOMPARE(requests(QStringLiteral("q=")), QStringList { path });
        QVERIFY(chart->stockNowValueArray.size() >= 4);
        QCOMPARE(chart->stockNowValueArray.at(2), code.left(6));
        QCOMPARE(chart->cprice, chart->stockNowValueArray.at(3));
        QVERIFY(chart->cprice.toDouble() > 0);
        QCOMPARE(chart->curtime, QStringLiteral("2025/03/12 10:15:00"));
        delete chart;
    }

    void livePrice_paceFollowsTheMarketStatus_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("fast");
        QTest::newRow("交易中: every second") << QStringLiteral("交易中") << true;
        QTest::newRow("已收盘: every 30 s") << QStringLiteral("已收盘") << false;
        QTest::newRow("未开盘: every 30 s") << QStringLiteral("未开盘") << false;
        QTest::newRow("休市: every 30 s") << QStringLiteral("休市") << false;
        QTest::newRow("no status: every 30 s") << QString() << false;
    }
    void livePrice_paceFollowsTheMarketStatus()
    {
        QFETCH(QString, status);
        QFETCH(bool, fast);
        setNow(shanghai(2025, 3, 12, 10, 15));
        QVariantMap extra;
        if (!status.isNull())
            extra.insert(QStringLiteral("marketstatus"), status);
        std::unique_ptr<KLineHistoryView> chart(make(Week, QStringLiteral("600000"), extra));
        if (fast) {
            QTRY_VERIFY_WITH_TIMEOUT(requests(QStringLiteral("q=")).size() >= 4, 10000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(requests(QStringLiteral("q=")).size(), 1, 10000);
            QTest::qWait(300);
            QCOMPARE(requests(QStringLiteral("q=")).size(), 1);
        }
    }

    void livePrice_marketStatusChangesThePace()
    {
        setNow(shanghai(2025, 3, 12, 10, 15));
        std::unique_ptr<KLineHistoryView> chart(make(Day, QStringLiteral("600000")));
        QSignalSpy spy(chart.get(), &KLineHistoryView::nowPriceHandled);
        chart->UpdateMarktStatus(QStringLiteral("交易中"));
        QCOMPARE(chart->selfDict.value(QStringLiteral("marketstatus")).toString(), QStringLiteral("交易中"));
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 3, 10000);
        chart->UpdateMarktStatus(QStringLiteral("已收盘"));
        QTest::qWait(100);
        const int settled = spy.count();
        QTest::qWait(300);
        QVERIFY(spy.count() <= settled + 1);
    }

    void livePrice_shortAndOddBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("fields");
        QTest::newRow("three fields keep the price")
            << testsupport::readFixture(QStringLiteral("charts/brief_quote_short.txt")) << 3;
        QTest::newRow("unknown code") << QByteArray("v_pv_none_match=\"1\";\n") << 1;
        QTest::newRow("html page stores nothing") << QByteArray("<html><body>busy</body></html>") << 0;
        QTest::newRow("empty body stores nothing") << QByteArray() << 0;
        QTest::newRow("equals at the end") << QByteArray("v_s_sh600000=") << 0;
        QTest::newRow("no closing quote") << QByteArray("v_s_sh600000=\"1~2~3~4~5") << 0;
        QTest::newRow("bytes that are no GB18030") << QByteArray("v_s=\"1~\x81\x20~3~4\";") << 0;
        // Read on the main thread every second: a body past its size is not read.
        QTest::newRow("a quote of 100 KB")
            << "v_s_sh600000=\"1~" + QByteArray(100 * 1024, 'x') + "~600000~12.34~0\";" << 0;
    }
    void livePrice_shortAndOddBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, fields);
        FixedReplyServer quotes;
        quotes.body = body;
        const platform::Configuration saved = platform::Configuration::current();
        platform::Configuration c = saved;
        c.tencentQuoteUrl = quotes.baseUrl();
        platform::Configuration::setCurrent(c);
        setNow(shanghai(2025, 3, 12, 10, 15));

        std::unique_ptr<KLineHistoryView> chart(make(
            Day, QStringLiteral("600000"), { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } }));
        const QVariantMap earlier { { QStringLiteral("curtime"), QStringLiteral("2025/03/12 10:14:00") },
            { QStringLiteral("cprice"), QStringLiteral("9.99") } };
        chart->RefreshNowPrice(&earlier);
        QCOMPARE(chart->cprice, QStringLiteral("9.99"));
        QSignalSpy spy(chart.get(), &KLineHistoryView::nowPriceHandled);
        // A reply that stores nothing still re-arms the poll.
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 2, 10000);
        platform::Configuration::setCurrent(saved);
        QCOMPARE(chart->stockNowValueArray.size(), fields);
        QCOMPARE(chart->cprice, QStringLiteral("9.99"));
        QCOMPARE(quotes.paths.first(), QStringLiteral("/q=s_sh600000"));
    }

    void livePrice_failedRequestKeepsPolling()
    {
        // Both tries of the first request are dropped (the network layer
        // sends a dropped request once more); the poll still goes on.
        server().failPath(QStringLiteral("/q=s_sh600000"), 0, 2);
        setNow(shanghai(2025, 3, 12, 10, 15));
        std::unique_ptr<KLineHistoryView> chart(make(
            Day, QStringLiteral("600000"), { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } }));
        QSignalSpy spy(chart.get(), &KLineHistoryView::nowPriceHandled);
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!chart->cprice.isEmpty(), 10000);
        QVERIFY(chart->stockNowValueArray.size() >= 4);
    }

    void livePrice_endsWhenTheSessionEnds_data()
    {
        QTest::addColumn<QDateTime>("open");
        QTest::addColumn<QDateTime>("closed");
        QTest::addColumn<QDateTime>("later");
        QTest::newRow("afternoon close")
            << shanghai(2025, 3, 12, 14, 59) << shanghai(2025, 3, 12, 15, 0) << shanghai(2025, 3, 13, 10, 0);
        QTest::newRow("lunch break, not resumed at 13:00")
            << shanghai(2025, 3, 12, 11, 29) << shanghai(2025, 3, 12, 11, 30) << shanghai(2025, 3, 12, 13, 5);
    }
    void livePrice_endsWhenTheSessionEnds()
    {
        QFETCH(QDateTime, open);
        QFETCH(QDateTime, closed);
        QFETCH(QDateTime, later);
        setNow(open);
        std::unique_ptr<KLineHistoryView> chart(make(Week, QStringLiteral("600000"),
            { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } }));
        QTRY_VERIFY_WITH_TIMEOUT(requests(QStringLiteral("q=")).size() >= 2, 10000);
        setNow(closed);
        const qsizetype settled = m_env.settledCount(QStringLiteral("q="));
        QTest::qWait(200);
        QCOMPARE(requests(QStringLiteral("q=")).size(), settled);
        // The chain has ended: the market opening again starts nothing.
        setNow(later);
        QTest::qWait(200);
        QCOMPARE(requests(QStringLiteral("q=")).size(), settled);
    }

    void createdOutsideMarketHours_neverPolls_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("day") << int(Day);
        QTest::newRow("week") << int(Week);
        QTest::newRow("month") << int(Month);
    }
    void createdOutsideMarketHours_neverPolls()
    {
        QFETCH(int, kind);
        setNow(shanghai(2025, 3, 12, 15, 30));
        KLineHistoryView* chart = add(Kind(kind), QStringLiteral("600000"),
            { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } });
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000);
        QTest::qWait(100);
        setNow(shanghai(2025, 3, 13, 10, 0)); // the next morning
        QTest::qWait(300);
        QCOMPARE(requests(QStringLiteral("q=")), QStringList());
    }

    void hiddenChart_priceChainEnds()
    {
        setNow(shanghai(2025, 3, 12, 10, 15));
        KLineHistoryView* chart = add(
            Day, QStringLiteral("600000"), { { QStringLiteral("marketstatus"), QStringLiteral("交易中") } });
        QTRY_VERIFY_WITH_TIMEOUT(requests(QStringLiteral("q=")).size() >= 2, 10000);
        chart->setIsSelfHiden(true);
        const qsizetype settled = m_env.settledCount(QStringLiteral("q="));
        QTest::qWait(300);
        QCOMPARE(requests(QStringLiteral("q=")).size(), settled);
    }

    void hiddenChart_historyChainEnds()
    {
        KLineHistoryView* chart = make(Week, QStringLiteral("600000"));
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        chart->setParent(m_host.get()); // the first year is asked for at once
        chart->setIsSelfHiden(true);
        QTRY_COMPARE_WITH_TIMEOUT(requests(QStringLiteral("/kline/")).size(), 1, 10000);
        QTest::qWait(300);
        QCOMPARE(requests(QStringLiteral("/kline/")).size(), 1);
        QCOMPARE(spy.count(), 0);
        // Taken out and put back while hidden: still nothing.
        chart->setParent(nullptr);
        chart->setParent(m_host.get());
        QTest::qWait(100);
        QCOMPARE(requests(QStringLiteral("/kline/")).size(), 1);
    }

    void newParentWhileLoading_loadsOnce()
    {
        KLineHistoryView* chart = make(Day, QStringLiteral("600000"));
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        chart->setParent(m_host.get());
        QWidget other;
        chart->setParent(&other);
        chart->setParent(m_host.get());
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000);
        QTest::qWait(200);
        QCOMPARE(requests(QStringLiteral("/kline/")).size(), 2);
        QCOMPARE(spy.count(), 1);
    }

    void constructedWithAParent_startsLoading()
    {
        auto* chart = new WeekKLineView(
            QRect(0, 0, 700, 400), { { QStringLiteral("stockcode"), QStringLiteral("600000") } },
            m_env.father.get(), [](const QVariantMap&) {}, m_host.get());
        QSignalSpy spy(chart, &KLineHistoryView::historyDrawn);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000);
        QCOMPARE(requests(QStringLiteral("/kline/")).size(), 10);
    }

    void resizeSteps_shareTheYearFiles()
    {
        charts::pollTiming().yearCacheMs = 10000;
        // Three charts in a row, as a live resize makes them: the files are
        // fetched once and every chart still holds the full history.
        KLineHistoryView* first = add(Week, QStringLiteral("600000"));
        KLineHistoryView* second = add(Week, QStringLiteral("600000"));
        QSignalSpy firstDrawn(first, &KLineHistoryView::historyDrawn);
        QSignalSpy secondDrawn(second, &KLineHistoryView::historyDrawn);
        QTRY_VERIFY_WITH_TIMEOUT(firstDrawn.count() == 1 && secondDrawn.count() == 1, 20000);
        KLineHistoryView* third = add(Week, QStringLiteral("600000"));
        QSignalSpy thirdDrawn(third, &KLineHistoryView::historyDrawn);
        QTRY_COMPARE_WITH_TIMEOUT(thirdDrawn.count(), 1, 20000);
        QCOMPARE(requests(QStringLiteral("/kline/")).size(), 10);
        QCOMPARE(second->iDataArray, first->iDataArray);
        QCOMPARE(third->iDataArray, first->iDataArray);

        // A dropped reply is never kept: the next chart asks again.
        charts::YearFileCache::clear();
        server().clearRequestLog();
        server().failPath(QStringLiteral("/week/history/2025/"), 0, 2);
        KLineHistoryView* failed = add(Week, QStringLiteral("600000"));
        QTRY_COMPARE_WITH_TIMEOUT(requests(QStringLiteral("/kline/")).size(), 2, 10000);
        QTest::qWait(100);
        QVERIFY(failed->iDataArray.isEmpty());
        KLineHistoryView* retry = add(Week, QStringLiteral("600000"));
        QSignalSpy retryDrawn(retry, &KLineHistoryView::historyDrawn);
        QTRY_COMPARE_WITH_TIMEOUT(retryDrawn.count(), 1, 20000);
        QCOMPARE(requests(QStringLiteral("/kline/")).size(), 12);
    }

    void yearFiles_areNotKeptPastTheirTime()
    {
        // Every fetch drops what has outlived the keeping time, and on a slow
        // machine the ten years take longer than a short one: it is shortened
        // only once they are all in.
        charts::pollTiming().yearCacheMs = 10000;
        KLineHistoryView* week = add(Week, QStringLiteral("600000"));
        QSignalSpy weekDrawn(week, &KLineHistoryView::historyDrawn);
        QTRY_COMPARE_WITH_TIMEOUT(weekDrawn.count(), 1, 20000);
        QCOMPARE(charts::YearFileCache::keptCount(), 10);
        charts::pollTiming().yearCacheMs = 300;
        QTest::qWait(350);
        // Another stock later on: the first stock's files are gone, not piled up.
        KLineHistoryView* day = add(Day, QStringLiteral("000001"));
        QSignalSpy dayDrawn(day, &KLineHistoryView::historyDrawn);
        QTRY_COMPARE_WITH_TIMEOUT(dayDrawn.count(), 1, 20000);
        QCOMPARE(charts::YearFileCache::keptCount(), 2);
    }
};

QTEST_MAIN(tst_KLineLoaders)
#include "tst_KLineLoaders.moc"
