#include "TestSupport.h"

#include "market/FeedParsers.h"
#include "market/MarketCodes.h"
#include "market/MarketWarning.h"
#include "market/PropertyList.h"
#include "platform/TextCodec.h"
#include "platform/Values.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace market;

namespace {
QByteArray fixture(const char* name)
{
    return testsupport::readFixture(QStringLiteral("market/") + QString::fromLatin1(name));
}

// The sh600000 record of the full-quote fixture with one field replaced.
QByteArray stockWithField(int index, const char* value)
{
    const QString text = *platform::decodeGB18030(fixture("tencent_full.txt"));
    const QString line = text.split(QLatin1Char('\n')).first();
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    QStringList fields
        = line.mid(open + 1, line.lastIndexOf(QLatin1Char('"')) - open - 1).split(QLatin1Char('~'));
    fields[index] = QString::fromUtf8(value);
    return platform::encodeGB18030(
        QStringLiteral("v_sh600000=\"") + fields.join(QLatin1Char('~')) + QStringLiteral("\";\n"));
}

float num(const QVariantMap& m, const char* key)
{
    return platform::floatValue(m.value(QString::fromLatin1(key)));
}

QString str(const QVariantMap& m, const char* key)
{
    return m.value(QString::fromLatin1(key)).toString();
}
} // namespace

class FeedParsersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codes_mapPerFeed_data();
    void codes_mapPerFeed();
    void tradingTime_isTheExchangesWhereverTheMachineIs_data();
    void tradingTime_isTheExchangesWhereverTheMachineIs();

    void tencentFull_fixtureRecordsAgreeWithThemselves();
    void tencentFull_unitsAndAbsentFields();
    void tencentFull_keepsEveryReadableFigure_data();
    void tencentFull_keepsEveryReadableFigure();
    void tencentFull_badBodies_data();
    void tencentFull_badBodies();
    void tencentBrief_previousCloseIsPriceLessChange();

    void netease_entriesAndMemberCounts();
    void netease_badBodies_data();
    void netease_badBodies();
    void stockApp_ratioAndTurnoverPercent();
    void stockApp_badBodies_data();
    void stockApp_badBodies();
    void fundFlow_unitsForStocksAndIndices();
    void fundFlow_badBodies_data();
    void fundFlow_badBodies();
    void otherFeeds_keepEveryReadableFigure_data();
    void otherFeeds_keepEveryReadableFigure();
    void marketStat_matchesWholeSegments();

    void propertyList_roundTripAndRefusal();
    void warningLevel_data();
    void warningLevel();
};

void FeedParsersTest::codes_mapPerFeed_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("tencent");
    QTest::addColumn<QString>("netease");
    QTest::addColumn<QString>("eastmoney");
    QTest::newRow("shanghai stock") << "600000"
                                    << "sh600000"
                                    << "0600000"
                                    << "600000";
    QTest::newRow("star stock") << "688111"
                                << "sh688111"
                                << "0688111"
                                << "688111";
    QTest::newRow("shenzhen stock") << "000001"
                                    << "sz000001"
                                    << "1000001"
                                    << "000001";
    QTest::newRow("chinext stock") << "300750"
                                   << "sz300750"
                                   << "1300750"
                                   << "300750";
    QTest::newRow("shanghai index") << "000001.idx"
                                    << "sh000001"
                                    << "0000001"
                                    << "zs000001";
    QTest::newRow("shenzhen index") << "399001.idx"
                                    << "sz399001"
                                    << "1399001"
                                    << "zs399001";
    QTest::newRow("chinext index") << "399006.idx"
                                   << "sz399006"
                                   << "1399006"
                                   << "zs399006";
}

void FeedParsersTest::codes_mapPerFeed()
{
    QFETCH(QString, code);
    QFETCH(QString, tencent);
    QFETCH(QString, netease);
    QFETCH(QString, eastmoney);
    QCOMPARE(tencentCode(code), tencent);
    QCOMPARE(neteaseCode(code), netease);
    QCOMPARE(eastmoneyName(code), eastmoney);
}

