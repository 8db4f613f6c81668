#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "platform/Json.h"
#include "platform/widgets/Colors.h"
#include "screens/RecentDaysCells.h"

#include <QtTest>

using platform::Colors;
using recentdays::Kind;

Q_DECLARE_METATYPE(recentdays::Kind)

namespace {

QVariantList fixtureRows(const char* name)
{
    return jsonFixture(QStringLiteral("recentdays/"), name).toList();
}

// A colour by the name the tables use; "layout" for a cell left alone.
QString colourName(const std::optional<QColor>& colour)
{
    if (!colour)
        return QStringLiteral("layout");
    const QList<QPair<QString, QColor>> named
        = { { QStringLiteral("red"), Colors::red() }, { QStringLiteral("green"), Colors::green() },
              { QStringLiteral("white"), Colors::white() }, { QStringLiteral("yellow"), Colors::yellow() } };
    for (const auto& [name, value] : named) {
        if (value == *colour)
            return name;
    }
    return colour->name();
}

struct Label {
    std::optional<QString> text;
    std::optional<QColor> colour;
};

// The state each label ends in after the updates, for the labels they touch.
QHash<QString, Label> applied(const QList<recentdays::LabelUpdate>& updates)
{
    QHash<QString, Label> labels;
    for (const recentdays::LabelUpdate& update : updates) {
        Label& label = labels[update.label];
        if (update.text)
            label.text = update.text;
        if (update.colour)
            label.colour = update.colour;
    }
    return labels;
}

QVariantMap map(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    QVariantMap out;
    for (const auto& [key, value] : pairs)
        out.insert(QString::fromUtf8(key), QString::fromUtf8(value));
    return out;
}

} // namespace

