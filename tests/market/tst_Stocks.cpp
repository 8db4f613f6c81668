#include "../watchlist/BackendRelay.h"
#include "TestSupport.h"

#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/NotificationCenter.h"
#include "standin/StandInServer.h"

#include <QtTest>

#include <memory>

namespace {
const QString kUpdate = QStringLiteral("StockupDateOk");

QDateTime shanghai(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone(QByteArrayLiteral("Asia/Shanghai")));
}

const QDateTime kFridayMorning = shanghai(2025, 3, 14, 10, 30);
const QDateTime kSaturday = shanghai(2025, 3, 15, 10, 30);

QVariantMap codeDict(const QString& code)
{
    return { { QStringLiteral("stockcode"), code } };
}

// Counts "StockupDateOk" per code while it lives.
struct UpdateCounter : QObject {
    QHash<QString, int> counts;
    QList<StockQuoteDict> records;
    UpdateCounter()
    {
        platform::NotificationCenter::defaultCenter()->addObserver(
            this, kUpdate, [this](const platform::Notification& n) {
                const StockQuoteDict record = platform::sharedDictFromVariant(n.object);
                if (!record)
                    return;
                ++counts[stockCodeOf(*record)];
                records << record;
            });
    }
};

// Waits for an update of `code`; with `withKey`, for one whose record holds
// that key when it is posted (the batched poll posts too, before a loader ends).
bool waitForUpdateOf(
    const QString& code, int timeoutMs, StockQuoteDict* record = nullptr, const QString& withKey = {})
{
    platform::Notification n;
    const bool ok
        = testsupport::waitForNotification(kUpdate, timeoutMs, &n, [&](const platform::Notification& x) {
              const StockQuoteDict r = platform::sharedDictFromVariant(x.object);
              return r && stockCodeOf(*r) == code && (withKey.isEmpty() || r->contains(withKey));
          });
    if (ok && record)
        *record = platform::sharedDictFromVariant(n.object);
    return ok;
}

int countPaths(const QStringList& log, const QString& part)
{
    int n = 0;
    for (const QString& path : log)
        n += path.contains(part) ? 1 : 0;
    return n;
}

// The keys every complete stock record carries.
QStringList stockKeys()
{
    QStringList keys { QStringLiteral("stockcode"), QStringLiteral("stockname"),
        QStringLiteral("marketstatus"), QStringLiteral("curdate"), QStringLiteral("cprice"),
        QStringLiteral("yprice"), QStringLiteral("valueprice"), QStringLiteral("valuerate"),
        QStringLiteral("today_start_price"), QStringLiteral("valuehighest"), QStringLiteral("valuelowest"),
        QStringLiteral("preprice"), QStringLiteral("amplituderate"), QStringLiteral("PE"),
        QStringLiteral("PB"), QStringLiteral("totalvalue"), QStringLiteral("marketvalue"),
        QStringLiteral("ratio"), QStringLiteral("turnoverrate"), QStringLiteral("transaction100count"),
        QStringLiteral("transactionvaluecount"), QStringLiteral("outdisk"), QStringLiteral("indisk"),
        QStringLiteral("recentlyandtransactionbytransaction") };
    for (int i = 1; i <= 5; ++i)
        for (const char* side : { "buy", "sell" }) {
            keys << QString::fromLatin1(side) + QString::number(i);
            keys << QString::fromLatin1(side) + QString::number(i) + QStringLiteral("count");
        }
    for (const char* k : { "mainvalue", "bigbigvalue", "bigvalue", "midvalue", "minvalue" }) {
        keys << QString::fromLatin1(k) << QString::fromLatin1(k) + QStringLiteral("Precent");
    }
    for (const char* k :
        { "bigbigbuy", "bigbigsell", "bigbuy", "bigsell", "midbuy", "midsell", "minbuy", "minsell" })
        keys << QString::fromLatin1(k);
    return keys;
}
} // namespace

class StocksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void registeredStock_fillsCompleteRecordAndPostsIt();
    void registeredIndex_getsMemberCountsAndIndexFundFlow();
    void ownIndex_comesFromTheBackend();
    void failingStep_leavesItsKeysAsTheyWere();
    void merge_keepsIdentityAndTakesOnlyStrings();
    void records_stayWhileSomethingShowsThem();
    void lateOlderQuote_neverReplacesNewer();
    void del_stopsRefreshesButKeepsTheRecord();
    void poll_paceFollowsMarketStatus_data();
    void poll_paceFollowsMarketStatus();
    void poll_batchesTheQuoteRequest();
    void cache_survivesARestart();
    void idxAlerts_gates();

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    std::unique_ptr<QuilorSDK> m_sdk;
    stocks* store() { return m_sdk->iStocks(); }
    void pointAtNothing()
    {
        platform::Configuration::setCurrent(
            platform::Configuration::allAt(QStringLiteral("http://127.0.0.1:9")));
    }
};