void FeedParsersTest::tradingTime_isTheExchangesWhereverTheMachineIs_data()
{
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<bool>("open");
    // Shanghai is UTC+8: 01:30 UTC is 09:30 there.
    const auto at = [](int d, int h, int m, int s = 0) {
        return QDateTime(QDate(2025, 3, d), QTime(h, m, s), Qt::UTC);
    };
    QTest::newRow("09:14:59 before the auction") << at(14, 1, 14, 59) << false;
    QTest::newRow("09:15 auction") << at(14, 1, 15) << true;
    QTest::newRow("11:29 morning") << at(14, 3, 29) << true;
    QTest::newRow("11:30 lunch") << at(14, 3, 30) << false;
    QTest::newRow("13:00 afternoon") << at(14, 5, 0) << true;
    QTest::newRow("14:59 closing auction") << at(14, 6, 59) << true;
    QTest::newRow("15:00 closed") << at(14, 7, 0) << false;
    QTest::newRow("Saturday 10:00") << at(15, 2, 0) << false;
    // 23:00 UTC on Sunday is Monday 07:00 in Shanghai: still closed;
    // 01:00 UTC Monday is 09:00 Shanghai (closed), 02:00 is 10:00 (open).
    QTest::newRow("Monday 07:00 local") << at(16, 23, 0) << false;
    QTest::newRow("Monday 10:00 local") << at(17, 2, 0) << true;
}

void FeedParsersTest::tradingTime_isTheExchangesWhereverTheMachineIs()
{
    QFETCH(QDateTime, utc);
    QFETCH(bool, open);
    QCOMPARE(isTradingTime(utc), open);
    QCOMPARE(isTradingTime(utc.toTimeZone(QTimeZone(QByteArrayLiteral("America/New_York")))), open);
}

void FeedParsersTest::tencentFull_fixtureRecordsAgreeWithThemselves()
{
    const TencentBatch batch = parseTencentFull(fixture("tencent_full.txt"));
    QVERIFY2(batch.error.isEmpty(), qPrintable(batch.error));
    QVERIFY2(batch.errors.isEmpty(), qPrintable(batch.errors.join(u'\n')));
    QCOMPARE(batch.records.size(), 4); // pv_none_match is no record
    for (const char* code : { "sh600000", "sz000001" }) {
        const QVariantMap r = toVariantMap(batch.records.value(QString::fromLatin1(code)));
        QVERIFY2(r.size() >= 40, code);
        // outer + inner (shares) is the volume (lots) in shares
        QCOMPARE(num(r, "outdisk") + num(r, "indisk"), num(r, "transaction100count") * 100);
        QCOMPARE(num(r, "cprice") - num(r, "yprice"), num(r, "valueprice"));
        QVERIFY(num(r, "valuelowest") <= num(r, "cprice") && num(r, "cprice") <= num(r, "valuehighest"));
    }
    const QVariantMap stock = toVariantMap(batch.records.value(QStringLiteral("sh600000")));
    QCOMPARE(str(stock, "stockname"), QStringLiteral("浦发银行"));
    QCOMPARE(str(stock, "curdate"), QStringLiteral("20250314"));
    QCOMPARE(str(stock, "buy1"), QStringLiteral("10.44"));
    QCOMPARE(str(stock, "buy5count"), QStringLiteral("760"));
    QCOMPARE(str(stock, "sell1"), QStringLiteral("10.45"));
    QCOMPARE(str(stock, "sell5count"), QStringLiteral("1300"));
    QCOMPARE(str(stock, "ratio"), QStringLiteral("1.12"));
    QCOMPARE(str(stock, "preprice"), QStringLiteral("10.39"));

    const QVariantMap legacy = toVariantMap(batch.records.value(QStringLiteral("sz000001")));
    const QStringList deals = str(legacy, "recentlyandtransactionbytransaction").split(QLatin1Char('|'));
    QCOMPARE(deals.size(), 3);
    for (const QString& deal : deals)
        QCOMPARE(deal.split(QLatin1Char('/')).size(), 6);
    QCOMPARE(deals.first().split(QLatin1Char('/')).at(3), QStringLiteral("S"));
}

