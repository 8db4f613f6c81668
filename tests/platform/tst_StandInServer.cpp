#include "TestSupport.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "platform/UrlSession.h"
#include "platform/Values.h"
#include "standin/FeedBodies.h"
#include "standin/SampleMarket.h"
#include "standin/StandInServer.h"

#include <QNetworkReply>
#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <memory>
#include <optional>

using namespace platform;

namespace {
const QTimeZone kChina(8 * 3600);

QDateTime at(int y, int m, int d, int hh, int mm, int ss = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss), kChina);
}

// The object of a JSONP body, cut the way the client cuts it.
QVariantMap jsonpObject(const QByteArray& body)
{
    const qsizetype open = body.indexOf('{');
    if (open < 0 || body.size() < open + 2)
        return {};
    return parseJson(body.mid(open, body.size() - 2 - open)).value_or(QVariant()).toMap();
}

QVariantMap jsonObject(const QByteArray& body)
{
    return parseJson(body).value_or(QVariant()).toMap();
}

QStringList tencentFields(const QString& line)
{
    return line.section(QLatin1Char('"'), 1, 1).split(QLatin1Char('~'));
}
} // namespace

class tst_StandInServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void everyFeedPath_answers_data();
    void everyFeedPath_answers();
    void tencentFull_fieldsAgree();
    void tencentBrief_andUnknownCodes();
    void marketStatus_followsShanghaiClock_data();
    void marketStatus_followsShanghaiClock();
    void neteaseFeed_framingAndUnits();
    void minutes_todayAndFourDays();
    void kline_rowsAndYears();
    void companyFiles_shapes();
    void fundFlow_script();
    void indexFigures_inMarketUnits_data();
    void indexFigures_inMarketUnits();
    void prices_moveOnlyWhileTrading();
    void sampleMarket_isDeterministic();
    void badRequests_neverCrash_data();
    void badRequests_neverCrash();
    void failSwitches_andRequestLog();

private:
    UrlResponse fetch(const QString& path);
    standin::StandInServer& server() { return m_standIn->server(); }
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
};

void tst_StandInServer::initTestCase()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
    m_standIn = std::make_unique<testsupport::StandIn>();
}

void tst_StandInServer::cleanupTestCase()
{
    m_standIn.reset();
    m_settings.reset();
}

void tst_StandInServer::init()
{
    // A Wednesday morning in the session.
    server().market().setNow(at(2025, 3, 12, 10, 15, 30));
}

UrlResponse tst_StandInServer::fetch(const QString& path)
{
    QObject context;
    std::optional<UrlResponse> got;
    UrlSession::sharedSession()->get(
        QUrl(m_standIn->baseUrl() + path), {}, &context, [&](const UrlResponse& r) { got = r; });
    // As long as the session's own timeout: a very long list takes seconds
    // under a sanitizer on a loaded machine.
    QDeadlineTimer deadline(30000);
    while (!got && !deadline.hasExpired())
        QTest::qWait(2);
    return got.value_or(UrlResponse {});
}

