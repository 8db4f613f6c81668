#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "charts/DayKLineView.h"
#include "charts/MonthKLineView.h"
#include "charts/WeekKLineView.h"
#include "charts/timeLineView.h"
#include "charts/timeline4DayView.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ControllerRegistry.h"
#include "screens/SegmentedControl.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "standin/StandInServer.h"

#include <QAbstractButton>
#include <QtTest>

#include <memory>

// Stands in for an enlarged-chart window: records what it was handed.
class EnlargedProbe : public platform::ViewController {
    Q_OBJECT
public:
    static inline int made = 0;
    static inline QList<QVariantMap> handed;
    EnlargedProbe() { ++made; }
    Q_INVOKABLE void InitByStocksDict(const QVariantMap& dict) { handed << dict; }
};

class TestChartTabs : public QObject {
    Q_OBJECT

private:
    ScreensTestEnv m_env;

    static QString storedTab()
    {
        // Read back from the file, as the next run of the program would.
        platform::UserDefaults::resetStandardUserDefaults();
        return platform::UserDefaults::standardUserDefaults()->stringForKey(QStringLiteral("kSegIdx"));
    }
    static void storeTab(const QString& value)
    {
        auto* defaults = platform::UserDefaults::standardUserDefaults();
        if (value.isNull())
            defaults->removeObjectForKey(QStringLiteral("kSegIdx"));
        else
            defaults->setObject(value, QStringLiteral("kSegIdx"));
        defaults->synchronize();
    }

    std::unique_ptr<SecurityViewController> openScreen(const QString& code)
    {
        std::unique_ptr<SecurityViewController> screen
            = makeSecurityScreen(code.endsWith(QStringLiteral(".idx")));
        screen->bindCode(code, m_env.sdk);
        screen->show();
        return screen;
    }

    static int builtCharts(const SecurityViewController& screen)
    {
        return int(bool(screen.iTimeLineView)) + int(bool(screen.iTimeline4DayView))
            + int(bool(screen.iDayKLineView)) + int(bool(screen.iWeekKLineView))
            + int(bool(screen.iMonthKLineView));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env.start();
        for (const char* id : { "MaxTimeLineViewController", "timeline4DayViewController",
                 "DayKLineViewController", "WeekKLineViewController", "MonthKLineViewController" }) {
            platform::ControllerRegistry::registerFactory(QString::fromLatin1(id), [id]() -> QWidget* {
                auto* probe = new EnlargedProbe;
                probe->setObjectName(QString::fromLatin1(id));
                return probe;
            });
        }
    }

    void init()
    {
        storeTab(QString());
        EnlargedProbe::made = 0;
        EnlargedProbe::handed.clear();
    }

    void cleanupTestCase() { m_env.stop(); }

