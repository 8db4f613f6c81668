#include "TestSupport.h"

#include "charts/EnlargedChartViewController.h"
#include "charts/Registration.h"
#include "platform/widgets/ControllerRegistry.h"

#include <QPointer>
#include <QtTest>

#include <memory>

using platform::ControllerRegistry;

namespace {

QVariantMap stockDict()
{
    return { { QStringLiteral("stockcode"), QStringLiteral("600000") },
        { QStringLiteral("stockname"), QStringLiteral("浦发银行") },
        { QStringLiteral("marketstatus"), QStringLiteral("已收盘") } };
}

// Deletes what deleteLater queued (old charts, closed windows).
void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QList<StockChartView*> chartsIn(QWidget* window)
{
    return window->findChildren<StockChartView*>(Qt::FindDirectChildrenOnly);
}

} // namespace

// The enlarged-chart windows: made by identifier, one live chart whatever
// the resizing, stopped when hidden, closed by a double click.
class TestEnlargedWindows : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    std::unique_ptr<platform::ViewController> m_host;

    EnlargedChartViewController* present(const QString& identifier)
    {
        auto* controller = qobject_cast<EnlargedChartViewController*>(
            ControllerRegistry::instantiateController(identifier));
        if (!controller)
            return nullptr;
        QMetaObject::invokeMethod(controller, "InitByStocksDict", Q_ARG(QVariantMap, stockDict()));
        m_host->presentViewControllerAsModalWindow(controller);
        return controller;
    }