void tst_StandInServer::everyFeedPath_answers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("starts");
    QTest::addColumn<QByteArray>("ends");
    QTest::newRow("tencent full") << QStringLiteral("/q=sh600000,sz000001") << 200
                                  << QByteArray("v_sh600000=\"1~") << QByteArray("~\";\n");
    QTest::newRow("tencent with cache buster") << QStringLiteral("/r=0.123q=sz399006") << 200
                                               << QByteArray("v_sz399006=\"51~") << QByteArray("\";\n");
    QTest::newRow("tencent brief") << QStringLiteral("/q=s_sh600000") << 200
                                   << QByteArray("v_s_sh600000=\"1~") << QByteArray("~\";\n");
    QTest::newRow("tencent market status")
        << QStringLiteral("/q=marketStat") << 200 << QByteArray("v_marketStat=\"2025-03-12 10:15:30|")
        << QByteArray("\";\n");
    QTest::newRow("netease feed") << QStringLiteral("/data/feed/0600000,1000001,money.api") << 200
                                  << QByteArray("_ntes_quote_callback({\"0600000\":{") << QByteArray("} });");
    QTest::newRow("minutes today") << QStringLiteral("/data/hs/time/today/0600000.json") << 200
                                   << QByteArray("{") << QByteArray("]]}");
    QTest::newRow("minutes four days") << QStringLiteral("/data/hs/time/4days/1399001.json") << 200
                                       << QByteArray("{\"symbol\": \"399001\"") << QByteArray("]]}]}");
    QTest::newRow("kline day") << QStringLiteral("/data/hs/kline/day/history/2025/0600000.json") << 200
                               << QByteArray("{\"symbol\": \"600000\"") << QByteArray("]]}");
    QTest::newRow("kline week") << QStringLiteral("/data/hs/kline/week/history/2016/1000001.json") << 200
                                << QByteArray("{") << QByteArray("]]}");
    QTest::newRow("kline month index") << QStringLiteral("/data/hs/kline/month/history/2006/0000001.json")
                                       << 200 << QByteArray("{\"symbol\": \"000001\"") << QByteArray("]]}");
    QTest::newRow("summary") << QStringLiteral("/app/stock/1000001_summary.json") << 200 << QByteArray("{")
                             << QByteArray("}");
    QTest::newRow("holders") << QStringLiteral("/app/stock/0600000_holders.json") << 200 << QByteArray("{")
                             << QByteArray("}");
    QTest::newRow("indicators") << QStringLiteral("/app/stock/0600519_indicators.json") << 200
                                << QByteArray("{") << QByteArray("}");
    QTest::newRow("notices") << QStringLiteral("/app/stock/0600000_noticelist.json?count=20&page=0") << 200
                             << QByteArray("{") << QByteArray("}");
    QTest::newRow("stock app") << QStringLiteral("/app/stock/1300750.json") << 200 << QByteArray("{")
                               << QByteArray("}");
    QTest::newRow("fund flow stock") << QStringLiteral("/js/600000.js?rt=0.5") << 200
                                     << QByteArray("var zjlx_detail={data:\"") << QByteArray("\"};");
    QTest::newRow("fund flow index") << QStringLiteral("/js/zs000001.js") << 200
                                     << QByteArray("var zjlx_detail={data:\"") << QByteArray("\"};");
    QTest::newRow("unknown path") << QStringLiteral("/nothing/here") << 404 << QByteArray() << QByteArray();
    QTest::newRow("unknown netease code")
        << QStringLiteral("/data/hs/time/today/0999999.json") << 404 << QByteArray() << QByteArray();
    QTest::newRow("own index is backend only")
        << QStringLiteral("/data/hs/kline/day/history/2025/0888888.json") << 404 << QByteArray()
        << QByteArray();
    QTest::newRow("company file of an index")
        << QStringLiteral("/app/stock/0000001_summary.json") << 404 << QByteArray() << QByteArray();
    QTest::newRow("future year") << QStringLiteral("/data/hs/kline/day/history/2030/0600000.json") << 404
                                 << QByteArray() << QByteArray();
}

void tst_StandInServer::everyFeedPath_answers()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, starts);
    QFETCH(QByteArray, ends);
    const UrlResponse r = fetch(path);
    QCOMPARE(r.status, status);
    if (status != 200)
        return;
    QVERIFY2(r.body.startsWith(starts), r.body.left(80).constData());
    QVERIFY2(r.body.endsWith(ends), r.body.right(80).constData());
    if (path.endsWith(QLatin1String(".json")) || path.contains(QLatin1String(".json?")))
        QVERIFY(parseJson(r.body).has_value());
}

