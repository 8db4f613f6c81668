#include "TestSupport.h"
#include "platform/widgets/Colors.h"
#include "watchlist/VIPRowFormat.h"

#include <QTest>

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QVariantMap map(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    QVariantMap result;
    for (const auto& [k, v] : pairs)
        result.insert(s(k), s(v));
    return result;
}

enum Colour { None, Red, Green, White };
Colour colourOf(const std::optional<QColor>& color)
{
    if (!color)
        return None;
    if (*color == platform::Colors::red())
        return Red;
    if (*color == platform::Colors::green())
        return Green;
    if (*color == platform::Colors::white())
        return White;
    return None;
}
} // namespace

Q_DECLARE_METATYPE(QVariantMap)

class tst_RecommendFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void feedCodes_byExchange_data();
    void feedCodes_byExchange();
    void gain_sinceRecommendation_data();
    void gain_sinceRecommendation();
    void row_fromRecordAndFeed();
    void row_dateNeedsMoreThanTenCharacters_data();
    void row_dateNeedsMoreThanTenCharacters();
    void cells_textAndColour_data();
    void cells_textAndColour();
    void feeds_fixturesGiveTheRowValues();
    void feeds_fundFlowReadsFirstField_data();
    void feeds_fundFlowReadsFirstField();
    void feeds_badBodiesGiveNothing_data();
    void feeds_badBodiesGiveNothing();
    void sorting_numbersByValue();
};

void tst_RecommendFormat::feedCodes_byExchange_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("prefixed");
    QTest::addColumn<QString>("appPath");
    QTest::newRow("shenzhen main") << s("000001") << s("1000001") << s("/app/stock/1000001.json");
    QTest::newRow("chinext") << s("300750") << s("1300750") << s("/app/stock/1300750.json");
    QTest::newRow("just below shanghai") << s("599999") << s("1599999") << s("/app/stock/1599999.json");
    QTest::newRow("shanghai") << s("600000") << s("0600000") << s("/app/stock/0600000.json");
    QTest::newRow("star market") << s("688981") << s("0688981") << s("/app/stock/0688981.json");
}

void tst_RecommendFormat::feedCodes_byExchange()
{
    QFETCH(QString, code);
    QFETCH(QString, prefixed);
    QFETCH(QString, appPath);
    QCOMPARE(vip::prefixedCode(code), prefixed);
    QCOMPARE(vip::stockAppPath(code), appPath);
    QCOMPARE(vip::fundFlowPath(code), s("/js/") + code + s(".js"));
    QCOMPARE(vip::quoteFeedPath({ s("600000"), code }), s("/data/feed/0600000,") + prefixed);
}

void tst_RecommendFormat::gain_sinceRecommendation_data()
{
    QTest::addColumn<QString>("cprice");
    QTest::addColumn<QString>("reprice");
    QTest::addColumn<QString>("gain");
    QTest::newRow("rise of five percent") << s("10.50") << s("10.00") << s("5.00");
    QTest::newRow("fall") << s("9.20") << s("10.00") << s("-8.00");
    QTest::newRow("unchanged") << s("12.34") << s("12.34") << s("0.00");
    QTest::newRow("rounded to two places") << s("10.00") << s("3.00") << s("233.33");
    // Without either price the gain is unknown: not a loss of everything, nor 0.00.
    QTest::newRow("reference zero skips the division") << s("10.00") << s("0") << s("--");
    QTest::newRow("reference missing") << s("10.00") << QString() << s("--");
    QTest::newRow("price missing") << QString() << s("10.00") << s("--");
}

void tst_RecommendFormat::gain_sinceRecommendation()
{
    QFETCH(QString, cprice);
    QFETCH(QString, reprice);
    QFETCH(QString, gain);
    QCOMPARE(vip::earnPercentText(cprice, reprice), gain);
}

void tst_RecommendFormat::row_fromRecordAndFeed()
{
    const QVariantMap record = map({ { "stockcode", "600000" }, { "recomdate", "2016-03-01 09:30:00" },
        { "price", "10.00" }, { "recomtype", "2" }, { "stockname", "ignored" } });
    const QVariantMap entry
        = map({ { "name", "浦发银行" }, { "price", "10.5" }, { "updown", "0.5" }, { "percent", "0.05" } });
    const auto row = vip::rowForRecord(record, &entry);
    QVERIFY(row);
    const QVariantMap expected = map({ { "stockcode", "600000" }, { "recomdate", "2016-03-01" },
        { "reprice", "10.00" }, { "recomtype", "2" }, { "stockname", "浦发银行" }, { "cprice", "10.5" },
        { "valueprice", "0.5" }, { "valuerate", "5.00" }, { "earnpercent", "5.00" } });
    QCOMPARE(*row, expected);

    // Without a feed entry the row still stands, with no quote values.
    const auto bare = vip::rowForRecord(record, nullptr);
    QVERIFY(bare);
    QVERIFY(!bare->contains(s("cprice")));
    QCOMPARE(bare->value(s("earnpercent")).toString(), s("--"));

    QVERIFY(!vip::rowForRecord(map({ { "price", "10.00" } }), &entry));
    QVERIFY(!vip::rowForRecord(map({ { "stockcode", " " } }), &entry));
}

