#include "TestSupport.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/UrlSession.h"
#include "standin/StandInServer.h"

#include <QTest>

#include <memory>
#include <optional>

using namespace platform;

class tst_UrlSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void replies_deliverStatusAndBody_data();
    void replies_deliverStatusAndBody();
    void droppedConnection_isAnError();
    void retiredTask_neverDelivers();
    void suspendedTask_neverStartsOrDelivers();
    void suspendWhileRunning_neverDelivers();
    void contextGone_neverDelivers();
    void hangingServer_timesOut();
    void manyParallelRequests_allDeliver();

private:
    QUrl url(const QString& path) const { return Configuration::join(m_standIn->baseUrl(), path); }
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
};

void tst_UrlSession::initTestCase()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
    m_standIn = std::make_unique<testsupport::StandIn>();
}

void tst_UrlSession::cleanupTestCase()
{
    m_standIn.reset();
    m_settings.reset();
}

void tst_UrlSession::init()
{
    m_standIn->server().clearRequestLog();
}

void tst_UrlSession::replies_deliverStatusAndBody_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("injected");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("ok");
    QTest::newRow("feed 200") << QStringLiteral("/q=s_sh600000") << 0 << 200 << true;
    QTest::newRow("unknown path 404") << QStringLiteral("/no/such/file.json") << 0 << 404 << false;
    QTest::newRow("server error 500") << QStringLiteral("/q=sh600000") << 500 << 500 << false;
    QTest::newRow("unavailable 503") << QStringLiteral("/data/feed/0600000") << 503 << 503 << false;
}

void tst_UrlSession::replies_deliverStatusAndBody()
{
    QFETCH(QString, path);
    QFETCH(int, injected);
    QFETCH(int, status);
    QFETCH(bool, ok);
    if (injected)
        m_standIn->server().failPath(path, injected);
    QObject context;
    std::optional<UrlResponse> got;
    bool onMain = false;
    UrlSession::sharedSession()->get(
        url(path), { { "User-Agent", "test" } }, &context, [&](const UrlResponse& r) {
            onMain = isMainThread();
            got = r;
        });
    QVERIFY(!got); // never synchronously
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 5000);
    QVERIFY(onMain);
    QCOMPARE(got->status, status);
    QCOMPARE(got->ok(), ok);
    QCOMPARE(got->error.isEmpty(), ok);
    if (ok)
        QVERIFY(got->body.startsWith("v_s_sh600000=\""));
}

void tst_UrlSession::droppedConnection_isAnError()
{
    // The network layer retries a dropped keep-alive connection once.
    m_standIn->server().failPath(QStringLiteral("/q=sh600036"), 0, 2);
    QObject context;
    std::optional<UrlResponse> got;
    UrlSession::sharedSession()->get(
        url(QStringLiteral("/q=sh600036")), {}, &context, [&](const UrlResponse& r) { got = r; });
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 5000);
    QVERIFY(!got->ok());
    QVERIFY(!got->error.isEmpty());
}

void tst_UrlSession::retiredTask_neverDelivers()
{
    QObject context;
    int calls = 0;
    // A quick reply retired before the loop turns, and a hanging one
    // retired while the server holds it.
    QPointer<UrlTask> quick = UrlSession::sharedSession()->get(
        url(QStringLiteral("/q=sz000001")), {}, &context, [&](const UrlResponse&) { ++calls; });
    quick->cancel();
    m_standIn->server().failPath(QStringLiteral("/q=sh600000"), -1);
    // A finished task deletes itself: holders keep it in a QPointer.
    QPointer<UrlTask> hanging = UrlSession::sharedSession()->get(
        url(QStringLiteral("/q=sh600000")), {}, &context, [&](const UrlResponse&) { ++calls; });
    QTRY_VERIFY_WITH_TIMEOUT(m_standIn->server().requestLog().contains(QStringLiteral("/q=sh600000")), 5000);
    QVERIFY(hanging);
    hanging->cancel();
    QTest::qWait(150);
    QCOMPARE(calls, 0);
    // The abandoned requests do not hold connections: fresh ones still get through.
    manyParallelRequests_allDeliver();
}

void tst_UrlSession::suspendedTask_neverStartsOrDelivers()
{
    QObject context;
    int calls = 0;
    UrlTask* task = UrlSession::sharedSession()->dataTask(
        url(QStringLiteral("/q=sh600000")), {}, &context, [&](const UrlResponse&) { ++calls; });
    task->suspend();
    QTest::qWait(100);
    QCOMPARE(calls, 0);
    QVERIFY(m_standIn->server().requestLog().isEmpty());
    task->cancel();
}

void tst_UrlSession::suspendWhileRunning_neverDelivers()
{
    // The previous fetch of a page is suspended when a new one starts; its
    // reply, already under way, must not overwrite the new one.
    QObject context;
    QStringList delivered;
    QPointer<UrlTask> old
        = UrlSession::sharedSession()->get(url(QStringLiteral("/app/stock/0600000_summary.json")), {},
            &context, [&](const UrlResponse&) { delivered << QStringLiteral("old"); });
    old->suspend();
    UrlSession::sharedSession()->get(url(QStringLiteral("/app/stock/0600000_holders.json")), {}, &context,
        [&](const UrlResponse&) { delivered << QStringLiteral("new"); });
    QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 1, 5000);
    QTest::qWait(100);
    QCOMPARE(delivered, QStringList { QStringLiteral("new") });
    // Resumed, it starts again and delivers once.
    QVERIFY(old);
    old->resume();
    QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 2, 5000);
    QCOMPARE(delivered.last(), QStringLiteral("old"));
}

void tst_UrlSession::contextGone_neverDelivers()
{
    int calls = 0;
    auto context = std::make_unique<QObject>();
    m_standIn->server().failPath(QStringLiteral("/js/600000.js"), -1);
    UrlSession::sharedSession()->get(
        url(QStringLiteral("/js/600000.js")), {}, context.get(), [&](const UrlResponse&) { ++calls; });
    UrlSession::sharedSession()->get(
        url(QStringLiteral("/js/600036.js")), {}, context.get(), [&](const UrlResponse&) { ++calls; });
    context.reset();
    QTest::qWait(150);
    QCOMPARE(calls, 0);
    // The abandoned requests do not hold connections: fresh ones still get through.
    manyParallelRequests_allDeliver();
}

void tst_UrlSession::hangingServer_timesOut()
{
    UrlSession session;
    session.setTimeoutMs(200);
    m_standIn->server().failPath(QStringLiteral("/q=sz399001"), -1);
    QObject context;
    std::optional<UrlResponse> got;
    session.get(url(QStringLiteral("/q=sz399001")), {}, &context, [&](const UrlResponse& r) { got = r; });
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 5000);
    QVERIFY(!got->ok());
    QVERIFY(!got->error.isEmpty());
}

void tst_UrlSession::manyParallelRequests_allDeliver()
{
    QObject context;
    int ok = 0;
    const QStringList codes { QStringLiteral("sh600000"), QStringLiteral("sz000001"),
        QStringLiteral("sh000001"), QStringLiteral("sz399006") };
    for (int i = 0; i < 40; ++i) {
        UrlSession::sharedSession()->get(url(QStringLiteral("/q=") + codes.at(i % codes.size())), {},
            &context, [&](const UrlResponse& r) { ok += r.ok(); });
    }
    QTRY_COMPARE_WITH_TIMEOUT(ok, 40, 10000);
}

QTEST_GUILESS_MAIN(tst_UrlSession)
#include "tst_UrlSession.moc"