void tst_StandInServer::tencentFull_fieldsAgree()
{
    const UrlResponse r = fetch(QStringLiteral("/q=sh600000,sz000001,sh000001,sz399001,sz399006,sz300750"));
    const auto text = decodeGB18030(r.body);
    QVERIFY(text.has_value());
    const QStringList lines = text->split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(tencentFields(lines.at(0)).value(1), QStringLiteral("浦发银行"));
    QCOMPARE(tencentFields(lines.at(2)).value(1), QStringLiteral("上证指数"));
    QCOMPARE(tencentFields(lines.at(1)).value(0), QStringLiteral("51"));
    for (const QString& line : lines) {
        const QStringList f = tencentFields(line);
        QCOMPARE(f.size(), 88);
        QVERIFY(f.at(87).isEmpty());
        const bool index = f.at(61) == QLatin1String("ZS");
        QCOMPARE(f.at(30).left(8), QStringLiteral("20250312"));
        QCOMPARE(f.at(6), f.at(36));
        QCOMPARE(integerValue(f.at(7)) + integerValue(f.at(8)), integerValue(f.at(6)));
        const QStringList trade = f.at(35).split(QLatin1Char('/'));
        QCOMPARE(trade.value(0), f.at(3));
        QCOMPARE(trade.value(1), f.at(6));
        // 37 is in 万, the third part of 35 in yuan.
        QVERIFY(std::abs(doubleValue(trade.value(2)) / 1e4 - doubleValue(f.at(37))) <= 1.0);
        QVERIFY(doubleValue(f.at(33)) >= doubleValue(f.at(3)));
        QVERIFY(doubleValue(f.at(34)) <= doubleValue(f.at(3)));
        QCOMPARE(f.at(31), QString::number(doubleValue(f.at(3)) - doubleValue(f.at(4)), 'f', 2));
        if (index) {
            QCOMPARE(f.at(47), QStringLiteral("-1"));
            QCOMPARE(f.at(48), QStringLiteral("-1"));
            QCOMPARE(f.at(9), QStringLiteral("0.00"));
            continue;
        }
        long long bids = 0, asks = 0;
        for (int j = 0; j < 5; ++j) {
            bids += integerValue(f.at(10 + 2 * j));
            asks += integerValue(f.at(20 + 2 * j));
        }
        QCOMPARE(integerValue(f.at(50)), bids - asks);
        QVERIFY(doubleValue(f.at(9)) < doubleValue(f.at(19))); // bid below ask
        QVERIFY(doubleValue(f.at(52)) != doubleValue(f.at(53)));
        const double average = doubleValue(trade.value(2)) / (doubleValue(f.at(6)) * 100);
        QVERIFY(std::abs(average - doubleValue(f.at(51))) < 0.011);
    }
    QCOMPARE(tencentFields(lines.at(5)).value(61), QStringLiteral("GP-A-CYB"));
}

void tst_StandInServer::tencentBrief_andUnknownCodes()
{
    const UrlResponse r = fetch(QStringLiteral("/q=s_sz399001,sh999999,s_sh600000"));
    QCOMPARE(r.status, 200);
    const QString text = decodeGB18030(r.body).value_or(QString());
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("v_s_sz399001=\"51~深证成指~399001~")));
    QCOMPARE(lines.at(2), QStringLiteral("v_pv_none_match=\"1\";"));
    const QStringList brief = tencentFields(lines.at(1));
    QCOMPARE(brief.size(), 12);
    QCOMPARE(brief.at(10), QStringLiteral("GP-A"));
    // Field 4 is the change: the previous close is price - change.
    const QStringList full
        = tencentFields(decodeGB18030(fetch(QStringLiteral("/q=sh600000")).body).value_or(QString()));
    QCOMPARE(QString::number(doubleValue(brief.at(3)) - doubleValue(brief.at(4)), 'f', 2), full.at(4));

    const UrlResponse none = fetch(QStringLiteral("/q=sh123"));
    QCOMPARE(none.status, 200);
    QCOMPARE(none.body, QByteArray("v_pv_none_match=\"1\";\n"));
}

void tst_StandInServer::marketStatus_followsShanghaiClock_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("segment");
    QTest::newRow("before the open") << at(2025, 3, 12, 9, 29, 59) << QStringLiteral("close_未开盘");
    QTest::newRow("morning open") << at(2025, 3, 12, 9, 30) << QStringLiteral("open_交易中");
    QTest::newRow("lunch") << at(2025, 3, 12, 11, 30) << QStringLiteral("close_午间休市");
    QTest::newRow("afternoon") << at(2025, 3, 12, 13, 0) << QStringLiteral("open_交易中");
    QTest::newRow("closed") << at(2025, 3, 12, 15, 0) << QStringLiteral("close_已收盘");
    QTest::newRow("saturday") << at(2025, 3, 15, 10, 0) << QStringLiteral("close_已休市");
    QTest::newRow("national day") << at(2025, 10, 2, 10, 0) << QStringLiteral("close_已休市");
    // The same moment written in UTC reads as Shanghai time.
    QTest::newRow("given in UTC") << QDateTime(QDate(2025, 3, 12), QTime(2, 0), QTimeZone::utc())
                                  << QStringLiteral("open_交易中");
}

void tst_StandInServer::marketStatus_followsShanghaiClock()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, segment);
    server().market().setNow(now);
    const QString text = decodeGB18030(fetch(QStringLiteral("/q=marketStat")).body).value_or(QString());
    const QStringList parts = text.section(QLatin1Char('"'), 1, 1).split(QLatin1Char('|'));
    QCOMPARE(parts.size(), 24);
    QVERIFY(parts.contains(QStringLiteral("SH_") + segment));
    QVERIFY(parts.contains(QStringLiteral("SZ_") + segment));
    QCOMPARE(parts.first().left(10), now.toOffsetFromUtc(8 * 3600).date().toString(Qt::ISODate));
}

