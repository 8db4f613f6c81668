// The chart widgets: what they draw, the crosshair overlay, zoom and scroll,
// the indicator menu and period dialogs, the double click and the
// time-share charts against the stand-in server.
#include "charts/CandleView.h"
#include "charts/ChartLook.h"
#include "charts/ChartTiming.h"
#include "charts/DayKLineView.h"
#include "charts/MonthKLineView.h"
#include "charts/PeriodDialog.h"
#include "charts/TimeShareView.h"
#include "charts/WeekKLineView.h"
#include "charts/YearFileCache.h"
#include "charts/timeLineView.h"
#include "charts/timeline4DayView.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/ViewController.h"
#include "standin/StandInServer.h"

#include "ChartsTestEnv.h"
#include "DrawnText.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <memory>

namespace {

// A stock of 120 bars that rises, falls and rises again.
QVariantList sampleRows(int count)
{
    QVariantList rows;
    double close = 10;
    const QDate start(2024, 1, 2);
    for (int i = 0; i < count; ++i) {
        const double open = close;
        const double drift = (i % 40 < 20 ? 0.12 : -0.1) + ((i * 7) % 5 - 2) * 0.05;
        close = std::max(1.0, open + drift);
        const double high = std::max(open, close) + 0.08 + (i % 3) * 0.03;
        const double low = std::min(open, close) - 0.07 - (i % 4) * 0.02;
        auto text = [](double v) { return QString::number(v, 'f', 2); };
        rows << QVariant(QVariantList { start.addDays(i).toString(QStringLiteral("yyyyMMdd")), text(open),
            text(close), text(high), text(low), QString::number(10000 + (i * 3779) % 9000),
            text((close - open) / open * 100) });
    }
    return rows;
}

// A one-day minute chart given its minutes instead of loading them.
class GivenMinutes : public TimeShareView {
public:
    explicit GivenMinutes(QVector<charts::MinutePoint> points)
        : TimeShareView(QRect(0, 0, 600, 300), {}, nullptr, {})
    {
        setDays({ charts::MinuteDay { u"20250312"_qs, 10.0f, std::move(points) } });
    }

protected:
    void RefreshData() override { }
    int dayColumns() const override { return 1; }
};

class RecordingDialog : public PeriodDialog {
public:
    static inline RecordingDialog* last = nullptr;
    RecordingDialog() { last = this; }
    ~RecordingDialog() override
    {
        if (last == this)
            last = nullptr;
    }
};

} // namespace

class tst_ChartViews : public QObject {
    Q_OBJECT

    ChartsTestEnv m_env;
    QList<QVariantMap> m_events;

    void setNow(const QDateTime& now) { m_env.setNow(now); }

    QStringList requests(const QString& part) const { return m_env.requests(part); }

    std::function<void(const QVariantMap&)> recorder()
    {
        return [this](const QVariantMap& e) { m_events << e; };
    }

    // A chart with rows already in, as a loader leaves it.
    std::unique_ptr<CandleView> staticChart(int rows, QSize size = QSize(900, 420))
    {
        auto chart = std::make_unique<CandleView>(QRect(QPoint(), size),
            QVariantMap { { QStringLiteral("stockcode"), QStringLiteral("7777777") } }, m_env.father.get(),
            recorder());
        chart->iDataArray = sampleRows(rows);
        chart->iWPintCount = rows;
        chart->startIdx = charts::geometry::startIndexFor(rows, size.width(), chart->wLineSpace);
        chart->InitBackImage();
        return chart;
    }

    void setSetting(const QString& key, const QString& value)
    {
        platform::UserDefaults::standardUserDefaults()->setObject(value, key);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env.start();
        platform::ControllerRegistry::registerClass<RecordingDialog>(QStringLiteral("setKDJViewController"));
        platform::ControllerRegistry::registerClass<RecordingDialog>(QStringLiteral("setBOLLViewController"));
        platform::ControllerRegistry::registerClass<RecordingDialog>(QStringLiteral("setSARViewController"));
    }