private Q_SLOTS:
    void initTestCase()
    {
        platform::ViewController::setPresentsModally(false);
        m_settings = std::make_unique<testsupport::IsolatedSettings>();
        m_standIn = std::make_unique<testsupport::StandIn>();
        charts::registerControllers();
        m_host = std::make_unique<platform::ViewController>();
        m_host->resize(400, 300);
        m_host->show();
    }

    void cleanup()
    {
        for (QWidget* w : m_host->findChildren<EnlargedChartViewController*>())
            w->close();
        flushDeletes();
    }

    void eachWindow_titleChartAndStock_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("chartClass");
        QTest::newRow("time-share") << "MaxTimeLineViewController"
                                    << "岚石通个股分时图"
                                    << "timeLineView";
        QTest::newRow("four-day") << "timeline4DayViewController"
                                  << "岚石通个股四日分时图"
                                  << "timeline4DayView";
        QTest::newRow("day") << "DayKLineViewController"
                             << "岚石通个股日K图"
                             << "DayKLineView";
        QTest::newRow("week") << "WeekKLineViewController"
                              << "岚石通个股周K图"
                              << "WeekKLineView";
        QTest::newRow("month") << "MonthKLineViewController"
                               << "岚石通个股月K图"
                               << "MonthKLineView";
    }
    void eachWindow_titleChartAndStock()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, chartClass);
        EnlargedChartViewController* controller = present(identifier);
        QVERIFY(controller);
        QCOMPARE(QString::fromLatin1(controller->metaObject()->className()), identifier);
        QTEST(controller->title(), "title");
        QCOMPARE(controller->selfDict, stockDict());
        QCOMPARE(chartsIn(controller).size(), 1);
        StockChartView* chart = controller->chart();
        QVERIFY(chart);
        QCOMPARE(QString::fromLatin1(chart->metaObject()->className()), chartClass);
        QCOMPARE(chart->selfDict.value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
        QCOMPARE(chart->geometry(), QRect(QPoint(0, 0), controller->size()));
        QVERIFY(!chart->isSelfHiden());
        QCOMPARE(chart->father(), controller);
    }

    void doubleClick_closesOnlyItsWindow()
    {
        QPointer<EnlargedChartViewController> day = present(QStringLiteral("DayKLineViewController"));
        QPointer<EnlargedChartViewController> month = present(QStringLiteral("MonthKLineViewController"));
        QVERIFY(day && month);

        // Any other event leaves the window open.
        day->timeLineViewCallBack({ { QStringLiteral("event"), QStringLiteral("Click") } });
        day->timeLineViewCallBack(stockDict());
        flushDeletes();
        QVERIFY(day && day->isVisible());

        QTest::mouseDClick(day->chart(), Qt::LeftButton, {}, QPoint(50, 50));
        flushDeletes();
        QVERIFY(day.isNull());
        QVERIFY(month && month->isVisible());
        QVERIFY(!month->chart()->isSelfHiden());
        QVERIFY(m_host->isVisible());
    }

    void resizes_leaveOneLiveChart_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::newRow("time-share") << "MaxTimeLineViewController";
        QTest::newRow("four-day") << "timeline4DayViewController";
        QTest::newRow("day") << "DayKLineViewController";
        QTest::newRow("week") << "WeekKLineViewController";
        QTest::newRow("month") << "MonthKLineViewController";
    }
    void resizes_leaveOneLiveChart()
    {
        QFETCH(QString, identifier);
        EnlargedChartViewController* controller = present(identifier);
        QVERIFY(controller);
        flushDeletes();
        // Showing the window is no resize step: the chart built at load stays.
        QPointer<StockChartView> first = controller->chart();
        QCOMPARE(chartsIn(controller).size(), 1);

        QList<QPointer<StockChartView>> previous { first };
        // Sizes within the test screen: a window is held to the screen.
        const QSize steps[] = { { 640, 420 }, { 560, 380 }, { 760, 520 } };
        for (const QSize& size : steps) {
            controller->resize(size);
            QTRY_COMPARE(controller->size(), size);
            QVERIFY(controller->chart() != previous.last());
            previous.append(controller->chart());
        }
        flushDeletes();
        QCOMPARE(chartsIn(controller).size(), 1);
        StockChartView* live = controller->chart();
        QCOMPARE(live->geometry(), QRect(0, 0, 760, 520));
        QVERIFY(!live->isSelfHiden());
        // Each step makes the window's own chart class for the same stock.
        QCOMPARE(QString::fromLatin1(live->metaObject()->className()),
            identifier == QStringLiteral("MaxTimeLineViewController")
                ? QStringLiteral("timeLineView")
                : identifier.chopped(int(qstrlen("Controller"))));
        QCOMPARE(live->selfDict.value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
        QCOMPARE(live->father(), controller);
        // The replaced charts are gone, so none of them can poll any more.
        for (qsizetype i = 0; i + 1 < previous.size(); ++i)
            QVERIFY2(previous[i].isNull(), qPrintable(QString::number(i)));
    }

    void timeShare_secondAppearanceReplacesChart()
    {
        auto* controller = qobject_cast<EnlargedChartViewController*>(
            ControllerRegistry::instantiateController(QStringLiteral("MaxTimeLineViewController")));
        controller->InitByStocksDict(stockDict());
        controller->loadViewIfNeeded();
        QVERIFY(!controller->chart()); // built when shown, not when loaded
        m_host->presentViewControllerAsModalWindow(controller);
        QPointer<StockChartView> first = controller->chart();
        QVERIFY(first);

        controller->hide();
        // Hidden: stopped but still in the view.
        QVERIFY(first && first->isSelfHiden());
        QCOMPARE(chartsIn(controller).size(), 1);

        controller->show();
        flushDeletes();
        QCOMPARE(chartsIn(controller).size(), 1);
        QVERIFY(first.isNull());
        QVERIFY(controller->chart());
        QVERIFY(!controller->chart()->isSelfHiden());
    }

    void hidden_stopsKLineChart()
    {
        EnlargedChartViewController* controller = present(QStringLiteral("WeekKLineViewController"));
        StockChartView* chart = controller->chart();
        controller->hide();
        QVERIFY(chart->isSelfHiden());
        QCOMPARE(controller->chart(), chart);
    }
};

QTEST_MAIN(TestEnlargedWindows)
#include "tst_EnlargedWindows.moc"
