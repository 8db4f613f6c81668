#include "ui/ListBaseView.h"

#include "TestSupport.h"
#include "platform/widgets/Colors.h"

#include <QImage>
#include <QTest>

using Tone = ListBaseView::Tone;
Q_DECLARE_METATYPE(ListBaseView::Tone)

class tst_ListBaseView : public QObject {
    Q_OBJECT

    static ListBaseView* makeGrid(const QString& title, const QVariantList& rows)
    {
        return new ListBaseView(QRect(10, 20, 300, 999), title, rows,
            { QStringLiteral("100"), QStringLiteral("100.5"), QStringLiteral("99.5") }, 24,
            platform::Colors::white(), platform::Colors::lightGray(), platform::Colors::blue(), 0,
            platform::Colors::black(), 2);
    }

private Q_SLOTS:
    void signMarker_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Tone>("tone");
        QTest::newRow("plus is dropped, red") << "+12.5"
                                              << "12.5" << Tone::Rise;
        QTest::newRow("negative number keeps its minus") << "-3.2"
                                                         << "-3.2" << Tone::Fall;
        QTest::newRow("marked zero loses its minus and reads flat") << "-0.00万"
                                                                    << "0.00万" << Tone::Plain;
        QTest::newRow("marked zero loses its plus and reads flat") << "+0.00%"
                                                                   << "0.00%" << Tone::Plain;
        QTest::newRow("two signs read as zero") << "--2500.00万"
                                                << "-2500.00万" << Tone::Fall;
        QTest::newRow("plain text unchanged") << "abc"
                                              << "abc" << Tone::Plain;
        QTest::newRow("unsigned number unchanged") << "12.5"
                                                   << "12.5" << Tone::Plain;
        QTest::newRow("lone minus") << "-"
                                    << "" << Tone::Fall;
        QTest::newRow("minus before text") << "-abc"
                                           << "abc" << Tone::Fall;
        QTest::newRow("empty") << ""
                               << "" << Tone::Plain;
        QTest::newRow("plus keeps a second sign") << "+-1"
                                                  << "-1" << Tone::Rise;
    }
    void signMarker()
    {
        QFETCH(QString, cell);
        QFETCH(QString, shown);
        QFETCH(Tone, tone);
        const ListBaseView::MarkedText marked = ListBaseView::markedText(cell);
        QCOMPARE(marked.text, shown);
        QCOMPARE(marked.tone, tone);
    }

    void height_fromTitleAndRows_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("height");
        QTest::newRow("title and three rows") << "融资融券" << 3 << 4 * 24;
        QTest::newRow("title only") << "融资融券" << 0 << 24;
        QTest::newRow("no title, two rows") << "" << 2 << 2 * 24;
        QTest::newRow("nothing") << "" << 0 << 0;
    }
    void height_fromTitleAndRows()
    {
        QFETCH(QString, title);
        QFETCH(int, rows);
        QFETCH(int, height);
        QVariantList list;
        for (int i = 0; i < rows; ++i)
            list << QVariant(QStringList { QStringLiteral("a"), QStringLiteral("+1"), QStringLiteral("-1") });
        std::unique_ptr<ListBaseView> grid(makeGrid(title, list));
        QCOMPARE(grid->height(), height);
        QCOMPARE(ListBaseView::heightFor(title, rows, 24), height);
        // The origin and width of the frame are kept; its height is not.
        QCOMPARE(grid->pos(), QPoint(10, 20));
        QCOMPARE(grid->width(), 300);
    }

    void columnsAndColours()
    {
        const QVariantList rows = { QVariant(QStringList { QStringLiteral("日期"), QStringLiteral("+3"),
                                        QStringLiteral("--1"), QStringLiteral("x") }),
            QVariant(QVariantList { QStringLiteral("x"), QStringLiteral("y") }) };
        std::unique_ptr<ListBaseView> grid(makeGrid(QStringLiteral("t"), rows));
        QCOMPARE(grid->columnWidths(), (QList<qreal> { 100, 100.5, 99.5 }));
        QCOMPARE(grid->rows().size(), 2);
        QCOMPARE(grid->rows().at(1), (QStringList { QStringLiteral("x"), QStringLiteral("y") }));
        QCOMPARE(grid->colorForCell(0, QStringLiteral("日期")), platform::Colors::blue());
        QCOMPARE(grid->colorForCell(1, QStringLiteral("+3")), platform::Colors::red());
        QCOMPARE(grid->colorForCell(2, QStringLiteral("--1")), platform::Colors::green());
        QCOMPARE(grid->colorForCell(3, QStringLiteral("x")), platform::Colors::black());
        grid->setTextColor(platform::Colors::orange());
        QCOMPARE(grid->colorForCell(3, QStringLiteral("x")), platform::Colors::orange());
        QCOMPARE(grid->colorForCell(0, QStringLiteral("x")), platform::Colors::blue());
        // A marker wins over the column colour in the first column too.
        QCOMPARE(grid->colorForCell(0, QStringLiteral("-2")), platform::Colors::green());
    }

    void render_drawsMarkerColours()
    {
        const QVariantList rows = {
            QVariant(QStringList { QStringLiteral("涨跌"), QStringLiteral("+12.5"), QStringLiteral("-3.2") }),
            QVariant(
                QStringList { QStringLiteral("金额"), QStringLiteral("--2500.00万"), QStringLiteral("abc") })
        };
        std::unique_ptr<ListBaseView> grid(makeGrid(QStringLiteral("近日数据"), rows));
        const QString path = testsupport::renderToPng(grid.get(), QStringLiteral("ListBaseView"));
        QImage image(path);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size() / image.devicePixelRatio(), QSize(300, 72));
        bool red = false, green = false;
        for (int y = 24; y < image.height(); ++y)
            for (int x = 100; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red = red || (c.red() > 200 && c.green() < 80 && c.blue() < 80);
                green = green || (c.green() > 200 && c.red() < 80 && c.blue() < 80);
            }
        QVERIFY(red);
        QVERIFY(green);
    }
};

QTEST_MAIN(tst_ListBaseView)
#include "tst_ListBaseView.moc"
