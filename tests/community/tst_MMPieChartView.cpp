#include "community/MMPieChartView.h"

#include "TestSupport.h"
#include "platform/widgets/Colors.h"

#include <QImage>
#include <QTest>

#include <cmath>

namespace {

// Answers from fixed lists and records every question in order.
class RecordingSource : public MMPieChartViewDataSource {
public:
    QVariantList values;
    QStringList keys; // empty: answers no key
    QList<QColor> colors; // empty: answers no colour
    QStringList calls;

    int numberOfPiecesForPieChartView(MMPieChartView*) override
    {
        calls << QStringLiteral("count");
        return int(values.size());
    }
    QVariant valueForValueAtIndex(MMPieChartView*, int index) override
    {
        calls << QStringLiteral("value%1").arg(index);
        return values.at(index);
    }
    std::optional<QString> keyForValueAtIndex(MMPieChartView*, int index) override
    {
        calls << QStringLiteral("key%1").arg(index);
        if (keys.isEmpty())
            return std::nullopt;
        return keys.at(index);
    }
    std::optional<QColor> colorForValueAtIndex(MMPieChartView*, int index) override
    {
        calls << QStringLiteral("color%1").arg(index);
        if (colors.isEmpty())
            return std::nullopt;
        return colors.at(index);
    }
};

// Only the two required answers.
class BareSource : public MMPieChartViewDataSource {
public:
    int numberOfPiecesForPieChartView(MMPieChartView*) override { return 2; }
    QVariant valueForValueAtIndex(MMPieChartView*, int index) override { return index == 0 ? 1.0 : 3.0; }
};

} // namespace

class tst_MMPieChartView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaults()
    {
        MMPieChartView pie(QRect(5, 6, 300, 220));
        QCOMPARE(pie.geometry(), QRect(5, 6, 300, 220));
        QCOMPARE(pie.lineWidth(), 0.5);
        QCOMPARE(pie.lineColor(), platform::Colors::black());
        QCOMPARE(pie.visualizationType(), 0);
        QCOMPARE(pie.showKeys(), true);
        QCOMPARE(pie.radius(), 100.0);
    }

    void reloadData_asksCountValuesKeysColoursInOrder()
    {
        RecordingSource source;
        source.values = { QStringLiteral("10"), 30.0, QStringLiteral("60") };
        source.keys = { QStringLiteral("超大单"), QStringLiteral("大单"), QStringLiteral("中单") };
        source.colors = { Qt::red, Qt::green, Qt::blue };
        MMPieChartView pie;
        pie.setDataSource(&source);
        pie.reloadData();
        QCOMPARE(source.calls,
            (QStringList { QStringLiteral("count"), QStringLiteral("value0"), QStringLiteral("value1"),
                QStringLiteral("value2"), QStringLiteral("key0"), QStringLiteral("key1"),
                QStringLiteral("key2"), QStringLiteral("color0"), QStringLiteral("color1"),
                QStringLiteral("color2") }));
        QCOMPARE(pie.values(), (QList<double> { 10, 30, 60 }));
        QCOMPARE(pie.colors(), (QList<QColor> { Qt::red, Qt::green, Qt::blue }));
    }

    void legend_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("type 0: share of the whole")
            << 0 << QVariantList { QStringLiteral("1"), QStringLiteral("2") }
            << QStringList { QStringLiteral("看涨33.3%"), QStringLiteral("看跌66.7%") };
        QTest::newRow("type 1: the value itself")
            << 1 << QVariantList { QStringLiteral("25"), QStringLiteral("12.5") }
            << QStringList { QStringLiteral("看涨25%"), QStringLiteral("看跌12.5%") };
        QTest::newRow("type 0: a whole of zero")
            << 0 << QVariantList { QStringLiteral("0"), QStringLiteral("0") }
            << QStringList { QStringLiteral("看涨0.0%"), QStringLiteral("看跌0.0%") };
        QTest::newRow("type 0: a negative slice counts as nothing")
            << 0 << QVariantList { QStringLiteral("-5"), QStringLiteral("5") }
            << QStringList { QStringLiteral("看涨0.0%"), QStringLiteral("看跌100.0%") };
        QTest::newRow("type 0: a count that is no finite number")
            << 0 << QVariantList { std::nan(""), QStringLiteral("1e999"), QStringLiteral("2") }
            << QStringList { QStringLiteral("看涨--"), QStringLiteral("看跌--"),
                   QStringLiteral("看平100.0%") };
    }
    void legend()
    {
        QFETCH(int, type);
        QFETCH(QVariantList, values);
        QFETCH(QStringList, expected);
        RecordingSource source;
        source.values = values;
        source.keys
            = QStringList { QStringLiteral("看涨"), QStringLiteral("看跌"), QStringLiteral("看平") }.mid(
                0, values.size());
        MMPieChartView pie;
        pie.setDataSource(&source);
        pie.setVisualizationType(type);
        pie.reloadData();
        QCOMPARE(pie.legendTexts(), expected);
    }

    void withoutKeys_legendIsOff_andColoursAreRandomOpaque()
    {
        BareSource source;
        MMPieChartView pie;
        pie.setDataSource(&source);
        pie.reloadData();
        QCOMPARE(pie.showKeys(), false);
        QVERIFY(pie.legendTexts().isEmpty());
        QCOMPARE(pie.colors().size(), 2);
        for (const QColor& c : pie.colors()) {
            QVERIFY(c.isValid());
            QCOMPARE(c.alpha(), 255);
        }
        QCOMPARE(MMPieChartView::sharesOf(pie.values()), (QList<double> { 25, 75 }));
    }

    void zeroWhole_drawsWithoutCrashing()
    {
        RecordingSource source;
        source.values = { 0.0, 0.0, 0.0 };
        source.keys = { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") };
        MMPieChartView pie(QRect(0, 0, 300, 220));
        pie.setDataSource(&source);
        pie.reloadData();
        QCOMPARE(MMPieChartView::sharesOf(pie.values()), (QList<double> { 0, 0, 0 }));
        QVERIFY(!pie.grab().isNull());
        // No data source and no slices draw as well.
        MMPieChartView empty(QRect(0, 0, 100, 100));
        empty.reloadData();
        QVERIFY(empty.values().isEmpty());
        QVERIFY(!empty.grab().isNull());
    }

    void render()
    {
        RecordingSource source;
        source.values
            = { QStringLiteral("25"), QStringLiteral("40"), QStringLiteral("20"), QStringLiteral("15") };
        source.keys = { QStringLiteral("超大单"), QStringLiteral("大单"), QStringLiteral("中单"),
            QStringLiteral("小单") };
        source.colors = { platform::Colors::red(), platform::Colors::orange(), platform::Colors::blue(),
            platform::Colors::green() };
        MMPieChartView pie(QRect(0, 0, 360, 240));
        pie.setRadius(90);
        pie.setDataSource(&source);
        pie.reloadData();
        const QImage image(testsupport::renderToPng(&pie, QStringLiteral("MMPieChartView")));
        QVERIFY(!image.isNull());
        // Above the centre, just right of twelve o'clock, lies the first slice.
        const QColor c = image.pixelColor(
            int((92 + 10) * image.devicePixelRatio()), int((120 - 45) * image.devicePixelRatio()));
        QVERIFY2(c.red() > 200 && c.green() < 60, qPrintable(c.name()));
    }
};

QTEST_MAIN(tst_MMPieChartView)
#include "tst_MMPieChartView.moc"