    void init()
    {
        ChartsTestEnv::shortenTiming();
        setNow(shanghai(2025, 3, 12, 20, 0));
        for (const QString& key : { QStringLiteral("typeTopIdx"), QStringLiteral("typeBottomIdx"),
                 QStringLiteral("BOLLPeriod"), QStringLiteral("SARPeriod"), QStringLiteral("kdjPeriod") })
            platform::UserDefaults::standardUserDefaults()->removeObjectForKey(key);
        m_events.clear();
        m_env.standIn->server().clearRequestLog();
    }

    void cleanup() { charts::setClock({}); }

    void cleanupTestCase() { m_env.stop(); }

    void candleView_initialState()
    {
        setNow(shanghai(2025, 3, 12, 9, 41));
        CandleView chart(QRect(0, 0, 700, 400), { { QStringLiteral("stockcode"), QStringLiteral("600000") } },
            m_env.father.get(), recorder());
        QCOMPARE(chart.curtime, QStringLiteral("2025/03/12 09:41:00"));
        QCOMPARE(chart.wLineSpace, 7.0);
        QCOMPARE(chart.startIdx, 0L);
        QVERIFY(!chart.isSelfHiden());
        QCOMPARE(chart.geometry(), QRect(0, 0, 700, 400));
        QVERIFY(chart.isMarktOn());
        chart.UpdateMarktStatus(QStringLiteral("已收盘"));
        QCOMPARE(chart.selfDict.value(QStringLiteral("marketstatus")).toString(), QStringLiteral("已收盘"));
    }

