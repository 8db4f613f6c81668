#include "TestSupport.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/UrlSession.h"
#include "standin/StandInServer.h"

#include <QTcpServer>
#include <QTcpSocket>
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
    void hangingServer_timesOut_data();
    void hangingServer_timesOut();
    void manyParallelRequests_allDeliver();
    void oversizedBody_failsBeforeItIsAllRead_data();
    void oversizedBody_failsBeforeItIsAllRead();
    void unsafeHeaderValues_areNeverSent();
    void cutBody_failsTheRequest_data();
    void cutBody_failsTheRequest();

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

void tst_UrlSession::hangingServer_timesOut_data()
{
    QTest::addColumn<bool>("trickling");
    QTest::newRow("silent") << false;
    // Each byte comes well within the timeout, so only a deadline ends it.
    QTest::newRow("a body that never ends, a byte at a time") << true;
}

void tst_UrlSession::hangingServer_timesOut()
{
    QFETCH(bool, trickling);
    UrlSession session;
    session.setTimeoutMs(trickling ? 1000 : 200);
    if (!trickling)
        m_standIn->server().failPath(QStringLiteral("/q=sz399001"), -1);
    testsupport::TricklingServer trickle;
    const QUrl address = trickling ? QUrl(trickle.baseUrl() + QStringLiteral("/q=sz399001"))
                                   : url(QStringLiteral("/q=sz399001"));
    QObject context;
    std::optional<UrlResponse> got;
    session.get(address, {}, &context, [&](const UrlResponse& r) { got = r; });
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 30000);
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

namespace {

// Answers every request with a 50 MB body, handed to the socket a piece at a
// time as the client takes it, and counts what went out before the client
// closed the connection.
class HugeBodyServer : public QTcpServer {
public:
    static constexpr qint64 kTotal = 50 * 1024 * 1024;
    explicit HugeBodyServer(bool announceLength)
        : m_announce(announceLength)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                serve(socket);
        });
        listen(QHostAddress::LocalHost);
    }
    qint64 sent = 0;
    bool closedEarly = false;

private:
    void serve(QTcpSocket* socket)
    {
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
            *head += socket->readAll();
            if (!head->contains("\r\n\r\n") || head->isEmpty())
                return;
            head->clear();
            QByteArray status = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
            status += m_announce ? "Content-Length: " + QByteArray::number(kTotal) + "\r\n"
                                 : QByteArray("Connection: close\r\n");
            socket->write(status + "\r\n");
            more(socket);
        });
        connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { more(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            closedEarly = sent < kTotal;
            socket->deleteLater();
        });
    }
    void more(QTcpSocket* socket)
    {
        static const QByteArray piece(256 * 1024, '7');
        while (socket->state() == QAbstractSocket::ConnectedState && sent < kTotal
            && socket->bytesToWrite() < 2 * piece.size()) {
            sent += socket->write(piece.left(int(std::min<qint64>(piece.size(), kTotal - sent))));
        }
        if (sent >= kTotal)
            socket->disconnectFromHost();
    }
    bool m_announce;
};

// Answers every request with `head` and then `body`; then closes the
// connection, or holds it open for good when `stall` is set.
class CutBodyServer : public QTcpServer {
public:
    CutBodyServer(QByteArray head, QByteArray body, bool stall)
    {
        connect(this, &QTcpServer::newConnection, this, [=, this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [=] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write(head + "\r\n" + body);
                    if (!stall)
                        socket->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
};

} // namespace

void tst_UrlSession::oversizedBody_failsBeforeItIsAllRead_data()
{
    QTest::addColumn<bool>("announced");
    QTest::newRow("length announced") << true;
    QTest::newRow("length unknown, streamed") << false;
}

void tst_UrlSession::oversizedBody_failsBeforeItIsAllRead()
{
    QFETCH(bool, announced);
    HugeBodyServer server(announced);
    QVERIFY(server.isListening());
    UrlSession session;
    QObject context;
    std::optional<UrlResponse> got;
    session.get(
        QUrl(QStringLiteral("http://127.0.0.1:%1/data/hs/time/today/0600000.json").arg(server.serverPort())),
        feedHeaders(), &context, [&](const UrlResponse& r) { got = r; }, bodylimit::kMinuteFile);
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 20000);
    QVERIFY(!got->ok());
    QVERIFY(got->tooLarge);
    QVERIFY(got->body.isEmpty());
    // The client hung up long before the server had handed out the body.
    QTRY_VERIFY_WITH_TIMEOUT(server.closedEarly, 20000);
    QVERIFY2(server.sent < HugeBodyServer::kTotal / 4, QByteArray::number(server.sent).constData());
}

void tst_UrlSession::unsafeHeaderValues_areNeverSent()
{
    // An agent from a reply or a file that would end the header line.
    const QString injected = QStringLiteral("Agent/1\r\nX-Injected: 1");
    const QString before = userAgent();
    QVERIFY(!setUserAgent(injected));
    QCOMPARE(userAgent(), before);

    QObject context;
    int done = 0;
    UrlSession::sharedSession()->get(url(QStringLiteral("/q=s_sh600000")),
        { { "User-Agent", injected.toLatin1() }, { "X-Other", "a\nX-Injected: 2" } }, &context,
        [&](const UrlResponse&) { ++done; });
    QTRY_COMPARE_WITH_TIMEOUT(done, 1, 5000);
    // Earlier tests' requests may still land: look at this one only.
    const QStringList paths = m_standIn->server().requestLog();
    const auto logged = m_standIn->server().requestHeaderLog();
    const qsizetype at = paths.lastIndexOf(QStringLiteral("/q=s_sh600000"));
    QVERIFY(at >= 0 && at < logged.size());
    const auto& headers = logged.at(at);
    QVERIFY(!headers.contains("x-injected"));
    QVERIFY(!headers.contains("x-other"));
    // Still a browser's agent, not Qt's bare default.
    QCOMPARE(headers.value("user-agent"), before.toLatin1());
}

void tst_UrlSession::cutBody_failsTheRequest_data()
{
    // 40 bytes of quote text, cut at a record's end.
    const QByteArray part = QByteArray("v_sh600000=\"1~10.45~10.30\";\n").leftJustified(40, ' ');
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("stall");
    QTest::newRow("closed short of its length")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n") << part << false;
    QTest::newRow("closed inside a chunk") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n")
                                           << QByteArray("64\r\n" + part) << false;
    QTest::newRow("stalled after the status line")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n") << part << true;
}

void tst_UrlSession::cutBody_failsTheRequest()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, body);
    QFETCH(bool, stall);
    CutBodyServer server(head, body, stall);
    QVERIFY(server.isListening());
    UrlSession session;
    session.setTimeoutMs(300);
    QObject context;
    std::optional<UrlResponse> got;
    session.get(QUrl(QStringLiteral("http://127.0.0.1:%1/q=sh600000").arg(server.serverPort())), {}, &context,
        [&](const UrlResponse& r) { got = r; });
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 10000);
    QVERIFY2(!got->ok(), qPrintable(got->error));
    QVERIFY(!got->error.isEmpty());
    QVERIFY(got->body.isEmpty());
}

QTEST_GUILESS_MAIN(tst_UrlSession)
#include "tst_UrlSession.moc"
