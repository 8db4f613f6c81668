#include "platform/Values.h"

#include <QTest>

#include <QRandomGenerator>

#include <bit>
#include <cmath>
#include <cstdlib>

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
    void stringWithFormat_roundsLikePrintf_data();
    void stringWithFormat_roundsLikePrintf();
    void floatValue_readsAsTheQByteArrayReadingDid();
    void isNumber_wholeTextByTheFloatValueRule();
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

void tst_Values::stringWithFormat_roundsLikePrintf_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    // Exact binary halves go to the even digit in C printf.
    QTest::newRow("%.2f of 0.125") << stringWithFormat("%.2f", 0.125) << QStringLiteral("0.12");
    QTest::newRow("%.2f of -0.125") << stringWithFormat("%.2f", -0.125) << QStringLiteral("-0.12");
    QTest::newRow("%.2f of 0.375") << stringWithFormat("%.2f", 0.375) << QStringLiteral("0.38");
    QTest::newRow("%.0f of 2.5") << stringWithFormat("%.0f", 2.5) << QStringLiteral("2");
    QTest::newRow("%.0f of 0.5") << stringWithFormat("%.0f", 0.5) << QStringLiteral("0");
    QTest::newRow("%.0f手 of 3.5") << stringWithFormat("%.0f手", 3.5) << QStringLiteral("4手");
    QTest::newRow("%.1f级 of 0.25") << stringWithFormat("%.1f级", 0.25) << QStringLiteral("0.2级");
    QTest::newRow("%.4f亿 of 1.03125") << stringWithFormat("%.4f亿", 1.03125) << QStringLiteral("1.0312亿");
    QTest::newRow("%@%.01lf%% of 12.25")
        << stringWithFormat("%@%.01lf%%", QStringLiteral("+"), 12.25) << QStringLiteral("+12.2%");
    QTest::newRow("float 1234.5f to %.0f") << stringWithFormat("%.0f", 1234.5f) << QStringLiteral("1234");
    // Widths and flags as printf pads them; a '%' before '@' is a '%'.
    QTest::newRow("%6.2f|%-4d|%05d") << stringWithFormat("%6.2f|%-4d|%05d", 2.125, 7, -42)
                                     << QStringLiteral("  2.12|7   |-0042");
    QTest::newRow("%%@") << stringWithFormat("%%@%@", QStringLiteral("x")) << QStringLiteral("%@x");
    // A zero reads the same whatever its sign; a literal minus stays.
    QTest::newRow("VOL:%.0f of -0") << stringWithFormat("VOL:%.0f", -0.0) << QStringLiteral("VOL:0");
    QTest::newRow("%.4f亿 of -0.00001")
        << stringWithFormat("%.4f亿", -0.00001f) << QStringLiteral("0.0000亿");
    QTest::newRow("%*.2f%% of -0.004")
        << stringWithFormat("%@%*.2f%%", QStringLiteral("x"), 6, -0.004) << QStringLiteral("x  0.00%");
    QTest::newRow("%.0f of -0.6") << stringWithFormat("%.0f", -0.6) << QStringLiteral("-1");
    QTest::newRow("-%.2f万 of 0") << stringWithFormat("-%.2f万", 0.0) << QStringLiteral("-0.00万");
    // An argument of the other kind is converted, never read as the wrong type.
    QTest::newRow("%@ of a number") << stringWithFormat("[%@|%@]", 42, 1.5) << QStringLiteral("[42|1.5]");
    QTest::newRow("%d and %.2f of texts") << stringWithFormat("%d|%.2f", QStringLiteral("12"),
        QStringLiteral("0.125")) << QStringLiteral("12|0.12");
    QTest::newRow("%d of a double, %.1f of an int")
        << stringWithFormat("%d|%.1f", 7.9, 3) << QStringLiteral("7|3.0");
    QTest::newRow("missing arguments write nothing") << stringWithFormat("a%@b%dc") << QStringLiteral("abc");
    QTest::newRow("%n writes nothing") << stringWithFormat("x%ny", 5) << QStringLiteral("xy");
    QTest::newRow("a text is not cut at a NUL")
        << stringWithFormat("%@季", QStringView(u"2016\u0000年", 6).toString())
        << QStringView(u"2016\u0000年季", 7).toString();
}

void tst_Values::stringWithFormat_roundsLikePrintf()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

