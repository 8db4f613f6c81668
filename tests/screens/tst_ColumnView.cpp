#include "TestSupport.h"

#include "platform/widgets/Colors.h"
#include "screens/ColumnView.h"

#include <QLabel>
#include <QtTest>

// The bar chart's geometry in its own coordinates (origin bottom-left).
class TestColumnView : public QObject {
    Q_OBJECT

private:
    static std::unique_ptr<ColumnView> chart(const QStringList& values, int w = 400, int h = 200)
    {
        QStringList labels;
        for (int i = 0; i < values.size(); ++i)
            labels << QStringLiteral("L%1").arg(i);
        return std::make_unique<ColumnView>(QRect(0, 0, w, h), QStringLiteral("净利润趋势图"), labels, values,
            platform::Colors::black(), platform::Colors::white(), QStringLiteral("亿"));
    }

private Q_SLOTS:
    void positiveValues_scaleAndBars()
    {
        auto view = chart({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4") });
        QCOMPARE(view->hValue, 4.0f);
        QCOMPARE(view->lValue, 1.0f);
        const ColumnView::Geometry g = view->chartGeometry(400, 200);
        QCOMPARE(g.slot, 100.0f);
        QCOMPARE(g.plot, 140.0f);
        QCOMPARE(g.low, 0.0f);
        QCOMPARE(g.span, 4.0f);
        QCOMPARE(g.base, 20.0f);
        QCOMPARE(g.scale.size(), 10);
        QCOMPARE(g.scale.first().text, QStringLiteral("0.00亿"));
        QCOMPARE(g.scale.at(1).text, QStringLiteral("0.40亿"));
        QCOMPARE(g.scale.last().text, QStringLiteral("3.60亿"));
        QCOMPARE(g.scale.last().rect, QRectF(0, 146, 100, 14));
        QCOMPARE(g.bars.first().fill, QRectF(125, 20, 50, 55));
        QCOMPARE(g.bars.last().fill, QRectF(325, 20, 50, 160));
        QCOMPARE(g.bars.last().value.rect.y(), 180.0);
        QCOMPARE(g.bars.last().value.text, QStringLiteral("4.00亿"));
        // Label below the zero line, centred on the bar.
        QCOMPARE(g.bars.first().label.rect, QRectF(100, 8, 100, 12));
        QCOMPARE(g.bars.last().color.alphaF(), 1.0f);
        QCOMPARE(g.bars.first().color, QColor::fromRgbF(1, 0, 0, 0.75f));
        QCOMPARE(g.gridLines.size(), 10);
        QCOMPARE(g.gridLines.last(), 146.0f);
    }

    void signs_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<float>("base");
        QTest::addColumn<QRectF>("firstFill");
        QTest::addColumn<float>("firstValueY");
        QTest::newRow("minus two and two")
            << QStringList { QStringLiteral("-2"), QStringLiteral("2") } << 90.0f
            << QRectF(400.0 / 3 / 4 + 400.0 / 3, 20, 400.0 / 6, 70) << 8.0f;
        QTest::newRow("zero") << QStringList { QStringLiteral("0"), QStringLiteral("1") } << 20.0f
                              << QRectF(400.0 / 3 + 400.0 / 12, 20, 400.0 / 6, 20) << -12.0f;
        // Every value below zero: the scale ends at zero, bars stay in the plot.
        QTest::newRow("all negative") << QStringList { QStringLiteral("-4"), QStringLiteral("-2") } << 160.0f
                                      << QRectF(400.0 / 3 + 400.0 / 12, 20, 400.0 / 6, 140) << 8.0f;
        QTest::newRow("all zero") << QStringList { QStringLiteral("0"), QStringLiteral("0") } << 20.0f
                                  << QRectF(400.0 / 3 + 400.0 / 12, 20, 400.0 / 6, 20) << -12.0f;
    }
    void signs()
    {
        QFETCH(QStringList, values);
        QFETCH(float, base);
        QFETCH(QRectF, firstFill);
        QFETCH(float, firstValueY);
        auto view = chart(values);
        const ColumnView::Geometry g = view->chartGeometry(400, 200);
        QCOMPARE(g.base, base);
        const ColumnView::Bar& first = g.bars.first();
        QVERIFY2(qAbs(first.fill.x() - firstFill.x()) < 1e-3 && qAbs(first.fill.y() - firstFill.y()) < 1e-3
                && qAbs(first.fill.width() - firstFill.width()) < 1e-3
                && qAbs(first.fill.height() - firstFill.height()) < 1e-3,
            qPrintable(QStringLiteral("fill %1,%2 %3x%4")
                           .arg(first.fill.x())
                           .arg(first.fill.y())
                           .arg(first.fill.width())
                           .arg(first.fill.height())));
        QVERIFY(qAbs(first.value.rect.y() - firstValueY) < 1e-3);
        for (const ColumnView::Bar& bar : g.bars) {
            QVERIFY(bar.fill.y() >= 0 && std::isfinite(bar.fill.height()));
            QVERIFY(bar.color.alphaF() <= 1.0f);
        }
        for (const ColumnView::Text& t : g.scale)
            QVERIFY(!t.text.contains(QLatin1String("nan")) && !t.text.contains(QLatin1String("inf")));
    }

    void slotWidths_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("width");
        QTest::addColumn<float>("slot");
        QTest::addColumn<float>("barWidth");
        QTest::newRow("single value, two halves") << 1 << 400 << 200.0f << 100.0f;
        QTest::newRow("narrow view, bars stay 1 wide") << 12 << 13 << 1.0f << 1.0f;
    }
    void slotWidths()
    {
        QFETCH(int, count);
        QFETCH(int, width);
        QFETCH(float, slot);
        QFETCH(float, barWidth);
        auto view = chart(QStringList(count, QStringLiteral("3")), width, 200);
        const ColumnView::Geometry g = view->chartGeometry(float(width), 200);
        QCOMPARE(g.slot, slot);
        QCOMPARE(g.barWidth, barWidth);
        QCOMPARE(g.bars.size(), count);
    }

    void title_andEmptyData()
    {
        auto view = chart({ QStringLiteral("1") });
        QVERIFY(view->titleField());
        QCOMPARE(view->titleField()->text(), QStringLiteral("净利润趋势图"));
        QCOMPARE(view->titleField()->geometry(), QRect(0, 2, 400, 20));
        ColumnView untitled(QRect(0, 0, 100, 100), QString(), {}, {}, Qt::black, Qt::white, QString());
        QVERIFY(!untitled.titleField());
        QVERIFY(untitled.chartGeometry(100, 100).bars.isEmpty());
    }

    void render()
    {
        auto view = chart({ QStringLiteral("2.56"), QStringLiteral("-0.50"), QStringLiteral("0"),
                              QStringLiteral("1.20"), QStringLiteral("3.10") },
            646, 200);
        QVERIFY(!testsupport::renderToPng(view.get(), QStringLiteral("f10_column_view")).isEmpty());
    }
};

QTEST_MAIN(TestColumnView)
#include "tst_ColumnView.moc"
