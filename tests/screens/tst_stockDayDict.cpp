#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "platform/Json.h"
#include "platform/widgets/Colors.h"
#include "screens/stockDayDict.h"

#include <QtTest>

using platform::Colors;

class TestStockDayDict : public QObject {
    Q_OBJECT

private:
    static QVariant fixture(const char* name) { return jsonFixture(QStringLiteral("screens/"), name); }

private Q_SLOTS:
    void replies_onlyNonEmptyArraysAreRows()
    {
        QVERIFY(!stockDayDict::rowsOfReply(fixture("daylist_empty.json"), 40));
        QVERIFY(!stockDayDict::rowsOfReply(fixture("daylist_not_array.json"), 40));
        QVERIFY(!stockDayDict::rowsOfReply(QVariant(), 40));
        QVERIFY(!stockDayDict::rowsOfReply(QStringLiteral("[]"), 40));
        const auto one = stockDayDict::rowsOfReply(fixture("daylist_one_row.json"), 40);
        QVERIFY(one);
        QCOMPARE(one->size(), 1);
        QCOMPARE(
            one->first().toMap().value(QStringLiteral("stockname")).toString(), QStringLiteral("浦发银行"));
    }

    void today_isStringEqualityOfCurdate()
    {
        const QVariantMap row = { { QStringLiteral("curdate"), QStringLiteral("20240105") } };
        QVERIFY(stockDayDict::isDay(row, QStringLiteral("20240105")));
        QVERIFY(!stockDayDict::isDay(row, QStringLiteral("2024-01-05")));
        QVERIFY(!stockDayDict::isDay(QVariantMap(), QString()));
        QVERIFY(!stockDayDict::isDay(QVariantMap(), QStringLiteral("20240105")));
    }

    void marginRow_data()
    {
        QTest::addColumn<QVariantList>("rows");
        QTest::addColumn<int>("expected");
        const QVariantMap zero = { { QStringLiteral("financingbalance"), QStringLiteral("0") } };
        const QVariantMap zeroDecimals = { { QStringLiteral("financingbalance"), QStringLiteral("0.00") } };
        const QVariantMap missing = { { QStringLiteral("marginbalance"), QStringLiteral("5") } };
        const QVariantMap filled = { { QStringLiteral("financingbalance"), QStringLiteral("2500000000") } };
        QTest::newRow("no rows") << QVariantList() << -1;
        QTest::newRow("newest filled") << QVariantList { filled, filled } << 0;
        QTest::newRow("newest \"0\", two rows") << QVariantList { zero, filled } << 1;
        QTest::newRow("newest 0.00 reads as 0") << QVariantList { zeroDecimals, filled } << 1;
        QTest::newRow("newest missing") << QVariantList { missing, filled } << 1;
        QTest::newRow("newest \"0\", one row") << QVariantList { zero } << 0;
    }
    void marginRow()
    {
        QFETCH(QVariantList, rows);
        QFETCH(int, expected);
        QCOMPARE(stockDayDict::marginRowIndex(rows), expected);
    }

    void marginRow_fromFixtureFallsBack()
    {
        const auto rows = stockDayDict::rowsOfReply(fixture("daylist_margin_fallback.json"), 40);
        QVERIFY(rows);
        QCOMPARE(stockDayDict::marginRowIndex(*rows), 1);
        QCOMPARE(stockDayDict::marginKeys().size(), 6);
    }

    void stockStage_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0") << QVariant(QStringLiteral("0")) << QStringLiteral("横盘或未知")
                           << Colors::white();
        QTest::newRow("1") << QVariant(QStringLiteral("1")) << QStringLiteral("主力建仓") << Colors::green();
        QTest::newRow("1.0 is 1") << QVariant(QStringLiteral("1.0")) << QStringLiteral("主力建仓")
                                  << Colors::green();
        QTest::newRow("2") << QVariant(QStringLiteral("2")) << QStringLiteral("洗盘，建仓完毕")
                           << Colors::red();
        QTest::newRow("5") << QVariant(QStringLiteral("5")) << QStringLiteral("涨停") << Colors::red();
        QTest::newRow("8") << QVariant(QStringLiteral("8")) << QStringLiteral("崩盘") << Colors::green();
        QTest::newRow("9 as sent") << QVariant(QStringLiteral("9")) << QStringLiteral("9")
                                   << Colors::yellow();
        QTest::newRow("-1 as sent") << QVariant(QStringLiteral("-1")) << QStringLiteral("-1")
                                    << Colors::yellow();
        QTest::newRow("2.5 as sent") << QVariant(QStringLiteral("2.5")) << QStringLiteral("2.5")
                                     << Colors::yellow();
        QTest::newRow("missing is 0") << QVariant() << QStringLiteral("横盘或未知") << Colors::white();
        QTest::newRow("text is 0") << QVariant(QStringLiteral("abc")) << QStringLiteral("横盘或未知")
                                   << Colors::white();
    }
    void stockStage()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        const stockDayDict::Stage stage = stockDayDict::stockStage(value);
        QCOMPARE(stage.text, text);
        QCOMPARE(stage.colour, colour);
    }

    void indexStage_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0") << QVariant(QStringLiteral("0")) << QStringLiteral("横盘或未知")
                           << Colors::white();
        QTest::newRow("1") << QVariant(QStringLiteral("1")) << QStringLiteral("出货报警") << Colors::green();
        QTest::newRow("2") << QVariant(QStringLiteral("2")) << QStringLiteral("正常") << Colors::white();
        QTest::newRow("3.0 is 3") << QVariant(QStringLiteral("3.0")) << QStringLiteral("峰值")
                                  << Colors::red();
        QTest::newRow("9 as sent") << QVariant(QStringLiteral("9")) << QStringLiteral("9") << Colors::white();
        QTest::newRow("-1 as sent") << QVariant(QStringLiteral("-1")) << QStringLiteral("-1")
                                    << Colors::white();
        QTest::newRow("missing is 0") << QVariant() << QStringLiteral("横盘或未知") << Colors::white();
    }
    void indexStage()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        const stockDayDict::Stage stage = stockDayDict::indexStage(value);
        QCOMPARE(stage.text, text);
        QCOMPARE(stage.colour, colour);
    }
};

QTEST_MAIN(TestStockDayDict)
#include "tst_stockDayDict.moc"
