#include "DrawnText.h"
#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "charts/CandleView.h"
#include "charts/TimeShareView.h"
#include "market/SharedModels.h"
#include "platform/Configuration.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Colors.h"
#include "screens/ColumnView.h"
#include "screens/QuotePanel.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "ui/ListBaseView.h"
#include "watchlist/MyStockTableCell.h"

#include <QFileInfo>
#include <QImage>
#include <QtTest>

#include <memory>

namespace {

// A one-day minute chart given its days instead of loading them.
class MinuteChart : public TimeShareView {
public:
    explicit MinuteChart(QVector<charts::MinuteDay> days)
        : TimeShareView(QRect(0, 0, 900, 495), {}, nullptr, {})
    {
        setDays(std::move(days));
    }

protected:
    void RefreshData() override { }
    int dayColumns() const override { return 1; }
};

QColor white(double alpha)
{
    QColor c = platform::Colors::white();
    c.setAlphaF(alpha);
    return c;
}

// The widget of one place figures are shown in, filled with long figures.
std::unique_ptr<QWidget> figurePlace(const QString& place)
{
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    if (place == s("row") || place == s("index row")) {
        auto row = std::make_unique<MyStockTableCell>();
        // The compact window's row, the narrowest one.
        row->resize(210, 40);
        QVariantMap record { { s("stockname"), s("测试股份") }, { s("cprice"), s("12345.67") },
            { s("valueprice"), s("-1234.56") }, { s("valuerate"), s("-10.00") }, { s("ratio"), s("12.34") },
            { s("turnoverrate"), s("12.34") }, { s("mainvalue"), s("-239.4436") },
            { s("transactionvaluecount"), s("123456789") } };
        record.insert(s("stockcode"), place == s("row") ? s("601999") : s("399905.idx"));
        row->UpdateCell(record);
        return row;
    }
    if (place == s("quote panel")) {
        // In its column of the screen, which does not grow with the figures.
        auto screen = std::make_unique<QWidget>();
        screen->setFixedSize(QuotePanel::kPanelWidth, 573);
        auto* panel = new QuotePanel(QuotePanel::Stock, screen.get());
        panel->setGeometry(screen->rect());
        const QVariantMap record { { s("stockcode"), s("601999") }, { s("cprice"), s("12345.67") },
            { s("valueprice"), s("-1234.56") }, { s("valuerate"), s("-10.00") },
            { s("totalvalue"), s("123456.78") }, { s("marketvalue"), s("1234567800") },
            { s("transaction100count"), s("9999999999") }, { s("transactionvaluecount"), s("9999999999") },
            { s("mainvalue"), s("-12345.6789") }, { s("PE"), s("-12345.67") }, { s("PB"), s("12345.67") },
            { s("buy1"), s("12345.67") }, { s("buy1count"), s("9999999999") } };
        const QVariantList days { QVariantMap { { s("bigbuyscore"), s("-123456789") } } };
        panel->apply(
            quotepanel::computeQuotePanel(quotepanel::PanelKind::Stock, s("601999"), &record, &days));
        return screen;
    }
    if (place == s("minute chart")) {
        charts::MinuteDay day { s("20240105"), 12345.67f, {} };
        // The last minute, which the legend shows, is a small one: the long
        // figure is the volume scale's.
        for (int slot = 0; slot < 120; ++slot)
            day.points.append(
                { slot, QString(), 12345.67f + float(slot), 12340.0f, slot < 119 ? 9.99999e9f : 1e6f });
        return std::make_unique<MinuteChart>(QVector<charts::MinuteDay> { day });
    }
    if (place == s("K-line chart")) {
        auto chart = std::make_unique<CandleView>(QRect(0, 0, 900, 495), QVariantMap(), nullptr, nullptr);
        for (int i = 0; i < 60; ++i) {
            const QString price = QString::number(12345.67 + i * 10, 'f', 2);
            chart->iDataArray.append(QVariant(QVariantList { s("2024-01-05"), price, price, price, price,
                i < 59 ? s("99999900") : s("100"), s("-1.25") }));
        }
        chart->iWPintCount = 60;
        chart->InitBackImage();
        return chart;
    }
    if (place == s("bar chart")) {
        QStringList labels, values;
        for (int i = 0; i < 20; ++i) {
            labels << s("15-09");
            values << (i % 3 == 0 ? s("-37.50") : i % 3 == 1 ? s("192.00") : s("1244.26"));
        }
        return std::make_unique<ColumnView>(QRect(5, 0, 646, 200), s("净利润趋势图"), labels, values,
            platform::Colors::black(), white(0.6), s("亿"));
    }
    // The company summary's income table in the window's content area.
    const QVariantList rows { QStringList { s("产品"), s("占比"), s("收入(亿)") },
        QStringList { s("手续费及佣金净收入"), s("45.68%"), s("-1234.5678") } };
    return std::make_unique<ListBaseView>(QRect(5, 0, 646, 1), s("收入构成(按产品)"), rows,
        QStringList { s("80"), s("283.000000"), s("283.000000") }, 16, platform::Colors::black(), white(0.1),
        white(0.6), 2, white(0.8), 2);
}

// The figure appears whole, or cut short where "…" says so.
bool wholeOrElided(const QString& drawn, const QString& figure)
{
    for (qsizetype keep = figure.size(); keep > 0; --keep) {
        if (drawn.contains(keep == figure.size() ? figure : figure.left(keep) + QChar(0x2026)))
            return true;
    }
    return false;
}

} // namespace