    void settings_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<QString>("boll");
        QTest::addColumn<QString>("kdj");
        QTest::addColumn<int>("expectedTop");
        QTest::addColumn<int>("expectedBottom");
        QTest::addColumn<int>("expectedBoll");
        QTest::addColumn<int>("expectedKdj");
        QTest::newRow("nothing stored: defaults")
            << QString() << QString() << QString() << QString() << 0 << 0 << 10 << 9;
        QTest::newRow("BOLL over KDJ") << u"1"_qs << u"2"_qs << u"20"_qs << u"14"_qs << 1 << 2 << 20 << 14;
        QTest::newRow("SAR over MACD") << u"2"_qs << u"1"_qs << QString() << QString() << 2 << 1 << 10 << 9;
        QTest::newRow("unknown panes fall back")
            << u"7"_qs << u"-1"_qs << QString() << QString() << 0 << 0 << 10 << 9;
        QTest::newRow("unusable periods fall back")
            << QString() << QString() << u"1"_qs << u"0"_qs << 0 << 0 << 10 << 9;
    }
    void settings()
    {
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(QString, boll);
        QFETCH(QString, kdj);
        QFETCH(int, expectedTop);
        QFETCH(int, expectedBottom);
        QFETCH(int, expectedBoll);
        QFETCH(int, expectedKdj);
        auto chart = staticChart(120);
        if (!top.isNull())
            setSetting(QStringLiteral("typeTopIdx"), top);
        if (!bottom.isNull())
            setSetting(QStringLiteral("typeBottomIdx"), bottom);
        if (!boll.isNull())
            setSetting(QStringLiteral("BOLLPeriod"), boll);
        if (!kdj.isNull())
            setSetting(QStringLiteral("kdjPeriod"), kdj);
        chart->InitBackImage(); // settings are read again here
        QCOMPARE(chart->typeTopIdx(), expectedTop);
        QCOMPARE(chart->typeBottomIdx(), expectedBottom);
        QCOMPARE(chart->bollPeriod(), expectedBoll);
        QCOMPARE(chart->kdjPeriod(), expectedKdj);
    }

    void rowsOfOtherLengths_areSkipped()
    {
        auto chart = staticChart(30);
        QVariantList rows = chart->iDataArray;
        rows.insert(3, QVariant(QVariantList { u"20240105"_qs, u"1"_qs }));
        rows.insert(5, QVariant(QStringLiteral("not a row")));
        rows.append(QVariant(
            QVariantList { u"x"_qs, u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs, u"7"_qs }));
        chart->iDataArray = rows;
        chart->InitBackImage();
        QCOMPARE(chart->bars().size(), 30);
    }

    // A volume takes the unit its rounded figure reads in, never "10000手"
    // or "10000.00万".
    void volumes_readInTheUnitTheyRoundTo_data()
    {
        QTest::addColumn<double>("lots");
        QTest::addColumn<QString>("shown");
        QTest::newRow("under 1万") << 9999.0 << u"9999"_qs;
        QTest::newRow("rounds up to 1万") << 9999.6 << u"1.00万"_qs;
        QTest::newRow("rounds up to 1亿") << 99999990.0 << u"1.00亿"_qs;
    }
    void volumes_readInTheUnitTheyRoundTo()
    {
        QFETCH(double, lots);
        QFETCH(QString, shown);
        auto chart = staticChart(1);
        chart->iDataArray = { QVariant(QVariantList { u"20250312"_qs, 10.0, 10.0, 10.0, 10.0, lots, 0.0 }) };
        chart->InitBackImage();
        QVERIFY2(chart->bottomLegend(0).startsWith(u"VOL:"_qs + shown + u"  "_qs),
            qPrintable(chart->bottomLegend(0)));
        const GivenMinutes minutes({ { 0, u"0930"_qs, 10.0f, 10.0f, float(lots * 100) } });
        QVERIFY2(minutes.legend(0, 0).endsWith(u"成交量 "_qs + shown + u"手"_qs),
            qPrintable(minutes.legend(0, 0)));
    }

    // A minute whose price did not move draws its volume in the flat colour.
    void minuteVolume_withoutChange_isFlat()
    {
        GivenMinutes minutes(
            { { 0, u"0930"_qs, 10.0f, 10.0f, 5000 }, { 1, u"0931"_qs, 10.0f, 10.0f, 5000 } });
        const QRectF pane = minutes.volumePane();
        const double column = pane.width() / charts::kMinuteSlots;
        for (int slot : { 0, 1 }) {
            const QPoint at(int(pane.left() + (slot + 0.5) * column), int(pane.bottom()) - 2);
            QCOMPARE(minutes.backImage().pixelColor(at), charts::flatColor());
        }
    }

    // The bar's box colours its change as it reads: a fall shown as 0.00%
    // is no fall.
    void crosshairBox_changeShownAsZero_isFlat()
    {
        auto chart = staticChart(1);
        chart->iDataArray
            = { QVariant(QVariantList { u"20250312"_qs, 10.0, 10.0, 10.0, 10.0, 100.0, -0.001 }) };
        chart->InitBackImage();
        chart->show();
        chart->setCrosshair(QPointF(chart->pricePane().left() + 1, chart->pricePane().center().y()));
        QVERIFY(chart->crosshairBar());
        int changes = 0;
        for (const testsupport::DrawnText& run : testsupport::drawnTexts(chart.get())) {
            if (run.text.trimmed() == u"0.00%"_qs) {
                ++changes;
                QCOMPARE(run.color, charts::flatColor());
            }
        }
        QCOMPARE(changes, 1);
    }

    void crosshair_repaintsWithoutRecomputing()
    {
        auto chart = staticChart(400);
        chart->show();
        const int runs = chart->indicatorRuns();
        const auto range = chart->visibleRange();
        QCOMPARE(range.first + range.count, 400L); // the newest bar is on screen
        const QRectF pane = chart->pricePane();
        for (int x = 10; x < 880; x += 37)
            QTest::mouseMove(chart.get(), QPoint(x, int(pane.center().y())));
        QCOMPARE(chart->indicatorRuns(), runs);
        chart->setCrosshair(QPointF(pane.left() + 3 * chart->wLineSpace + 1, pane.center().y()));
        QCOMPARE(chart->crosshairBar().value_or(-1), range.first + 3);
        chart->setCrosshair(std::nullopt);
        QVERIFY(!chart->crosshairBar());
    }

    void zoomAndScroll_keepTheRangeValid()
    {
        auto chart = staticChart(400);
        chart->show();
        const int runs = chart->indicatorRuns();
        const double space = chart->wLineSpace;
        QTest::keyClick(chart.get(), Qt::Key_Up);
        QVERIFY(chart->wLineSpace > space);
        auto r = chart->visibleRange();
        QCOMPARE(r.first + r.count, 400L); // zoom keeps the newest bar in place
        QTest::keyClick(chart.get(), Qt::Key_Left);
        QCOMPARE(chart->visibleRange().first, r.first - 1);
        QTest::keyClick(chart.get(), Qt::Key_Home);
        QCOMPARE(chart->visibleRange().first, 0L);
        QTest::keyClick(chart.get(), Qt::Key_Left);
        QCOMPARE(chart->startIdx, 0L); // never before the first bar
        QTest::keyClick(chart.get(), Qt::Key_End);
        r = chart->visibleRange();
        QCOMPARE(r.first + r.count, 400L);
        QTest::keyClick(chart.get(), Qt::Key_Right);
        QCOMPARE(chart->visibleRange().first, r.first); // never past the newest
        for (int i = 0; i < 40; ++i)
            chart->zoomOut();
        QCOMPARE(chart->wLineSpace, 2.0);
        for (int i = 0; i < 40; ++i)
            chart->zoomIn();
        QCOMPARE(chart->wLineSpace, 40.0);
        QCOMPARE(chart->indicatorRuns(), runs); // moving the view reuses the series
    }

    void menu_choosesIndicators_data()
    {
        QTest::addColumn<QStringList>("choice");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("BOLL on top") << QStringList { u"主图指标"_qs, u"布林线 BOLL"_qs } << u"typeTopIdx"_qs
                                     << u"1"_qs;
        QTest::newRow("SAR on top") << QStringList { u"主图指标"_qs, u"抛物线 SAR"_qs } << u"typeTopIdx"_qs
                                    << u"2"_qs;
        QTest::newRow("MACD below") << QStringList { u"副图指标"_qs, u"MACD"_qs } << u"typeBottomIdx"_qs
                                    << u"1"_qs;
        QTest::newRow("KDJ below") << QStringList { u"副图指标"_qs, u"KDJ"_qs } << u"typeBottomIdx"_qs
                                   << u"2"_qs;
    }
    void menu_choosesIndicators()
    {
        QFETCH(QStringList, choice);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        auto chart = staticChart(120);
        testsupport::MenuRecorder menus;
        menus.choice = choice;
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50), QPoint(50, 50));
        QApplication::sendEvent(chart.get(), &event);
        QCOMPARE(menus.shown.size(), 1);
        QCOMPARE(platform::UserDefaults::standardUserDefaults()->stringForKey(key), stored);
        const int expected = stored.toInt();
        QCOMPARE(key == u"typeTopIdx"_qs ? chart->typeTopIdx() : chart->typeBottomIdx(), expected);
    }

    void periodDialogs_redrawOnOK_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("key");
        QTest::newRow("KDJ") << u"KDJ参数设置…"_qs << u"kdjPeriod"_qs;
        QTest::newRow("BOLL") << u"BOLL参数设置…"_qs << u"BOLLPeriod"_qs;
        QTest::newRow("SAR") << u"SAR参数设置…"_qs << u"SARPeriod"_qs;
    }
    void periodDialogs_redrawOnOK()
    {
        QFETCH(QString, item);
        QFETCH(QString, key);
        auto chart = staticChart(120);
        testsupport::MenuRecorder menus;
        menus.choice = QStringList { item };
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50), QPoint(50, 50));
        QApplication::sendEvent(chart.get(), &event);
        QPointer<RecordingDialog> dialog = RecordingDialog::last;
        QVERIFY(dialog);
        QCOMPARE(dialog->presentingViewController(), m_env.father.get());
        QVERIFY(dialog->DoOK);
        QVERIFY(dialog->DoCancel);
        const int runs = chart->indicatorRuns();
        dialog->DoCancel();
        QCOMPARE(chart->indicatorRuns(), runs);
        setSetting(key, u"6"_qs);
        dialog->DoOK();
        QTRY_COMPARE(chart->indicatorRuns(), runs + 1);
        const int period = key == u"kdjPeriod"_qs ? chart->kdjPeriod()
            : key == u"BOLLPeriod"_qs             ? chart->bollPeriod()
                                                  : chart->sarPeriod();
        QCOMPARE(period, 6);
        dialog->dismissController();
    }

    void periodDialog_withoutAWindow_isNotShown()
    {
        auto chart = std::make_unique<CandleView>(
            QRect(0, 0, 400, 300), QVariantMap(), nullptr, [](const QVariantMap&) {});
        RecordingDialog::last = nullptr;
        chart->setKDJPressed();
        QVERIFY(!RecordingDialog::last);
    }

    void doubleClick_sendsACopyOfSelfDict_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("timeLineView") << 0;
        QTest::newRow("timeline4DayView") << 1;
        QTest::newRow("DayKLineView") << 2;
        QTest::newRow("WeekKLineView") << 3;
        QTest::newRow("MonthKLineView") << 4;
    }
    void doubleClick_sendsACopyOfSelfDict()
    {
        QFETCH(int, kind);
        const QVariantMap stock { { QStringLiteral("stockcode"), QStringLiteral("6000001") },
            { QStringLiteral("name"), QStringLiteral("测试") } };
        const QRect frame(0, 0, 500, 300);
        std::unique_ptr<StockChartView> chart;
        switch (kind) {
        case 0:
            chart = std::make_unique<timeLineView>(frame, stock, m_env.father.get(), recorder());
            break;
        case 1:
            chart = std::make_unique<timeline4DayView>(frame, stock, m_env.father.get(), recorder());
            break;
        case 2:
            chart = std::make_unique<DayKLineView>(frame, stock, m_env.father.get(), recorder());
            break;
        case 3:
            chart = std::make_unique<WeekKLineView>(frame, stock, m_env.father.get(), recorder());
            break;
        default:
            chart = std::make_unique<MonthKLineView>(frame, stock, m_env.father.get(), recorder());
            break;
        }
        chart->show();
        QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(200, 100));
        QTRY_COMPARE(m_events.size(), 1);
        QCOMPARE(m_events.first().value(QStringLiteral("event")).toString(), QStringLiteral("DoubleClick"));
        QCOMPARE(m_events.first().value(QStringLiteral("name")).toString(), QStringLiteral("测试"));
        QVERIFY(!chart->selfDict.contains(QStringLiteral("event")));
    }

    void timeLine_loadsTodayOnceWhenClosed()
    {
        QWidget host;
        auto* chart = new timeLineView(QRect(0, 0, 800, 400),
            { { QStringLiteral("stockcode"), QStringLiteral("600000") } }, m_env.father.get(), recorder());
        QSignalSpy drawn(chart, &TimeShareView::minutesDrawn);
        chart->setParent(&host);
        QTRY_COMPARE_WITH_TIMEOUT(drawn.count(), 1, 10000);
        QCOMPARE(requests(u"/data/hs/"_qs), QStringList { u"/data/hs/time/today/0600000.json"_qs });
        QCOMPARE(chart->days().size(), 1);
        QVERIFY(chart->days().first().points.size() > 200);
        QVERIFY(chart->days().first().yestclose > 0);
        QTest::qWait(200);
        QCOMPARE(drawn.count(), 1); // closed: no poll
    }

    void timeline4Day_previousDaysThenToday()
    {
        QWidget host;
        auto* chart = new timeline4DayView(QRect(0, 0, 900, 400),
            { { QStringLiteral("stockcode"), QStringLiteral("000001.idx") } }, m_env.father.get(),
            recorder());
        QSignalSpy drawn(chart, &TimeShareView::minutesDrawn);
        chart->setParent(&host);
        QTRY_COMPARE_WITH_TIMEOUT(drawn.count(), 1, 10000);
        QCOMPARE(requests(u"/data/hs/"_qs),
            (QStringList { u"/data/hs/time/4days/0000001.json"_qs, u"/data/hs/time/today/0000001.json"_qs }));
        const auto days = chart->days();
        QCOMPARE(days.size(), 4);
        for (int i = 1; i < days.size(); ++i)
            QVERIFY(days[i - 1].date < days[i].date);
        QCOMPARE(days.last().date, u"20250312"_qs); // today closes the row
    }

    void timeShare_pollsWhileOpenAndStopsWhenHidden_data()
    {
        QTest::addColumn<bool>("fourDays");
        QTest::newRow("one day") << false;
        QTest::newRow("four days") << true;
    }
    void timeShare_pollsWhileOpenAndStopsWhenHidden()
    {
        QFETCH(bool, fourDays);
        setNow(shanghai(2025, 3, 12, 10, 30));
        QWidget host;
        const QVariantMap stock { { QStringLiteral("stockcode"), QStringLiteral("600000") },
            { QStringLiteral("marketstatus"), QStringLiteral("交易中") } };
        TimeShareView* chart = fourDays
            ? static_cast<TimeShareView*>(
                new timeline4DayView(QRect(0, 0, 800, 400), stock, m_env.father.get(), recorder()))
            : new timeLineView(QRect(0, 0, 800, 400), stock, m_env.father.get(), recorder());
        QSignalSpy drawn(chart, &TimeShareView::minutesDrawn);
        chart->setParent(&host);
        QTRY_VERIFY_WITH_TIMEOUT(drawn.count() >= 3, 10000);
        QCOMPARE(requests(u"/4days/"_qs).size(), fourDays ? 1 : 0); // earlier days once
        chart->setIsSelfHiden(true);
        const qsizetype settled = m_env.settledCount(u"/today/"_qs); // one may still be under way
        QTest::qWait(300);
        QCOMPARE(requests(u"/today/"_qs).size(), settled);
    }

    void timeShare_keepsPollingThroughLunch()
    {
        // Stopping at 11:30 would leave the afternoon frozen.
        charts::pollTiming().closedMs = 20;
        setNow(shanghai(2025, 3, 12, 12, 0));
        QWidget host;
        auto* chart = new timeLineView(QRect(0, 0, 800, 400),
            { { QStringLiteral("stockcode"), QStringLiteral("600000") },
                { QStringLiteral("marketstatus"), QStringLiteral("午间休市") } },
            m_env.father.get(), recorder());
        QSignalSpy drawn(chart, &TimeShareView::minutesDrawn);
        chart->setParent(&host);
        QTRY_VERIFY_WITH_TIMEOUT(drawn.count() >= 3, 10000);
        chart->setIsSelfHiden(true);
    }

    void timeShare_codesWithoutMinutes_requestNothing()
    {
        setNow(shanghai(2025, 3, 12, 10, 30));
        m_env.drainRequests();
        QWidget host;
        auto* one = new timeLineView(QRect(0, 0, 400, 300),
            { { QStringLiteral("stockcode"), QStringLiteral("888888.idx") } }, m_env.father.get(),
            recorder());
        auto* four = new timeline4DayView(QRect(0, 0, 400, 300),
            { { QStringLiteral("stockcode"), QStringLiteral("6000001") } }, m_env.father.get(), recorder());
        one->setParent(&host);
        four->setParent(&host);
        QTest::qWait(300);
        QCOMPARE(m_env.standIn->server().requestLog(), QStringList());
    }

    // Each chart drawn from the stand-in's data, saved for a look.
    void render_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<QString>("name");
        QTest::newRow("day, MA and volume") << 2 << u"0"_qs << u"0"_qs << u"chart_day_ma_vol"_qs;
        QTest::newRow("day, BOLL and MACD") << 2 << u"1"_qs << u"1"_qs << u"chart_day_boll_macd"_qs;
        QTest::newRow("week, SAR and KDJ") << 3 << u"2"_qs << u"2"_qs << u"chart_week_sar_kdj"_qs;
        QTest::newRow("month, MA and volume") << 4 << u"0"_qs << u"0"_qs << u"chart_month_ma_vol"_qs;
        QTest::newRow("one-day time share") << 0 << u"0"_qs << u"0"_qs << u"chart_timeline"_qs;
        QTest::newRow("four-day time share") << 1 << u"0"_qs << u"0"_qs << u"chart_timeline4day"_qs;
    }
    void render()
    {
        QFETCH(int, kind);
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(QString, name);
        setSetting(QStringLiteral("typeTopIdx"), top);
        setSetting(QStringLiteral("typeBottomIdx"), bottom);
        setNow(shanghai(2025, 3, 12, 13, 45)); // mid-afternoon: a part-filled day
        QWidget host;
        host.resize(1000, 460);
        const QVariantMap stock { { QStringLiteral("stockcode"), QStringLiteral("600000") } };
        const QRect frame(0, 0, 1000, 460);
        StockChartView* chart = nullptr;
        std::unique_ptr<QSignalSpy> spy;
        if (kind <= 1) {
            auto* ts = kind == 0
                ? static_cast<TimeShareView*>(new timeLineView(frame, stock, m_env.father.get(), recorder()))
                : new timeline4DayView(frame, stock, m_env.father.get(), recorder());
            spy = std::make_unique<QSignalSpy>(ts, &TimeShareView::minutesDrawn);
            chart = ts;
        } else {
            KLineHistoryView* k = kind == 2 ? static_cast<KLineHistoryView*>(
                                      new DayKLineView(frame, stock, m_env.father.get(), recorder()))
                : kind == 3 ? static_cast<KLineHistoryView*>(
                      new WeekKLineView(frame, stock, m_env.father.get(), recorder()))
                            : new MonthKLineView(frame, stock, m_env.father.get(), recorder());
            spy = std::make_unique<QSignalSpy>(k, &KLineHistoryView::historyDrawn);
            chart = k;
        }
        chart->setParent(&host);
        QTRY_VERIFY_WITH_TIMEOUT(spy->count() >= 1, 20000);
        chart->setIsSelfHiden(true); // no live update while the picture is taken
        if (auto* k = qobject_cast<CandleView*>(chart)) {
            const QVariantMap live { { QStringLiteral("curtime"), QStringLiteral("2025/03/12 13:45:00") },
                { QStringLiteral("cprice"),
                    k->bars().last().close > 0 ? QString::number(k->bars().last().close * 1.01, 'f', 2)
                                               : QString() } };
            k->RefreshNowPrice(&live);
            k->setCrosshair(
                QPointF(k->pricePane().left() + k->pricePane().width() * 0.3, k->pricePane().center().y()));
        } else if (auto* t = qobject_cast<TimeShareView*>(chart)) {
            t->setCrosshair(
                QPointF(t->pricePane().left() + t->pricePane().width() * 0.4, t->pricePane().center().y()));
        }
        const QString path = testsupport::renderToPng(&host, name);
        QVERIFY(!path.isEmpty());
        QImage image(path);
        QVERIFY(!image.isNull());
        // Both rise red and fall green appear in a real chart.
        bool red = false, green = false;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                const QColor c = image.pixelColor(x, y);
                red = red || (c.red() > 200 && c.green() < 60 && c.blue() < 60);
                green = green || (c.green() > 200 && c.red() < 60 && c.blue() < 60);
            }
        }
        QVERIFY(red);
        QVERIFY(green);
    }
};

QTEST_MAIN(tst_ChartViews)
#include "tst_ChartViews.moc"