void tst_StandInServer::neteaseFeed_framingAndUnits()
{
    const UrlResponse r = fetch(QStringLiteral("/data/feed/0600000,1000001,0000001,1399999,UD_SHAZ"));
    QCOMPARE(r.status, 200);
    const QVariantMap all = jsonpObject(r.body);
    QCOMPARE(all.size(), 4); // the unknown code is left out
    QVERIFY(all.value(QStringLiteral("UD_SHAZ")).toMap().contains(QStringLiteral("count")));
    const QVariantMap pf = all.value(QStringLiteral("0600000")).toMap();
    QCOMPARE(pf.value(QStringLiteral("name")).toString(), QStringLiteral("浦发银行"));
    QCOMPARE(pf.value(QStringLiteral("symbol")).toString(), QStringLiteral("600000"));
    QCOMPARE(pf.value(QStringLiteral("type")).toString(), QStringLiteral("SH"));
    const double price = doubleValue(pf.value(QStringLiteral("price")));
    const double yest = doubleValue(pf.value(QStringLiteral("yestclose")));
    // "percent" is a fraction, not a percent.
    QVERIFY(std::abs(doubleValue(pf.value(QStringLiteral("percent"))) - (price - yest) / yest) < 1e-5);
    QVERIFY(std::abs(doubleValue(pf.value(QStringLiteral("updown"))) - (price - yest)) < 0.006);
    // Volume in shares here, in lots in the Tencent line.
    const QStringList tencent
        = tencentFields(decodeGB18030(fetch(QStringLiteral("/q=sh600000")).body).value_or(QString()));
    QCOMPARE(integerValue(pf.value(QStringLiteral("volume"))), integerValue(tencent.at(6)) * 100);
    const QVariantMap index = all.value(QStringLiteral("0000001")).toMap();
    QCOMPARE(index.value(QStringLiteral("name")).toString(), QStringLiteral("上证指数"));
    QCOMPARE(doubleValue(index.value(QStringLiteral("bid1"))), 0.0);
    QVERIFY(r.body.contains("\\u6d66\\u53d1")); // names travel \u-escaped

    const UrlResponse custom = fetch(QStringLiteral("/data/feed/1000001,money.api?callback=cb_1"));
    QVERIFY(custom.body.startsWith("cb_1({\"1000001\""));
    const UrlResponse hostile = fetch(QStringLiteral("/data/feed/1000001?callback=alert(1)%3B"));
    QVERIFY(hostile.body.startsWith("_ntes_quote_callback("));
    QCOMPARE(fetch(QStringLiteral("/data/feed/0999999")).status, 404);
}

void tst_StandInServer::minutes_todayAndFourDays()
{
    const QVariantMap today = jsonObject(fetch(QStringLiteral("/data/hs/time/today/0600000.json")).body);
    QCOMPARE(today.value(QStringLiteral("date")).toString(), QStringLiteral("20250312"));
    QCOMPARE(today.value(QStringLiteral("symbol")).toString(), QStringLiteral("600000"));
    const QVariantList rows = today.value(QStringLiteral("data")).toList();
    // 09:30 .. 10:15 inclusive
    QCOMPARE(rows.size(), 46);
    QCOMPARE(rows.first().toList().value(0).toString(), QStringLiteral("0930"));
    QCOMPARE(rows.last().toList().value(0).toString(), QStringLiteral("1015"));
    double volume = 0;
    for (const QVariant& row : rows) {
        QCOMPARE(row.toList().size(), 4);
        volume += doubleValue(row.toList().value(3));
    }
    QCOMPARE(doubleValue(today.value(QStringLiteral("lastVolume"))), volume);

    server().market().setNow(at(2025, 3, 12, 15, 30));
    const QVariantList full = jsonObject(fetch(QStringLiteral("/data/hs/time/today/0600000.json")).body)
                                  .value(QStringLiteral("data"))
                                  .toList();
    QCOMPARE(full.size(), 242);
    QString previous;
    for (const QVariant& row : full) {
        const QString hhmm = row.toList().value(0).toString();
        QVERIFY(hhmm > previous);
        QVERIFY2(hhmm <= QLatin1String("1130") || hhmm >= QLatin1String("1300"), qPrintable(hhmm));
        previous = hhmm;
    }
    // The day's last minute is the close the quote shows.
    const QStringList tencent
        = tencentFields(decodeGB18030(fetch(QStringLiteral("/q=sh600000")).body).value_or(QString()));
    QCOMPARE(doubleValue(full.last().toList().value(1)), doubleValue(tencent.at(3)));

    const QVariantMap four = jsonObject(fetch(QStringLiteral("/data/hs/time/4days/0600000.json")).body);
    const QVariantList days = four.value(QStringLiteral("data")).toList();
    QCOMPARE(days.size(), 4);
    const QStringList expected { QStringLiteral("20250311"), QStringLiteral("20250310"),
        QStringLiteral("20250307"), QStringLiteral("20250306") };
    for (int i = 0; i < 4; ++i) {
        const QVariantMap day = days.at(i).toMap();
        QCOMPARE(day.value(QStringLiteral("date")).toString(), expected.at(i));
        QCOMPARE(day.value(QStringLiteral("data")).toList().size(), 242);
    }
    // A day's previous close is the day before's last minute.
    const double closeOf0310
        = doubleValue(days.at(1).toMap().value(QStringLiteral("data")).toList().last().toList().value(1));
    QCOMPARE(doubleValue(days.at(0).toMap().value(QStringLiteral("yestclose"))), closeOf0310);

    // Before the open the feed still shows the last session.
    server().market().setNow(at(2025, 3, 12, 8, 0));
    const QVariantMap early = jsonObject(fetch(QStringLiteral("/data/hs/time/today/0600000.json")).body);
    QCOMPARE(early.value(QStringLiteral("date")).toString(), QStringLiteral("20250311"));
}