// Bound screens against the stand-in server, rendered for a person to look at,
// and the places figures are shown in, painted to see what a person reads.
class TestScreenRender : public QObject {
    Q_OBJECT

private:
    ScreensTestEnv m_env;

private Q_SLOTS:
    void initTestCase() { m_env.start(); }

    void cleanupTestCase() { m_env.stop(); }

    void render_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("name");
        QTest::newRow("stock") << QStringLiteral("600000") << QStringLiteral("2")
                               << QStringLiteral("stock_screen_600000");
        QTest::newRow("index") << QStringLiteral("000001.idx") << QString()
                               << QStringLiteral("index_screen_000001");
        QTest::newRow("own index") << QStringLiteral("888888.idx") << QStringLiteral("2")
                                   << QStringLiteral("index_screen_888888");
    }
    void render()
    {
        QFETCH(QString, code);
        QFETCH(QString, tab);
        QFETCH(QString, name);
        auto* defaults = platform::UserDefaults::standardUserDefaults();
        if (tab.isNull())
            defaults->removeObjectForKey(QStringLiteral("kSegIdx"));
        else
            defaults->setObject(tab, QStringLiteral("kSegIdx"));

        std::unique_ptr<SecurityViewController> screen
            = makeSecurityScreen(code.endsWith(QStringLiteral(".idx")));
        QSignalSpy updated(screen.get(), &SecurityViewController::updatedUI);
        screen->bindCode(code, m_env.sdk);
        screen->show();
        QTRY_VERIFY_WITH_TIMEOUT(screen->stocks.has_value(), 5000);
        // Let the store fill the record and the chart load its data.
        QTRY_VERIFY_WITH_TIMEOUT(screen->selfDict && screen->selfDict->size() > 20, 8000);
        QTest::qWait(1500);
        screen->UpdateUI();
        const QString path = testsupport::renderToPng(screen.get(), name);
        QVERIFY(QFileInfo::exists(path));
        const QImage image(path);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 1242);
        screen->close();
    }

    // A text too wide for its place shrinks or ends in "…"; none is cut by
    // its rectangle into another number.
    void figures_fitTheirPlaces_data()
    {
        const auto s = [](const char* text) { return QString::fromUtf8(text); };
        QTest::addColumn<QString>("place");
        QTest::addColumn<QStringList>("figures");
        QTest::newRow("watch-list row")
            << s("row") << QStringList { s("-239.4436亿"), s("-1234.56  -10.00%"), s("12345.67") };
        QTest::newRow("watch-list index row") << s("index row") << QStringList { s("额: 12345.68亿") };
        const QStringList panelFigures { s("-12345.6787亿"), s("123456.78亿"), s("1000000.00万手") };
        QTest::newRow("quote panel") << s("quote panel") << panelFigures;
        QTest::newRow("minute chart") << s("minute chart") << QStringList { s("9999.99万手") };
        QTest::newRow("K-line chart") << s("K-line chart") << QStringList { s("9999.99万") };
        QTest::newRow("bar chart of 20 quarters")
            << s("bar chart") << QStringList { s("-37.50亿"), s("192.00亿"), s("1244.26亿") };
        QTest::newRow("company income table")
            << s("income table") << QStringList { s("手续费及佣金净收入"), s("-1234.5678") };
    }
    void figures_fitTheirPlaces()
    {
        QFETCH(QString, place);
        QFETCH(QStringList, figures);
        const std::unique_ptr<QWidget> widget = figurePlace(place);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
        QString drawn;
        for (const testsupport::DrawnText& run : testsupport::drawnTexts(widget.get())) {
            QVERIFY2(!run.cut(), qPrintable(QStringLiteral("cut: ") + run.text));
            drawn += run.text;
        }
        for (const QString& figure : figures)
            QVERIFY2(wholeOrElided(drawn, figure), qPrintable(figure + QStringLiteral(" in ") + drawn));
    }
};

QTEST_MAIN(TestScreenRender)
#include "tst_ScreenRender.moc"
