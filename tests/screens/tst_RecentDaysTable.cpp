#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/NotificationCenter.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/ControllerRegistry.h"
#include "screens/Registration.h"
#include "screens/stockHistoryViewController.h"
#include "screens/stockIDXHistoryViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

const int kBindDelayMs = 60;
const int kRetryBaseMs = 10;

QVariantList fixtureRows(const char* name)
{
    return jsonFixture(QStringLiteral("recentdays/"), name).toList();
}

int columnOf(RecentDaysViewController* table, const QString& identifier)
{
    const QList<recentdays::Column>& columns = recentdays::columns(table->kind());
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).identifier == identifier)
            return i;
    }
    return -1;
}

} // namespace

// Both recent-days windows against the stand-in server: binding, the own
// request, replies of the wrong kind, failures, live header updates,
// sorting, and a rendering of each for a person to look at.
class TestRecentDaysTable : public QObject {
    Q_OBJECT

private:
    ScreensTestEnv m_env;

    // Day-list requests of `api` for `code` the server has received.
    QList<QVariantMap> requestsOf(int api, const QString& code)
    {
        QList<QVariantMap> out;
        for (const QVariantMap& request : m_env.receivedRequests()) {
            if (platform::integerValue(request.value(QStringLiteral("api"))) == api
                && request.value(QStringLiteral("code")).toString() == code)
                out.append(request);
        }
        return out;
    }