void tst_StandInServer::kline_rowsAndYears()
{
    const QVariantList rows
        = jsonObject(fetch(QStringLiteral("/data/hs/kline/day/history/2024/0600000.json")).body)
              .value(QStringLiteral("data"))
              .toList();
    QVERIFY(rows.size() > 230);
    QString previousDate;
    double previousClose = 0;
    for (const QVariant& v : rows) {
        const QVariantList row = v.toList();
        QCOMPARE(row.size(), 7);
        const QString date = row.at(0).toString();
        QVERIFY(date > previousDate && date.startsWith(QLatin1String("2024")));
        const double open = doubleValue(row.at(1)), close = doubleValue(row.at(2));
        const double high = doubleValue(row.at(3)), low = doubleValue(row.at(4));
        QVERIFY2(high >= std::max(open, close) && low <= std::min(open, close), qPrintable(date));
        if (previousClose > 0)
            QVERIFY(std::abs(doubleValue(row.at(6)) - (close - previousClose) / previousClose * 100) < 0.006);
        previousDate = date;
        previousClose = close;
    }
    // Twenty years of month files for an index, every month present.
    for (int year = 2006; year <= 2024; year += 6) {
        const QVariantList months
            = jsonObject(fetch(QStringLiteral("/data/hs/kline/month/history/%1/0000001.json").arg(year)).body)
                  .value(QStringLiteral("data"))
                  .toList();
        QCOMPARE(months.size(), 12);
    }
    // The current year stops at today, today's bar included while trading.
    const QVariantList thisYear
        = jsonObject(fetch(QStringLiteral("/data/hs/kline/day/history/2025/0600000.json")).body)
              .value(QStringLiteral("data"))
              .toList();
    QCOMPARE(thisYear.last().toList().value(0).toString(), QStringLiteral("20250312"));
    // A year before the listing: an empty list.
    const UrlResponse before = fetch(QStringLiteral("/data/hs/kline/day/history/2012/1300750.json"));
    QCOMPARE(before.status, 200);
    QVERIFY(jsonObject(before.body).value(QStringLiteral("data")).toList().isEmpty());
    // Weeks are dated by their last trading day.
    const QVariantList weeks
        = jsonObject(fetch(QStringLiteral("/data/hs/kline/week/history/2024/1000001.json")).body)
              .value(QStringLiteral("data"))
              .toList();
    QVERIFY(weeks.size() >= 50);
    QCOMPARE(weeks.at(1).toList().value(0).toString(), QStringLiteral("20240112"));
}