void FeedParsersTest::tencentFull_unitsAndAbsentFields()
{
    const TencentBatch batch = parseTencentFull(fixture("tencent_full.txt"));
    const QVariantMap stock = toVariantMap(batch.records.value(QStringLiteral("sh600000")));
    QCOMPARE(str(stock, "transactionvaluecount"), QStringLiteral("63564")); // 万, not field 35's yuan
    QCOMPARE(str(stock, "marketvalue"), QStringLiteral("30672800.00")); // 亿 in the feed, 万 here
    QCOMPARE(str(stock, "totalvalue"), QStringLiteral("3067.28"));
    QCOMPARE(str(stock, "PE"), QStringLiteral("6.93"));
    QCOMPARE(str(stock, "recentlyandtransactionbytransaction"), QString()); // empty, no ticks
    QCOMPARE(str(stock, "today_limith_price"), QStringLiteral("11.33"));

    const QVariantMap index = toVariantMap(batch.records.value(QStringLiteral("sh000001")));
    QCOMPARE(str(index, "stockname"), QStringLiteral("上证指数"));
    QVERIFY(!index.contains(QStringLiteral("today_limith_price"))); // -1 is no limit
    QVERIFY(!index.contains(QStringLiteral("today_limitl_price")));
    QCOMPARE(str(index, "transaction100count"), QStringLiteral("461234500"));

    // STAR volumes come in shares and are kept in lots like the rest.
    const QVariantMap star = toVariantMap(batch.records.value(QStringLiteral("sh688111")));
    QCOMPARE(str(star, "transaction100count"), QStringLiteral("24395"));
    QCOMPARE(str(star, "outdisk"), QStringLiteral("1300000"));
    QCOMPARE(str(star, "preprice"), QStringLiteral("300.87")); // a short 54-field line still reads
}

void FeedParsersTest::tencentFull_keepsEveryReadableFigure_data()
{
    // A figure that cannot be read reads "--"; only a line without its code
    // or price is refused (an empty `shown`).
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown");
    QTest::newRow("suspended: open") << stockWithField(5, "--") << "today_start_price"
                                     << "--";
    QTest::newRow("suspended: high") << stockWithField(33, "--") << "valuehighest"
                                     << "--";
    QTest::newRow("empty change") << stockWithField(31, "") << "valueprice"
                                  << "--";
    QTest::newRow("text volume") << stockWithField(6, "abc") << "transaction100count"
                                 << "--";
    QTest::newRow("nan change percent") << stockWithField(32, "nan") << "valuerate"
                                        << "--";
    QTest::newRow("infinite bid volume") << stockWithField(10, "inf") << "buy1count"
                                         << "--";
    QTest::newRow("garbage PE") << stockWithField(39, "x1") << "PE"
                                << "--";
    QTest::newRow("empty circulating value") << stockWithField(44, "") << "marketvalue"
                                             << "--";
    QTest::newRow("line too short for its lows") << fixture("tencent_truncated.txt") << "valuelowest"
                                                 << "--";
    QTest::newRow("dash price") << stockWithField(3, "-") << "cprice" << QString();
    QTest::newRow("empty price") << stockWithField(3, "") << "cprice" << QString();
    QTest::newRow("overflowing price") << stockWithField(3, "1e400") << "cprice" << QString();
    QTest::newRow("no code") << stockWithField(2, "") << "cprice" << QString();
}

void FeedParsersTest::tencentFull_keepsEveryReadableFigure()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, key);
    QFETCH(QString, shown);
    const TencentBatch batch = parseTencentFull(body);
    if (shown.isEmpty()) {
        QVERIFY(!batch.records.contains(QStringLiteral("sh600000")));
        QCOMPARE(batch.errors.size(), 1);
        return;
    }
    const QVariantMap stock = toVariantMap(batch.records.value(QStringLiteral("sh600000")));
    QCOMPARE(stock.value(key).toString(), shown);
    QCOMPARE(str(stock, "cprice"), QStringLiteral("10.45"));
    QCOMPARE(str(stock, "stockname"), QStringLiteral("浦发银行"));
    QCOMPARE(str(stock, "buy2"), QStringLiteral("10.43"));
}

