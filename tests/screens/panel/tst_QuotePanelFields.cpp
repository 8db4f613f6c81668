#include "platform/widgets/Colors.h"
#include "screens/QuotePanelFields.h"

#include <QtTest>

#include <utility>

using platform::Colors;
using quotepanel::computeQuotePanel;
using quotepanel::PanelKind;
using quotepanel::PanelUpdate;

namespace {

using Pairs = std::initializer_list<std::pair<const char*, const char*>>;

QStringList sl(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QVariantMap dict(Pairs pairs)
{
    QVariantMap m;
    for (const auto& [k, v] : pairs)
        m.insert(QString::fromUtf8(k), QString::fromUtf8(v));
    return m;
}

// A record that passes the gate, with a previous close of 10.00.
QVariantMap stockRecord(Pairs extra = {})
{
    QVariantMap m = dict({ { "stockcode", "600000" }, { "stockname", "浦发银行" }, { "cprice", "10.01" },
        { "valueprice", "0.01" }, { "valuerate", "0.10" }, { "yprice", "10.00" } });
    m.insert(dict(extra));
    return m;
}

PanelUpdate stock(const QVariantMap& record, const QVariantList* days = nullptr)
{
    return computeQuotePanel(PanelKind::Stock, QStringLiteral("600000"), &record, days);
}

PanelUpdate index(const QString& code, const QVariantMap& record, const QVariantList* days = nullptr,
    int level = quotepanel::kNoAlertLevel)
{
    return computeQuotePanel(PanelKind::Index, code, &record, days, level);
}

QString text(const PanelUpdate& u, const char* field)
{
    return u.textOf(QString::fromLatin1(field)).value_or(QStringLiteral("<untouched>"));
}

QColor color(const PanelUpdate& u, const char* field)
{
    return u.colorOf(QString::fromLatin1(field)).value_or(QColor());
}

} // namespace

// The field computation of both panel kinds, without widgets.
class TestQuotePanelFields : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gates_writeNothing()
    {
        const PanelUpdate none
            = computeQuotePanel(PanelKind::Stock, QStringLiteral("600000"), nullptr, nullptr);
        QVERIFY(!none.hasRecord);
        QVERIFY(none.writes.isEmpty());

        for (const char* missing : { "valuerate", "valueprice" }) {
            QVariantMap r = stockRecord({ { "PE", "12.5" }, { "mainvalue", "1" } });
            r.remove(QString::fromLatin1(missing));
            const PanelUpdate u = stock(r);
            QVERIFY2(u.hasRecord && !u.passedGate, missing);
            QVERIFY2(u.writes.isEmpty(), missing);
        }
    }

    void everyWrite_hasAnOutletOfItsKind()
    {
        const QVariantList days { dict(
            { { "bigbuyscore", "1" }, { "diskscore", "2" }, { "ratioscore", "3" }, { "rmb5inscore", "1" },
                { "rmb10inscore", "2" }, { "rmb20inscore", "3" }, { "financingbalance", "5" } }) };
        QVariantMap full
            = stockRecord({ { "recentlyandtransactionbytransaction", "1/2/3/B/5/6|1/2/3/S/5/6" } });
        const QString keys
            = QStringLiteral("today_start_price PE PB totalvalue marketvalue valuelowest preprice "
                             "valuehighest amplituderate outdisk indisk ratio turnoverrate "
                             "transaction100count transactionvaluecount totalsub subupcount "
                             "subequalcount subdowncount mainvalue buy1 buy1count sell5 sell5count");
        for (const QString& key : keys.split(u' '))
            full.insert(key, QStringLiteral("1"));
        const std::pair<PanelKind, QString> runs[] = { { PanelKind::Stock, QStringLiteral("600000") },
            { PanelKind::Index, QStringLiteral("000001.idx") },
            { PanelKind::Index, quotepanel::ownIndexCode() } };
        for (const auto& [kind, code] : runs) {
            const PanelUpdate u = computeQuotePanel(kind, code, &full, &days, 3);
            const QStringList outlets = quotepanel::outletNames(kind);
            QVERIFY(u.writes.size() > 60);
            for (const quotepanel::FieldWrite& w : u.writes)
                QVERIFY2(outlets.contains(w.field), qPrintable(code + u' ' + w.field));
        }
    }