void tst_StandInServer::companyFiles_shapes()
{
    const QVariantList summary = jsonObject(fetch(QStringLiteral("/app/stock/0600000_summary.json")).body)
                                     .value(QStringLiteral("data"))
                                     .toList();
    QVERIFY(summary.size() >= 4);
    const QVariantMap basic = summary.at(0).toMap();
    for (const char* key : { "GONG_SI_QUAN_CHENG", "ZHU_CE_ZI_BEN", "HANG_YE", "DI_YU", "ZHU_YING_YE_WU" })
        QVERIFY2(basic.contains(QLatin1String(key)), key);
    const QVariantMap products = summary.at(2).toMap();
    QCOMPARE(products.value(QStringLiteral("HANG_YE_MING_CHENG")).toList().size(),
        products.value(QStringLiteral("HANG_YE_SHOU_RU")).toList().size());

    const QVariantList holders = jsonObject(fetch(QStringLiteral("/app/stock/1000001_holders.json")).body)
                                     .value(QStringLiteral("data"))
                                     .toList();
    QVERIFY(holders.size() >= 4);
    QCOMPARE(holders.at(0).toMap().size(), 2);
    QVERIFY(holders.at(0)
                .toMap()
                .value(QStringLiteral("RI_QI"))
                .toList()
                .value(0)
                .toString()
                .contains(QLatin1Char('Q')));
    QCOMPARE(holders.at(1).toMap().size(), 13);
    QCOMPARE(holders.at(2).toMap().value(QStringLiteral("SHI_DA_GU_DONG")).toList().size(), 10);

    const QVariantMap indicators
        = jsonObject(fetch(QStringLiteral("/app/stock/1000001_indicators.json")).body)
              .value(QStringLiteral("data"))
              .toList()
              .value(0)
              .toMap();
    const qsizetype reports = indicators.value(QStringLiteral("BAO_GAO_RI_QI")).toList().size();
    QVERIFY(reports >= 4);
    for (auto it = indicators.cbegin(); it != indicators.cend(); ++it)
        QCOMPARE(it.value().toList().size(), reports);
    QCOMPARE(indicators.size(), 16);

    const QVariantList notices
        = jsonObject(fetch(QStringLiteral("/app/stock/0600000_noticelist.json?count=20&page=0")).body)
              .value(QStringLiteral("data"))
              .toList();
    QCOMPARE(notices.size(), 20);
    const QVariantMap first = notices.first().toMap();
    QVERIFY(first.value(QStringLiteral("createTime")).toString().size() > 10);
    QVERIFY(first.value(QStringLiteral("title")).toString().startsWith(QStringLiteral("浦发银行")));
    // The notice page is served too.
    const QString url = first.value(QStringLiteral("url")).toString();
    QVERIFY(url.startsWith(m_standIn->baseUrl()));
    QCOMPARE(fetch(url.mid(m_standIn->baseUrl().size())).status, 200);

    const QVariantMap app = jsonObject(fetch(QStringLiteral("/app/stock/0600000.json")).body)
                                .value(QStringLiteral("data"))
                                .toList()
                                .value(0)
                                .toMap();
    QVERIFY(app.contains(QStringLiteral("LB")));
    QVERIFY(
        doubleValue(app.value(QStringLiteral("HS"))) > 0 && doubleValue(app.value(QStringLiteral("HS"))) < 1);
}

void tst_StandInServer::fundFlow_script()
{
    const QByteArray body = fetch(QStringLiteral("/js/600000.js")).body;
    const qsizetype start = body.indexOf("zjlx_detail={data:\"");
    QVERIFY(start >= 0);
    const QByteArray data = body.mid(start + 19, body.indexOf('"', start + 19) - start - 19);
    const QList<QByteArray> f = data.split(',');
    QCOMPARE(f.size(), 20);
    auto v = [&](int i) { return doubleValue(QString::fromLatin1(f.at(i))); };
    QVERIFY(std::abs(v(0) - (v(2) + v(4))) < 0.011); // main = super + large
    QVERIFY(std::abs(v(2) + v(4) + v(6) + v(8)) < 0.05); // the nets cancel out
    for (int i = 13; i <= 19; i += 2)
        QVERIFY(v(i) <= 0); // outflows are negative
    QVERIFY(std::abs(v(2) - (v(12) + v(13))) < 0.011);
    QCOMPARE(fetch(QStringLiteral("/js/zs999999.js")).status, 404);
}

void tst_StandInServer::indexFigures_inMarketUnits_data()
{
    // Whole-day ranges of a real market: volume in 亿手, amount in 亿 yuan.
    QTest::addColumn<QString>("tencent");
    QTest::addColumn<double>("minVolume");
    QTest::addColumn<double>("maxVolume");
    QTest::addColumn<double>("minAmount");
    QTest::addColumn<double>("maxAmount");
    QTest::newRow("shanghai composite") << QStringLiteral("sh000001") << 1.5 << 9.0 << 2000.0 << 9000.0;
    QTest::newRow("shenzhen component") << QStringLiteral("sz399001") << 2.0 << 11.0 << 3000.0 << 12000.0;
    QTest::newRow("chinext") << QStringLiteral("sz399006") << 0.7 << 4.5 << 1000.0 << 6000.0;
}