void FeedParsersTest::tencentFull_badBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("records");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("html error page") << QByteArray("<html><body>502 Bad Gateway</body></html>") << 0;
    const QList<QByteArray> lines = fixture("tencent_full.txt").split('\n');
    QTest::newRow("record cut, then an intact one")
        << QByteArray(lines.at(0).left(150) + "\n" + lines.at(3)) << 1;
    QTest::newRow("record cut and run into the next") << QByteArray(lines.at(0).left(150) + lines.at(3)) << 1;
    QTest::newRow("invalid GB18030") << fixture("tencent_bad_gb18030.bin") << 1;
    QTest::newRow("cut before the closing quote") << fixture("tencent_full.txt").left(300) << 0;
    QTest::newRow("50 MB") << QByteArray(50 * 1024 * 1024, '~') << 0;
    QTest::newRow("only tildes in quotes")
        << QByteArray("v_sh600000=\"~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\";") << 0;
}

void FeedParsersTest::tencentFull_badBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(int, records);
    const TencentBatch batch = parseTencentFull(body);
    QCOMPARE(batch.records.size(), records);
    if (records == 1)
        QVERIFY(batch.records.contains(QStringLiteral("sz000001")));
    QVERIFY(!batch.error.isEmpty() || !batch.errors.isEmpty()); // the log has something to say
}

void FeedParsersTest::tencentBrief_previousCloseIsPriceLessChange()
{
    const TencentBatch batch = parseTencentBrief(fixture("tencent_brief.txt"));
    QCOMPARE(batch.records.size(), 2);
    const QVariantMap index = toVariantMap(batch.records.value(QStringLiteral("s_sz399001")));
    QCOMPARE(str(index, "valueprice"), QStringLiteral("-30.40"));
    QCOMPARE(str(index, "yprice"), QStringLiteral("10910.52"));
    QCOMPARE(str(index, "totalvalue"), QStringLiteral("355789.01"));
    QCOMPARE(str(toVariantMap(batch.records.value(QStringLiteral("s_sh600000"))), "yprice"),
        QStringLiteral("10.30"));
}

void FeedParsersTest::netease_entriesAndMemberCounts()
{
    const NeteaseBatch batch = parseNeteaseFeed(fixture("netease_feed.js"));
    QVERIFY2(batch.error.isEmpty(), qPrintable(batch.error));
    const FeedResult quote = neteaseQuoteFields(batch.entries.value(QStringLiteral("0600000")));
    QVERIFY2(quote.ok(), qPrintable(quote.error));
    QCOMPARE(str(quote.fields, "stockname"), QStringLiteral("浦发银行"));
    QCOMPARE(str(quote.fields, "valuerate"), QStringLiteral("1.46")); // a fraction in the feed
    QCOMPARE(str(quote.fields, "transaction100count"), QStringLiteral("612000")); // shares to lots
    QCOMPARE(str(quote.fields, "transactionvaluecount"), QStringLiteral("63564.00")); // yuan to 万
    QCOMPARE(str(quote.fields, "buy1count"), QStringLiteral("1610"));
    QCOMPARE(str(quote.fields, "curdate"), QStringLiteral("20250314"));

    const FeedResult members = neteaseMemberCounts(batch.entries, QStringLiteral("000001.idx"));
    QVERIFY2(members.ok(), qPrintable(members.error));
    QCOMPARE(str(members.fields, "subupcount"), QStringLiteral("1204"));
    QCOMPARE(str(members.fields, "subdowncount"), QStringLiteral("873"));
    QCOMPARE(str(members.fields, "subequalcount"), QStringLiteral("95"));
    QCOMPARE(str(members.fields, "totalsub"), QStringLiteral("2172"));
    QVERIFY(!neteaseMemberCounts(batch.entries, QStringLiteral("399106.idx")).ok()); // none in this reply
    QVERIFY(!neteaseMemberCounts(batch.entries, QStringLiteral("399006.idx")).ok()); // none in the feed

    // A custom callback name and a trailing newline are the same body.
    QByteArray custom = fixture("netease_feed.js");
    custom.replace("_ntes_quote_callback", "cb123");
    QVERIFY(parseNeteaseFeed(custom + "\r\n").error.isEmpty());
}

void FeedParsersTest::netease_badBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("shorter than its cut") << QByteArray("{);");
    QTest::newRow("no brace") << QByteArray("_ntes_quote_callback();");
    QTest::newRow("no closing") << fixture("netease_feed.js").left(200);
    QTest::newRow("not JSON inside") << QByteArray("cb({\"0600000\": {price: 1} });");
    QTest::newRow("array inside") << QByteArray("cb([1,2,3]);");
    QTest::newRow("50 MB") << QByteArray(50 * 1024 * 1024, '{');
}