void tst_RecommendFormat::row_dateNeedsMoreThanTenCharacters_data()
{
    QTest::addColumn<QString>("recomdate");
    QTest::addColumn<QString>("rowDate");
    QTest::newRow("date and time") << s("2016-03-01 09:30:00") << s("2016-03-01");
    QTest::newRow("eleven characters") << s("2016-03-01 ") << s("2016-03-01");
    QTest::newRow("ten characters") << s("2016-03-01") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_RecommendFormat::row_dateNeedsMoreThanTenCharacters()
{
    QFETCH(QString, recomdate);
    QFETCH(QString, rowDate);
    QVariantMap record = map({ { "stockcode", "000001" } });
    record.insert(s("recomdate"), recomdate);
    const auto row = vip::rowForRecord(record, nullptr);
    QVERIFY(row);
    QCOMPARE(row->contains(s("recomdate")), !rowDate.isNull());
    QCOMPARE(row->value(s("recomdate")).toString(), rowDate);
}

void tst_RecommendFormat::cells_textAndColour_data()
{
    QTest::addColumn<QVariantMap>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("colour");
    const QVariantMap rising
        = map({ { "stockcode", "600000" }, { "stockname", "浦发银行" }, { "cprice", "10.50" },
            { "valueprice", "0.50" }, { "valuerate", "5.00" }, { "earnpercent", "-1.20" } });
    const QVariantMap falling
        = map({ { "stockcode", "000001" }, { "valuerate", "-1.20" }, { "valueprice", "-0.10" } });
    QTest::newRow("code follows the change rate") << rising << s("stockcode") << s("600000") << int(Red);
    QTest::newRow("name follows the change rate") << falling << s("stockname") << QString() << int(Green);
    QTest::newRow("price follows the change rate") << rising << s("cprice") << s("10.50") << int(Red);
    QTest::newRow("change follows its own sign") << falling << s("valueprice") << s("-0.10") << int(Green);
    QTest::newRow("change rate in percent") << rising << s("valuerate") << s("5.00%") << int(Red);
    QTest::newRow("gain by its own sign") << rising << s("earnpercent") << s("-1.20%") << int(Green);
    QTest::newRow("no change rate yet")
        << map({ { "stockcode", "1" } }) << s("valuerate") << QString() << int(White);
    QTest::newRow("turnover below two red")
        << map({ { "turnoverrate", "1.50" } }) << s("turnoverrate") << s("1.50%") << int(Red);
    QTest::newRow("turnover at two green")
        << map({ { "turnoverrate", "2.00" } }) << s("turnoverrate") << s("2.00%") << int(Green);
    QTest::newRow("turnover above two green")
        << map({ { "turnoverrate", "3.00" } }) << s("turnoverrate") << s("3.00%") << int(Green);
    QTest::newRow("turnover not fetched") << rising << s("turnoverrate") << QString() << int(None);
    QTest::newRow("ratio above one red")
        << map({ { "ratio", "1.23" } }) << s("ratio") << s("1.23") << int(Red);
    QTest::newRow("ratio of one green")
        << map({ { "ratio", "1.00" } }) << s("ratio") << s("1.00") << int(Green);
    QTest::newRow("ratio zero white")
        << map({ { "ratio", "0.00" } }) << s("ratio") << s("0.00") << int(White);
    QTest::newRow("ratio below one green")
        << map({ { "ratio", "0.80" } }) << s("ratio") << s("0.80") << int(Green);
    QTest::newRow("inflow of 25 thousand wan")
        << map({ { "mainvalue", "25000.0000" } }) << s("mainvalue") << s("2.5000亿") << int(Red);
    QTest::newRow("outflow") << map({ { "mainvalue", "-1813.1700" } }) << s("mainvalue") << s("-0.1813亿")
                             << int(Green);
    QTest::newRow("not refreshed yet") << rising << s("mainvalue") << s("0.0000亿") << int(White);
    // Figures the feeds cannot mean show "--", not their text, "--%" or a zero.
    QTest::newRow("price no number") << map({ { "cprice", "nan" }, { "valuerate", "--" } }) << s("cprice")
                                     << s("--") << int(White);
    QTest::newRow("change rate no number")
        << map({ { "valuerate", "--" } }) << s("valuerate") << s("--") << int(White);
    QTest::newRow("ratio beyond single precision")
        << map({ { "ratio", "1e39" } }) << s("ratio") << s("--") << int(White);
    QTest::newRow("flow the feed did not have")
        << map({ { "mainvalue", "--" } }) << s("mainvalue") << s("--") << int(White);
    QTest::newRow("reference price as it came")
        << map({ { "reprice", "10.00" } }) << s("reprice") << s("10.00") << int(None);
    QTest::newRow("date as it came") << map({ { "recomdate", "2016-03-01" } }) << s("recomdate")
                                     << s("2016-03-01") << int(None);
}

void tst_RecommendFormat::cells_textAndColour()
{
    QFETCH(QVariantMap, row);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(int, colour);
    const vip::Cell cell = vip::cellFor(row, column);
    QCOMPARE(cell.text, text);
    QCOMPARE(int(colourOf(cell.color)), colour);
}

void tst_RecommendFormat::feeds_fixturesGiveTheRowValues()
{
    const vip::FeedEntries feed
        = vip::quoteFeedEntries(testsupport::readFixture(s("recommend/quote_feed.jsonp")));
    QVERIFY2(feed.error.isEmpty(), qPrintable(feed.error));
    QVERIFY(feed.entries.contains(s("0600000")));
    QVERIFY(feed.entries.contains(s("1000001")));
    QVariantMap row;
    vip::applyQuoteEntry(row, feed.entries.value(s("1000001")));
    QCOMPARE(row.value(s("stockname")).toString(), s("平安银行"));
    QCOMPARE(row.value(s("cprice")).toString(), s("8.4"));
    QCOMPARE(row.value(s("valueprice")).toString(), s("-0.1"));
    // "percent" is a fraction: -0.012 is -1.20 %.
    QCOMPARE(row.value(s("valuerate")).toString(), s("-1.20"));

    // "HS" is the turnover in percent, shown as it comes.
    const auto volume = vip::volumeFields(testsupport::readFixture(s("recommend/stock_app.json")));
    QVERIFY(volume);
    QCOMPARE(volume->value(s("turnoverrate")).toString(), s("1.50"));
    QCOMPARE(volume->value(s("ratio")).toString(), s("1.23"));

    const auto flow = vip::mainValue(testsupport::readFixture(s("recommend/fund_flow.js")));
    QVERIFY(flow);
    QCOMPARE(vip::cellFor(map({ { "mainvalue", qPrintable(*flow) } }), s("mainvalue")).text, s("2.5000亿"));
}

void tst_RecommendFormat::feeds_fundFlowReadsFirstField_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("mainvalue");
    QTest::newRow("full script") << testsupport::readFixture(s("recommend/fund_flow.js")) << s("25000.0000");
    // A short reply still advances the pass: only its first field is read.
    QTest::newRow("single field") << QByteArray("var zjlx_detail={data:\"2500\"};") << s("2500.0000");
    QTest::newRow("outflow of three fields")
        << QByteArray("var zjlx_detail={data:\"-1813.17,-2.1,5\",update:\"x\"};") << s("-1813.1700");
    QTest::newRow("first field no number") << QByteArray("var zjlx_detail={data:\"--,-2.1\"};") << s("--");
}