void tst_StandInServer::indexFigures_inMarketUnits()
{
    QFETCH(QString, tencent);
    QFETCH(double, minVolume);
    QFETCH(double, maxVolume);
    QFETCH(double, minAmount);
    QFETCH(double, maxAmount);
    // Ten closes in a row, so that a busy or a quiet day is covered too.
    QDate day(2025, 3, 3);
    for (int n = 0; n < 10; day = day.addDays(1)) {
        if (day.dayOfWeek() > 5)
            continue;
        ++n;
        server().market().setNow(at(day.year(), day.month(), day.day(), 15, 30));
        const QStringList f
            = tencentFields(decodeGB18030(fetch(QStringLiteral("/q=") + tencent).body).value_or(QString()));
        QCOMPARE(f.size(), 88);
        const double lots = doubleValue(f.at(6));
        const double amountWan = doubleValue(f.at(37));
        const QString where = tencent + QLatin1Char(' ') + day.toString(Qt::ISODate);
        QVERIFY2(lots / 1e8 >= minVolume && lots / 1e8 <= maxVolume, qPrintable(where + f.at(6)));
        QVERIFY2(amountWan / 1e4 >= minAmount && amountWan / 1e4 <= maxAmount, qPrintable(where + f.at(37)));
        // An index's amount is its members' turnover: yuan per share, not its level.
        const double perShare = doubleValue(f.at(35).section(QLatin1Char('/'), 2)) / (lots * 100);
        QVERIFY2(perShare > 5 && perShare < 40, qPrintable(where));

        // Its fund-flow script counts in 亿 with four decimals.
        const QByteArray body = fetch(QStringLiteral("/js/zs") + tencent.mid(2) + QStringLiteral(".js")).body;
        const qsizetype start = body.indexOf("zjlx_detail={data:\"") + 19;
        const QList<QByteArray> flow = body.mid(start, body.indexOf('"', start) - start).split(',');
        QCOMPARE(flow.size(), 20);
        QCOMPARE(flow.at(0).size() - flow.at(0).indexOf('.'), 5);
        const double main = doubleValue(QString::fromLatin1(flow.at(0)));
        QVERIFY2(std::abs(main) < amountWan / 1e4 * 0.3, flow.at(0).constData());
        QVERIFY(std::abs(main - doubleValue(QString::fromLatin1(flow.at(2)))
                    - doubleValue(QString::fromLatin1(flow.at(4))))
            < 0.0002);
    }
    // A board's member counts add up to the board, not to the sample.
    const QVariantMap counts = jsonpObject(fetch(QStringLiteral("/data/feed/UD_SHAZ,UD_SHAD,UD_SHAP")).body);
    int members = 0;
    for (const char* key : { "UD_SHAZ", "UD_SHAD", "UD_SHAP" })
        members += int(
            integerValue(counts.value(QString::fromLatin1(key)).toMap().value(QStringLiteral("count"))));
    QVERIFY2(members > 1500 && members < 3500, qPrintable(QString::number(members)));
}

void tst_StandInServer::prices_moveOnlyWhileTrading()
{
    standin::SampleMarket& market = server().market();
    market.setNow(at(2025, 3, 17, 10, 0));
    const auto lastAt = [&](const QDateTime& t) { return market.quoteAt(QStringLiteral("600000"), t).last; };
    QSet<double> seen;
    for (int minute = 0; minute < 60; minute += 5)
        seen.insert(lastAt(at(2025, 3, 12, 10, minute)));
    QVERIFY(seen.size() > 3);
    QVERIFY(market.quoteAt(QStringLiteral("600000"), at(2025, 3, 12, 10, 0)).trading);
    QVERIFY(!market.quoteAt(QStringLiteral("600000"), at(2025, 3, 12, 12, 0)).trading);
    QCOMPARE(lastAt(at(2025, 3, 12, 11, 45)), lastAt(at(2025, 3, 12, 12, 59)));
    QCOMPARE(lastAt(at(2025, 3, 12, 15, 30)), lastAt(at(2025, 3, 12, 23, 0)));
    // The weekend shows Friday's close; Monday morning before the open too.
    QCOMPARE(lastAt(at(2025, 3, 15, 10, 0)), lastAt(at(2025, 3, 14, 16, 0)));
    QCOMPARE(lastAt(at(2025, 3, 17, 9, 0)), lastAt(at(2025, 3, 14, 16, 0)));
    const standin::LiveQuote friday = market.quoteAt(QStringLiteral("600000"), at(2025, 3, 14, 16, 0));
    const standin::LiveQuote monday = market.quoteAt(QStringLiteral("600000"), at(2025, 3, 17, 10, 0));
    QCOMPARE(monday.prevClose, friday.last);
    const QList<standin::DayBar> bars = market.dayBars(QStringLiteral("600000"), QDate(2025, 3, 14));
    QCOMPARE(bars.last().close, friday.last);
    QCOMPARE(bars.last().high, friday.high);
}