void FeedParsersTest::netease_badBodies()
{
    QFETCH(QByteArray, body);
    const NeteaseBatch batch = parseNeteaseFeed(body);
    QVERIFY(!batch.error.isEmpty());
    QVERIFY(batch.entries.isEmpty());
}

void FeedParsersTest::stockApp_ratioAndTurnoverPercent()
{
    const FeedResult r = parseStockAppJson(fixture("stock_app.json"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(str(r.fields, "ratio"), QStringLiteral("1.12"));
    QCOMPARE(str(r.fields, "turnoverrate"), QStringLiteral("0.21"));
    QCOMPARE(r.fields.size(), 2);
}

void FeedParsersTest::stockApp_badBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no data") << QByteArray("{\"SYMBOL\": \"600000\"}");
    QTest::newRow("empty data") << QByteArray("{\"data\": []}");
    QTest::newRow("no figure") << QByteArray("{\"data\": [{\"LB\": \"-\", \"HS\": 1e400}]}");
}

void FeedParsersTest::stockApp_badBodies()
{
    QFETCH(QByteArray, body);
    const FeedResult r = parseStockAppJson(body);
    QVERIFY(!r.ok());
    QVERIFY(r.fields.isEmpty());
}

void FeedParsersTest::fundFlow_unitsForStocksAndIndices()
{
    const FeedResult stock = parseFundFlow(fixture("fundflow_600000.js"), false);
    QVERIFY2(stock.ok(), qPrintable(stock.error));
    QCOMPARE(stock.fields.size(), 18);
    QCOMPARE(str(stock.fields, "mainvalue"), QStringLiteral("-0.1813")); // 万 to 亿
    QCOMPARE(str(stock.fields, "mainvaluePrecent"), QStringLiteral("-7.84"));
    QCOMPARE(str(stock.fields, "bigbigsell"), QStringLiteral("-0.2655"));
    QCOMPARE(str(stock.fields, "minbuy"), QStringLiteral("0.6790"));
    // main = super-large + large, as the feed sends it (each rounded to 4 places)
    QVERIFY(qAbs(num(stock.fields, "mainvalue") - num(stock.fields, "bigbigvalue")
                - num(stock.fields, "bigvalue"))
        < 0.00015f);

    const FeedResult index = parseFundFlow(fixture("fundflow_zs000001.js"), true);
    QVERIFY2(index.ok(), qPrintable(index.error)); // a 22-field variant
    QCOMPARE(str(index.fields, "mainvalue"), QStringLiteral("35120.5000"));
    QCOMPARE(str(index.fields, "midvaluePrecent"), QStringLiteral("-1.41"));
}

void FeedParsersTest::fundFlow_badBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    const QByteArray good = fixture("fundflow_600000.js");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("missing marker") << QByteArray(good).replace("zjlx_detail", "zjlx_other");
    QTest::newRow("missing closing") << QByteArray(good).replace("};", "}");
    QTest::newRow("no figure") << QByteArray("var zjlx_detail={data:\"-,,x\"};");
    QTest::newRow("unclosed data text") << QByteArray("var zjlx_detail={data:\"1,2,3};");
    QTest::newRow("50 MB") << QByteArray("var zjlx_detail={data:\"") + QByteArray(50 * 1024 * 1024, '1');
}

void FeedParsersTest::fundFlow_badBodies()
{
    QFETCH(QByteArray, body);
    const FeedResult r = parseFundFlow(body, false);
    QVERIFY(!r.ok());
    QVERIFY(r.fields.isEmpty());
}