void StocksTest::initTestCase()
{
    market::installSharedModels();
}

void StocksTest::init()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
    m_standIn = std::make_unique<testsupport::StandIn>();
    m_standIn->server().market().setNow(kFridayMorning);
    m_sdk = std::make_unique<QuilorSDK>(
        m_standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"));
    QVERIFY(store());
    store()->setPollIntervals(100, 400);
    store()->setClock([] { return kFridayMorning; });
}

void StocksTest::cleanup()
{
    m_sdk.reset();
    m_standIn.reset();
    m_settings.reset();
}

void StocksTest::registeredStock_fillsCompleteRecordAndPostsIt()
{
    store()->setLoadersPerPoll(0);
    const StockQuoteDict record = store()->AddwillDoRefreshDict(codeDict(QStringLiteral("600000")));
    QVERIFY(record);
    StockQuoteDict posted;
    // The fund flow is the loader's last step.
    QVERIFY(waitForUpdateOf(QStringLiteral("600000"), 5000, &posted, QStringLiteral("mainvalue")));
    QCOMPARE(posted.get(), record.get()); // the notification carries the store's own record
    QCOMPARE(store()->recordFor(QStringLiteral("600000")).get(), record.get());
    for (const QString& key : stockKeys())
        QVERIFY2(record->contains(key), qPrintable(key));
    QVERIFY(record->size() >= stocks::kCompleteKeys);
    QCOMPARE(record->value(QStringLiteral("marketstatus")).toString().isEmpty(), false);

    // One feed step after the other, in this order.
    const QStringList log = m_standIn->server().requestLog();
    QStringList steps;
    for (const QString& path : log)
        for (const char* part :
            { "/q=sh600000", "/data/feed/0600000", "/app/stock/0600000.json", "/js/600000.js" })
            if (path.startsWith(QString::fromLatin1(part)) && !steps.contains(QString::fromLatin1(part)))
                steps << QString::fromLatin1(part);
    QCOMPARE(steps,
        (QStringList { QStringLiteral("/q=sh600000"), QStringLiteral("/data/feed/0600000"),
            QStringLiteral("/app/stock/0600000.json"), QStringLiteral("/js/600000.js") }));
}

void StocksTest::registeredIndex_getsMemberCountsAndIndexFundFlow()
{
    // The Shanghai composite's members are the exchange's A shares, whose
    // counts the feed gives.
    const StockQuoteDict record = store()->AddwillDoRefreshDict(codeDict(QStringLiteral("000001.idx")));
    // The in-process stand-in works out the board's member counts on this
    // thread for every loader run: slow under a sanitizer on a loaded machine.
    QVERIFY(waitForUpdateOf(QStringLiteral("000001.idx"), 10000));
    // The batched poll may post before the loader's last step.
    for (const char* key : { "totalsub", "subupcount", "subequalcount", "subdowncount", "mainvalue", "cprice",
             "transaction100count" })
        QTRY_VERIFY2_WITH_TIMEOUT(record->contains(QString::fromLatin1(key)), key, 10000);
    const int total = record->value(QStringLiteral("totalsub")).toInt();
    QCOMPARE(total,
        record->value(QStringLiteral("subupcount")).toInt()
            + record->value(QStringLiteral("subequalcount")).toInt()
            + record->value(QStringLiteral("subdowncount")).toInt());
    QVERIFY(countPaths(m_standIn->server().requestLog(), QStringLiteral("/js/zs000001.js")) >= 1);
    QCOMPARE(countPaths(m_standIn->server().requestLog(), QStringLiteral("/js/000001.js")), 0);
}

void StocksTest::ownIndex_comesFromTheBackend()
{
    const StockQuoteDict record
        = store()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), QStringLiteral("888888.idx") },
            { QStringLiteral("cprice"), QStringLiteral("-1") } });
    QVERIFY(waitForUpdateOf(QStringLiteral("888888.idx"), 5000));
    QVERIFY(
        record->value(QStringLiteral("cprice")).toString() != QStringLiteral("-1")); // replaced by the reply
    QCOMPARE(record->value(QStringLiteral("stockcode")).toString(), QStringLiteral("888888.idx"));
    QVERIFY(record->size() > 5);
    const QStringList log = m_standIn->server().requestLog();
    QCOMPARE(countPaths(log, QStringLiteral("888888")), 0); // no public feed is asked for it
    QVERIFY(countPaths(log, QStringLiteral("/user")) >= 1);
}

