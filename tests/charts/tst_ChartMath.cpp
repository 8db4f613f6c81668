// The charts' pure parts: indicator series against values worked out by
// hand from the definitions in docs/indicators.md, chart geometry, code
// mapping, the brief-quote cut, the minute files and the market-hours test.
#include "charts/ChartFeeds.h"
#include "charts/ChartGeometry.h"
#include "charts/ChartTiming.h"
#include "charts/Indicators.h"
#include "platform/TextCodec.h"

#include "TestSupport.h"

#include <QTest>
#include <QTimeZone>

#include <cmath>

using namespace charts;
using indicators::Bar;

Q_DECLARE_METATYPE(QVector<double>)

namespace {
Bar bar(float high, float low, float close, float open = 0)
{
    Bar b;
    b.high = high;
    b.low = low;
    b.close = close;
    b.open = open == 0 ? close : open;
    return b;
}

void compareSeries(const QVector<double>& actual, const QVector<double>& expected, double tolerance = 1e-4)
{
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        if (std::isnan(expected[i])) {
            QVERIFY2(std::isnan(actual[i]), qPrintable(QStringLiteral("bar %1 should have no value").arg(i)));
        } else {
            QVERIFY2(std::abs(actual[i] - expected[i]) < tolerance,
                qPrintable(
                    QStringLiteral("bar %1: %2 instead of %3").arg(i).arg(actual[i]).arg(expected[i])));
        }
    }
}

const double NaN = std::nan("");
} // namespace

