#include "TestSupport.h"

#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "screens/QuotePanel.h"

#include <QtTest>

#include <memory>

using platform::Colors;

// The panel widget against the quote store: outlets, what one run applies,
// what a later run keeps, the index boxes and the warning level, and a look
// at both kinds.
class TestQuotePanel : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    QuilorSDK* m_sdk = nullptr;

    static QVariant fixture(const char* name)
    {
        const QByteArray text
            = testsupport::readFixture(QStringLiteral("panel/") + QString::fromLatin1(name));
        const std::optional<QVariant> parsed = platform::parseJson(text);
        if (!parsed)
            qFatal("fixture %s does not parse", name);
        return *parsed;
    }

    // The store's record of the code holding exactly `values` (the store may
    // start a refresh, which only lands once the event loop runs).
    StockQuoteDict putRecord(const QString& code, const QVariantMap& values)
    {
        StockQuoteDict record
            = m_sdk->iStocks()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), code } });
        *record = values;
        record->insert(QStringLiteral("stockcode"), code);
        return record;
    }

    static QString text(QuotePanel& panel, const char* outlet)
    {
        QLabel* label = panel.field(QString::fromLatin1(outlet));
        return label ? label->text() : QStringLiteral("<no field>");
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_settings = std::make_unique<testsupport::IsolatedSettings>();
        m_standIn = std::make_unique<testsupport::StandIn>();
        market::installSharedModels();
        m_sdk = new QuilorSDK(platform::Configuration::current().backendUrl, QStringLiteral("2001"),
            QStringLiteral("400030000"), this);
        QVERIFY(m_sdk->iStocks());
    }

    // The client saves its quote cache as it goes: before the folders do.
    void cleanupTestCase()
    {
        delete m_sdk;
        m_sdk = nullptr;
    }

    void outlets_namedAndPresent()
    {
        for (QuotePanel::Kind kind : { QuotePanel::Stock, QuotePanel::Index }) {
            QuotePanel panel(kind);
            const auto names = quotepanel::outletNames(
                kind == QuotePanel::Stock ? quotepanel::PanelKind::Stock : quotepanel::PanelKind::Index);
            for (const QString& name : names) {
                QLabel* label = panel.field(name);
                QVERIFY2(label, qPrintable(name));
                QCOMPARE(label->objectName(), name);
            }
            QVERIFY(panel.box(QStringLiteral("DealBox")));
            QCOMPARE(panel.box(QStringLiteral("EarthquakeBox")) != nullptr, kind == QuotePanel::Index);
            QVERIFY(!panel.field(QStringLiteral("nosuchTextField")));
            QCOMPARE(panel.sizeHint().width(), QuotePanel::kPanelWidth);
        }
        QuotePanel stock(QuotePanel::Stock);
        QVERIFY(!stock.field(QStringLiteral("earthquakeRank")));
        QuotePanel index(QuotePanel::Index);
        QVERIFY(!index.field(QStringLiteral("today_limith_priceField")));
        QVERIFY(!index.field(QStringLiteral("ratioTextField")));
    }

    void updateUI_appliesTheRecordAndAnswersIt()
    {
        const StockQuoteDict record
            = putRecord(QStringLiteral("600000"), fixture("stock_record.json").toMap());
        const QVariantList days = fixture("stock_days.json").toList();
        QuotePanel panel(QuotePanel::Stock);
        const StockQuoteDict answered = panel.UpdateUI(QStringLiteral("600000"), m_sdk, &days);
        QCOMPARE(answered.get(), record.get()); // the store's object, not a copy

        QCOMPARE(text(panel, "nameTextField"), QStringLiteral("浦发银行"));
        QCOMPARE(panel.textColor(QStringLiteral("priceTextField")), Colors::red());
        QCOMPARE(text(panel, "today_limith_priceField"), QStringLiteral("11.22"));
        QCOMPARE(text(panel, "marketvalueField"), QStringLiteral("3029.15亿"));
        QCOMPARE(text(panel, "bigbuyscoreTextField"), QStringLiteral("1.5321亿"));
        QCOMPARE(panel.textColor(QStringLiteral("diskscoreTextField")), Colors::green());
        // Row 0 has no margin figures yet: row 1's are shown.
        QCOMPARE(text(panel, "financingbalanceTextField"), QStringLiteral("43.5612亿元"));
        QCOMPARE(text(panel, "financingtorepaytheamountTextField"), QStringLiteral("0元"));
        QCOMPARE(text(panel, "securitieslendingrepaymentamountTextField"), QStringLiteral("0.0000万手"));
        QCOMPARE(text(panel, "deal5TypeField"), QStringLiteral("卖"));
        QCOMPARE(panel.textColor(QStringLiteral("deal5PriceTextField")), Colors::green());
        QCOMPARE(panel.textColor(QStringLiteral("buysellrateTextField")), Colors::red());
    }

    void updateUI_laterRunsKeepMissingFields()
    {
        const StockQuoteDict record
            = putRecord(QStringLiteral("600004"), fixture("stock_record.json").toMap());
        QuotePanel panel(QuotePanel::Stock);
        panel.UpdateUI(QStringLiteral("600004"), m_sdk, nullptr);
        QCOMPARE(text(panel, "PEField"), QStringLiteral("5.62"));

        // A key that went missing keeps its field; a changed one is rewritten.
        record->remove(QStringLiteral("PE"));
        record->insert(QStringLiteral("cprice"), QStringLiteral("10.01"));
        record->insert(QStringLiteral("valuerate"), QStringLiteral("-1.86"));
        panel.UpdateUI(QStringLiteral("600004"), m_sdk, nullptr);
        QCOMPARE(text(panel, "PEField"), QStringLiteral("5.62"));
        QCOMPARE(text(panel, "priceTextField"), QStringLiteral("10.01"));
        QCOMPARE(panel.textColor(QStringLiteral("nameTextField")), Colors::green());

        // A record that lost "valueprice" writes nothing but is still answered.
        record->remove(QStringLiteral("valueprice"));
        record->insert(QStringLiteral("cprice"), QStringLiteral("99.99"));
        QCOMPARE(panel.UpdateUI(QStringLiteral("600004"), m_sdk, nullptr).get(), record.get());
        QCOMPARE(text(panel, "priceTextField"), QStringLiteral("10.01"));
    }

    void updateUI_withoutRecordOrClient()
    {
        QuotePanel panel(QuotePanel::Stock);
        QVERIFY(!panel.UpdateUI(QStringLiteral("688999"), m_sdk, nullptr));
        QVERIFY(!panel.UpdateUI(QStringLiteral("600000"), nullptr, nullptr));
        QCOMPARE(text(panel, "priceTextField"), QStringLiteral("--"));
    }

    void index_boxesAndWarningLevel()
    {
        QVariantMap values = fixture("index_record.json").toMap();
        const QVariantList days = fixture("index_days.json").toList();

        putRecord(QStringLiteral("000001.idx"), values);
        QuotePanel other(QuotePanel::Index);
        other.UpdateUI(QStringLiteral("000001.idx"), m_sdk, &days);
        QVERIFY(other.box(QStringLiteral("EarthquakeBox"))->isHidden());
        QVERIFY(!other.box(QStringLiteral("DealBox"))->isHidden());
        QCOMPARE(text(other, "totalsubTextField"), QStringLiteral("5326"));
        QCOMPARE(text(other, "rmb5inscore"), QStringLiteral("-1523.7500亿"));

        // Too few day rows for a level: the field keeps its text.
        putRecord(QStringLiteral("888888.idx"), values);
        QuotePanel own(QuotePanel::Index);
        own.UpdateUI(QStringLiteral("888888.idx"), m_sdk, &days);
        QVERIFY(own.box(QStringLiteral("DealBox"))->isHidden());
        QVERIFY(!own.box(QStringLiteral("EarthquakeBox"))->isHidden());
        QCOMPARE(text(own, "earthquakeRank"), QStringLiteral("--"));
        QCOMPARE(text(own, "transaction100countField"), QStringLiteral("8.61亿手"));
        QCOMPARE(text(own, "amplituderateTextField"), QStringLiteral("3.20%"));

        // With enough rows the store's level is shown, even while the
        // record lacks "valuerate".
        QVariantList many;
        const QDate last = QDate::currentDate().addDays(-1);
        for (int i = 0; i < 12; ++i) {
            QVariantMap row = days.first().toMap();
            row.insert(QStringLiteral("curdate"), last.addDays(-i).toString(QStringLiteral("yyyyMMdd")));
            row.insert(QStringLiteral("valuerate"), QStringLiteral("-1.5"));
            row.insert(QStringLiteral("cprice"), QStringLiteral("3300"));
            row.insert(QStringLiteral("yprice"), QStringLiteral("3350"));
            many.append(row);
        }
        values.remove(QStringLiteral("valuerate"));
        for (int i = 0; i < 10; ++i)
            values.insert(QStringLiteral("extra%1").arg(i), QStringLiteral("1"));
        putRecord(QStringLiteral("888888.idx"), values);
        const int level = m_sdk->iStocks()->GetIdxAlerts(QStringLiteral("888888.idx"), &many);
        QVERIFY(level != quotepanel::kNoAlertLevel);
        QuotePanel fresh(QuotePanel::Index);
        fresh.UpdateUI(QStringLiteral("888888.idx"), m_sdk, &many);
        QCOMPARE(text(fresh, "earthquakeRank"), platform::stringWithFormat("%.1f级", double(level)));
        QCOMPARE(text(fresh, "priceTextField"), QStringLiteral("--"));
    }

    void render_bothKinds()
    {
        const QVariantList stockDays = fixture("stock_days.json").toList();
        putRecord(QStringLiteral("600000"), fixture("stock_record.json").toMap());
        QuotePanel stock(QuotePanel::Stock);
        stock.resize(stock.sizeHint());
        stock.UpdateUI(QStringLiteral("600000"), m_sdk, &stockDays);
        QVERIFY(!testsupport::renderToPng(&stock, QStringLiteral("panel_stock")).isEmpty());
        // Every block fits the column the screen gives the panel.
        QVERIFY(stock.minimumSizeHint().height() <= 573);
        QVERIFY(stock.minimumSizeHint().width() <= QuotePanel::kPanelWidth);

        const QVariantList indexDays = fixture("index_days.json").toList();
        QVariantMap values = fixture("index_record.json").toMap();
        putRecord(QStringLiteral("888888.idx"), values);
        QuotePanel own(QuotePanel::Index);
        own.resize(own.sizeHint());
        own.UpdateUI(QStringLiteral("888888.idx"), m_sdk, &indexDays);
        QVERIFY(!testsupport::renderToPng(&own, QStringLiteral("panel_index_888888")).isEmpty());

        values.insert(QStringLiteral("amplituderate"), QStringLiteral("3.20"));
        values.insert(QStringLiteral("transaction100count"), QStringLiteral("325010000"));
        values.insert(QStringLiteral("transactionvaluecount"), QStringLiteral("4123000"));
        putRecord(QStringLiteral("000001.idx"), values);
        QuotePanel other(QuotePanel::Index);
        other.resize(other.sizeHint());
        other.UpdateUI(QStringLiteral("000001.idx"), m_sdk, &indexDays);
        QVERIFY(other.minimumSizeHint().height() <= 573);
        QVERIFY(other.minimumSizeHint().width() <= QuotePanel::kPanelWidth);
        QVERIFY(own.minimumSizeHint().width() <= QuotePanel::kPanelWidth);
        QVERIFY(!testsupport::renderToPng(&other, QStringLiteral("panel_index_000001")).isEmpty());
    }
};

QTEST_MAIN(TestQuotePanel)
#include "tst_QuotePanel.moc"