// Cell texts, colour thresholds, header labels and sorting of the
// recent-days tables, without a window.
class TestRecentDaysCells : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cells_textAndColourPerColumn_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colour");
        const auto s
            = [](const char* name, int row, const char* column, const char* text, const char* colour) {
                  QTest::newRow(name) << Kind::Stock << row << QString::fromLatin1(column)
                                      << QString::fromUtf8(text) << QString::fromLatin1(colour);
              };
        const auto i
            = [](const char* name, int row, const char* column, const char* text, const char* colour) {
                  QTest::newRow(name) << Kind::Index << row << QString::fromLatin1(column)
                                      << QString::fromUtf8(text) << QString::fromLatin1(colour);
              };
        s("stock rise is red", 0, "valuerate", "1.25%", "red");
        s("stock fall is green", 1, "valuerate", "-0.48%", "green");
        s("stock flat is white", 2, "valuerate", "0%", "white");
        s("name takes the day's sign", 0, "stockname", "浦发银行", "red");
        s("small orders reversed, below 0 red", 0, "smallbuyscore", "-0.8%", "red");
        s("small orders reversed, above 0 green", 1, "smallbuyscore", "0.35%", "green");
        s("small orders at 0 white", 2, "smallbuyscore", "0%", "white");
        s("turnover 1.99 red", 0, "turnoverrate", "1.99%", "red");
        s("turnover 2 green", 1, "turnoverrate", "2%", "green");
        s("ratio 1.01 red", 0, "ratio", "1.01", "red");
        s("ratio 1 green", 1, "ratio", "1", "green");
        s("ratio 0 white", 2, "ratio", "0", "white");
        s("amount in yuan shown in 亿, colour left", 0, "transactionvaluecount", "12.35亿", "layout");
        s("main value 万 to 亿, negative", 0, "mainvalue", "-0.36亿", "green");
        s("5-day sum 万 to 亿", 0, "bigbuyscore", "2.00亿", "red");
        s("main continuation as sent", 0, "continuemainvalueupdown", "-2", "green");
        s("rank above 1 red", 0, "rank", "1.5", "red");
        s("rank 0 white", 1, "rank", "0", "white");
        s("rank below 0 green", 2, "rank", "-2", "green");
        s("swing above 3 red", 0, "swingscore", "3.2", "red");
        s("swing 0 white", 1, "swingscore", "0", "white");
        s("swing 1.5 green", 2, "swingscore", "1.5", "green");
        s("score -15 red", 0, "score", "-15", "red");
        s("score 2.9 yellow", 1, "score", "2.9", "yellow");
        s("score -18 white", 2, "score", "-18", "white");
        s("stage 5 limit-up red", 0, "volume", "涨停", "red");
        s("stage 9 as sent yellow", 1, "volume", "9", "yellow");
        s("stage 1.0 is stage 1", 2, "volume", "主力建仓", "green");
        s("financing balance \"0\" stays 0", 0, "continuefinancingbalance", "0", "red");
        s("financing balance in 亿, four decimals", 1, "continuefinancingbalance", "412.3457", "green");
        s("financing bought, falling green", 0, "continuefinancingthepurchaseamount", "1.2346", "green");
        s("financing repaid reversed, rising green", 0, "continuefinancingtorepaytheamount", "0.9877",
            "green");
        s("financing repaid reversed, falling red", 1, "continuefinancingtorepaytheamount", "0", "red");
        s("margin balance flat white", 0, "continuemarginbalance", "50.0000", "white");
        s("short sold \"0\", reversed falling red", 0, "continueshortsellingvolume", "0", "red");
        s("short sold in 万手, reversed rising green", 1, "continueshortsellingvolume", "1.5000", "green");
        s("lent repaid in 万手", 0, "continuesecuritieslendingrepaymentamount", "2.5000", "red");
        s("lent repaid missing is zero with four decimals", 1, "continuesecuritieslendingrepaymentamount",
            "0.0000", "green");
        s("margin figure missing is zero with four decimals", 2, "continuefinancingbalance", "0.0000",
            "white");
        s("other column as sent white", 0, "curdate", "20261204", "white");

        i("index fall green", 0, "valuerate", "-0.62%", "green");
        i("index code takes the day's sign", 1, "code", "000001.idx", "red");
        i("5-day change reversed, fall red", 0, "updown5day", "-1.8%", "red");
        i("5-day change reversed, rise green", 1, "updown5day", "2.2%", "green");
        i("index amount already 亿", 0, "transactionvaluecount", "4321.50亿", "layout");
        i("index main value already 亿", 0, "mainvalue", "-85.30亿", "green");
        i("index all-days sum", 0, "rmballinscore", "-5234.75亿", "green");
        i("index stage 3 peak red", 0, "rank", "峰值", "red");
        i("index stage -1 as sent white", 1, "rank", "-1", "white");
        i("index score 3 white", 0, "score", "3", "white");
        i("index score -16.5 red", 1, "score", "-16.5", "red");
        i("index swing 4 red", 1, "swingscore", "4", "red");
        i("index financing direction as sent", 0, "continuefinancingbalance", "2", "red");
        i("index repaid direction reversed", 0, "continuefinancingtorepaytheamount", "1", "green");
        i("index short direction reversed", 0, "continueshortsellingvolume", "-2", "red");
        i("index margin flat white", 0, "continuemarginbalance", "0", "white");
        i("index missing direction empty white", 1, "continuefinancingbalance", "", "white");
        i("index other column as sent", 0, "yprice", "3333.12", "white");
    }
    void cells_textAndColourPerColumn()
    {
        QFETCH(Kind, kind);
        QFETCH(int, row);
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QString, colour);
        const QVariantList rows = fixtureRows(kind == Kind::Stock ? "stock_rows.json" : "index_rows.json");
        const recentdays::Cell cell = recentdays::cellFor(kind, rows.at(row).toMap(), column);
        QCOMPARE(cell.text, text);
        QCOMPARE(colourName(cell.colour), colour);
    }

    void cells_missingIndexStageReadsUnknown()
    {
        const recentdays::Cell cell = recentdays::indexCell(QVariantMap(), QStringLiteral("rank"));
        QCOMPARE(cell.text, QStringLiteral("横盘或未知"));
        QCOMPARE(colourName(cell.colour), QStringLiteral("white"));
        const recentdays::Cell change
            = recentdays::cellFor(Kind::Stock, QVariantMap(), QStringLiteral("valuerate"));
        QCOMPARE(change.text, QStringLiteral("--"));
        QCOMPARE(colourName(change.colour), QStringLiteral("white"));
    }

    // Every column of both layouts has a cell rule; none falls through to
    // the catch-all except the plain day column.
    void columns_eachKnownToItsTable_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("stock") << Kind::Stock;
        QTest::newRow("index") << Kind::Index;
    }
    void columns_eachKnownToItsTable()
    {
        QFETCH(Kind, kind);
        const QVariantList rows = fixtureRows(kind == Kind::Stock ? "stock_rows.json" : "index_rows.json");
        QSet<QString> seen;
        for (const recentdays::Column& column : recentdays::columns(kind)) {
            QVERIFY2(!seen.contains(column.identifier), qPrintable(column.identifier));
            seen.insert(column.identifier);
            QVERIFY(!column.title.isEmpty());
            QVERIFY(column.width > 0);
            const recentdays::Cell cell = recentdays::cellFor(kind, rows.at(0).toMap(), column.identifier);
            QVERIFY2(!cell.text.isEmpty(), qPrintable(column.identifier));
        }
    }

    void header_sums_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QVariantMap>("record");
        QTest::addColumn<QVariantMap>("newest");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("colours");
        const QVariantMap stockRow = fixtureRows("stock_rows.json").at(0).toMap();
        const QVariantMap indexRow = fixtureRows("index_rows.json").at(0).toMap();
        const auto texts = [](std::initializer_list<const char*> list) {
            QStringList out;
            for (const char* t : list)
                out << QString::fromUtf8(t);
            return out;
        };
        const QStringList upDownUpDown = { QStringLiteral("red"), QStringLiteral("green"),
            QStringLiteral("red"), QStringLiteral("green") };

        QTest::newRow("stock, row 0 today")
            << Kind::Stock
            << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "1.5" },
                   { "curdate", "20261204" } })
            << stockRow << texts({ "5日:2.00亿", "10日:-3.50亿", "20日:12.35亿", "历史:-98.77亿" })
            << upDownUpDown;
        QTest::newRow("stock, row 0 the day before: today's main value added")
            << Kind::Stock
            << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "1.5" },
                   { "curdate", "20261207" } })
            << stockRow << texts({ "6日:3.50亿", "11日:-2.00亿", "21日:13.85亿", "历史:-97.27亿" })
            << upDownUpDown;
        QTest::newRow("stock, record without curdate is never today")
            << Kind::Stock << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "1.5" } })
            << stockRow << texts({ "6日:3.50亿", "11日:-2.00亿", "21日:13.85亿", "历史:-97.27亿" })
            << upDownUpDown;
        QTest::newRow("stock, sum turned positive by today's value takes red")
            << Kind::Stock
            << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "4" },
                   { "curdate", "x" } })
            << stockRow << texts({ "6日:6.00亿", "11日:0.50亿", "21日:16.35亿", "历史:-94.77亿" })
            << QStringList { QStringLiteral("red"), QStringLiteral("red"), QStringLiteral("red"),
                   QStringLiteral("green") };
        QTest::newRow("index, row 0 today, no conversion")
            << Kind::Index
            << map({ { "valuerate", "-1" }, { "valueprice", "-3" }, { "mainvalue", "-10" },
                   { "curdate", "20261204" } })
            << indexRow << texts({ "5日:-210.50亿", "10日:-95.25亿", "20日:120.00亿", "历史:-5234.75亿" })
            << QStringList { QStringLiteral("green"), QStringLiteral("green"), QStringLiteral("red"),
                   QStringLiteral("green") };
        QTest::newRow("index, row 0 the day before")
            << Kind::Index
            << map({ { "valuerate", "-1" }, { "valueprice", "-3" }, { "mainvalue", "-10" },
                   { "curdate", "20261207" } })
            << indexRow << texts({ "6日:-220.50亿", "11日:-105.25亿", "21日:110.00亿", "历史:-5244.75亿" })
            << QStringList { QStringLiteral("green"), QStringLiteral("green"), QStringLiteral("red"),
                   QStringLiteral("green") };
        QVariantMap partial = stockRow;
        partial.remove(QStringLiteral("diskscore"));
        QTest::newRow("stock, filling stops at the first missing sum")
            << Kind::Stock << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "1.5" } })
            << partial << texts({ "6日:3.50亿" }) << QStringList { QStringLiteral("red") };
        // A sum, or today's main value that completes it, the backend cannot mean is no zero.
        QVariantMap dashed = stockRow;
        dashed.insert(QStringLiteral("diskscore"), QStringLiteral("--"));
        QTest::newRow("stock, a sum that is no number")
            << Kind::Stock
            << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "1.5" },
                   { "curdate", "20261204" } })
            << dashed << texts({ "5日:2.00亿", "10日:--", "20日:12.35亿", "历史:-98.77亿" })
            << QStringList { QStringLiteral("red"), QStringLiteral("white"), QStringLiteral("red"),
                   QStringLiteral("green") };
        QTest::newRow("index, the day before with a main value that is no number")
            << Kind::Index
            << map({ { "valuerate", "-1" }, { "valueprice", "-3" }, { "mainvalue", "nan" },
                   { "curdate", "20261207" } })
            << indexRow << texts({ "6日:--", "11日:--", "21日:--", "历史:--" })
            << QStringList { QStringLiteral("white"), QStringLiteral("white"), QStringLiteral("white"),
                   QStringLiteral("white") };
        QTest::newRow("no rows yet: no sums")
            << Kind::Stock << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "mainvalue", "1.5" } })
            << QVariantMap() << QStringList() << QStringList();
        QTest::newRow("record without main value: no sums")
            << Kind::Stock
            << map({ { "valuerate", "1" }, { "valueprice", "0.1" }, { "curdate", "20261204" } }) << stockRow
            << QStringList() << QStringList();
    }
    void header_sums()
    {
        QFETCH(Kind, kind);
        QFETCH(QVariantMap, record);
        QFETCH(QVariantMap, newest);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, colours);
        const std::optional<QVariantMap> row = newest.isEmpty() ? std::nullopt : std::optional(newest);
        const QHash<QString, Label> labels
            = applied(recentdays::headerUpdates(kind, record, QStringLiteral("600000"), row));
        const QStringList sums = recentdays::sumLabels(kind);
        for (int i = 0; i < 4; ++i) {
            const Label label = labels.value(sums.at(i));
            if (i >= texts.size()) {
                QVERIFY2(!label.text && !label.colour, qPrintable(sums.at(i)));
                continue;
            }
            QCOMPARE(label.text.value_or(QString()), texts.at(i));
            QCOMPARE(colourName(label.colour), colours.at(i));
        }
        QCOMPARE(labels.contains(QStringLiteral("mainvalueTextField")),
            record.contains(QStringLiteral("mainvalue")));
    }

    // A record lacking either of the two change figures leaves the whole header alone.
    void header_incompleteRecordChangesNothing_data()
    {
        QTest::addColumn<QVariantMap>("record");
        QTest::newRow("no valuerate") << map({ { "valueprice", "0.1" }, { "stockname", "甲" } });
        QTest::newRow("no valueprice") << map({ { "valuerate", "1" }, { "stockname", "甲" } });
        QTest::newRow("only the code") << map({ { "stockcode", "600000" } });
    }
    void header_incompleteRecordChangesNothing()
    {
        QFETCH(QVariantMap, record);
        const QVariantMap row = fixtureRows("stock_rows.json").at(0).toMap();
        QVERIFY(recentdays::headerUpdates(Kind::Stock, record, QStringLiteral("600000"), row).isEmpty());
        QVERIFY(recentdays::headerUpdates(Kind::Index, record, QStringLiteral("600000"), row).isEmpty());
    }

    void header_stockLabels()
    {
        const QVariantMap record = map({ { "stockname", "浦发银行" }, { "cprice", "10.52" },
            { "valueprice", "-0.12" }, { "valuerate", "-1.13" }, { "transaction100count", "1234567" },
            { "transactionvaluecount", "98765.4" }, { "marketvalue", "123456.7" }, { "PE", "15.678" },
            { "marketstatus", "交易中" }, { "ratio", "0.8" }, { "turnoverrate", "3.45" } });
        const QHash<QString, Label> labels
            = applied(recentdays::headerUpdates(Kind::Stock, record, QStringLiteral("600000"), std::nullopt));
        const QList<std::pair<const char*, const char*>> expected = { { "nameTextField", "浦发银行" },
            { "priceTextField", "10.52" }, { "transaction100countTextField", "成交量:123.46万手" },
            { "transactionvaluecountTextField", "成交额:9.88亿" },
            { "marketvalueTextField", "流通值:12.35亿" }, { "PETextField", "市盈率:15.68" },
            { "marketstatusTextField", "交易中" }, { "codeTextField", "600000" },
            { "valuepriceTextField", "-0.12" }, { "valuerateTextField", "-1.13%" },
            { "ratioTextField", "量:0.8" }, { "turnoverrateTextField", "换:3.45%" } };
        for (const auto& [name, text] : expected)
            QCOMPARE(
                labels.value(QString::fromLatin1(name)).text.value_or(QString()), QString::fromUtf8(text));
        for (const char* name : { "nameTextField", "priceTextField", "codeTextField", "valuepriceTextField",
                 "valuerateTextField", "turnoverrateTextField", "ratioTextField" })
            QCOMPARE(colourName(labels.value(QString::fromLatin1(name)).colour), QStringLiteral("green"));
        QVERIFY(!labels.value(QStringLiteral("marketvalueTextField")).colour);
        QVERIFY(!labels.contains(QStringLiteral("mainvalueTextField")));
    }

    // Keys the record lacks keep their labels; the ratio label is coloured anyway.
    void header_missingKeysKeepLabels()
    {
        const QVariantMap record
            = map({ { "valueprice", "0.30" }, { "valuerate", "2.5" }, { "mainvalue", "-0.25" } });
        const QHash<QString, Label> labels
            = applied(recentdays::headerUpdates(Kind::Stock, record, QStringLiteral("600001"), std::nullopt));
        for (const char* name : { "nameTextField", "priceTextField", "PETextField", "marketstatusTextField",
                 "turnoverrateTextField" })
            QVERIFY2(!labels.value(QString::fromLatin1(name)).text, name);
        QVERIFY(!labels.value(QStringLiteral("ratioTextField")).text);
        QCOMPARE(colourName(labels.value(QStringLiteral("ratioTextField")).colour), QStringLiteral("green"));
        QCOMPARE(colourName(labels.value(QStringLiteral("nameTextField")).colour), QStringLiteral("red"));
        QCOMPARE(
            labels.value(QStringLiteral("codeTextField")).text.value_or(QString()), QStringLiteral("600001"));
        QCOMPARE(labels.value(QStringLiteral("mainvalueTextField")).text.value_or(QString()),
            QStringLiteral("-0.25亿"));
        QCOMPARE(
            colourName(labels.value(QStringLiteral("mainvalueTextField")).colour), QStringLiteral("green"));
    }

    void header_indexLabels()
    {
        const QVariantMap record = map({ { "stockname", "上证指数" }, { "cprice", "3312.45" },
            { "valueprice", "0" }, { "valuerate", "0" }, { "transaction100count", "25000000000" },
            { "transactionvaluecount", "43215000" }, { "totalsub", "1500" }, { "subupcount", "800" },
            { "subequalcount", "100" }, { "subdowncount", "600" } });
        const QHash<QString, Label> labels = applied(
            recentdays::headerUpdates(Kind::Index, record, QStringLiteral("000001.idx"), std::nullopt));
        const QList<std::pair<const char*, const char*>> expected
            = { { "transaction100countTextField", "成交量: 250.00亿手" },
                  { "transactionvaluecountTextField", "成交额: 4321.50亿" },
                  { "totalsubTextField", "总家数: 1500" }, { "subupcountField", "上涨: 800" },
                  { "subequalcountTextField", "平盘: 100" }, { "subdowncountField", "下跌: 600" },
                  { "valuerateTextField", "0%" }, { "codeTextField", "000001.idx" } };
        for (const auto& [name, text] : expected)
            QCOMPARE(
                labels.value(QString::fromLatin1(name)).text.value_or(QString()), QString::fromUtf8(text));
        QCOMPARE(colourName(labels.value(QStringLiteral("nameTextField")).colour), QStringLiteral("white"));
        QVERIFY(!labels.contains(QStringLiteral("ratioTextField")));
        QVERIFY(!labels.contains(QStringLiteral("turnoverrateTextField")));
    }

    // The product's own index is recorded in 亿手 and 亿: shown as the
    // record holds it, like its quote panel; a figure that is no number
    // shows "--".
    void header_ownIndexInItsOwnUnits()
    {
        QVariantMap record = map({ { "stockname", "岚石指数" }, { "cprice", "--" }, { "valueprice", "0" },
            { "valuerate", "0" }, { "transaction100count", "3.85" }, { "transactionvaluecount", "6419.01" },
            { "totalsub", "nan" } });
        const QHash<QString, Label> labels = applied(
            recentdays::headerUpdates(Kind::Index, record, QStringLiteral("888888.idx"), std::nullopt));
        const QList<std::pair<const char*, const char*>> expected
            = { { "transaction100countTextField", "成交量: 3.85亿手" },
                  { "transactionvaluecountTextField", "成交额: 6419.01亿" }, { "priceTextField", "--" },
                  { "totalsubTextField", "总家数: --" } };
        for (const auto& [name, text] : expected)
            QCOMPARE(
                labels.value(QString::fromLatin1(name)).text.value_or(QString()), QString::fromUtf8(text));
    }

    void sort_byColumn_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("days"); // "curdate" of the rows in the sorted order
        const auto days = [](std::initializer_list<const char*> list) {
            QStringList out;
            for (const char* d : list)
                out << QString::fromLatin1(d);
            return out;
        };
        QTest::newRow("change ascending, by value not text")
            << Kind::Stock << QStringLiteral("valuerate") << true
            << days({ "20261203", "20261202", "20261204" });
        QTest::newRow("day descending tells neighbouring days apart")
            << Kind::Stock << QStringLiteral("curdate") << false
            << days({ "20261204", "20261203", "20261202" });
        QTest::newRow("day ascending") << Kind::Stock << QStringLiteral("curdate") << true
                                       << days({ "20261202", "20261203", "20261204" });
        QTest::newRow("stock margin column sorts by the amount it shows, missing as 0")
            << Kind::Stock << QStringLiteral("continuefinancingbalance") << false
            << days({ "20261203", "20261204", "20261202" });
        QTest::newRow("stage by number") << Kind::Stock << QStringLiteral("volume") << true
                                         << days({ "20261202", "20261204", "20261203" });
        QTest::newRow("index stage by number")
            << Kind::Index << QStringLiteral("rank") << true << days({ "20261203", "20261204" });
        QTest::newRow("index margin column sorts by its direction")
            << Kind::Index << QStringLiteral("continuefinancingbalance") << true
            << days({ "20261203", "20261204" });
    }
    void sort_byColumn()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, column);
        QFETCH(bool, ascending);
        QFETCH(QStringList, days);
        QVariantList rows = fixtureRows(kind == Kind::Stock ? "stock_rows.json" : "index_rows.json");
        recentdays::SortDescriptor descriptor = recentdays::sortPrototype(kind, column);
        descriptor.ascending = ascending;
        recentdays::sortRows(rows, { descriptor });
        QStringList sorted;
        for (const QVariant& row : rows)
            sorted << row.toMap().value(QStringLiteral("curdate")).toString();
        QCOMPARE(sorted, days);
    }

    void sort_equalKeysKeepOrderAndNextDescriptorDecides()
    {
        QVariantList rows = { map({ { "n", "a" }, { "k", "1" }, { "j", "5" } }),
            map({ { "n", "b" }, { "k", "1" }, { "j", "2" } }),
            map({ { "n", "c" }, { "k", "0" }, { "j", "9" } }),
            map({ { "n", "d" }, { "k", "1" }, { "j", "2" } }) };
        recentdays::sortRows(rows, { { QStringLiteral("k"), false }, { QStringLiteral("j"), true } });
        QStringList order;
        for (const QVariant& row : rows)
            order << row.toMap().value(QStringLiteral("n")).toString();
        QCOMPARE(order,
            (QStringList {
                QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("c") }));
    }
};

QTEST_MAIN(TestRecentDaysCells)
#include "tst_RecentDaysCells.moc"