    void firstAppearance_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("chartClass");
        QTest::addColumn<int>("segment");
        // stored by another copy of the program since this one started
        QTest::addColumn<bool>("byAnotherCopy");
        // The tab of the chart shown is the one marked.
        QTest::newRow("stock, nothing stored")
            << QStringLiteral("600000") << QString() << QStringLiteral("timeLineView") << 0 << false;
        QTest::newRow("stock, week stored") << QStringLiteral("600000") << QStringLiteral("3")
                                            << QStringLiteral("WeekKLineView") << 3 << false;
        QTest::newRow("index, four days stored") << QStringLiteral("000001.idx") << QStringLiteral("1")
                                                 << QStringLiteral("timeline4DayView") << 1 << false;
        QTest::newRow("stock, unknown tab stored counts as none")
            << QStringLiteral("600000") << QStringLiteral("7") << QStringLiteral("timeLineView") << 0 << false;
        QTest::newRow("own index, nothing stored: its day chart, no empty minutes")
            << QStringLiteral("888888.idx") << QString() << QStringLiteral("DayKLineView") << -1 << false;
        QTest::newRow("own index, one day stored") << QStringLiteral("888888.idx") << QStringLiteral("0")
                                                   << QStringLiteral("DayKLineView") << -1 << false;
        QTest::newRow("own index, unknown tab stored still gets the day chart")
            << QStringLiteral("888888.idx") << QStringLiteral("7") << QStringLiteral("DayKLineView") << -1
            << false;
        QTest::newRow("stock, week stored by another copy") << QStringLiteral("600000") << QStringLiteral("3")
                                                            << QStringLiteral("WeekKLineView") << 3 << true;
    }
    void firstAppearance()
    {
        QFETCH(QString, code);
        QFETCH(QString, stored);
        QFETCH(QString, chartClass);
        QFETCH(int, segment);
        QFETCH(bool, byAnotherCopy);
        if (byAnotherCopy)
            platform::UserDefaults(platform::UserDefaults::standardUserDefaults()->filePath())
                .setObject(stored, QStringLiteral("kSegIdx"));
        else
            storeTab(stored);
        auto screen = openScreen(code);
        StockChartView* chart = screen->currentChart();
        QVERIFY(chart);
        QCOMPARE(QString::fromLatin1(chart->metaObject()->className()), chartClass);
        QCOMPARE(builtCharts(*screen), 1);
        QCOMPARE(chart->parentWidget(), screen->KView);
        QCOMPARE(chart->geometry(), QRect(QPoint(0, 0), screen->KView->size()));
        QCOMPARE(chart->selfDict.value(QStringLiteral("stockcode")).toString(), code);
        QVERIFY(!chart->isSelfHiden());
        if (segment >= 0)
            QCOMPARE(screen->kSeg->selectedSegment(), segment);
        // Appearing never changes what is stored.
        QCOMPARE(storedTab(), stored);
        screen->close();
    }

    void pressingTabs_buildsTheChosenChartAndRemembersIt_data()
    {
        QTest::addColumn<int>("segment");
        QTest::addColumn<QString>("chartClass");
        QTest::newRow("one day") << 0 << QStringLiteral("timeLineView");
        QTest::newRow("four days") << 1 << QStringLiteral("timeline4DayView");
        QTest::newRow("day") << 2 << QStringLiteral("DayKLineView");
        QTest::newRow("week") << 3 << QStringLiteral("WeekKLineView");
        QTest::newRow("month") << 4 << QStringLiteral("MonthKLineView");
    }
    void pressingTabs_buildsTheChosenChartAndRemembersIt()
    {
        QFETCH(int, segment);
        QFETCH(QString, chartClass);
        auto screen = openScreen(QStringLiteral("600036"));
        QPointer<StockChartView> first = screen->currentChart();
        QTest::mouseClick(screen->kSeg->segment(segment), Qt::LeftButton);
        StockChartView* chart = screen->currentChart();
        QVERIFY(chart);
        QVERIFY(chart != first);
        QCOMPARE(QString::fromLatin1(chart->metaObject()->className()), chartClass);
        QCOMPARE(builtCharts(*screen), 1);
        QCOMPARE(chart->geometry(), QRect(QPoint(0, 0), screen->KView->size()));
        QCOMPARE(storedTab(), QString::number(segment));
        QTRY_VERIFY(!first); // the previous chart is gone, not hidden
        screen->close();
    }

    void sameTabAgain_rebuildsFromScratch()
    {
        auto screen = openScreen(QStringLiteral("600036"));
        QTest::mouseClick(screen->kSeg->segment(3), Qt::LeftButton);
        QPointer<WeekKLineView> week = screen->iWeekKLineView;
        QVERIFY(week);
        QTest::mouseClick(screen->kSeg->segment(3), Qt::LeftButton);
        QVERIFY(screen->iWeekKLineView);
        QVERIFY(screen->iWeekKLineView != week);
        QCOMPARE(screen->kSeg->selectedSegment(), 3);
        QTRY_VERIFY(!week);
        QCOMPARE(storedTab(), QStringLiteral("3"));

        // The next screen, of either class, starts on the week chart.
        auto next = openScreen(QStringLiteral("399001.idx"));
        QVERIFY(next->iWeekKLineView);
        next->close();
        screen->close();
    }

    void ownIndex_buildsOnlyTheDayChartAndNeverStoresTheTab()
    {
        storeTab(QStringLiteral("0"));
        auto screen = openScreen(QStringLiteral("888888.idx"));
        QVERIFY(screen->iDayKLineView);
        QCOMPARE(builtCharts(*screen), 1);
        QPointer<DayKLineView> day = screen->iDayKLineView;
        screen->kSeg->setSelectedSegment(4);
        screen->KSegPressed();
        QVERIFY(screen->iDayKLineView);
        QVERIFY(screen->iDayKLineView != day);
        QVERIFY(!screen->iMonthKLineView);
        QCOMPARE(builtCharts(*screen), 1);
        QCOMPARE(storedTab(), QStringLiteral("0"));
        screen->close();
    }

    // The day chart of the product's own index reads the backend: it gets
    // the screen's client.
    void ownIndex_dayChartUsesTheScreensClient()
    {
        storeTab(QStringLiteral("2"));
        auto screen = openScreen(QStringLiteral("888888.idx"));
        QVERIFY(screen->iDayKLineView);
        QCOMPARE(screen->iDayKLineView->quilorSDK(), m_env.sdk);
        screen->close();
    }

    void doubleClick_opensTheMatchingEnlargedWindow_data()
    {
        QTest::addColumn<int>("segment");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("one day") << 0 << QStringLiteral("MaxTimeLineViewController");
        QTest::newRow("four days") << 1 << QStringLiteral("timeline4DayViewController");
        QTest::newRow("day") << 2 << QStringLiteral("DayKLineViewController");
        QTest::newRow("week") << 3 << QStringLiteral("WeekKLineViewController");
        QTest::newRow("month") << 4 << QStringLiteral("MonthKLineViewController");
    }
    void doubleClick_opensTheMatchingEnlargedWindow()
    {
        QFETCH(int, segment);
        QFETCH(QString, identifier);
        auto screen = openScreen(QStringLiteral("600000"));
        QTest::mouseClick(screen->kSeg->segment(segment), Qt::LeftButton);
        StockChartView* chart = screen->currentChart();
        QVERIFY(chart);
        QTest::mouseDClick(chart, Qt::LeftButton, {}, chart->rect().center());
        QTRY_COMPARE(EnlargedProbe::made, 1);
        QCOMPARE(EnlargedProbe::handed.size(), 1);
        QCOMPARE(EnlargedProbe::handed.first(), *screen->selfDict);
        QVERIFY(!EnlargedProbe::handed.first().contains(QStringLiteral("event")));
        auto* window = screen->findChild<EnlargedProbe*>(identifier);
        QVERIFY(window);
        QVERIFY(window->isWindow());
        QCOMPARE(window->presentingViewController(), screen.get());
        // The screen's chart keeps running underneath.
        QCOMPARE(screen->currentChart(), chart);
        QVERIFY(!chart->isSelfHiden());
        window->close();
        screen->close();
    }

    void otherEvents_openNothing()
    {
        auto screen = openScreen(QStringLiteral("600000"));
        QTest::mouseClick(screen->kSeg->segment(1), Qt::LeftButton);
        const QVariantMap copy = *screen->selfDict;
        QVariantMap click = copy;
        click.insert(QStringLiteral("event"), QStringLiteral("Click"));
        screen->timeLine4DayViewCallBack(click);
        screen->timeLine4DayViewCallBack(copy);
        screen->timeLineViewCallBack(QVariantMap());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(EnlargedProbe::made, 0);
        QVariantMap dbl = copy;
        dbl.insert(QStringLiteral("event"), QStringLiteral("DoubleClick"));
        screen->timeLine4DayViewCallBack(dbl);
        QCOMPARE(EnlargedProbe::made, 1);
        QVERIFY(screen->findChild<EnlargedProbe*>(QStringLiteral("timeline4DayViewController")));
        screen->close();
    }

    // After the window closes no chart of it is left to refresh.
    void closing_stopsEveryChart()
    {
        auto screen = openScreen(QStringLiteral("600000"));
        QList<QPointer<StockChartView>> charts;
        for (int segment : { 0, 1, 2, 3, 4 }) {
            QTest::mouseClick(screen->kSeg->segment(segment), Qt::LeftButton);
            charts << QPointer<StockChartView>(screen->currentChart());
        }
        QPointer<StockChartView> last = charts.last();
        QVERIFY(last);
        screen->close();
        QCOMPARE(builtCharts(*screen), 0);
        QTRY_VERIFY(!last);
        for (const auto& chart : charts)
            QVERIFY(!chart);
        QVERIFY(screen->KView->findChildren<StockChartView*>().isEmpty());
        // Nothing of the closed screen asks the chart feeds any more. Requests
        // sent before the close may still land: wait for a quiet stretch first.
        standin::StandInServer& server = m_env.standIn->server();
        const auto isChartRequest
            = [](const QString& path) { return path.contains(QStringLiteral("/data/hs/")); };
        testsupport::waitForQuietRequests(server, isChartRequest);
        server.clearRequestLog();
        QTest::qWait(1300);
        const QStringList requests = server.requestLog().filter(QStringLiteral("/data/hs/"));
        QVERIFY2(requests.isEmpty(), qPrintable(requests.join(QLatin1Char(' '))));
    }

    // The product's own index hides the tabs on segment 2 and lets the chart
    // take their room once; another index leaves both alone.
    void layoutSwitches_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("ownIndex");
        QTest::newRow("own index") << QStringLiteral("888888.idx") << true;
        QTest::newRow("composite index") << QStringLiteral("000001.idx") << false;
    }
    void layoutSwitches()
    {
        QFETCH(QString, code);
        QFETCH(bool, ownIndex);
        storeTab(QStringLiteral("1"));
        SingleIndexViewController screen;
        const QRect laidOut = screen.KView->geometry();
        const QRect tabs = screen.kSeg->geometry();
        QSignalSpy updated(&screen, &SecurityViewController::updatedUI);
        screen.bindCode(code, m_env.sdk);
        screen.show();
        QTRY_VERIFY(updated.count() >= 1);
        const QRect expected
            = ownIndex ? laidOut.adjusted(0, 0, 0, SingleIndexViewController::kOwnIndexExtraHeight) : laidOut;
        for (int run = 1; run <= 5; ++run) {
            if (run > 1)
                screen.UpdateUI();
            QCOMPARE(screen.KView->geometry(), expected);
            QCOMPARE(screen.kSeg->isHidden(), ownIndex);
            QCOMPARE(screen.kSeg->selectedSegment(), ownIndex ? 2 : 1);
            QCOMPARE(screen.kSeg->geometry(), tabs);
            // The chart keeps filling the chart area.
            QVERIFY(screen.currentChart());
            QCOMPARE(screen.currentChart()->geometry(), QRect(QPoint(0, 0), expected.size()));
        }
        if (ownIndex) // the taller chart area takes exactly the room of the tabs
            QCOMPARE(screen.KView->geometry().bottom(), tabs.bottom());
        screen.close();
    }
};

QTEST_MAIN(TestChartTabs)
#include "tst_ChartTabs.moc"