void tst_RecommendFormat::feeds_fundFlowReadsFirstField()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, mainvalue);
    const auto value = vip::mainValue(body);
    QVERIFY(value);
    QCOMPARE(*value, mainvalue);
}

void tst_RecommendFormat::feeds_badBodiesGiveNothing_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("html error page") << QByteArray("<html><body>502</body></html>");
    QTest::newRow("fund flow without closing")
        << testsupport::readFixture(s("recommend/fund_flow_unclosed.js"));
    QTest::newRow("fund flow without its quote") << QByteArray("var zjlx_detail={data:[1,2]};var a=\"3\"};");
    QTest::newRow("cut short") << testsupport::readFixture(s("recommend/quote_feed.jsonp")).left(60);
}

void tst_RecommendFormat::feeds_badBodiesGiveNothing()
{
    QFETCH(QByteArray, body);
    QVERIFY(!vip::mainValue(body));
    QVERIFY(!vip::volumeFields(body));
    QVERIFY(!vip::quoteFeedEntries(body).error.isEmpty());
}

void tst_RecommendFormat::sorting_numbersByValue()
{
    const QVariantMap nine = map({ { "cprice", "9.20" }, { "stockname", "乙" } });
    const QVariantMap ten = map({ { "cprice", "10.50" }, { "stockname", "甲" } });
    const QVariantMap none = map({ { "stockcode", "1" } });
    QVERIFY(vip::rowLess(nine, ten, s("cprice")));
    QVERIFY(!vip::rowLess(ten, nine, s("cprice")));
    QVERIFY(vip::rowLess(none, nine, s("cprice")));
    QVERIFY(!vip::rowLess(nine, none, s("cprice")));
    QVERIFY(!vip::rowLess(none, none, s("cprice")));
    const QVariantMap negative = map({ { "cprice", "-1.5" } });
    QVERIFY(vip::rowLess(negative, nine, s("cprice")));
}

QTEST_GUILESS_MAIN(tst_RecommendFormat)
#include "tst_RecommendFormat.moc"