void StocksTest::failingStep_leavesItsKeysAsTheyWere()
{
    store()->setLoadersPerPoll(0);
    store()->setPollIntervals(60000, 60000);
    m_standIn->server().failPath(QStringLiteral("/js/600000.js"), 500, 10);
    const StockQuoteDict record
        = store()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), QStringLiteral("600000") },
            { QStringLiteral("mainvalue"), QStringLiteral("7") } });
    QVERIFY(waitForUpdateOf(QStringLiteral("600000"), 5000));
    QCOMPARE(record->value(QStringLiteral("mainvalue")).toString(), QStringLiteral("7"));
    QVERIFY(!record->contains(QStringLiteral("bigbigbuy")));
    QVERIFY(record->contains(QStringLiteral("cprice")));
    QVERIFY(record->contains(QStringLiteral("ratio")));
}

void StocksTest::merge_keepsIdentityAndTakesOnlyStrings()
{
    pointAtNothing();
    const StockQuoteDict first
        = store()->AddwillDoRefreshDict({ { QStringLiteral("code"), QStringLiteral("600000") },
            { QStringLiteral("stockname"), QStringLiteral("浦发银行") } });
    QVERIFY(first);
    QVERIFY(
        !store()->AddwillDoRefreshDict({ { QStringLiteral("stockname"), QStringLiteral("x") } })); // no code
    const StockQuoteDict again
        = store()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), QStringLiteral("600000") },
            { QStringLiteral("cprice"), QStringLiteral("10.10") }, { QStringLiteral("lots"), QVariant(5) },
            { QStringLiteral("list"), QVariantList { 1 } } });
    QCOMPARE(again.get(), first.get());
    QCOMPARE(first->value(QStringLiteral("cprice")).toString(), QStringLiteral("10.10"));
    QCOMPARE(first->value(QStringLiteral("stockname")).toString(), QStringLiteral("浦发银行"));
    QVERIFY(!first->contains(QStringLiteral("lots")));
    QVERIFY(!first->contains(QStringLiteral("list")));
    QCOMPARE(store()->localStocksDict().size(), 1);
    QCOMPARE(store()->refreshQueue(), QStringList { QStringLiteral("600000") });
    QVERIFY(!store()->recordFor(QStringLiteral("600001")));

    // A feed's over-long texts (a name, the last deals) are not kept, nor
    // written to the cache; the figures beside them are.
    QList<QByteArray> fields(50, QByteArray("1.00"));
    fields[1] = QByteArray(300000, 'x');
    fields[2] = "600000";
    fields[3] = "10.20";
    fields[29] = QByteArray(300000, '|');
    QCOMPARE(store()->applyTencentBody("v_sh600000=\"" + fields.join('~') + "\";\n"), 1);
    QVERIFY(
        store()->mergeFields(QStringLiteral("600000"), { { QStringLiteral("PE"), QString(300000, u'9') } }));
    QCOMPARE(first->value(QStringLiteral("cprice")).toString(), QStringLiteral("10.20"));
    QCOMPARE(first->value(QStringLiteral("stockname")).toString(), QStringLiteral("浦发银行"));
    QCOMPARE(first->value(QStringLiteral("PE")).toString(), QStringLiteral("1.00"));
    QVERIFY(!first->contains(QStringLiteral("recentlyandtransactionbytransaction")));
    QVERIFY(store()->saveNow());
    QVERIFY(QFileInfo(m_settings->cacheDir() + QStringLiteral("/stocks.plist")).size() < 20000);
}

void StocksTest::records_stayWhileSomethingShowsThem()
{
    pointAtNothing();
    // The oldest code has two holders (a list row and an open window).
    QList<StockQuoteDict> held;
    for (int i = 0; i < stocks::kMaxRecords; ++i)
        held << store()->AddwillDoRefreshDict(codeDict(QString::number(600000 + i)));
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("600000"))); // young again, and shown
    for (int i = 0; i < stocks::kMaxRecords; ++i)
        store()->DelwillDoRefreshDict(codeDict(QString::number(600000 + i)));
    QCOMPARE(store()->refreshQueue(), QStringList { QStringLiteral("600000") });

    // Beyond 200 records the oldest one that nothing shows goes.
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("600001")));
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("000001")));
    QCOMPARE(store()->localStocksDict().size(), stocks::kMaxRecords);
    QVERIFY(store()->recordFor(QStringLiteral("600000")));
    QVERIFY(store()->recordFor(QStringLiteral("600001")));
    QVERIFY(!store()->recordFor(QStringLiteral("600002")));
    QCOMPARE(held.at(2)->value(QStringLiteral("stockcode")).toString(),
        QStringLiteral("600002")); // holders keep theirs

    // The last holder lets go: the code leaves the queue, the record stays.
    store()->DelwillDoRefreshDict(codeDict(QStringLiteral("600000")));
    QVERIFY(!store()->refreshQueue().contains(QStringLiteral("600000")));
    QVERIFY(store()->recordFor(QStringLiteral("600000")));
}