namespace {

// The reading that copied the text to Latin-1 before strtof, kept to hold
// the allocation-free one to the very same results.
float formerFloatValue(QStringView text)
{
    const QByteArray s = text.left(400).toLatin1();
    qsizetype i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
        ++i;
    const qsizetype start = i;
    const qsizetype n = s.size();
    auto digitAt = [&](qsizetype k) { return k < n && s[k] >= '0' && s[k] <= '9'; };
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    qsizetype digits = 0;
    for (; digitAt(i); ++i)
        ++digits;
    if (i < n && s[i] == '.') {
        qsizetype j = i + 1;
        for (; digitAt(j); ++j)
            ++digits;
        if (digits > 0)
            i = j;
    }
    if (digits == 0)
        return 0.0f;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        const qsizetype expStart = j;
        while (digitAt(j))
            ++j;
        if (j > expStart)
            i = j;
    }
    return std::strtof(s.mid(start, i - start).constData(), nullptr);
}

} // namespace

void tst_Values::floatValue_readsAsTheQByteArrayReadingDid()
{
    QStringList texts { QString(), QStringLiteral(""), QStringLiteral("--"), QStringLiteral("-.e5"),
        QString(450, QLatin1Char(' ')) + QStringLiteral("5"),
        QString(399, QLatin1Char(' ')) + QStringLiteral("55"), QString(450, QLatin1Char('7')),
        QStringLiteral("0.") + QString(420, QLatin1Char('3')), QStringLiteral("3.4028235e38"),
        QStringLiteral("3.4028236e38"), QStringLiteral("1.4e-45"), QStringLiteral("7e-46"),
        QStringLiteral("0e99999999999"), QStringLiteral("-0"), QStringLiteral("1e-2147483649") };
    // Every combination of the parts a feed's number is made of, and of the
    // ways a text fails to be one.
    const QStringList blanks { QString(), QStringLiteral(" "), QStringLiteral("\t\r\n "),
        QStringLiteral("\u3000") };
    const QStringList signs { QString(), QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("--") };
    const QStringList wholes { QString(), QStringLiteral("0"), QStringLiteral("7"), QStringLiteral("000120"),
        QStringLiteral("9999999"), QStringLiteral("16777217"),
        QStringLiteral("340282356779733661637539395458142568448"), QStringLiteral("\uff11\uff12") };
    const QStringList fractions { QString(), QStringLiteral("."), QStringLiteral(".5"),
        QStringLiteral(".125"), QStringLiteral(".0000001"), QStringLiteral(".45678901234"),
        QStringLiteral(".\uff15") };
    const QStringList exponents { QString(), QStringLiteral("e"), QStringLiteral("E5"), QStringLiteral("e-3"),
        QStringLiteral("e+38"), QStringLiteral("e39"), QStringLiteral("e-45"), QStringLiteral("e-50"),
        QStringLiteral("e999"), QStringLiteral("e-"), QStringLiteral("e+") };
    const QStringList tails { QString(), QStringLiteral("亿"), QStringLiteral("%"), QStringLiteral(".3"),
        QStringLiteral("e2"), QStringLiteral("x") };
    for (const QString& b : blanks)
        for (const QString& sign : signs)
            for (const QString& w : wholes)
                for (const QString& f : fractions)
                    for (const QString& e : exponents)
                        for (const QString& t : tails)
                            texts << b + sign + w + f + e + t;
    // Short decimals at every scale, where rounding to float is decided.
    QRandomGenerator random(20161018);
    for (int i = 0; i < 200000; ++i) {
        const QString digits = QString::number(random.bounded(1, 100000000));
        const int point = random.bounded(digits.size() + 1);
        texts << digits.left(point) + QLatin1Char('.') + digits.mid(point) + QLatin1Char('e')
                + QString::number(random.bounded(-14, 15));
    }
    // And texts of the characters that matter in any order.
    const QString alphabet = QStringLiteral("0123456789+-.eE 亿\uff11\t");
    for (int i = 0; i < 100000; ++i) {
        QString text;
        for (int n = random.bounded(12); n > 0; --n)
            text += alphabet[random.bounded(alphabet.size())];
        texts << text;
    }
    for (const QString& text : std::as_const(texts)) {
        const float former = formerFloatValue(text);
        const float now = floatValue(QStringView(text));
        if (std::bit_cast<quint32>(former) != std::bit_cast<quint32>(now))
            QFAIL(qPrintable(QStringLiteral("\"%1\" read %2, was %3")
                                 .arg(text)
                                 .arg(now, 0, 'g', 9)
                                 .arg(former, 0, 'g', 9)));
    }
}

void tst_Values::isNumber_wholeTextByTheFloatValueRule()
{
    for (const char* number : { "12", " -0.5 ", "3.5e9", "1e-05", "+.5", "7." })
        QVERIFY2(platform::isNumber(QString::fromLatin1(number)), number);
    for (const char* other : { "", "--", "-", "nan", "inf", "1e39", "12abc", "1.2.3", "e5", "0x1A" })
        QVERIFY2(!platform::isNumber(QString::fromLatin1(other)), other);
}

QTEST_GUILESS_MAIN(tst_Values)
#include "tst_Values.moc"
