#include "TestSupport.h"

#include "platform/Json.h"
#include "screens/CompanyDataFormat.h"
#include "ui/ListBaseView.h"

#include <QtTest>

using namespace companydata;

// The company-data tabs' texts, tables and gates, worked out without widgets.
class TestCompanyDataFormat : public QObject {
    Q_OBJECT

private:
    static std::optional<QVariantMap> fixture(const char* name)
    {
        const QByteArray text = testsupport::readFixture(QStringLiteral("f10/") + QString::fromLatin1(name));
        const std::optional<QVariant> parsed = platform::parseJson(text);
        if (!parsed)
            return std::nullopt;
        return parsed->toMap();
    }
    static QStringList rowAt(const GridContent& grid, int i) { return grid.rows.at(i).toStringList(); }
    // What the grid shows for a cell text.
    static QString shown(const QString& cell) { return ListBaseView::markedText(cell).text; }
    static ListBaseView::Tone tone(const QString& cell) { return ListBaseView::markedText(cell).tone; }

private Q_SLOTS:
    void paths_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("path");
        QTest::newRow("Shenzhen summary") << int(FileKind::Summary) << QStringLiteral("000001")
                                          << QStringLiteral("/app/stock/1000001_summary.json");
        QTest::newRow("Shanghai summary") << int(FileKind::Summary) << QStringLiteral("600000")
                                          << QStringLiteral("/app/stock/0600000_summary.json");
        QTest::newRow("Shenzhen indicators") << int(FileKind::Indicators) << QStringLiteral("000002")
                                             << QStringLiteral("/app/stock/1000002_indicators.json");
        QTest::newRow("just below Shanghai") << int(FileKind::Holders) << QStringLiteral("599999")
                                             << QStringLiteral("/app/stock/1599999_holders.json");
        QTest::newRow("notices ask page 0 of 20")
            << int(FileKind::Noticelist) << QStringLiteral("600000")
            << QStringLiteral("/app/stock/0600000_noticelist.json?count=20&page=0");
        QTest::newRow("index code") << int(FileKind::Summary) << QStringLiteral("000001.idx") << QString();
        QTest::newRow("empty code") << int(FileKind::Summary) << QString() << QString();
        QTest::newRow("six characters, not digits")
            << int(FileKind::Summary) << QStringLiteral("00/../") << QString();
        QTest::newRow("full-width digits")
            << int(FileKind::Summary) << QStringLiteral("６０００００") << QString();
        QTest::newRow("Arabic-Indic digits")
            << int(FileKind::Summary) << QStringLiteral("٦٠٠٠٠٠") << QString();
    }
    void paths()
    {
        QFETCH(int, kind);
        QFETCH(QString, code);
        QFETCH(QString, path);
        QCOMPARE(companyDataPath(FileKind(kind), code), path);
    }

    void summary_edgeFixture_formatsAndDropsMismatchedSection()
    {
        const SummaryPlan plan = planSummary(fixture("summary_edges.json"), 656);
        QVERIFY(plan.clear);
        QVERIFY(plan.basic);
        QCOMPARE(plan.basic->title, QStringLiteral("基本资料"));
        QCOMPARE(
            rowAt(*plan.basic, 1), (QStringList { QStringLiteral("注册资本"), QStringLiteral("35.0000亿") }));
        QCOMPARE(plan.basic->widths, (QStringList { QStringLiteral("60"), QStringLiteral("586.000000") }));
        QCOMPARE(plan.basic->otherAlignment, 0);
        // Product arrays of lengths 3, 3 and 2: no product table.
        QVERIFY(!plan.products);
        QVERIFY(plan.regions);
        QCOMPARE(plan.regions->rows.size(), 1);
        QCOMPARE(rowAt(*plan.regions, 0),
            (QStringList { QStringLiteral("地域"), QStringLiteral("占比"), QStringLiteral("收入(亿)") }));
        QCOMPARE(plan.regions->widths,
            (QStringList {
                QStringLiteral("80"), QStringLiteral("283.000000"), QStringLiteral("283.000000") }));
    }

    void summary_fullFixture_rowsAndNulls()
    {
        const SummaryPlan plan = planSummary(fixture("summary_full.json"), 656);
        QVERIFY(plan.basic && plan.products && plan.regions);
        QCOMPARE(rowAt(*plan.basic, 1).at(1), QStringLiteral("194.0592亿"));
        // A null main business shows empty rather than a made-up value.
        QCOMPARE(rowAt(*plan.basic, 4).at(1), QString());
        // The product row with a null name is skipped.
        QCOMPARE(plan.products->rows.size(), 2);
        QCOMPARE(rowAt(*plan.products, 1),
            (QStringList { QStringLiteral("贷款"), QStringLiteral("80.50%"), QStringLiteral("80.5000") }));
        QCOMPARE(rowAt(*plan.regions, 2),
            (QStringList { QStringLiteral("境外"), QStringLiteral("10.00%"), QStringLiteral("10.0000") }));
    }

    void summary_gates_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<bool>("basic");
        QTest::newRow("no data") << QByteArray("{}") << false << false;
        QTest::newRow("three sections") << QByteArray(R"({"data":[{},{},{}]})") << false << false;
        QTest::newRow("first not an object") << QByteArray(R"({"data":["x",{},{},{}]})") << true << false;
        QTest::newRow("income sections missing")
            << QByteArray(R"({"data":[{"HANG_YE":"银行"},1,2,3]})") << true << true;
    }
    void summary_gates()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, clear);
        QFETCH(bool, basic);
        const SummaryPlan plan = planSummary(platform::parseJson(json)->toMap(), 656);
        QCOMPARE(plan.clear, clear);
        QCOMPARE(bool(plan.basic), basic);
        QVERIFY(!plan.products && !plan.regions);
    }

    void holders_edgeFixture()
    {
        const HoldersPlan plan = planHolders(fixture("holders_edges.json"), 656);
        QVERIFY(plan.clear && plan.relayout);
        QVERIFY(plan.average && plan.funds && plan.topTen);
        // Only 2016Q3 qualifies: no "Q", two "Q"s, a null label or a null value drop the row.
        QCOMPARE(plan.average->rows.size(), 2);
        // 2^24 + 1 shares in single precision.
        QCOMPARE(rowAt(*plan.average, 1),
            (QStringList { QStringLiteral("2016年第3季"), QStringLiteral("1677.7216") }));
        QCOMPARE(plan.average->widths, (QStringList { QStringLiteral("90"), QStringLiteral("556.000000") }));

        QCOMPARE(plan.funds->title, QStringLiteral("2016-06-30到2016-09-30基金持股"));
        const QStringList values { rowAt(*plan.funds, 0).at(1), rowAt(*plan.funds, 1).at(1),
            rowAt(*plan.funds, 2).at(1), rowAt(*plan.funds, 3).at(1), rowAt(*plan.funds, 4).at(1),
            rowAt(*plan.funds, 5).at(1), rowAt(*plan.funds, 6).at(1) };
        QCOMPARE(values,
            (QStringList { QStringLiteral("120"), QStringLiteral("5000.0000"), QStringLiteral("23.45%"),
                QStringLiteral("+30家 增持120.0000万股"), QStringLiteral("无"),
                QStringLiteral("-12家 减持34.0000万股"), QStringLiteral("无") }));
        // Shares the report does not give are no "0.0000万股".
        QCOMPARE(fundChangeText("+%@家 增持%.4f万股", QStringLiteral("30"), QStringLiteral("--")),
            QStringLiteral("--"));

        QCOMPARE(plan.topTen->title, QStringLiteral("十大流通股东(2016-09-30)"));
        QCOMPARE(plan.topTen->widths,
            (QStringList { QStringLiteral("360"), QStringLiteral("60"), QStringLiteral("226.000000") }));
        QCOMPARE(rowAt(*plan.topTen, 1),
            (QStringList {
                QStringLiteral("甲集团"), QStringLiteral("12.35%"), QStringLiteral("+新进500.0000万股") }));
        QCOMPARE(rowAt(*plan.topTen, 2).at(2), QStringLiteral("不变"));
        QCOMPARE(rowAt(*plan.topTen, 3).at(2), QStringLiteral("不变"));
        QCOMPARE(rowAt(*plan.topTen, 4).at(2), QStringLiteral("-减持50.0000万股"));
    }

    void holders_thirdKeyInFirstSection_leavesTabEmpty()
    {
        const HoldersPlan plan = planHolders(fixture("holders_third_key.json"), 656);
        QVERIFY(plan.clear);
        QVERIFY(!plan.relayout);
        QVERIFY(!plan.average && !plan.funds && !plan.topTen);
    }

    void holdingChange_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("newcomer") << QStringLiteral("5000000") << QStringLiteral("0")
                                  << QStringLiteral("+新进500.0000万股")
                                  << QStringLiteral("新进500.0000万股");
        QTest::newRow("more") << QStringLiteral("3000000") << QStringLiteral("1000000")
                              << QStringLiteral("+增持200.0000万股") << QStringLiteral("增持200.0000万股");
        QTest::newRow("fewer") << QStringLiteral("1000000") << QStringLiteral("3000000")
                               << QStringLiteral("-减持200.0000万股") << QStringLiteral("减持200.0000万股");
        QTest::newRow("same") << QStringLiteral("7") << QStringLiteral("7") << QStringLiteral("不变")
                              << QStringLiteral("不变");
        QTest::newRow("both zero") << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("不变")
                                   << QStringLiteral("不变");
    }
    void holdingChange()
    {
        QFETCH(QString, current);
        QFETCH(QString, previous);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        const QString cell = holdingChangeText(current, previous);
        QCOMPARE(cell, text);
        QCOMPARE(TestCompanyDataFormat::shown(cell), shown);
    }

    void cashTexts_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("tone");
        const int rise = int(ListBaseView::Tone::Rise), fall = int(ListBaseView::Tone::Fall);
        QTest::newRow("inflow below 1亿")
            << amountText(0.35f) << QStringLiteral("+3500.00万") << QStringLiteral("3500.00万") << rise;
        QTest::newRow("inflow of 1亿")
            << amountText(1.0f) << QStringLiteral("+1.0000亿") << QStringLiteral("1.0000亿") << rise;
        QTest::newRow("small outflow")
            << amountText(-0.25f) << QStringLiteral("--2500.00万") << QStringLiteral("-2500.00万") << fall;
        QTest::newRow("large outflow")
            << amountText(-1.5f) << QStringLiteral("--1.5000亿") << QStringLiteral("-1.5000亿") << fall;
        QTest::newRow("zero") << amountText(0) << QStringLiteral("-0.00万") << QStringLiteral("0.00万")
                              << int(ListBaseView::Tone::Plain);
        QTest::newRow("sell below 1亿")
            << outflowText(0.3f) << QStringLiteral("-3000.00万") << QStringLiteral("-3000.00万") << fall;
        QTest::newRow("sell of 2.5亿")
            << outflowText(2.5f) << QStringLiteral("-2.5000亿") << QStringLiteral("-2.5000亿") << fall;
        QTest::newRow("percent text negative")
            << percentText(QStringLiteral("-3.21"), 1, 1, QStringLiteral("600000"))
            << QStringLiteral("--3.21%") << QStringLiteral("-3.21%") << fall;
        QTest::newRow("percent text zero")
            << percentText(QStringLiteral("0.00"), 1, 1, QStringLiteral("600000")) << QStringLiteral("+0.00%")
            << QStringLiteral("0.00%") << int(ListBaseView::Tone::Plain);
        QTest::newRow("percent text minus zero")
            << percentText(QStringLiteral("-0.00"), 1, 1, QStringLiteral("600000"))
            << QStringLiteral("+0.00%") << QStringLiteral("0.00%") << int(ListBaseView::Tone::Plain);
        // Amount in 亿 over turnover in 万: 0.5亿 of 20亿 is 2.5%.
        QTest::newRow("ratio worked out for a stock")
            << percentText(std::nullopt, 0.5f, 200000, QStringLiteral("600000")) << QStringLiteral("+2.50%")
            << QStringLiteral("2.50%") << rise;
        QTest::newRow("ratio worked out for the own index")
            << percentText(std::nullopt, 0.5f, 50, QStringLiteral("888888.idx")) << QStringLiteral("+1.00%")
            << QStringLiteral("1.00%") << rise;
        QTest::newRow("ratio without turnover")
            << percentText(std::nullopt, 0.5f, 0, QStringLiteral("600000")) << QStringLiteral("—")
            << QStringLiteral("—") << int(ListBaseView::Tone::Plain);
    }
    void cashTexts()
    {
        QFETCH(QString, cell);
        QFETCH(QString, expected);
        QFETCH(QString, shown);
        QFETCH(int, tone);
        QCOMPARE(cell, expected);
        QCOMPARE(TestCompanyDataFormat::shown(cell), shown);
        QCOMPARE(int(TestCompanyDataFormat::tone(cell)), tone);
    }

    void pieShare_data()
    {
        QTest::addColumn<float>("buy");
        QTest::addColumn<float>("turnover");
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("share");
        QTest::newRow("stock") << 0.5f << 20000.0f << QStringLiteral("600000") << 25.0;
        QTest::newRow("own index") << 5.0f << 20.0f << QStringLiteral("888888.idx") << 25.0;
        QTest::newRow("rounded to whole") << 0.1234f << 10000.0f << QStringLiteral("600000") << 12.0;
        QTest::newRow("no turnover") << 0.5f << 0.0f << QStringLiteral("600000") << 0.0;
    }
    void pieShare()
    {
        QFETCH(float, buy);
        QFETCH(float, turnover);
        QFETCH(QString, code);
        QFETCH(double, share);
        QCOMPARE(companydata::pieShare(buy, turnover, code), share);
    }

    void cashGates_data()
    {
        QTest::addColumn<QVariantMap>("record");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<bool>("draw");
        const auto s = [](const char* v) { return QString::fromUtf8(v); };
        const QVariantMap full { { s("mainvalue"), s("0.5") }, { s("transactionvaluecount"), s("200000") },
            { s("bigbigvalue"), s("0.2") }, { s("minvalue"), s("-0.1") }, { s("bigbigbuy"), s("1.2") } };
        QTest::newRow("complete") << full << true << true;
        QVariantMap zero = full;
        zero[s("mainvalue")] = s("0");
        QTest::newRow("main inflow 0 keeps the page") << zero << false << false;
        QVariantMap noTurnover = full;
        noTurnover.remove(s("transactionvaluecount"));
        QTest::newRow("no turnover keeps the page") << noTurnover << false << false;
        QVariantMap noSmall = full;
        noSmall.remove(s("minvalue"));
        QTest::newRow("no small orders clears the page") << noSmall << true << false;
        QVariantMap noSizes { { s("mainvalue"), s("0.5") }, { s("transactionvaluecount"), s("1") } };
        QTest::newRow("no order sizes keeps the page") << noSizes << false << false;
    }
    void cashGates()
    {
        QFETCH(QVariantMap, record);
        QFETCH(bool, clear);
        QFETCH(bool, draw);
        const CashPlan plan = planCash(record, QStringLiteral("600000"), 656);
        QCOMPARE(plan.clear, clear);
        QCOMPARE(plan.draw, draw);
    }

    void cashPlan_tablesAndMissingKeys()
    {
        const auto s = [](const char* v) { return QString::fromUtf8(v); };
        const QVariantMap record { { s("mainvalue"), s("0.5") }, { s("mainvaluePrecent"), s("2.50") },
            { s("transactionvaluecount"), s("20000") }, { s("bigbigvalue"), s("-1.5") },
            { s("minvalue"), s("0.1") }, { s("bigbigbuy"), s("0.5") }, { s("bigbuy"), s("0.26") },
            { s("bigbigsell"), s("2.5") } };
        const CashPlan plan = planCash(record, s("600000"), 656);
        QCOMPARE(plan.pieValues, (QList<double> { 25, 13, 0, 0 }));
        QCOMPARE(plan.net.title, QStringLiteral("当日净流入"));
        QCOMPARE(plan.net.rows.size(), 5);
        QCOMPARE(rowAt(plan.net, 0),
            (QStringList {
                s("主力净流入"), QStringLiteral("+5000.00万"), s("主力净比"), QStringLiteral("+2.50%") }));
        // A missing percent key falls back to the worked-out ratio; a missing amount is a zero amount.
        QCOMPARE(rowAt(plan.net, 1).at(3), QStringLiteral("--75.00%"));
        QCOMPARE(rowAt(plan.net, 2).at(1), QStringLiteral("-0.00万"));
        QCOMPARE(plan.net.widths, (QStringList { s("80"), s("243.000000"), s("80"), s("243.000000") }));
        QCOMPARE(rowAt(plan.deals, 0), (QStringList { s("类型"), s("流入"), s("流出") }));
        QCOMPARE(rowAt(plan.deals, 1),
            (QStringList {
                QStringLiteral("超大单"), QStringLiteral("+5000.00万"), QStringLiteral("-2.5000亿") }));
        QCOMPARE(plan.deals.widths, (QStringList { s("60"), s("293.000000"), s("293.000000") }));
    }

    void indicatorTexts_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected");
        QTest::newRow("date of 10 characters")
            << reportDateLabel(QStringLiteral("2015-09-30")) << QStringLiteral("15-09");
        QTest::newRow("date of 8 characters")
            << reportDateLabel(QStringLiteral("20150930")) << QStringLiteral("20150930");
        QTest::newRow("profit") << indicatorAmountText(QStringLiteral("256000000"), false)
                                << QStringLiteral("+2.56");
        QTest::newRow("loss") << indicatorAmountText(QStringLiteral("-50000000"), false)
                              << QStringLiteral("-0.50");
        QTest::newRow("zero") << indicatorAmountText(QStringLiteral("0"), false) << QStringLiteral("0.00");
        QTest::newRow("liability") << indicatorAmountText(QStringLiteral("987000000"), true)
                                   << QStringLiteral("-+9.87");
        QTest::newRow("earnings per share")
            << indicatorPlainText(QStringLiteral("0.52")) << QStringLiteral("+0.52");
        QTest::newRow("negative earnings")
            << indicatorPlainText(QStringLiteral("-0.1")) << QStringLiteral("-0.1");
    }
    void indicatorTexts()
    {
        QFETCH(QString, cell);
        QFETCH(QString, expected);
        QCOMPARE(cell, expected);
    }

    void indicators_edgeFixture()
    {
        const IndicatorsPlan plan = planIndicators(fixture("indicators_edges.json"), 656);
        QVERIFY(plan.clear && plan.draw);
        QCOMPARE(plan.labels,
            (QStringList { QStringLiteral("15-09"), QStringLiteral("15-06"), QStringLiteral("20150331"),
                QStringLiteral("14-12"), QStringLiteral("14-09") }));
        QCOMPARE(plan.values.size(), 5);
        QCOMPARE(plan.values.first(), QStringLiteral("2.56"));
        QCOMPARE(plan.values.at(1), QStringLiteral("-0.50"));
        const GridContent& t = plan.table;
        QCOMPARE(t.rows.size(), 16);
        QCOMPARE(rowAt(t, 0).size(), 5);
        QCOMPARE(t.widths.size(), 5);
        QCOMPARE(t.widths.at(1), QStringLiteral("111.500000"));
        QCOMPARE(rowAt(t, 1),
            (QStringList { QStringLiteral("每股收益"), QStringLiteral("+0.52"), QStringLiteral("-0.1"),
                QString(), QStringLiteral("0") }));
        // Shorter array: empty cells; missing amount key: zero amounts.
        QCOMPARE(rowAt(t, 3).mid(1),
            (QStringList { QStringLiteral("+10.00"), QStringLiteral("+9.00"), QString(), QString() }));
        QCOMPARE(rowAt(t, 4).mid(1), QStringList(4, QStringLiteral("0.00")));
        QCOMPARE(rowAt(t, 13).mid(1),
            (QStringList { QStringLiteral("-+9.87"), QStringLiteral("0.00"), QStringLiteral("-0.01"),
                QStringLiteral("0.00") }));
        QCOMPARE(shown(rowAt(t, 13).at(1)), QStringLiteral("+9.87"));
        QCOMPARE(tone(rowAt(t, 13).at(1)), ListBaseView::Tone::Fall);
    }

    void indicators_gates_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<bool>("draw");
        QTest::addColumn<int>("columns");
        QTest::newRow("empty data") << QByteArray(R"({"data":[]})") << false << false << 0;
        QTest::newRow("first an empty array") << QByteArray(R"({"data":[[]]})") << false << false << 0;
        QTest::newRow("first not an object") << QByteArray(R"({"data":["x"]})") << true << false << 0;
        QTest::newRow("no net profit")
            << QByteArray(R"({"data":[{"BAO_GAO_RI_QI":["2015-09-30"]}]})") << true << false << 0;
        QTest::newRow("no report dates")
            << QByteArray(R"({"data":[{"BAO_GAO_RI_QI":[],"JING_LI_RUN":[]}]})") << true << false << 0;
        QTest::newRow("two dates") << QByteArray(
            R"({"data":[{"BAO_GAO_RI_QI":["a","b"],"JING_LI_RUN":[1,2]}]})")
                                   << true << true << 2;
    }
    void indicators_gates()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, clear);
        QFETCH(bool, draw);
        QFETCH(int, columns);
        const IndicatorsPlan plan = planIndicators(platform::parseJson(json)->toMap(), 656);
        QCOMPARE(plan.clear, clear);
        QCOMPARE(plan.draw, draw);
        if (draw) {
            QCOMPARE(plan.table.widths.size(), columns + 1);
            QCOMPARE(plan.table.widths.at(1), QStringLiteral("223.000000"));
        }
    }

    void indicators_lengthsDiffer_leaveTabEmpty()
    {
        const IndicatorsPlan plan = planIndicators(fixture("indicators_mismatch.json"), 656);
        QVERIFY(plan.clear);
        QVERIFY(!plan.draw);
    }

    void notices_usableOnlyWithRecords()
    {
        QVERIFY(noticeRecords(fixture("notices.json")));
        QCOMPARE(noticeRecords(fixture("notices.json"))->size(), 2);
        QVERIFY(!noticeRecords(platform::parseJson(R"({"data":[]})")->toMap()));
        QVERIFY(!noticeRecords(platform::parseJson(R"({"data":"x"})")->toMap()));
        QVERIFY(!noticeRecords(std::nullopt));
        QVariantList flood(5000, fixture("notices.json")->value(QStringLiteral("data")).toList().first());
        QCOMPARE(noticeRecords(QVariantMap { { QStringLiteral("data"), flood } })->size(), 20);
    }

    void stackTops_placesEachBlockBelowThePrevious()
    {
        QCOMPARE(stackTops({ 100, 50, 30 }, {}), (QList<int> { 0, 105, 160 }));
        QCOMPARE(stackTops({ 328, 96 }, { 5, 20 }), (QList<int> { 0, 333 }));
        QCOMPARE(stackTops({}, {}), QList<int>());
    }
};

QTEST_MAIN(TestCompanyDataFormat)
#include "tst_CompanyDataFormat.moc"
