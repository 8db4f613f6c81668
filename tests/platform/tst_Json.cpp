#include "platform/Json.h"

#include <QTest>

using platform::parseJson;

namespace {
QByteArray nested(int depth, char open, char close, const QByteArray& inner)
{
    return QByteArray(depth, open) + inner + QByteArray(depth, close);
}

QByteArray nestedObjects(int depth)
{
    QByteArray text;
    for (int i = 0; i < depth; ++i)
        text += "{\"k\":";
    text += "1";
    text += QByteArray(depth, '}');
    return text;
}
} // namespace

class tst_Json : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nesting_limit_data();
    void nesting_limit();
    void scalars_becomeText_data();
    void scalars_becomeText();
    void brokenBodies_areRefused_data();
    void brokenBodies_areRefused();
    void writeJson_roundTrips();
};

void tst_Json::nesting_limit_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("arrays 32") << nested(32, '[', ']', "1") << true;
    QTest::newRow("arrays 33") << nested(33, '[', ']', "1") << false;
    QTest::newRow("objects 32") << nestedObjects(32) << true;
    QTest::newRow("objects 33") << nestedObjects(33) << false;
    QTest::newRow("brackets inside strings do not count")
        << QByteArray("[\"" + QByteArray(100, '[') + "\"]") << true;
    QTest::newRow("escaped quote keeps string open")
        << QByteArray("[\"\\\"" + QByteArray(40, '{') + "\"]") << true;
    QTest::newRow("very deep is refused without crashing") << nested(100000, '[', ']', "") << false;
}

void tst_Json::nesting_limit()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QString error;
    const auto parsed = parseJson(text, &error);
    QCOMPARE(parsed.has_value(), accepted);
    QCOMPARE(error.isEmpty(), accepted);
}

void tst_Json::scalars_becomeText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("null") << QByteArray("{\"a\":null}")
                          << QVariant(QVariantMap { { QStringLiteral("a"), QString() } });
    QTest::newRow("null in array") << QByteArray("[null,1]")
                                   << QVariant(QVariantList { QString(), QStringLiteral("1") });
    QTest::newRow("decimal") << QByteArray("[10.32]") << QVariant(QVariantList { QStringLiteral("10.32") });
    QTest::newRow("big integer keeps all digits")
        << QByteArray("[29352080397]") << QVariant(QVariantList { QStringLiteral("29352080397") });
    QTest::newRow("negative") << QByteArray("[-0.5]") << QVariant(QVariantList { QStringLiteral("-0.5") });
    QTest::newRow("small and large decimals written out")
        << QByteArray("[0.00001,-1.25e-7,1.5e20]")
        << QVariant(QVariantList { QStringLiteral("0.00001"), QStringLiteral("-0.000000125"),
               QStringLiteral("150000000000000000000") });
    QTest::newRow("booleans") << QByteArray("[true,false]")
                              << QVariant(QVariantList { QStringLiteral("1"), QStringLiteral("0") });
    QTest::newRow("unicode escape") << QByteArray("[\"\\u6d66\\u53d1\"]")
                                    << QVariant(QVariantList { QStringLiteral("浦发") });
    QTest::newRow("raw UTF-8") << QByteArray("{\"名称\":\"银行\"}")
                               << QVariant(
                                      QVariantMap { { QStringLiteral("名称"), QStringLiteral("银行") } });
    QTest::newRow("control characters dropped")
        << QByteArray("{\"t\\u0000\":\"2016\\u0000\\u001b\\u0085年\\n\"}")
        << QVariant(QVariantMap { { QStringLiteral("t"), QStringLiteral("2016年\n") } });
}

void tst_Json::scalars_becomeText()
{
    QFETCH(QByteArray, text);
    QFETCH(QVariant, expected);
    const auto parsed = parseJson(text);
    QVERIFY(parsed.has_value());
    QCOMPARE(*parsed, expected);
    // Null must be an empty string, not a null QString that callers may treat as missing.
    if (QByteArray(QTest::currentDataTag()) == "null") {
        const QVariant a = parsed->toMap().value(QStringLiteral("a"));
        QCOMPARE(a.metaType().id(), QMetaType::QString);
        QVERIFY(a.isValid());
    }
}

void tst_Json::brokenBodies_areRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("JSONP wrapper") << QByteArray("_ntes_quote_callback({\"a\":1});");
    QTest::newRow("truncated") << QByteArray("{\"data\":[1,2");
    QTest::newRow("unquoted keys") << QByteArray("{data:\"1,2\"}");
    QTest::newRow("HTML error page") << QByteArray("<html><body>404</body></html>");
    QTest::newRow("stray closers") << QByteArray("]]]]}}}}");
}

void tst_Json::brokenBodies_areRefused()
{
    QFETCH(QByteArray, text);
    QString error;
    QVERIFY(!parseJson(text, &error).has_value());
    QVERIFY(!error.isEmpty());
}

void tst_Json::writeJson_roundTrips()
{
    const QVariantMap value { { QStringLiteral("name"), QStringLiteral("股票组1") },
        { QStringLiteral("list"), QVariantList { QStringLiteral("1"), QVariantMap {} } },
        { QStringLiteral("quote\"d"), QStringLiteral("a\\b") } };
    const auto back = parseJson(platform::writeJson(value));
    QVERIFY(back.has_value());
    QCOMPARE(*back, QVariant(value));
}

QTEST_GUILESS_MAIN(tst_Json)
#include "tst_Json.moc"