void StocksTest::lateOlderQuote_neverReplacesNewer()
{
    // The feeds go through a relay that holds the loader's own quote request
    // ("/q=sh600000" alone; the poll asks for both codes in one batch).
    BackendRelay relay(m_standIn->server().port());
    platform::Configuration::setCurrent(platform::Configuration::allAt(relay.url()));
    store()->setLoadersPerPoll(0);
    relay.holdAnswersTo("GET /q=sh600000 HTTP");
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("000001")));
    const StockQuoteDict record = store()->AddwillDoRefreshDict(codeDict(QStringLiteral("600000")));
    QTRY_VERIFY_WITH_TIMEOUT(relay.hasHeld(), 5000);

    // The market moves on and the poll brings the newer price.
    const QDateTime later = kFridayMorning.addSecs(40 * 60);
    m_standIn->server().market().setNow(later);
    const QString newer
        = QString::number(m_standIn->server().market().quoteAt(QStringLiteral("600000"), later).last, 'f', 2);
    const QString older = QString::number(
        m_standIn->server().market().quoteAt(QStringLiteral("600000"), kFridayMorning).last, 'f', 2);
    QVERIFY(newer != older);
    QTRY_COMPARE_WITH_TIMEOUT(record->value(QStringLiteral("cprice")).toString(), newer, 10000);

    // The held answer lands last (no poll after it) and changes nothing.
    m_standIn->server().failPath(QStringLiteral("sz000001,sh600000"), 503, 1000);
    relay.release();
    QTRY_VERIFY_WITH_TIMEOUT(!store()->isLoading(QStringLiteral("600000")), 10000);
    QCOMPARE(record->value(QStringLiteral("cprice")).toString(), newer);
}

void StocksTest::del_stopsRefreshesButKeepsTheRecord()
{
    store()->setLoadersPerPoll(1);
    UpdateCounter counter;
    const StockQuoteDict record = store()->AddwillDoRefreshDict(codeDict(QStringLiteral("600000")));
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("000002")));
    QVERIFY(waitForUpdateOf(QStringLiteral("600000"), 5000));
    QTRY_VERIFY_WITH_TIMEOUT(
        counter.counts.value(QStringLiteral("600000")) >= 3, 5000); // the poll keeps it fresh

    store()->DelwillDoRefreshDict({ { QStringLiteral("code"), QStringLiteral("600000") } });
    QCOMPARE(store()->refreshQueue(), QStringList { QStringLiteral("000002") });
    // A request already under way may still land: wait for a quiet window
    // before counting.
    testsupport::waitForQuietRequests(
        m_standIn->server(), [](const QString& path) { return path.contains(QStringLiteral("600000")); });
    m_standIn->server().clearRequestLog();
    const int before = counter.counts.value(QStringLiteral("600000"));
    const int otherBefore = counter.counts.value(QStringLiteral("000002"));
    QTest::qWait(700);
    // The other code is still polled; on a slow machine its next update may
    // take longer than the wait.
    QTRY_VERIFY_WITH_TIMEOUT(counter.counts.value(QStringLiteral("000002")) > otherBefore, 10000);
    QCOMPARE(counter.counts.value(QStringLiteral("600000")), before);
    QCOMPARE(countPaths(m_standIn->server().requestLog(), QStringLiteral("600000")), 0);
    QCOMPARE(store()->recordFor(QStringLiteral("600000")).get(), record.get());
}

void StocksTest::poll_paceFollowsMarketStatus_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("statusFails");
    QTest::addColumn<bool>("open");
    QTest::newRow("open by the feed") << kFridayMorning << false << true;
    QTest::newRow("closed by the feed") << kSaturday << false << false;
    QTest::newRow("lunch is closed") << shanghai(2025, 3, 14, 12, 5) << false << false;
    QTest::newRow("closed by the clock when the feed fails") << kSaturday << true << false;
    QTest::newRow("open by the clock when the feed fails") << kFridayMorning << true << true;
}