class tst_ChartMath : public QObject {
    Q_OBJECT
    // The feed readers look up the configuration: its folder is the test's own.
    testsupport::IsolatedSettings m_settings;

private Q_SLOTS:
    void movingAverages_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<int>("n");
        QTest::addColumn<QVector<double>>("expected");
        QTest::newRow("MA3 of a rising series")
            << QVector<double> { 10, 11, 12, 13, 14 } << 3 << QVector<double> { NaN, NaN, 11, 12, 13 };
        QTest::newRow("period longer than the history")
            << QVector<double> { 10, 11 } << 5 << QVector<double> { NaN, NaN };
        QTest::newRow("period 0 yields nothing")
            << QVector<double> { 10, 11 } << 0 << QVector<double> { NaN, NaN };
        QTest::newRow("period 1 is the series")
            << QVector<double> { 10, 11 } << 1 << QVector<double> { 10, 11 };
    }
    void movingAverages()
    {
        QFETCH(QVector<double>, values);
        QFETCH(int, n);
        QFETCH(QVector<double>, expected);
        compareSeries(indicators::movingAverage(values, n), expected);
    }

    void ema_isSeededWithTheFirstValue()
    {
        // alpha = 2/(3+1) = 0.5: 10, 10.5, 11.25, 12.125, 13.0625
        compareSeries(indicators::ema({ 10, 11, 12, 13, 14 }, 3), { 10, 10.5, 11.25, 12.125, 13.0625 });
    }

    void boll_usesTheSampleDeviation()
    {
        // Windows {10,12,11} and {12,11,13}: squares 2, over n-1 = 2 -> sd 1.
        const auto s = indicators::boll({ 10, 12, 11, 13 }, 3, 2);
        compareSeries(s.mid, { NaN, NaN, 11, 12 });
        compareSeries(s.upper, { NaN, NaN, 13, 14 });
        compareSeries(s.lower, { NaN, NaN, 9, 10 });
    }

    void macd_standardParameters()
    {
        // EMA12 alpha 2/13, EMA26 alpha 2/27, DEA alpha 2/10, all seeded
        // with the first value: DIF1 = 2/13 - 2/27 = 28/351.
        const auto s = indicators::macd({ 10, 11, 12 });
        compareSeries(s.dif, { 0, 28.0 / 351, 0.221135 });
        compareSeries(s.dea, { 0, 5.6 / 351, 0.056990 });
        compareSeries(s.macd, { 0, 44.8 / 351, 0.328288 });
    }

    void kdj_smoothsFromFiftyOverASlidingWindow()
    {
        // RSV 50, 100, 50, 87.5 (the last window drops the first bar).
        const QVector<Bar> bars = { bar(10, 8, 9), bar(11, 9, 11), bar(12, 10, 10), bar(13, 11, 12.5) };
        const auto s = indicators::kdj(bars, 3);
        compareSeries(s.k, { 50, 66.6667, 61.1111, 69.9074 });
        compareSeries(s.d, { 50, 55.5556, 57.4074, 61.5741 });
        compareSeries(s.j, { 50, 88.8889, 68.5185, 86.5741 });
    }

    void kdj_flatRangeReadsNeutral()
    {
        const auto s = indicators::kdj({ bar(10, 10, 10), bar(10, 10, 10) }, 9);
        compareSeries(s.k, { 50, 50 });
        compareSeries(s.j, { 50, 50 });
    }

    void sar_followsTheTrendAndReverses()
    {
        // n = 2: starts up at bar 1 from the 2-bar low 9 with EP 11; the
        // step grows with new highs; bar 4 breaks below and the stop jumps
        // to the 2-bar high 12.5, held there by the two bars before.
        const QVector<Bar> bars = { bar(10, 9, 9.5), bar(11, 10, 10.8), bar(12, 11, 11.8),
            bar(12.5, 11.5, 12), bar(11, 9.0, 9.2), bar(10, 8.5, 8.8), bar(9.5, 8, 8.2) };
        compareSeries(indicators::sar(bars, 2), { NaN, 9, 9, 9.12, 12.5, 12.5, 12.34 });
    }

    void sar_historyShorterThanThePeriod()
    {
        compareSeries(indicators::sar({ bar(10, 9, 9.5) }, 4), { NaN });
        QVERIFY(indicators::sar({}, 4).isEmpty());
    }

    void startIndex_data()
    {
        QTest::addColumn<long>("rows");
        QTest::addColumn<double>("width");
        QTest::addColumn<long>("expected");
        QTest::newRow("480 rows in 700 points") << 480L << 700.0 << 382L;
        QTest::newRow("50 rows never go negative") << 50L << 700.0 << 0L;
        QTest::newRow("truncates toward zero") << 100L << 703.0 << 1L; // 100 - 100.43 + 2
        QTest::newRow("no rows") << 0L << 700.0 << 0L;
    }
    void startIndex()
    {
        QFETCH(long, rows);
        QFETCH(double, width);
        QFETCH(long, expected);
        QCOMPARE(geometry::startIndexFor(rows, width, 7), expected);
    }

    void visibleRange_keepsTheNewestBarsOnScreen()
    {
        // 382 with room for 100 would leave blank space: it starts at 380.
        auto r = geometry::visibleRange(480, 382, 100);
        QCOMPARE(r.first, 380L);
        QCOMPARE(r.count, 100L);
        r = geometry::visibleRange(480, 382, 92);
        QCOMPARE(r.first, 382L);
        QCOMPARE(r.count, 92L);
        r = geometry::visibleRange(480, 100, 92);
        QCOMPARE(r.first, 100L);
        r = geometry::visibleRange(50, 0, 92);
        QCOMPARE(r.first, 0L);
        QCOMPARE(r.count, 50L);
        r = geometry::visibleRange(50, -5, 92);
        QCOMPARE(r.first, 0L);
        QCOMPARE(geometry::visibleRange(0, 0, 92).count, 0L);
    }

    void candleShape_mapsOpenCloseHighLow()
    {
        const auto scale = geometry::priceScale(9, 12, QRectF(0, 0, 100, 300), 0);
        QCOMPARE(scale.y(12), 0.0);
        QCOMPARE(scale.y(9), 300.0);
        Bar rise = bar(11.5, 9.5, 11, 10);
        const auto c = geometry::candleShape(rise, scale, 50, 10);
        QCOMPARE(c.direction, 1);
        QCOMPARE(c.body.top(), 100.0); // close 11
        QCOMPARE(c.body.bottom(), 200.0); // open 10
        QCOMPARE(c.highY, 50.0);
        QCOMPARE(c.lowY, 250.0);
        QCOMPARE(c.body.center().x(), 50.0);
        Bar flat = bar(11, 10, 10.5, 10.5);
        const auto f = geometry::candleShape(flat, scale, 50, 10);
        QCOMPARE(f.direction, 0);
        QVERIFY(f.body.height() >= 1);
    }

    void barAtX_findsTheBarUnderTheMouse()
    {
        const QRectF plot(50, 0, 700, 300);
        const geometry::VisibleRange range { 100, 50 };
        QCOMPARE(geometry::barAtX(plot, 50, 7, range), 100L);
        QCOMPARE(geometry::barAtX(plot, 50 + 7 * 3 + 1, 7, range), 103L);
        QCOMPARE(geometry::barAtX(plot, 740, 7, range), 149L); // past the last bar: the last bar
        QCOMPARE(geometry::barAtX(plot, 10, 7, range), -1L);
    }

    void codeRoutes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("quote");
        QTest::addColumn<bool>("backend");
        QTest::newRow("Shanghai stock") << u"600000"_qs << u"0600000"_qs << u"sh600000"_qs << false;
        QTest::newRow("Shenzhen stock") << u"000001"_qs << u"1000001"_qs << u"sz000001"_qs << false;
        QTest::newRow("just below 600000") << u"599999"_qs << u"1599999"_qs << u"sz599999"_qs << false;
        QTest::newRow("Shanghai composite") << u"000001.idx"_qs << u"0000001"_qs << u"sh000001"_qs << false;
        QTest::newRow("Shenzhen index") << u"399001.idx"_qs << u"1399001"_qs << u"sz399001"_qs << false;
        QTest::newRow("own index") << u"888888.idx"_qs << QString() << QString() << true;
        QTest::newRow("seven characters") << u"6000001"_qs << QString() << QString() << false;
        QTest::newRow("other index") << u"000300.idx"_qs << QString() << QString() << false;
        QTest::newRow("not digits") << u"60/../"_qs << QString() << QString() << false;
        QTest::newRow("empty") << QString() << QString() << QString() << false;
    }
    void codeRoutes()
    {
        QFETCH(QString, code);
        QFETCH(QString, history);
        QFETCH(QString, quote);
        QFETCH(bool, backend);
        const CodeRoute r = routeForCode(code);
        QCOMPARE(r.historyCode, history);
        QCOMPARE(r.quoteCode, quote);
        QCOMPARE(r.backendIndex, backend);
    }

    void urls_followTheFeedPaths()
    {
        QCOMPARE(klineYearUrl(KLinePeriod::Week, 2024, u"0600000"_qs).path(),
            u"/data/hs/kline/week/history/2024/0600000.json"_qs);
        QCOMPARE(klineYearUrl(KLinePeriod::Month, 2005, u"1000001"_qs).path(),
            u"/data/hs/kline/month/history/2005/1000001.json"_qs);
        QCOMPARE(briefQuoteUrl(u"sz399001"_qs).path(), u"/q=s_sz399001"_qs);
        QCOMPARE(minuteTodayUrl(u"0600000"_qs).path(), u"/data/hs/time/today/0600000.json"_qs);
        QCOMPARE(minuteFourDaysUrl(u"0600000"_qs).path(), u"/data/hs/time/4days/0600000.json"_qs);
    }

    void briefQuoteCut_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QString>("price");
        QTest::newRow("full line")
            << u"v_s_sh600000=\"1~浦发银行~600000~10.32~0.12~1.18~512345~52720~~3029.13~GP-A~\";\n"_qs << true
            << 12 << u"10.32"_qs;
        QTest::newRow("three fields: no price")
            << u"v_s_sh600000=\"1~浦发银行~600000\";"_qs << true << 3 << QString();
        QTest::newRow("exactly four") << u"v=\"a~b~c~9.5\";"_qs << true << 4 << u"9.5"_qs;
        QTest::newRow("unknown code") << u"v_pv_none_match=\"1\";"_qs << true << 1 << QString();
        QTest::newRow("no equals sign") << u"nothing here"_qs << false << 0 << QString();
        QTest::newRow("equals first") << u"=\"1~2~3~4\""_qs << false << 0 << QString();
        QTest::newRow("empty value") << u"v_x=\"\";"_qs << false << 0 << QString();
        QTest::newRow("no closing quote") << u"v_x=\"1~2~3~4"_qs << false << 0 << QString();
        QTest::newRow("ends at the equals sign") << u"v_x="_qs << false << 0 << QString();
        QTest::newRow("one character after it") << u"v_x=\""_qs << false << 0 << QString();
        QTest::newRow("empty body") << QString() << false << 0 << QString();
    }
    void briefQuoteCut()
    {
        QFETCH(QString, body);
        QFETCH(bool, found);
        QFETCH(int, fields);
        QFETCH(QString, price);
        const auto cut = cutBriefQuote(body);
        QCOMPARE(cut.has_value(), found);
        if (!cut)
            return;
        QCOMPARE(cut->size(), fields);
        QCOMPARE(lastPriceOf(*cut).value_or(QString()), price);
    }

    void briefQuoteFixture_decodesGB18030()
    {
        const auto text
            = platform::decodeGB18030(testsupport::readFixture(u"charts/brief_quote_600000.txt"_qs));
        QVERIFY(text);
        const auto cut = cutBriefQuote(*text);
        QVERIFY(cut);
        QCOMPARE(cut->at(1), u"浦发银行"_qs);
        QCOMPARE(*lastPriceOf(*cut), u"10.32"_qs);
    }

    void minuteSlots_data()
    {
        QTest::addColumn<QString>("hhmm");
        QTest::addColumn<int>("slot");
        QTest::newRow("open") << u"0930"_qs << 0;
        QTest::newRow("second minute") << u"0931"_qs << 1;
        QTest::newRow("morning close") << u"1130"_qs << 120;
        QTest::newRow("afternoon open") << u"1300"_qs << 121;
        QTest::newRow("afternoon first minute") << u"1301"_qs << 122;
        QTest::newRow("close") << u"1500"_qs << 241;
        QTest::newRow("auction before the open") << u"0925"_qs << 0;
        QTest::newRow("not a time") << u"93a0"_qs << -1;
        QTest::newRow("short") << u"930"_qs << -1;
    }
    void minuteSlots()
    {
        QFETCH(QString, hhmm);
        QFETCH(int, slot);
        QCOMPARE(minuteSlot(hhmm), slot);
    }

    void minuteToday_skipsRowsItCannotPlace()
    {
        const auto day = parseMinuteToday(testsupport::readFixture(u"charts/minute_today_600000.json"_qs));
        QVERIFY(day);
        QCOMPARE(day->date, u"20250312"_qs);
        QCOMPARE(day->yestclose, 10.2f);
        QCOMPARE(day->points.size(), 7); // "bad" and the short row dropped
        QCOMPARE(day->points.last().slot, 241);
        QCOMPARE(day->points.at(1).average, 10.236f);
        QCOMPARE(day->points.at(0).volume, 1523400.0f);
        QVERIFY(!parseMinuteToday("<html>404</html>"));
    }

    void minuteToday_valuesAFeedCannotMean()
    {
        const auto day = parseMinuteToday(R"({"date": "20250312", "yestclose": "--", "data": [
            ["0930", "10.00", "10.00", "1000"], ["0931", "--", "--", "--"], ["0932", "1e39", "10.0", "5"],
            ["0933", "10.10", "--", "1e40"], ["0934", "10.10", "0", "0"], ["0935", "0", "0", "0"]]})");
        QVERIFY(day);
        QCOMPARE(day->yestclose, 0.0f); // none: the chart shows no change
        QCOMPARE(day->points.size(), 3); // minutes without a price have nothing to draw
        QCOMPARE(day->points.at(1).hhmm, u"0933"_qs);
        QVERIFY(std::isnan(day->points.at(1).average));
        QVERIFY(std::isnan(day->points.at(1).volume));
        QVERIFY(std::isnan(day->points.at(2).average)); // no trade happens at 0
        QCOMPARE(day->points.at(2).volume, 0.0f);
    }

    void minuteFourDays_areChronological()
    {
        const auto days
            = parseMinuteFourDays(testsupport::readFixture(u"charts/minute_4days_600000.json"_qs));
        QVERIFY(days);
        QCOMPARE(days->size(), 4);
        QCOMPARE(days->first().date, u"20250306"_qs);
        QCOMPARE(days->last().date, u"20250311"_qs);
        QCOMPARE(days->last().yestclose, 10.15f);
        QCOMPARE(days->last().points.size(), 2);
    }

    void klineYear_parsesOnlyAnObjectWithData()
    {
        const auto rows = parseKLineYear(
            R"({"symbol":"600000","data":[["20250102",10.1,10.2,10.3,10.0,12345,0.99]]})", KLinePeriod::Day);
        QVERIFY(rows);
        QCOMPARE(rows->size(), 1);
        QCOMPARE(rows->first().toList().at(2).toString(), u"10.2"_qs);
        QVERIFY(!parseKLineYear("Injected failure\n", KLinePeriod::Day));
        QVERIFY(!parseKLineYear(R"({"data": 5})", KLinePeriod::Day));
        QVERIFY(!parseKLineYear(R"([1,2])", KLinePeriod::Day));

        // More bars than a year of the period holds is no year file: it would
        // be kept as rows of texts, twenty years of it.
        const auto year = [](int bars) {
            QByteArray body = R"({"data":[)";
            for (int i = 0; i < bars; ++i)
                body += (i ? "," : "") + QByteArray(R"(["20250102",10.1,10.2,10.3,10.0,12345,0.99])");
            body += "]}";
            return body;
        };
        QCOMPARE(parseKLineYear(year(12), KLinePeriod::Month)->size(), 12);
        QVERIFY(!parseKLineYear(year(13), KLinePeriod::Month));
        QVERIFY(parseKLineYear(year(54), KLinePeriod::Week));
        QVERIFY(!parseKLineYear(year(55), KLinePeriod::Week));
        QVERIFY(parseKLineYear(year(366), KLinePeriod::Day));
        QVERIFY(!parseKLineYear(year(25000), KLinePeriod::Day));
    }

    void marketHours_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<bool>("open");
        // Wednesday 2025-03-12 in UTC: Shanghai is UTC+8 whatever this machine says.
        auto utc = [](int h, int m, int s = 0, int day = 12) {
            return QDateTime(QDate(2025, 3, day), QTime(h, m, s), Qt::UTC);
        };
        QTest::newRow("09:29:59 before the open") << utc(1, 29, 59) << false;
        QTest::newRow("09:30 open") << utc(1, 30) << true;
        QTest::newRow("11:29:59 still open") << utc(3, 29, 59) << true;
        QTest::newRow("11:30 lunch") << utc(3, 30) << false;
        QTest::newRow("12:59 lunch") << utc(4, 59) << false;
        QTest::newRow("13:00 afternoon") << utc(5, 0) << true;
        QTest::newRow("14:59:59 afternoon") << utc(6, 59, 59) << true;
        QTest::newRow("15:00 closed") << utc(7, 0) << false;
        QTest::newRow("15:30 closed") << utc(7, 30) << false;
        QTest::newRow("Saturday 10:00") << utc(2, 0, 0, 15) << false;
        QTest::newRow("Sunday 10:00") << utc(2, 0, 0, 16) << false;
        QTest::newRow("Monday 09:45 seen from New York")
            << QDateTime(QDate(2025, 3, 16), QTime(21, 45), QTimeZone(QByteArrayLiteral("America/New_York")))
            << true;
    }
    void marketHours()
    {
        QFETCH(QDateTime, instant);
        QFETCH(bool, open);
        QCOMPARE(isMarketHours(instant), open);
    }

    void marketStatus_data()
    {
        QTest::addColumn<QVariantMap>("dict");
        QTest::addColumn<bool>("open");
        QTest::newRow("absent") << QVariantMap() << false;
        QTest::newRow("交易中") << QVariantMap { { u"marketstatus"_qs, u"交易中"_qs } } << true;
        QTest::newRow("休市") << QVariantMap { { u"marketstatus"_qs, u"休市"_qs } } << false;
        QTest::newRow("未开盘") << QVariantMap { { u"marketstatus"_qs, u"未开盘"_qs } } << false;
        QTest::newRow("已收盘") << QVariantMap { { u"marketstatus"_qs, u"已收盘"_qs } } << false;
    }
    void marketStatus()
    {
        QFETCH(QVariantMap, dict);
        QFETCH(bool, open);
        QCOMPARE(marketStatusReadsOpen(dict), open);
    }
};

QTEST_GUILESS_MAIN(tst_ChartMath)
#include "tst_ChartMath.moc"