    // Registers the code with the quote store (as the opening screen does)
    // and waits until its record can fill a header.
    StockQuoteDict completeRecord(const QString& code)
    {
        m_env.sdk->iStocks()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), code } });
        StockQuoteDict record;
        const bool complete = QTest::qWaitFor(
            [&]() {
                record = m_env.sdk->iStocks()->recordFor(code);
                return record && record->contains(QStringLiteral("valuerate"))
                    && record->contains(QStringLiteral("valueprice"))
                    && record->contains(QStringLiteral("mainvalue"));
            },
            8000);
        if (!complete)
            qWarning("record of %s incomplete", qPrintable(code));
        return record;
    }

    static std::unique_ptr<RecentDaysViewController> makeTable(bool index)
    {
        if (index)
            return std::make_unique<stockIDXHistoryViewController>();
        return std::make_unique<stockHistoryViewController>();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env.start();
        screens::registerControllers();
        RecentDaysViewController::setDelays(kBindDelayMs, kRetryBaseMs);
    }

    void cleanupTestCase() { m_env.stop(); }

    // Handed the screen's rows: reload one pause after binding, header one
    // pause later, and nothing asked of the backend.
    void boundWithRows_reloadsThenFillsHeaderWithoutRequest_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QString>("code");
        QTest::newRow("stock") << false << QStringLiteral("600000");
        QTest::newRow("index") << true << QStringLiteral("000001.idx");
    }
    void boundWithRows_reloadsThenFillsHeaderWithoutRequest()
    {
        QFETCH(bool, index);
        QFETCH(QString, code);
        const StockQuoteDict record = completeRecord(code);
        QVERIFY(record);
        const QVariantList rows = fixtureRows(index ? "index_rows.json" : "stock_rows.json");
        m_env.backend().clearReceivedBodies();

        auto table = makeTable(index);
        QStringList events;
        // The store keeps refreshing the record: the header is checked
        // against what the record held when the header was filled.
        QVariantMap filledFrom;
        connect(table->table->model(), &QAbstractItemModel::modelReset, this,
            [&events]() { events << QStringLiteral("reload"); });
        connect(table.get(), &RecentDaysViewController::updatedUI, this, [&events, &filledFrom, record]() {
            events << QStringLiteral("header");
            filledFrom = *record;
        });
        connect(table.get(), &RecentDaysViewController::dayListRequested, this,
            [&events]() { events << QStringLiteral("request"); });
        QElapsedTimer clock;
        clock.start();
        table->InitByCodeAndStocks(code, rows);
        QCOMPARE(table->curCode, code);
        QCOMPARE(table->selfDict->value(QStringLiteral("stockcode")).toString(), code);
        QCOMPARE(table->numberOfRowsInTableView(table->table), int(rows.size()));
        QVERIFY(events.isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(
            events, (QStringList { QStringLiteral("reload"), QStringLiteral("header") }), 10000);
        QVERIFY(clock.elapsed() >= 2 * kBindDelayMs);
        QCOMPARE(table->selfDict.get(), record.get()); // the store's record, shared
        QCOMPARE(table->nameTextField->text(), filledFrom.value(QStringLiteral("stockname")).toString());
        QCOMPARE(table->codeTextField->text(), code);

        // The fixture's newest day is not the store's day, so today's main value completes the sums.
        const bool today
            = filledFrom.value(QStringLiteral("curdate")).toString() == QLatin1String("20261204");
        const float main = platform::floatValue(filledFrom.value(QStringLiteral("mainvalue")));
        const float first = index ? -210.5f : 2.0f;
        const QString expected = today ? platform::stringWithFormat("5日:%.2f亿", double(first))
                                       : platform::stringWithFormat("6日:%.2f亿", double(main + first));
        QCOMPARE(table->label(recentdays::sumLabels(table->kind()).first())->text(), expected);

        QTest::qWait(3 * kBindDelayMs);
        QVERIFY(requestsOf(table->ownApi(), code).isEmpty());
    }

    // Bound without rows, each table asks for 88 rows of its own API; the
    // index table also fills its header at once, the stock table only after
    // the reply.
    void boundWithoutRows_requestsOwnRows_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("api");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("stock") << false << QStringLiteral("600036") << 90006
                               << QStringList { QStringLiteral("request"), QStringLiteral("reload"),
                                      QStringLiteral("header") };
        QTest::newRow("index") << true << QStringLiteral("399001.idx") << 99006
                               << QStringList { QStringLiteral("request"), QStringLiteral("header"),
                                      QStringLiteral("reload"), QStringLiteral("header") };
    }
    void boundWithoutRows_requestsOwnRows()
    {
        QFETCH(bool, index);
        QFETCH(QString, code);
        QFETCH(int, api);
        QFETCH(QStringList, events);
        QVERIFY(completeRecord(code));
        m_env.backend().clearReceivedBodies();

        RecentDaysViewController* made
            = RecentDaysViewController::makeBound(index ? QStringLiteral("stockIDXHistoryViewController")
                                                        : QStringLiteral("stockHistoryViewController"),
                code, std::nullopt);
        QVERIFY(made);
        std::unique_ptr<RecentDaysViewController> table(made);
        QCOMPARE(table->kind(), index ? recentdays::Kind::Index : recentdays::Kind::Stock);
        QCOMPARE(table->ownApi(), api);
        QStringList seen;
        connect(table->table->model(), &QAbstractItemModel::modelReset, this,
            [&seen]() { seen << QStringLiteral("reload"); });
        connect(table.get(), &RecentDaysViewController::updatedUI, this,
            [&seen]() { seen << QStringLiteral("header"); });
        connect(table.get(), &RecentDaysViewController::dayListRequested, this,
            [&seen]() { seen << QStringLiteral("request"); });
        QVERIFY(!table->stockDicts);
        QCOMPARE(table->numberOfRowsInTableView(table->table), 0);

        QTRY_COMPARE_WITH_TIMEOUT(seen, events, 5000);
        const QList<QVariantMap> requests = requestsOf(api, code);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().value(QStringLiteral("pageindex")).toString(), QStringLiteral("0"));
        QCOMPARE(requests.first().value(QStringLiteral("pagesize")).toString(), QStringLiteral("88"));
        QVERIFY(table->stockDicts && !table->stockDicts->isEmpty() && table->stockDicts->size() <= 88);
        QCOMPARE(table->table->model()->rowCount(), int(table->stockDicts->size()));
        const QString newest = table->stockDicts->first().toMap().value(QStringLiteral("curdate")).toString();
        const QString oldest = table->stockDicts->last().toMap().value(QStringLiteral("curdate")).toString();
        QVERIFY2(newest > oldest, qPrintable(newest + QLatin1Char(' ') + oldest));
        QCOMPARE(table->newestRow()->value(QStringLiteral("curdate")).toString(), newest);
        QVERIFY(table->label(recentdays::sumLabels(table->kind()).first())
                    ->text()
                    .contains(QStringLiteral("亿")));
    }

    void makeBound_refusesWhatCannotBeShown()
    {
        QVERIFY(!RecentDaysViewController::makeBound(
            QStringLiteral("stockHistoryViewController"), QString(), {}));
        QVERIFY(!RecentDaysViewController::makeBound(
            QStringLiteral("noSuchController"), QStringLiteral("600000"), {}));
        std::unique_ptr<RecentDaysViewController> table(
            RecentDaysViewController::makeBound(QStringLiteral("stockHistoryViewController"),
                QStringLiteral("600000"), fixtureRows("stock_rows.json")));
        QVERIFY(table);
        QCOMPARE(table->stockDicts->size(), 3);

        stockHistoryViewController unbound;
        unbound.InitByCode(QString());
        unbound.InitByCodeAndStocks(QString(), fixtureRows("stock_rows.json"));
        QVERIFY(unbound.curCode.isNull());
        QVERIFY(!unbound.stockDicts);
    }

    // Only the table's own API counts, and a reply without rows keeps the rows.
    void reply_ignoredUnlessOwnRows_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<int>("api");
        QTest::addColumn<QVariant>("reply");
        const QVariant stockRows = fixtureRows("stock_rows.json");
        const QVariant indexRows = fixtureRows("index_rows.json");
        QTest::newRow("index table, stock API") << true << 90006 << stockRows;
        QTest::newRow("stock table, index API") << false << 99006 << indexRows;
        QTest::newRow("stock table, own API, object")
            << false << 90006 << QVariant(QVariantMap { { QStringLiteral("data"), stockRows } });
        QTest::newRow("index table, own API, empty array") << true << 99006 << QVariant(QVariantList());
        QTest::newRow("stock table, own API, text") << false << 90006 << QVariant(QStringLiteral("[]"));
    }
    void reply_ignoredUnlessOwnRows()
    {
        QFETCH(bool, index);
        QFETCH(int, api);
        QFETCH(QVariant, reply);
        auto table = makeTable(index);
        const QVariantList own = fixtureRows(index ? "index_rows.json" : "stock_rows.json");
        table->InitByCodeAndStocks(
            index ? QStringLiteral("000001.idx") : QStringLiteral("600000"), own.mid(1));
        QSignalSpy requested(table.get(), &RecentDaysViewController::dayListRequested);
        table->HttpResult(reply, api, false);
        QCOMPARE(*table->stockDicts, own.mid(1));
        QTest::qWait(3 * kBindDelayMs);
        QCOMPARE(requested.count(), 0);

        // The same table still takes a proper reply of its own API, cached or not.
        table->HttpResult(own, table->ownApi(), true);
        QCOMPARE(*table->stockDicts, own);

        // Of a reply far beyond the page asked for, only that page is shown.
        QVariantList flood;
        while (flood.size() < 1000)
            flood += own;
        table->HttpResult(flood, table->ownApi(), false);
        QCOMPARE(table->stockDicts->size(), qsizetype(RecentDaysViewController::kPageSize));
        QCOMPARE(table->stockDicts->first(), own.first());
    }

    // Each failure tells the user and asks again, but not forever; code 1 is silent.
    void failure_notifiesAndRetriesBounded_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("notifications");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("rows");
        const int limit = RecentDaysViewController::kRetryLimit;
        QTest::newRow("stock, server keeps failing")
            << false << -1099 << 100 << limit + 1 << limit + 1 << false;
        QTest::newRow("index, server code 500 keeps failing")
            << true << 500 << 100 << limit + 1 << limit + 1 << false;
        QTest::newRow("stock, two failures then rows") << false << -1099 << 2 << 2 << 3 << true;
        QTest::newRow("stock, code 1 shows and asks nothing") << false << 1 << 1 << 0 << 1 << false;
    }
    void failure_notifiesAndRetriesBounded()
    {
        QFETCH(bool, index);
        QFETCH(int, code);
        QFETCH(int, failures);
        QFETCH(int, notifications);
        QFETCH(int, requests);
        QFETCH(bool, rows);
        testsupport::NotificationRecorder recorder;
        auto table = makeTable(index);
        const QString stockCode = index ? QStringLiteral("399006.idx") : QStringLiteral("600519");
        m_env.backend().clearReceivedBodies();
        m_env.backend().failApi(table->ownApi(), code, failures);
        QSignalSpy requested(table.get(), &RecentDaysViewController::dayListRequested);
        table->InitByCode(stockCode);

        QTRY_COMPARE_WITH_TIMEOUT(requested.count(), requests, 5000);
        if (rows)
            QTRY_VERIFY_WITH_TIMEOUT(table->stockDicts.has_value(), 5000);
        // Longer than every pause the table could still be waiting for.
        QTest::qWait(kRetryBaseMs * (2 << RecentDaysViewController::kRetryLimit) + 300);
        m_env.backend().failApi(table->ownApi(), 0, 0);

        QCOMPARE(requested.count(), requests);
        QCOMPARE(requestsOf(table->ownApi(), stockCode).size(), requests);
        QCOMPARE(recorder.delivered.size(), notifications);
        for (const platform::UserNotification& n : recorder.delivered) {
            QCOMPARE(n.title, QStringLiteral("网络不给力"));
            QCOMPARE(n.informativeText, QStringLiteral("网络不给力，请重试！"));
            QCOMPARE(n.soundName, QStringLiteral("default"));
        }
        QCOMPARE(table->stockDicts.has_value(), rows);
        if (rows)
            QCOMPARE(table->failuresInRow(), 0);
    }

    // A window closed while its request is under way is never called back.
    void closedWhileRequesting_isNotCalledBack()
    {
        testsupport::NotificationRecorder recorder;
        auto table = makeTable(false);
        bool requested = false;
        // Closed on the loop turn right after sending, long before the reply.
        connect(table.get(), &RecentDaysViewController::dayListRequested, this, [&]() {
            requested = true;
            table.release()->deleteLater();
        });
        m_env.backend().failApi(table->ownApi(), -1099, 1);
        table->InitByCode(QStringLiteral("000002"));
        QTRY_VERIFY_WITH_TIMEOUT(requested, 10000);
        // The request reaches the server, then its failure has time to come back.
        QTRY_COMPARE_WITH_TIMEOUT(requestsOf(90006, QStringLiteral("000002")).size(), 1, 10000);
        QTest::qWait(300);
        QVERIFY(recorder.delivered.isEmpty());
        QCOMPARE(requestsOf(90006, QStringLiteral("000002")).size(), 1);
        m_env.backend().failApi(90006, 0, 0);
    }

    // Each window names itself and paints black once shown.
    void shown_titleAndBackground_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QString>("title");
        QTest::newRow("stock") << false << QStringLiteral("岚石通个股最近日VIP数据");
        QTest::newRow("index") << true << QStringLiteral("岚石通指数最近日VIP数据");
    }
    void shown_titleAndBackground()
    {
        QFETCH(bool, index);
        QFETCH(QString, title);
        auto table = makeTable(index);
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table.get()));
        QCOMPARE(table->title(), title);
        QCOMPARE(table->palette().color(QPalette::Window), QColor(Qt::black));
        // Made as small as it goes, it still shows its whole header and rows.
        table->resize(1, 1);
        for (const QLabel* field : table->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(table->rect().contains(field->geometry()), qPrintable(field->objectName()));
        QVERIFY(
            table->table->viewport()->height() >= 3 * table->table->verticalHeader()->defaultSectionSize());
    }

    // While shown the header follows its own code's quote updates only.
    void quoteUpdates_followOwnCodeWhileShown()
    {
        const QString code = QStringLiteral("600000");
        const StockQuoteDict record = completeRecord(code);
        QVERIFY(record);
        auto table = makeTable(false);
        table->InitByCodeAndStocks(code, fixtureRows("stock_rows.json"));
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table.get()));
        QCOMPARE(table->title(), QStringLiteral("岚石通个股最近日VIP数据"));
        QCOMPARE(table->palette().color(QPalette::Window), QColor(Qt::black));
        QTest::qWait(3 * kBindDelayMs); // past the bind steps' own update

        QSignalSpy updated(table.get(), &RecentDaysViewController::updatedUI);
        auto* center = platform::NotificationCenter::defaultCenter();
        const QString name = QStringLiteral("StockupDateOk");
        center->postNotificationName(name,
            QVariant::fromValue(
                platform::makeSharedDict({ { QStringLiteral("stockcode"), QStringLiteral("600036") } })));
        center->postNotificationName(name, QVariant());
        QCOMPARE(updated.count(), 0);
        center->postNotificationName(name, QVariant::fromValue(record));
        QCOMPARE(updated.count(), 1);
        center->postNotificationName(name, QVariantMap { { QStringLiteral("code"), code } });
        QCOMPARE(updated.count(), 2);

        // The live value reaches the header.
        const QString realName = record->value(QStringLiteral("stockname")).toString();
        m_env.sdk->iStocks()->mergeFields(
            code, { { QStringLiteral("stockname"), QStringLiteral("测试名称") } });
        center->postNotificationName(name, QVariant::fromValue(record));
        QCOMPARE(table->nameTextField->text(), QStringLiteral("测试名称"));
        m_env.sdk->iStocks()->mergeFields(code, { { QStringLiteral("stockname"), realName } });

        table->hide();
        const int before = updated.count();
        center->postNotificationName(name, QVariant::fromValue(record));
        QCOMPARE(updated.count(), before);
    }

    // Four-digit 亿 sums, as the sample market has them, show whole.
    void columns_fitTheWidestFigure()
    {
        QVariantList rows = fixtureRows("stock_rows.json");
        QVariantMap newest = rows.first().toMap();
        newest.insert(QStringLiteral("diskscore"), QStringLiteral("-12720400"));
        newest.insert(QStringLiteral("ratioscore"), QStringLiteral("-12720400"));
        rows[0] = newest;
        auto table = makeTable(false);
        QSignalSpy reloads(table->table->model(), &QAbstractItemModel::modelReset);
        table->InitByCodeAndStocks(QStringLiteral("600000"), rows);
        QTRY_VERIFY_WITH_TIMEOUT(!reloads.isEmpty(), 10000);
        const QFontMetrics metrics(table->table->font());
        const QList<recentdays::Column>& columns = recentdays::columns(recentdays::Kind::Stock);
        for (int i = 0; i < columns.size(); ++i) {
            if (columns.at(i).identifier != QLatin1String("diskscore")
                && columns.at(i).identifier != QLatin1String("ratioscore"))
                continue;
            const QString text
                = recentdays::cellFor(recentdays::Kind::Stock, newest, columns.at(i).identifier).text;
            QCOMPARE(text, QStringLiteral("-1272.04亿"));
            QVERIFY2(table->table->columnWidth(i) >= metrics.horizontalAdvance(text) + 8,
                qPrintable(columns.at(i).identifier));
        }
    }

    // A header click sorts the rows themselves; the sums keep the newest day.
    void headerClick_sortsRowsKeepingNewestForSums()
    {
        auto table = makeTable(false);
        table->InitByCodeAndStocks(QStringLiteral("600000"), fixtureRows("stock_rows.json"));
        QAbstractItemModel* model = table->table->model();
        const int rate = columnOf(table.get(), QStringLiteral("valuerate"));
        const int stage = columnOf(table.get(), QStringLiteral("volume"));
        QVERIFY(rate >= 0 && stage >= 0);

        table->table->horizontalHeader()->setSortIndicator(rate, Qt::AscendingOrder);
        QCOMPARE(model->index(0, rate).data().toString(), QStringLiteral("-0.48%"));
        QCOMPARE(model->index(2, rate).data().toString(), QStringLiteral("1.25%"));
        QCOMPARE(model->index(0, rate).data(Qt::ForegroundRole).value<QColor>(), platform::Colors::green());
        QCOMPARE(model->index(0, stage).data().toString(), QStringLiteral("9"));
        QCOMPARE(model->index(0, stage).data(Qt::ForegroundRole).value<QColor>(), platform::Colors::yellow());
        QCOMPARE(table->newestRow()->value(QStringLiteral("curdate")).toString(), QStringLiteral("20261204"));

        table->table->horizontalHeader()->setSortIndicator(rate, Qt::DescendingOrder);
        QCOMPARE(model->index(0, rate).data().toString(), QStringLiteral("1.25%"));
        const int amount = columnOf(table.get(), QStringLiteral("transactionvaluecount"));
        QVERIFY(!model->index(0, amount).data(Qt::ForegroundRole).isValid());
        QVERIFY(!model->index(7, rate).data().isValid());
    }

    void render_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("stock") << false << QStringLiteral("600000")
                               << QStringLiteral("recentdays_stock_600000");
        QTest::newRow("index") << true << QStringLiteral("000001.idx")
                               << QStringLiteral("recentdays_index_000001");
    }
    void render()
    {
        QFETCH(bool, index);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QVERIFY(completeRecord(code));
        auto table = makeTable(index);
        QSignalSpy updated(table.get(), &RecentDaysViewController::updatedUI);
        table->InitByCode(code);
        table->show();
        QTRY_VERIFY_WITH_TIMEOUT(table->stockDicts.has_value(), 5000);
        // Quote updates also refresh the header; wait for the one that brings the sums.
        QLabel* firstSum = table->label(recentdays::sumLabels(table->kind()).first());
        QTRY_VERIFY_WITH_TIMEOUT(!firstSum->text().endsWith(QStringLiteral("--")), 5000);
        QVERIFY(updated.count() >= 1);
        const QString path = testsupport::renderToPng(table.get(), name);
        const QImage image(path);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= RecentDaysViewController::kWidth);
    }
};

QTEST_MAIN(TestRecentDaysTable)
#include "tst_RecentDaysTable.moc"