void StocksTest::poll_paceFollowsMarketStatus()
{
    QFETCH(QDateTime, now);
    QFETCH(bool, statusFails);
    QFETCH(bool, open);
    m_standIn->server().market().setNow(now);
    store()->setClock([now] { return now; });
    store()->setLoadersPerPoll(0);
    if (statusFails)
        m_standIn->server().failPath(QStringLiteral("marketStat"), 503, 1000);
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("600000")));
    QVERIFY(waitForUpdateOf(QStringLiteral("600000"), 5000));
    QTRY_VERIFY_WITH_TIMEOUT(store()->pollCount() >= 2, 10000);
    QCOMPARE(store()->marketOpen(), open);
    QCOMPARE(store()->currentPollIntervalMs(), open ? 100 : 400);
    const int polls = store()->pollCount();
    QTest::qWait(1000);
    if (open) {
        // Five polls fit in the second; a slow machine needs longer for them.
        QTRY_VERIFY2_WITH_TIMEOUT(store()->pollCount() - polls >= 5,
            qPrintable(QString::number(store()->pollCount() - polls)), 10000);
    } else {
        const int during = store()->pollCount() - polls;
        QVERIFY2(during <= 3, qPrintable(QString::number(during)));
    }
}

void StocksTest::poll_batchesTheQuoteRequest()
{
    store()->setLoadersPerPoll(0);
    pointAtNothing();
    for (int i = 0; i < 130; ++i)
        store()->AddwillDoRefreshDict(codeDict(QString::number(600000 + i)));
    platform::Configuration::setCurrent(platform::Configuration::allAt(m_standIn->baseUrl()));
    m_standIn->server().clearRequestLog();
    // The loaders' later steps, 130 codes of them, share the line with the poll.
    QTRY_VERIFY_WITH_TIMEOUT(store()->pollCount() >= 2, 20000);
    const QStringList log = m_standIn->server().requestLog();
    int batches = 0;
    for (const QString& path : log) {
        if (!path.startsWith(QLatin1String("/q=s")))
            continue;
        ++batches;
        QVERIFY(path.count(QLatin1Char(',')) < stocks::kBatchSize);
    }
    // 130 codes in batches of 60: three requests per poll, not 130.
    QVERIFY2(batches >= 3 && batches <= 9, qPrintable(QString::number(batches)));
}

void StocksTest::cache_survivesARestart()
{
    pointAtNothing();
    store()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), QStringLiteral("600000") },
        { QStringLiteral("stockname"), QStringLiteral("浦发银行") } });
    store()->AddwillDoRefreshDict(codeDict(QStringLiteral("000001.idx")));
    m_sdk.reset(); // saves on the way out
    m_sdk = std::make_unique<QuilorSDK>(
        m_standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"));
    QCOMPARE(store()->localStocksDict().size(), 2);
    QCOMPARE(store()->recordFor(QStringLiteral("600000"))->value(QStringLiteral("stockname")).toString(),
        QStringLiteral("浦发银行"));
    QVERIFY(store()->refreshQueue().isEmpty()); // nothing is polled until a window registers it

    // A damaged cache starts empty.
    m_sdk.reset();
    QFile damaged(m_settings->cacheDir() + QStringLiteral("/stocks.plist"));
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("<plist><dict><key>600000</key>");
    damaged.close();
    m_sdk = std::make_unique<QuilorSDK>(
        m_standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"));
    QCOMPARE(store()->localStocksDict().size(), 0);
}

void StocksTest::idxAlerts_gates()
{
    pointAtNothing();
    const QString code = QStringLiteral("888888.idx");
    QVariantList rows;
    for (int i = 0; i < 10; ++i)
        rows << QVariantMap { { QStringLiteral("curdate"),
                                  QStringLiteral("202503%1").arg(13 - i, 2, 10, QLatin1Char('0')) },
            { QStringLiteral("valuerate"), QStringLiteral("0.10") } };
    QCOMPARE(store()->GetIdxAlerts(code, &rows), -9999); // no record

    QVariantMap dict = codeDict(code);
    for (int i = 0; i < 28; ++i)
        dict.insert(QStringLiteral("k%1").arg(i), QStringLiteral("1"));
    store()->AddwillDoRefreshDict(dict); // 29 keys
    QCOMPARE(store()->GetIdxAlerts(code, &rows), -9999);
    store()->AddwillDoRefreshDict(
        { { QStringLiteral("stockcode"), code }, { QStringLiteral("k99"), QStringLiteral("1") } });
    QCOMPARE(store()->GetIdxAlerts(code, &rows), 5);
    QCOMPARE(store()->GetIdxAlerts(code, nullptr), -9999);
    const QVariantList nine = rows.mid(0, 9);
    QCOMPARE(store()->GetIdxAlerts(code, &nine), -9999);
}

QTEST_MAIN(StocksTest)
#include "tst_Stocks.moc"