void tst_StandInServer::sampleMarket_isDeterministic()
{
    standin::SampleMarket a, b, other(7);
    QVERIFY(a.securities().size() >= 36);
    QVERIFY(a.find(QStringLiteral("888888.idx")));
    QCOMPARE(a.find(QStringLiteral("399006.idx"))->name, QStringLiteral("创业板指"));
    int shanghai = 0, shenzhen = 0;
    for (const standin::SampleSecurity& s : a.securities()) {
        if (s.isIndex)
            continue;
        (s.shanghai ? shanghai : shenzhen)++;
        QVERIFY(!s.initials.isEmpty() && s.initials == s.initials.toUpper());
        // Every stock has at least three years of bars.
        QVERIFY2(a.dayBars(s.code, QDate(2025, 3, 11)).size() > 3 * 240, qPrintable(s.code));
    }
    QVERIFY(shanghai >= 10 && shenzhen >= 10);
    const QDate day(2024, 6, 28);
    const QList<standin::DayBar> x = a.dayBars(QStringLiteral("000001"), day);
    const QList<standin::DayBar> y = b.dayBars(QStringLiteral("000001"), day);
    QCOMPARE(x.size(), y.size());
    QVERIFY(x.size() > 20 * 240); // more than twenty years
    QCOMPARE(x.last().close, y.last().close);
    QVERIFY(other.dayBars(QStringLiteral("000001"), day).last().close != x.last().close);
    QCOMPARE(a.minutes(QStringLiteral("000001"), day, at(2025, 1, 1, 0, 0)).size(), 242);
}

void tst_StandInServer::badRequests_neverCrash_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty code list") << QStringLiteral("/q=");
    QTest::newRow("only commas") << QStringLiteral("/q=,,,");
    QTest::newRow("netease empty list") << QStringLiteral("/data/feed/");
    QTest::newRow("letters as year") << QStringLiteral("/data/hs/kline/day/history/abcd/0600000.json");
    QTest::newRow("short code") << QStringLiteral("/data/hs/time/today/060000.json");
    QTest::newRow("encoded nul") << QStringLiteral("/q=sh600000%00");
    QTest::newRow("dot dot") << QStringLiteral("/app/stock/../../etc/passwd");
    QTest::newRow("huge page") << QStringLiteral(
        "/app/stock/0600000_noticelist.json?count=999999999999&page=-5");
    QTest::newRow("very long list") << QStringLiteral("/q=") + QStringLiteral("sh600000,").repeated(3000);
}

void tst_StandInServer::badRequests_neverCrash()
{
    QFETCH(QString, path);
    const UrlResponse r = fetch(path);
    QVERIFY2(r.status == 200 || r.status == 404, qPrintable(QString::number(r.status) + r.error));
    // The server still answers afterwards.
    QCOMPARE(fetch(QStringLiteral("/q=s_sh600000")).status, 200);
}

void tst_StandInServer::failSwitches_andRequestLog()
{
    server().clearRequestLog();
    server().failPath(QStringLiteral("_summary"), 503, 2);
    QCOMPARE(fetch(QStringLiteral("/app/stock/0600000_summary.json")).status, 503);
    QCOMPARE(fetch(QStringLiteral("/app/stock/0600000_summary.json")).status, 503);
    QCOMPARE(fetch(QStringLiteral("/app/stock/0600000_summary.json")).status, 200);
    QCOMPARE(fetch(QStringLiteral("/app/stock/0600000_noticelist.json?count=20&page=0")).status, 200);
    const QStringList log = server().requestLog();
    QCOMPARE(log.size(), 4);
    QCOMPARE(log.last(), QStringLiteral("/app/stock/0600000_noticelist.json?count=20&page=0"));
}

QTEST_GUILESS_MAIN(tst_StandInServer)
#include "tst_StandInServer.moc"