void FeedParsersTest::otherFeeds_keepEveryReadableFigure_data()
{
    // What one unreadable figure leaves of a NetEase entry, a stock app reply
    // and a fund-flow script: the rest, and "--" for it.
    QTest::addColumn<QString>("feed");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("kept");
    const QByteArray entry = fixture("netease_feed.js");
    const QByteArray flow = fixture("fundflow_600000.js");
    QTest::newRow("netease: suspended open")
        << "netease" << QByteArray(entry).replace("\"open\": 10.33", "\"open\": \"--\"")
        << "today_start_price"
        << "valuehighest";
    QTest::newRow("stock app: dash ratio")
        << "app" << QByteArray("{\"data\": [{\"LB\": \"-\", \"HS\": 0.01}]}") << "ratio"
        << "turnoverrate";
    QTest::newRow("stock app: no HS") << "app" << QByteArray("{\"data\": [{\"LB\": 1.2}]}") << "turnoverrate"
                                      << "ratio";
    QTest::newRow("fund flow: dash field") << "flow" << QByteArray(flow).replace("562.42", "-") << "midvalue"
                                           << "mainvalue";
    QTest::newRow("fund flow: overflow")
        << "flow" << QByteArray(flow).replace("562.42", "1e400") << "midvalue"
        << "minbuy";
    QTest::newRow("fund flow: nineteen fields")
        << "flow" << QByteArray(flow).replace(",-5539.35", "") << "minsell"
        << "minbuy";
}

void FeedParsersTest::otherFeeds_keepEveryReadableFigure()
{
    QFETCH(QString, feed);
    QFETCH(QByteArray, body);
    QFETCH(QString, key);
    QFETCH(QString, kept);
    FeedResult r;
    if (feed == QLatin1String("netease"))
        r = neteaseQuoteFields(parseNeteaseFeed(body).entries.value(QStringLiteral("0600000")));
    else if (feed == QLatin1String("app"))
        r = parseStockAppJson(body);
    else
        r = parseFundFlow(body, false);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.fields.value(key).toString(), QStringLiteral("--"));
    QVERIFY(feedNumber(r.fields.value(kept).toString()));
}

void FeedParsersTest::marketStat_matchesWholeSegments()
{
    QString error;
    const auto lunch = parseMarketStat(fixture("marketstat_lunch.txt"), &error);
    QVERIFY2(lunch, qPrintable(error));
    // NEWSZ_open and HSZB_open must not open Shenzhen.
    QVERIFY(!lunch->shanghaiOpen);
    QVERIFY(!lunch->shenzhenOpen);
    QCOMPARE(lunch->shanghaiText, QStringLiteral("午间休市"));
    QCOMPARE(lunch->time, QStringLiteral("2025-03-14 12:05:41"));

    const auto open = parseMarketStat(fixture("marketstat_open.txt"));
    QVERIFY(open && open->shanghaiOpen && open->shenzhenOpen);
    QCOMPARE(open->shenzhenText, QStringLiteral("交易中"));

    QVERIFY(!parseMarketStat(QByteArray("v_marketStat=\"2025-03-14|HK_open_x|NEWSZ_open_y\";")));
    QVERIFY(!parseMarketStat(QByteArray()));
    QVERIFY(!parseMarketStat(QByteArray("v_marketStat=\"SH_open")));
}