    // The limits follow the board: ChiNext and STAR ±20 %, every other
    // stock ±10 % (risk warnings too); a new listing's first days show none.
    void limitPrices_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("yprice");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("low");
        const QString bank = QStringLiteral("浦发银行");
        QTest::newRow("main board 10.00") << "600000" << bank << "10.00"
                                          << "11.00"
                                          << "9.00";
        QTest::newRow("main board 12.34") << "600000" << bank << "12.34"
                                          << "13.57"
                                          << "11.11";
        QTest::newRow("ChiNext 300") << "300750"
                                     << "宁德时代"
                                     << "12.34"
                                     << "14.81"
                                     << "9.87";
        QTest::newRow("ChiNext 301") << "301269"
                                     << "华大九天"
                                     << "10.00"
                                     << "12.00"
                                     << "8.00";
        QTest::newRow("ChiNext 302") << "302132"
                                     << "中航成飞"
                                     << "10.00"
                                     << "12.00"
                                     << "8.00";
        QTest::newRow("STAR 688") << "688981"
                                  << "中芯国际"
                                  << "12.34"
                                  << "14.81"
                                  << "9.87";
        QTest::newRow("STAR 689") << "689009"
                                  << "九号公司"
                                  << "10.00"
                                  << "12.00"
                                  << "8.00";
        QTest::newRow("ST") << "600225"
                            << "ST中源"
                            << "12.34"
                            << "13.57"
                            << "11.11";
        QTest::newRow("half a cent goes up") << "600000" << bank << "3.35"
                                             << "3.69"
                                             << "3.02";
        QTest::newRow("new listing") << "301600"
                                     << "N新股"
                                     << "25.00"
                                     << "--"
                                     << "--";
        QTest::newRow("name merely holding ST") << "600000"
                                                << "中ST"
                                                << "10.00"
                                                << "11.00"
                                                << "9.00";
        QTest::newRow("yprice no number") << "600000" << bank << "--"
                                          << "--"
                                          << "--";
    }
    void limitPrices()
    {
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(QString, yprice);
        QVariantMap r = stockRecord({ { "today_limith_price", "99" }, { "today_limitl_price", "1" } });
        r.insert(QStringLiteral("yprice"), yprice);
        r.insert(QStringLiteral("stockname"), name);
        r.insert(QStringLiteral("stockcode"), code);
        const PanelUpdate u = computeQuotePanel(PanelKind::Stock, code, &r, nullptr);
        QCOMPARE(text(u, "ypriceField"), yprice);
        QTEST(text(u, "today_limith_priceField"), "high");
        QTEST(text(u, "today_limitl_priceField"), "low");
    }

    // Every close from 0.01 to 2000.00: the limit is the nearest cent to
    // close × (1 ± rate), a half cent going up.
    void limitPrices_areTheNearestCentHalfUp()
    {
        for (qint64 cents = 1; cents <= 200000; ++cents) {
            const QString close = QString::asprintf("%lld.%02lld", cents / 100, cents % 100);
            for (const int percent : { 10, 20 }) {
                for (const int side : { 1, -1 }) {
                    const QString limit
                        = quotepanel::limitPrice(close, percent, side > 0).value_or(QString());
                    // In hundredths of a cent: twice the distance to the exact
                    // limit is at most a cent, and a tie lies below.
                    const qint64 exact = cents * (100 + side * percent);
                    const qint64 shown = qRound64(limit.toDouble() * 100) * 100;
                    QVERIFY2(2 * qAbs(shown - exact) < 100 || shown - exact == 50,
                        qPrintable(close + u' ' + limit));
                }
            }
        }
    }

    // Values a feed cannot mean show "--", as text and as formatted figure;
    // a real zero stays a zero.
    void figuresThatAreNoNumber_showDashes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::newRow("suspended price") << "cprice"
                                         << "--"
                                         << "priceTextField"
                                         << "--";
        QTest::newRow("huge price") << "cprice"
                                    << "1e308"
                                    << "priceTextField"
                                    << "--";
        QTest::newRow("nan PE") << "PE"
                                << "nan"
                                << "PEField"
                                << "--";
        QTest::newRow("inf rate") << "turnoverrate"
                                  << "inf"
                                  << "turnoverrateTextField"
                                  << "--";
        QTest::newRow("minus zero") << "amplituderate"
                                    << "-0"
                                    << "amplituderateTextField"
                                    << "0%";
        QTest::newRow("real zero") << "amplituderate"
                                   << "0.00"
                                   << "amplituderateTextField"
                                   << "0.00%";
        QTest::newRow("an index's P/B of none") << "PB"
                                                << "0.00"
                                                << "PBField"
                                                << "--";
        QTest::newRow("formatted suspended") << "transaction100count"
                                             << "--"
                                             << "transaction100countField"
                                             << "--";
        QTest::newRow("formatted zero") << "transaction100count"
                                        << "0"
                                        << "transaction100countField"
                                        << "0.00万手";
        QTest::newRow("beyond single precision")
            << "mainvalue" << QString(QStringLiteral("1") + QString(40, u'0')) << "mainvalueTextField"
            << "--";
        QTest::newRow("book volume") << "buy1count"
                                     << "--"
                                     << "buy1countTextField"
                                     << "--";
        QTest::newRow("book price") << "buy1"
                                    << "--"
                                    << "buy1TextField"
                                    << "--";
        // The feeds send 0.00 for a price there is none of.
        QTest::newRow("empty ask level") << "sell1"
                                         << "0.00"
                                         << "sell1TextField"
                                         << "--";
        QTest::newRow("open before the auction") << "today_start_price"
                                                 << "0.00"
                                                 << "today_start_priceTextField"
                                                 << "--";
        QTest::newRow("exponent form") << "PE"
                                       << "3.5e9"
                                       << "PEField"
                                       << "3.5e9";
        QTest::newRow("outflow that rounds to zero") << "mainvalue"
                                                     << "-0.00001"
                                                     << "mainvalueTextField"
                                                     << "0.0000亿";
    }
    void figuresThatAreNoNumber_showDashes()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        QVariantMap r = stockRecord({ { "buy1", "10.00" } });
        r.insert(key, value);
        const PanelUpdate u = stock(r);
        QCOMPARE(u.textOf(field).value_or(QString()), expected);
        // "--" and zero read as no change, whatever rule colours the field.
        if (expected == QStringLiteral("--") || expected.startsWith(QStringLiteral("0.0")))
            QCOMPARE(u.colorOf(field).value_or(Colors::black()), Colors::black());
    }

    // A volume without its outer and inner split (an index's 0 and 0) shows
    // no split; before the first trade 0 and 0 are real.
    void outerInner_zeroSplitOfAVolume()
    {
        const PanelUpdate traded = index(QStringLiteral("000001.idx"),
            stockRecord({ { "transaction100count", "350877857" }, { "outdisk", "0" }, { "indisk", "0" } }));
        for (const char* field :
            { "outdiskTextField", "indiskTextField", "outdisk1TextField", "indisk1TextField" })
            QCOMPARE(text(traded, field), QStringLiteral("--"));
        const PanelUpdate early
            = stock(stockRecord({ { "transaction100count", "0" }, { "outdisk", "0" }, { "indisk", "0" } }));
        QCOMPARE(text(early, "outdiskTextField"), QStringLiteral("0.00万"));
        QCOMPARE(text(early, "indisk1TextField"), QStringLiteral("0"));
    }

    // A day list that could not be had leaves no margin figure, not zeros.
    void margin_failedDayList_showsNoFigure()
    {
        const QVariantMap r = stockRecord();
        const PanelUpdate u = computeQuotePanel(
            PanelKind::Stock, QStringLiteral("600000"), &r, nullptr, quotepanel::kNoAlertLevel, true);
        for (const char* field : { "financingbalanceTextField", "marginbalanceTextField",
                 "shortsellingvolumeTextField", "securitieslendingrepaymentamountTextField" })
            QCOMPARE(text(u, field), QStringLiteral("--"));
    }

    void headerColour_data()
    {
        QTest::addColumn<QString>("valuerate");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("unchanged black") << "0.00" << Colors::black();
        QTest::newRow("fall green") << "-0.01" << Colors::green();
        QTest::newRow("rise red") << "0.01" << Colors::red();
    }
    void headerColour()
    {
        QFETCH(QString, valuerate);
        QFETCH(QColor, expected);
        QVariantMap r = stockRecord();
        r.insert(QStringLiteral("valuerate"), valuerate);
        const PanelUpdate u = stock(r);
        for (const char* f : { "nameTextField", "codeTextField", "priceTextField", "valuepriceTextField",
                 "valuerateTextField" })
            QCOMPARE(color(u, f), expected);
        QCOMPARE(text(u, "valuerateTextField"), valuerate + u'%');
        QCOMPARE(text(u, "codeTextField"), QStringLiteral("600000"));
        QCOMPARE(text(u, "nameTextField"), QStringLiteral("浦发银行"));
    }

    void scalings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::newRow("marketvalue in 万") << "marketvalue"
                                           << "500"
                                           << "marketvalueField"
                                           << "0.05亿";
        QTest::newRow("totalvalue unscaled") << "totalvalue"
                                             << "12.3"
                                             << "totalvalueField"
                                             << "12.30亿";
        QTest::newRow("outdisk scaled") << "outdisk"
                                        << "2500000"
                                        << "outdiskTextField"
                                        << "2.50万";
        QTest::newRow("outdisk as is in the book") << "outdisk"
                                                   << "2500000"
                                                   << "outdisk1TextField"
                                                   << "2500000";
        QTest::newRow("indisk scaled") << "indisk"
                                       << "1250000"
                                       << "indiskTextField"
                                       << "1.25万";
        QTest::newRow("volume") << "transaction100count"
                                << "250000"
                                << "transaction100countField"
                                << "25.00万手";
        QTest::newRow("amount") << "transactionvaluecount"
                                << "25000"
                                << "transactionvaluecountField"
                                << "2.50亿";
        QTest::newRow("turnover") << "turnoverrate"
                                  << "1.5"
                                  << "turnoverrateTextField"
                                  << "1.5%";
        QTest::newRow("amplitude") << "amplituderate"
                                   << "1.23"
                                   << "amplituderateTextField"
                                   << "1.23%";
        QTest::newRow("overflow shows no inf") << "totalvalue"
                                               << "1e50"
                                               << "totalvalueField"
                                               << "--";
    }
    void scalings()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, field);
        QVariantMap r = stockRecord();
        r.insert(key, value);
        QTEST(stock(r).textOf(field).value_or(QString()), "expected");
    }

    void missingValues_keepTheirFields()
    {
        // Nothing but the gate keys: every optional field is left alone.
        const PanelUpdate u = stock(dict({ { "valuerate", "0" }, { "valueprice", "0" } }));
        for (const char* f : { "nameTextField", "priceTextField", "ypriceField", "today_limith_priceField",
                 "today_start_priceTextField", "PEField", "totalvalueField", "valuelowestTextField",
                 "amplituderateTextField", "outdiskTextField", "mainvalueTextField", "bigbuyscoreTextField",
                 "buy1TextField", "buy1countTextField", "deal1TimeTextField" })
            QVERIFY2(!u.textOf(QString::fromLatin1(f)), f);
        // ...except those the rules always write.
        QCOMPARE(text(u, "codeTextField"), QStringLiteral("600000"));
        QCOMPARE(color(u, "ratioTextField"), Colors::green());
        QCOMPARE(text(u, "buysellvalueTextField"), QStringLiteral("0.00"));
        QCOMPARE(text(u, "financingbalanceTextField"), QStringLiteral("0元"));
    }

    void dayRange_colouredOnlyWhenComplete()
    {
        const PanelUpdate full = stock(stockRecord({ { "valuelowest", "9.5" }, { "preprice", "10.00" },
            { "valuehighest", "10.5" }, { "amplituderate", "10" }, { "today_start_price", "9.9" } }));
        QCOMPARE(color(full, "valuelowestTextField"), Colors::green());
        QCOMPARE(color(full, "prepriceTextField"), Colors::black());
        QCOMPARE(color(full, "valuehighestTextField"), Colors::red());
        QCOMPARE(color(full, "today_start_priceTextField"), Colors::green());

        const PanelUpdate partial
            = stock(stockRecord({ { "valuelowest", "9.5" }, { "valuehighest", "10.5" } }));
        QCOMPARE(text(partial, "valuelowestTextField"), QStringLiteral("9.5"));
        QVERIFY(!partial.colorOf(QStringLiteral("valuelowestTextField")));
        QVERIFY(!partial.colorOf(QStringLiteral("valuehighestTextField")));
    }

    void ratio_data()
    {
        QTest::addColumn<QVariant>("ratio");
        QTest::addColumn<QColor>("expected");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1.00 green") << QVariant(QStringLiteral("1.00")) << Colors::green() << "1.00";
        QTest::newRow("1.01 red") << QVariant(QStringLiteral("1.01")) << Colors::red() << "1.01";
        QTest::newRow("missing green, text kept") << QVariant() << Colors::green() << "<untouched>";
    }
    void ratio()
    {
        QFETCH(QVariant, ratio);
        QVariantMap r = stockRecord();
        if (ratio.isValid())
            r.insert(QStringLiteral("ratio"), ratio);
        const PanelUpdate u = stock(r);
        QTEST(color(u, "ratioTextField"), "expected");
        QTEST(text(u, "ratioTextField"), "shown");
    }

    void fundFlow_sumsFromNewestRow()
    {
        const QVariantList days {
            dict({ { "bigbuyscore", "25000" }, { "diskscore", "-5000" }, { "ratioscore", "0" } }),
            dict({ { "bigbuyscore", "99999" } })
        };
        const PanelUpdate u = stock(stockRecord({ { "mainvalue", "-1.5" } }), &days);
        QCOMPARE(text(u, "mainvalueTextField"), QStringLiteral("-1.5000亿"));
        QCOMPARE(color(u, "mainvalueTextField"), Colors::green());
        QCOMPARE(text(u, "bigbuyscoreTextField"), QStringLiteral("2.5000亿"));
        QCOMPARE(color(u, "bigbuyscoreTextField"), Colors::red());
        QCOMPARE(text(u, "diskscoreTextField"), QStringLiteral("-0.5000亿"));
        QCOMPARE(color(u, "diskscoreTextField"), Colors::green());
        QCOMPARE(text(u, "ratioscoreTextField"), QStringLiteral("0.0000亿"));
        QCOMPARE(color(u, "ratioscoreTextField"), Colors::black());
    }

    void fundFlow_withoutMainvalueOrDayList()
    {
        const QVariantList days { dict({ { "bigbuyscore", "25000" }, { "financingbalance", "100000000" } }) };
        const PanelUpdate noMain = stock(stockRecord(), &days);
        for (const char* f : { "mainvalueTextField", "bigbuyscoreTextField", "diskscoreTextField" })
            QVERIFY2(!noMain.touches(QString::fromLatin1(f)), f);
        // The margin block after it is still filled.
        QCOMPARE(text(noMain, "financingbalanceTextField"), QStringLiteral("1.0000亿元"));

        const PanelUpdate noDays = stock(stockRecord({ { "mainvalue", "2" } }));
        QCOMPARE(text(noDays, "mainvalueTextField"), QStringLiteral("2.0000亿"));
        QVERIFY(!noDays.touches(QStringLiteral("bigbuyscoreTextField")));

        // A row lacking one sum leaves that field alone and carries on.
        const QVariantList partial { dict({ { "diskscore", "10000" } }) };
        const PanelUpdate u = stock(stockRecord({ { "mainvalue", "2" }, { "buy1", "10.00" } }), &partial);
        QVERIFY(!u.touches(QStringLiteral("bigbuyscoreTextField")));
        QCOMPARE(text(u, "diskscoreTextField"), QStringLiteral("1.0000亿"));
        QCOMPARE(text(u, "buy1TextField"), QStringLiteral("10.00"));
    }

    void margin_data()
    {
        QTest::addColumn<QVariantList>("days");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        const QVariantMap second = dict({ { "financingbalance", "300000000" },
            { "financingthepurchaseamount", "0" }, { "shortsellingvolume", "1000000" } });
        QTest::newRow("balance scaled")
            << QVariantList { dict({ { "financingbalance", "2500000000" } }) } << "financingbalanceTextField"
            << "25.0000亿元";
        QTest::newRow("short volume scaled")
            << QVariantList { dict({ { "financingbalance", "1" }, { "shortsellingvolume", "2500000" } }) }
            << "shortsellingvolumeTextField"
            << "2.5000万手";
        QTest::newRow("exact 0 is the zero text")
            << QVariantList { dict({ { "financingbalance", "1" }, { "marginbalance", "0" } }) }
            << "marginbalanceTextField"
            << "0元";
        QTest::newRow("0.00 is a figure")
            << QVariantList { dict({ { "financingbalance", "1" }, { "marginbalance", "0.00" } }) }
            << "marginbalanceTextField"
            << "0.0000亿元";
        QTest::newRow("missing volume is the zero text")
            << QVariantList { dict({ { "financingbalance", "1" } }) }
            << "securitieslendingrepaymentamountTextField"
            << "0股";
        QTest::newRow("0 balance falls back to row 1")
            << QVariantList { dict({ { "financingbalance", "0" }, { "shortsellingvolume", "9000000" } }),
                   second }
            << "shortsellingvolumeTextField"
            << "1.0000万手";
        QTest::newRow("fallback takes all six from row 1")
            << QVariantList { dict({ { "financingbalance", "0" },
                                  { "financingthepurchaseamount", "100000000" } }),
                   second }
            << "financingthepurchaseamountTextField"
            << "0元";
        QTest::newRow("missing balance falls back too")
            << QVariantList { dict({ { "marginbalance", "100000000" } }), second }
            << "financingbalanceTextField"
            << "3.0000亿元";
        QTest::newRow("one row keeps its own 0")
            << QVariantList { dict({ { "financingbalance", "0" }, { "shortsellingvolume", "9000000" } }) }
            << "shortsellingvolumeTextField"
            << "9.0000万手";
        QTest::newRow("one row balance 0 text")
            << QVariantList { dict({ { "financingbalance", "0" } }) } << "financingbalanceTextField"
            << "0元";
    }
    void margin()
    {
        QFETCH(QVariantList, days);
        QFETCH(QString, field);
        QTEST(stock(stockRecord(), &days).textOf(field).value_or(QString()), "expected");
    }

    void margin_withoutDayList_showsZeroTexts()
    {
        const PanelUpdate u = stock(stockRecord());
        QCOMPARE(text(u, "financingbalanceTextField"), QStringLiteral("0元"));
        QCOMPARE(text(u, "marginbalanceTextField"), QStringLiteral("0元"));
        QCOMPARE(text(u, "shortsellingvolumeTextField"), QStringLiteral("0股"));
        QCOMPARE(text(u, "securitieslendingrepaymentamountTextField"), QStringLiteral("0股"));
    }

    void orderBook_imbalance_data()
    {
        QTest::addColumn<QStringList>("bids");
        QTest::addColumn<QStringList>("asks");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QColor>("valueColor");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QColor>("rateColor");
        const QStringList hundreds = sl({ "100", "100", "100", "100", "100" });
        QTest::newRow("bids outweigh") << sl({ "100", "200", "300", "400", "500" }) << hundreds << "1000.00"
                                       << Colors::red() << "50.00%" << Colors::red();
        QTest::newRow("asks outweigh") << hundreds << sl({ "100", "200", "300", "400", "500" }) << "-1000.00"
                                       << Colors::green() << "-50.00%" << Colors::green();
        QTest::newRow("balanced") << hundreds << hundreds << "0.00" << Colors::black() << "0.00%"
                                  << Colors::black();
        QTest::newRow("empty book has no rate")
            << QStringList {} << QStringList {} << "0.00" << Colors::black() << "--" << Colors::black();
        QTest::newRow("rate rounding to zero is black")
            << sl({ "100000", "0", "0", "0", "1" }) << sl({ "100000" }) << "1.00" << Colors::red() << "0.00%"
            << Colors::black();
        QTest::newRow("tiny fall rounds to an unsigned zero")
            << sl({ "100000" }) << sl({ "100000", "0", "0", "0", "1" }) << "-1.00" << Colors::green()
            << "0.00%" << Colors::black();
    }
    void orderBook_imbalance()
    {
        QFETCH(QStringList, bids);
        QFETCH(QStringList, asks);
        QVariantMap r = stockRecord();
        for (int i = 0; i < bids.size(); ++i)
            r.insert(QStringLiteral("buy%1count").arg(i + 1), bids[i]);
        for (int i = 0; i < asks.size(); ++i)
            r.insert(QStringLiteral("sell%1count").arg(i + 1), asks[i]);
        const PanelUpdate u = stock(r);
        QTEST(text(u, "buysellvalueTextField"), "value");
        QTEST(color(u, "buysellvalueTextField"), "valueColor");
        QTEST(text(u, "buysellrateTextField"), "rate");
        QTEST(color(u, "buysellrateTextField"), "rateColor");
    }

    void orderBook_levels()
    {
        const PanelUpdate u
            = stock(stockRecord({ { "buy1", "10.00" }, { "buy1count", "12" }, { "buy2", "9.99" },
                { "sell1", "10.02" }, { "sell1count", "7" }, { "outdisk", "1234" }, { "indisk", "567" } }));
        QCOMPARE(text(u, "buy1TextField"), QStringLiteral("10.00"));
        QCOMPARE(color(u, "buy1TextField"), Colors::black());
        QCOMPARE(text(u, "buy1countTextField"), QStringLiteral("12"));
        QCOMPARE(color(u, "buy2TextField"), Colors::green());
        QCOMPARE(color(u, "sell1TextField"), Colors::red());
        QCOMPARE(text(u, "sell1countTextField"), QStringLiteral("7"));
        QCOMPARE(text(u, "cprice1TextField"), QStringLiteral("10.01"));
        QCOMPARE(color(u, "cprice1TextField"), Colors::red());
        QCOMPARE(text(u, "outdisk1TextField"), QStringLiteral("1234"));
        QCOMPARE(text(u, "indisk1TextField"), QStringLiteral("567"));
        QVERIFY(!u.touches(QStringLiteral("buy3TextField")));

        // Without a previous close the prices are written but not coloured.
        QVariantMap r = stockRecord({ { "buy1", "10.00" } });
        r.remove(QStringLiteral("yprice"));
        const PanelUpdate noClose = stock(r);
        QCOMPARE(text(noClose, "buy1TextField"), QStringLiteral("10.00"));
        QVERIFY(!noClose.colorOf(QStringLiteral("buy1TextField")));
    }

    void deals_data()
    {
        QTest::addColumn<QString>("deals");
        QTest::addColumn<QStringList>("row1");
        QTest::addColumn<QStringList>("row2");
        QTest::addColumn<QStringList>("row3");
        const QStringList untouched = sl({ "<untouched>", "<untouched>", "<untouched>", "<untouched>" });
        QTest::newRow("two deals") << "14:59:51/10.01/25/B/250/58|14:59:48/9.99/10/S/99/57"
                                   << sl({ "14:59:51", "10.01", "25", "买" })
                                   << sl({ "14:59:48", "9.99", "10", "卖" }) << untouched;
        QTest::newRow("fiveParts_leaveRowUnchanged")
            << "14:59:51/10.01/25/B/250/58|14:59:50/10.00/5/M/50|14:59:48/10.00/10/M/99/57"
            << sl({ "14:59:51", "10.01", "25", "买" }) << untouched
            << sl({ "14:59:48", "10.00", "10", "中性" });
        QTest::newRow("unknown direction keeps the type")
            << "09:30:00/10.00/1/X/1/1" << sl({ "09:30:00", "10.00", "1", "<untouched>" }) << untouched
            << untouched;
        QTest::newRow("one item without bar")
            << "09:30:00/10.00/1/B/1/1" << sl({ "09:30:00", "10.00", "1", "买" }) << untouched << untouched;
        QTest::newRow("empty text") << "" << untouched << untouched << untouched;
        QTest::newRow("items past six ignored")
            << "1/1/1/B/1/1|2/2/2/B/2/2|3/3/3/B/3/3|4/4/4/B/4/4|5/5/5/B/5/5|6/6/6/B/6/6|7/7/7/S/7/7"
            << sl({ "1", "1", "1", "买" }) << sl({ "2", "2", "2", "买" }) << sl({ "3", "3", "3", "买" });
    }
    void deals()
    {
        QFETCH(QString, deals);
        QVariantMap r = stockRecord();
        r.insert(QStringLiteral("recentlyandtransactionbytransaction"), deals);
        QFETCH(QStringList, row1);
        QFETCH(QStringList, row2);
        QFETCH(QStringList, row3);
        const PanelUpdate u = stock(r);
        const QStringList expected[] = { row1, row2, row3 };
        for (int n = 1; n <= 3; ++n) {
            const QStringList got { u.textOf(QStringLiteral("deal%1TimeTextField").arg(n))
                                        .value_or(QStringLiteral("<untouched>")),
                u.textOf(QStringLiteral("deal%1PriceTextField").arg(n))
                    .value_or(QStringLiteral("<untouched>")),
                u.textOf(QStringLiteral("deal%1VolumetField").arg(n)).value_or(QStringLiteral("<untouched>")),
                u.textOf(QStringLiteral("deal%1TypeField").arg(n)).value_or(QStringLiteral("<untouched>")) };
            QCOMPARE(got, expected[n - 1]);
        }
    }

    void deals_colours()
    {
        const PanelUpdate u = stock(stockRecord({ { "recentlyandtransactionbytransaction",
            "14:59:51/10.01/25/B/250/58|14:59:48/9.99/10/S/99/57|"
            "14:59:40/10.00/3/M/1/1" } }));
        QCOMPARE(color(u, "deal1PriceTextField"), Colors::red());
        QCOMPARE(color(u, "deal1TypeField"), Colors::red());
        QCOMPARE(color(u, "deal2PriceTextField"), Colors::green());
        QCOMPARE(color(u, "deal2TypeField"), Colors::green());
        QCOMPARE(color(u, "deal3PriceTextField"), Colors::black());
        QCOMPARE(color(u, "deal3TypeField"), Colors::black());
        for (int n = 4; n <= 6; ++n)
            QVERIFY(!u.touches(QStringLiteral("deal%1TimeTextField").arg(n)));
    }

    // Index form.

    void index_layoutSwitches()
    {
        const QVariantMap r = stockRecord();
        const PanelUpdate other = index(QStringLiteral("000001.idx"), r, nullptr, 5);
        QVERIFY(other.hideEarthquakeBox);
        QVERIFY(!other.hideDealBox);
        QVERIFY(!other.touches(QStringLiteral("earthquakeRank")));

        const PanelUpdate own = index(quotepanel::ownIndexCode(), r, nullptr, 2);
        QVERIFY(own.hideDealBox);
        QVERIFY(!own.hideEarthquakeBox);
        QCOMPARE(text(own, "earthquakeRank"), QStringLiteral("2.0级"));
    }

    void index_alertLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("5 green") << 5 << "5.0级" << Colors::green();
        QTest::newRow("4 black") << 4 << "4.0级" << Colors::black();
        QTest::newRow("1 black") << 1 << "1.0级" << Colors::black();
        QTest::newRow("0 red") << 0 << "0.0级" << Colors::red();
        QTest::newRow("-2 red") << -2 << "-2.0级" << Colors::red();
        QTest::newRow("-9999 untouched") << -9999 << "<untouched>" << QColor();
    }
    void index_alertLevel()
    {
        QFETCH(int, level);
        const PanelUpdate u = index(quotepanel::ownIndexCode(), stockRecord(), nullptr, level);
        QTEST(text(u, "earthquakeRank"), "shown");
        QTEST(color(u, "earthquakeRank"), "expected");
    }

    void index_alertLevel_askedWithoutAGoodRecord()
    {
        QVariantMap r = stockRecord();
        r.remove(QStringLiteral("valuerate"));
        const PanelUpdate gated = index(quotepanel::ownIndexCode(), r, nullptr, 5);
        QVERIFY(!gated.passedGate);
        QCOMPARE(gated.writes.size(), 1);
        QCOMPARE(text(gated, "earthquakeRank"), QStringLiteral("5.0级"));

        const PanelUpdate none
            = computeQuotePanel(PanelKind::Index, quotepanel::ownIndexCode(), nullptr, nullptr, 0);
        QCOMPARE(text(none, "earthquakeRank"), QStringLiteral("0.0级"));
        QVERIFY(none.hideDealBox);
    }

    void index_amplitude_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("amplitude");
        QTest::addColumn<QString>("shown");
        QTest::newRow("own index fraction") << "888888.idx"
                                            << "0.0123"
                                            << "1.23%";
        QTest::newRow("other index percent") << "000001.idx"
                                             << "1.23"
                                             << "1.23%";
    }
    void index_amplitude()
    {
        QFETCH(QString, code);
        QFETCH(QString, amplitude);
        QVariantMap r = stockRecord();
        r.insert(QStringLiteral("amplituderate"), amplitude);
        QTEST(text(index(code, r), "amplituderateTextField"), "shown");
    }

    void index_volumeForms_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("399001.idx") << "399001.idx"
                                    << "1500000"
                                    << "2500000" << sl({ "150.00万手", "150万手", "250.00亿", "250亿" });
        QTest::newRow("888888.idx") << "888888.idx"
                                    << "3.46"
                                    << "5678.9" << sl({ "3.46亿手", "3亿手", "5678.90亿", "5679亿" });
    }
    void index_volumeForms()
    {
        QFETCH(QString, code);
        QFETCH(QString, volume);
        QFETCH(QString, amount);
        QVariantMap r = stockRecord();
        r.insert(QStringLiteral("transaction100count"), volume);
        r.insert(QStringLiteral("transactionvaluecount"), amount);
        const PanelUpdate u = index(code, r);
        const QStringList got { text(u, "transaction100countField"), text(u, "transaction100countField1"),
            text(u, "transactionvaluecountField"), text(u, "transactionvaluecountField1") };
        QTEST(got, "shown");
    }

    void index_fundFlowAndMembers()
    {
        const QVariantList days { dict({ { "rmb5inscore", "-12.5" }, { "rmb10inscore", "3" },
            { "rmb20inscore", "0" }, { "bigbuyscore", "1" } }) };
        const PanelUpdate u = index(QStringLiteral("000001.idx"),
            stockRecord({ { "mainvalue", "-3.25" }, { "totalsub", "50" }, { "subupcount", "31" },
                { "subequalcount", "4" }, { "subdowncount", "15" }, { "ratio", "2" },
                { "turnoverrate", "2" } }),
            &days);
        QCOMPARE(text(u, "rmb5inscore"), QStringLiteral("-12.5000亿"));
        QCOMPARE(color(u, "rmb5inscore"), Colors::green());
        QCOMPARE(text(u, "rmb10inscore"), QStringLiteral("3.0000亿"));
        QCOMPARE(color(u, "rmb10inscore"), Colors::red());
        QCOMPARE(color(u, "rmb20inscore"), Colors::black());
        QCOMPARE(text(u, "mainvalueTextField"), QStringLiteral("-3.2500亿"));
        QCOMPARE(text(u, "totalsubTextField"), QStringLiteral("50"));
        QCOMPARE(text(u, "subupcountField"), QStringLiteral("31"));
        QCOMPARE(text(u, "subequalcountTextField"), QStringLiteral("4"));
        QCOMPARE(text(u, "subdowncountField"), QStringLiteral("15"));
        // A 100-stock board has no counts of its own in the feed: the
        // exchange's 2800 are not shown as its members.
        const PanelUpdate board = index(QStringLiteral("399006.idx"),
            stockRecord({ { "totalsub", "2800" }, { "subupcount", "1500" }, { "subdowncount", "1300" } }));
        for (const char* f : { "totalsubTextField", "subupcountField", "subequalcountTextField" })
            QCOMPARE(text(board, f), QStringLiteral("--"));
        // Fields an index screen does not have are never written.
        for (const char* f :
            { "today_limith_priceField", "ratioTextField", "turnoverrateTextField", "bigbuyscoreTextField" })
            QVERIFY2(!u.touches(QString::fromLatin1(f)), f);
        QCOMPARE(text(u, "ypriceField"), QStringLiteral("10.00"));
    }

    void index_dealsWrittenForOwnIndex()
    {
        const PanelUpdate u = index(quotepanel::ownIndexCode(),
            stockRecord({ { "recentlyandtransactionbytransaction", "10:00:00/1/2/S/3/4" } }));
        QVERIFY(u.hideDealBox);
        QCOMPARE(text(u, "deal1TypeField"), QStringLiteral("卖"));
    }
};

QTEST_GUILESS_MAIN(TestQuotePanelFields)
#include "tst_QuotePanelFields.moc"
