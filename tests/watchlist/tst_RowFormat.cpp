#include "WatchlistTestEnv.h"
#include "watchlist/RowFormat.h"

#include <QTest>

using namespace watchlist;

class tst_RowFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quoteFields_data();
    void quoteFields();
    void quoteFields_refusesOtherOrIncompleteRecords_data();
    void quoteFields_refusesOtherOrIncompleteRecords();
};

void tst_RowFormat::quoteFields_data()
{
    QTest::addColumn<QVariantMap>("record");
    QTest::addColumn<int>("tone");
    QTest::addColumn<QString>("wave");
    QTest::addColumn<QString>("ratio");
    QTest::addColumn<QString>("turnoverrate");
    QTest::addColumn<QString>("mainvalue");
    QTest::addColumn<int>("layout");

    const auto stock = [](const char* rate, const char* mainvalue) {
        QVariantMap r = dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" }, { "cprice", "10.20" },
            { "valueprice", "0.20" }, { "ratio", "1.35" }, { "turnoverrate", "0.42" } });
        r.insert(QStringLiteral("valuerate"), QString::fromUtf8(rate));
        if (mainvalue)
            r.insert(QStringLiteral("mainvalue"), QString::fromUtf8(mainvalue));
        return r;
    };
    QTest::newRow("rising stock") << stock("2.00", "1.23456") << int(Tone::Red) << "0.20  2.00%"
                                  << "量:1.35"
                                  << "换:0.42%"
                                  << "1.2346亿" << int(RatioLayout::Stock);
    QTest::newRow("falling stock, outflow") << stock("-1.5", "-0.5") << int(Tone::Green) << "0.20  -1.5%"
                                            << "量:1.35"
                                            << "换:0.42%"
                                            << "-0.5000亿" << int(RatioLayout::Stock);
    QTest::newRow("unchanged stock without flow")
        << stock("0.00", nullptr) << int(Tone::White) << "0.20  0.00%"
        << "量:1.35"
        << "换:0.42%"
        << "" << int(RatioLayout::Stock);

    const auto index = [](const char* code, const char* amount) {
        return dict({ { "stockcode", code }, { "valueprice", "-3.1" }, { "valuerate", "-0.10" },
            { "transactionvaluecount", amount } });
    };
    QTest::newRow("own index amount in 亿")
        << index("888888.idx", "987.6") << int(Tone::Green) << "-3.1  -0.10%"
        << "额: 987.60亿"
        << ""
        << "" << int(RatioLayout::Index);
    QTest::newRow("shenzhen index amount in 万")
        << index("399001.idx", "35000000") << int(Tone::Green) << "-3.1  -0.10%"
        << "额: 3500.00亿"
        << ""
        << "" << int(RatioLayout::Index);
    QTest::newRow("index without amount")
        << dict({ { "stockcode", "000001.idx" }, { "valueprice", "1" }, { "valuerate", "0.1" } })
        << int(Tone::Red) << "1  0.1%"
        << ""
        << ""
        << "" << int(RatioLayout::Leave);

    // Texts a feed cannot mean show "--", never their text, "inf" or a zero.
    QTest::newRow("suspended stock") << dict(
        { { "stockcode", "600000" }, { "cprice", "inf" }, { "valueprice", "nan" }, { "valuerate", "--" },
            { "ratio", "1e308" }, { "turnoverrate", "--" }, { "mainvalue", "--" } })
                                     << int(Tone::White) << "--  --"
                                     << "量:--"
                                     << "换:--"
                                     << "--" << int(RatioLayout::Stock);
    QTest::newRow("own index amount no number")
        << index("888888.idx", "--") << int(Tone::Green) << "-3.1  -0.10%"
        << "额: --"
        << ""
        << "" << int(RatioLayout::Index);
    QTest::newRow("index amount beyond single precision")
        << index("399001.idx", "1e39") << int(Tone::Green) << "-3.1  -0.10%"
        << "额: --"
        << ""
        << "" << int(RatioLayout::Index);
}

void tst_RowFormat::quoteFields()
{
    QFETCH(QVariantMap, record);
    QFETCH(int, tone);
    QFETCH(QString, wave);
    QFETCH(QString, ratio);
    QFETCH(QString, turnoverrate);
    QFETCH(QString, mainvalue);
    QFETCH(int, layout);

    const auto fields = quoteFieldsFor(record.value(QStringLiteral("stockcode")).toString(), record);
    QVERIFY(fields);
    QCOMPARE(int(fields->tone), tone);
    QCOMPARE(fields->whitenMainvalue, Tone(tone) == Tone::White);
    QCOMPARE(fields->wave, wave);
    QCOMPARE(fields->ratio.value_or(QString()), ratio);
    QCOMPARE(fields->turnoverrate.value_or(QString()), turnoverrate);
    QCOMPARE(fields->mainvalue.value_or(QString()), mainvalue);
    QCOMPARE(int(fields->layout), layout);
    // The only price of the rows is a real one or one the feed cannot mean.
    const QString price = record.value(QStringLiteral("cprice")).toString();
    QCOMPARE(fields->price.value_or(QString()),
        price.isEmpty() || price == QStringLiteral("10.20") ? price : QStringLiteral("--"));
    if (fields->mainvalue && *fields->mainvalue != QStringLiteral("--")) {
        const float value = record.value(QStringLiteral("mainvalue")).toFloat();
        QCOMPARE(int(*fields->mainvalueTone), int(toneOf(value)));
    }
}

void tst_RowFormat::quoteFields_refusesOtherOrIncompleteRecords_data()
{
    QTest::addColumn<QString>("rowCode");
    QTest::addColumn<QVariantMap>("record");
    QTest::newRow("another code") << "600000"
                                  << dict({ { "stockcode", "600001" }, { "valueprice", "1" },
                                         { "valuerate", "1" } });
    QTest::newRow("no valueprice") << "600000" << dict({ { "stockcode", "600000" }, { "valuerate", "1" } });
    QTest::newRow("no valuerate") << "600000" << dict({ { "stockcode", "600000" }, { "valueprice", "1" } });
    QTest::newRow("empty record") << "600000" << QVariantMap();
}

void tst_RowFormat::quoteFields_refusesOtherOrIncompleteRecords()
{
    QFETCH(QString, rowCode);
    QFETCH(QVariantMap, record);
    QVERIFY(!quoteFieldsFor(rowCode, record));
}

QTEST_GUILESS_MAIN(tst_RowFormat)
#include "tst_RowFormat.moc"