void FeedParsersTest::propertyList_roundTripAndRefusal()
{
    const QVariantMap records {
        { QStringLiteral("600000"),
            QVariantMap { { QStringLiteral("stockname"), QStringLiteral("浦发银行") },
                { QStringLiteral("cprice"), QStringLiteral("10.45") },
                { QStringLiteral("deals"), QStringLiteral("a<b & c>d") } } },
        { QStringLiteral("list"), QVariantList { QStringLiteral("1"), QStringLiteral("") } },
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stocks.plist"));
    QVERIFY(savePropertyList(path, records));
    const auto back = loadPropertyList(path);
    QVERIFY(back);
    QCOMPARE(back->toMap(), records);
    QVERIFY(writePropertyList(records).contains("<!DOCTYPE plist"));

    // Control characters from a feed still give a file that reads back.
    const QVariantMap hostile { { QStringLiteral("name\x01"),
        QString(QString::fromUtf16(u"a\u0001b\u001fc\uffff") + QChar(0) + QChar(0xd800)) } };
    QVERIFY(savePropertyList(path, hostile));
    const auto cleaned = loadPropertyList(path);
    QVERIFY(cleaned);
    const QVariantMap expected { { QStringLiteral("name"), QStringLiteral("abc") } };
    QCOMPARE(cleaned->toMap(), expected);

    QVERIFY(!readPropertyList("<plist version=\"1.0\"><dict><key>a</key><string>1</dict></plist>"));
    QVERIFY(!readPropertyList("not xml at all"));
    QVERIFY(!loadPropertyList(dir.filePath(QStringLiteral("missing.plist"))));
}

void FeedParsersTest::warningLevel_data()
{
    QTest::addColumn<QVariantList>("rows");
    QTest::addColumn<int>("level");
    const auto row = [](const char* date, double cprice, double yprice, double rate, double up = 0,
                         double down = 0, double turnoverTrend = 0, double financingTrend = 0) {
        const auto t = [](double v) { return QString::number(v); };
        return QVariant(QVariantMap { { QStringLiteral("curdate"), QString::fromLatin1(date) },
            { QStringLiteral("cprice"), t(cprice) }, { QStringLiteral("yprice"), t(yprice) },
            { QStringLiteral("valuerate"), t(rate) },
            { QStringLiteral("transactionvaluecount"), QStringLiteral("4500.5") },
            { QStringLiteral("continuetransactionvaluecount"), t(turnoverTrend) },
            { QStringLiteral("buystcockcout"), t(up) }, { QStringLiteral("sellstcockcout"), t(down) },
            { QStringLiteral("continuefinancingbalance"), t(financingTrend) } });
    };
    const auto pad = [&](QVariantList rows) {
        while (rows.size() < 10)
            rows << row("20250301", 3000, 3000, 0);
        return rows;
    };
    QTest::newRow("calm") << pad({ row("20250313", 3015, 3000, 0.5, 1500, 1200, 1, 1),
        row("20250312", 3000, 2994, 0.2), row("20250311", 2994, 2997, -0.1) })
                          << 5;
    QTest::newRow("calm and broadly rising") << pad({ row("20250313", 3036, 3000, 1.2, 3000, 900, 1, 1),
        row("20250312", 3000, 2990, 0.3), row("20250311", 2990, 2980, 0.3) })
                                             << 6;
    QTest::newRow("sharp broad leveraged sell-off") << pad(
        { row("20250313", 2925, 3000, -2.5, 800, 3200, 1, -1), row("20250312", 3000, 3030, -1.0),
            row("20250311", 3030, 3045, -0.5) }) << 0;
    QTest::newRow("one bad day") << pad({ row("20250313", 2937, 3000, -2.1, 1400, 1500, -1, 1),
        row("20250312", 3000, 2990, 0.3), row("20250311", 2990, 2980, 0.3) })
                                 << 4;
    QTest::newRow("overheated run-up") << pad({ row("20250313", 3150, 3000, 5.0, 1500, 1400, 1, 1),
        row("20250312", 3000, 2900, 3.4), row("20250311", 2900, 2850, 1.8) })
                                       << 4;
    // Today's row is not final: the score reads the day before.
    QTest::newRow("today's row skipped") << pad({ row("20250314", 2700, 3000, -10, 0, 4000, 1, -1),
        row("20250313", 3015, 3000, 0.5, 1500, 1200, 1, 1), row("20250312", 3000, 2994, 0.2),
        row("20250311", 2994, 2997, -0.1) })
                                         << 5;
    // A fall of exactly 2.00 % as shown hits the 2 % rule.
    QTest::newRow("exactly -2.00 %") << pad({ row("20250313", 1209.81, 1234.50, -2.00, 1400, 1500, -1, 1),
        row("20250312", 3000, 2990, 0.3), row("20250311", 2990, 2980, 0.3) })
                                     << 4;
    // Days without figures give no level, not a calm one.
    QVariantList blank;
    for (int i = 0; i < 10; ++i)
        blank << QVariantMap { { QStringLiteral("curdate"), QStringLiteral("202503%1").arg(13 - i) },
            { QStringLiteral("cprice"), QStringLiteral("--") },
            { QStringLiteral("valuerate"), QStringLiteral("--") } };
    QTest::newRow("rows without figures") << blank << -9999;
    QTest::newRow("empty rows") << QVariantList(10, QVariantMap()) << -9999;
}

void FeedParsersTest::warningLevel()
{
    QFETCH(QVariantList, rows);
    QFETCH(int, level);
    QCOMPARE(marketWarningLevel(rows, QStringLiteral("20250314")), level);
}

QTEST_GUILESS_MAIN(FeedParsersTest)
#include "tst_FeedParsers.moc"
