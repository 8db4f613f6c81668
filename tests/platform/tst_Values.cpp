#include "platform/Values.h"

#include <QTest>

#include <cmath>

using platform::floatValue;
using platform::stringWithFormat;

class tst_Values : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void floatValue_readsLongestNumericPrefix_data();
    void floatValue_readsLongestNumericPrefix();
    void floatValue_isSinglePrecision();
    void floatValue_ofVariants_data();
    void floatValue_ofVariants();
    void integerValue_stopsAtFirstNonDigit_data();
    void integerValue_stopsAtFirstNonDigit();
    void stringWithFormat_screenFormats_data();
    void stringWithFormat_screenFormats();
};

void tst_Values::floatValue_readsLongestNumericPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("expected");
    QTest::newRow("blanks then trailing text") << QStringLiteral("  1.5abc") << 1.5f;
    QTest::newRow("no number") << QStringLiteral("abc") << 0.0f;
    QTest::newRow("small negative") << QStringLiteral("-0.01") << -0.01f;
    QTest::newRow("empty") << QString() << 0.0f;
    QTest::newRow("tab and newline before") << QStringLiteral("\t\n3") << 3.0f;
    QTest::newRow("leading dot") << QStringLiteral(".5") << 0.5f;
    QTest::newRow("trailing dot") << QStringLiteral("7.") << 7.0f;
    QTest::newRow("lone sign") << QStringLiteral("-") << 0.0f;
    QTest::newRow("sign then dot only") << QStringLiteral("-.") << 0.0f;
    QTest::newRow("second dot ends it") << QStringLiteral("1.2.3") << 1.2f;
    QTest::newRow("exponent") << QStringLiteral("1.5e3x") << 1500.0f;
    QTest::newRow("dangling exponent ignored") << QStringLiteral("2e") << 2.0f;
    QTest::newRow("percent sign after") << QStringLiteral("3.25%") << 3.25f;
    QTest::newRow("unit after Chinese") << QStringLiteral("12.5亿") << 12.5f;
    QTest::newRow("Chinese first") << QStringLiteral("亿12") << 0.0f;
    QTest::newRow("hex is not read") << QStringLiteral("0x1A") << 0.0f;
    QTest::newRow("words inf and nan are not numbers") << QStringLiteral("inf") << 0.0f;
    QTest::newRow("plus sign") << QStringLiteral("+4.5") << 4.5f;
}

void tst_Values::floatValue_readsLongestNumericPrefix()
{
    QFETCH(QString, text);
    QFETCH(float, expected);
    QCOMPARE(floatValue(QStringView(text)), expected);
    QCOMPARE(floatValue(QVariant(text)), expected);
}

void tst_Values::floatValue_isSinglePrecision()
{
    // 2^24 + 1 has no float representation: the reading rounds like strtof.
    QCOMPARE(floatValue(QStringView(u"16777217")), 16777216.0f);
    QCOMPARE(double(floatValue(QStringView(u"0.1"))), double(0.1f));
    QVERIFY(double(floatValue(QStringView(u"0.1"))) != 0.1);
    QVERIFY(std::isinf(floatValue(QStringView(u"1e999"))));
}

void tst_Values::floatValue_ofVariants_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<float>("expected");
    QTest::newRow("missing value") << QVariant() << 0.0f;
    QTest::newRow("number") << QVariant(2.5) << 2.5f;
    QTest::newRow("integer") << QVariant(42) << 42.0f;
    QTest::newRow("dictionary") << QVariant(QVariantMap { { QStringLiteral("a"), QStringLiteral("1") } })
                                << 0.0f;
    QTest::newRow("array") << QVariant(QVariantList { QStringLiteral("3") }) << 0.0f;
}

void tst_Values::floatValue_ofVariants()
{
    QFETCH(QVariant, value);
    QFETCH(float, expected);
    QCOMPARE(floatValue(value), expected);
}

void tst_Values::integerValue_stopsAtFirstNonDigit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("expected");
    QTest::newRow("decimal cut") << QStringLiteral(" 12.9") << 12LL;
    QTest::newRow("negative") << QStringLiteral("-1001") << -1001LL;
    QTest::newRow("none") << QStringLiteral("x1") << 0LL;
    QTest::newRow("overflow saturates") << QStringLiteral("99999999999999999999999") << LLONG_MAX;
    QTest::newRow("negative overflow saturates") << QStringLiteral("-99999999999999999999999") << LLONG_MIN;
}

void tst_Values::integerValue_stopsAtFirstNonDigit()
{
    QFETCH(QString, text);
    QFETCH(qlonglong, expected);
    QCOMPARE(platform::integerValue(QStringView(text)), expected);
}

void tst_Values::stringWithFormat_screenFormats_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("%.2f亿") << stringWithFormat("%.2f亿", 12.345f / 1.0) << QStringLiteral("12.35亿");
    QTest::newRow("%.2f万手") << stringWithFormat(
        "%.2f万手", double(floatValue(QStringView(u"1234567")) / 10000.0f))
                              << QStringLiteral("123.46万手");
    QTest::newRow("%@%%") << stringWithFormat("%@%%", QStringLiteral("3.25")) << QStringLiteral("3.25%");
    QTest::newRow("%@ Chinese text") << stringWithFormat(" %@ F10", QStringLiteral("浦发银行"))
                                     << QStringLiteral(" 浦发银行 F10");
    QTest::newRow("%ld") << stringWithFormat("%ld", 2016L) << QStringLiteral("2016");
    QTest::newRow("%ld negative") << stringWithFormat("%ld", -1L) << QStringLiteral("-1");
    QTest::newRow("%@年第%@季") << stringWithFormat("%@年第%@季", QStringLiteral("2016"), QStringLiteral("3"))
                                << QStringLiteral("2016年第3季");
    QTest::newRow("+%@家 增持%.4f万股") << stringWithFormat("+%@家 增持%.4f万股", QStringLiteral("12"),
        1677.7216) << QStringLiteral("+12家 增持1677.7216万股");
    QTest::newRow("%f width text") << stringWithFormat("%f", 586.0) << QStringLiteral("586.000000");
    QTest::newRow("empty %@") << stringWithFormat("[%@]", QString()) << QStringLiteral("[]");
}

void tst_Values::stringWithFormat_screenFormats()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(tst_Values)
#include "tst_Values.moc"
