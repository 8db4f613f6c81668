// How long the main thread is busy with a hostile 50 MB minute-file reply:
// refused at the minute-file limit, against the same body read whole (what
// a request without a limit of its kind costs); and with a backend list
// reply just under its 8 MB limit, which is parsed off the main thread.

#include "backend/BackendProtocol.h"
#include "backend/MHTTPObserver.h"
#include "backend/QuilorSDK.h"
#include "platform/UrlSession.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <ctime>
#include <memory>
#include <optional>

namespace {

constexpr qint64 kBodyBytes = 50 * 1024 * 1024;

// Streams a 50 MB body (no length announced) to every request, on a thread
// of its own so that its work is not counted as the client's.
class HugeBodyServer : public QTcpServer {
public:
    // `reply`: a whole reply sent as it is instead of the 50 MB stream.
    explicit HugeBodyServer(QByteArray reply = {})
        : m_reply(std::move(reply))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                serve(socket);
        });
    }

private:
    void serve(QTcpSocket* socket)
    {
        auto sent = std::make_shared<qint64>(-1);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, sent, request] {
            *request += socket->readAll();
            if (*sent >= 0 || !request->contains("\r\n\r\n"))
                return;
            if (!m_reply.isEmpty()) {
                *sent = kBodyBytes;
                socket->write(m_reply);
                socket->disconnectFromHost();
                return;
            }
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
            *sent = 0;
            more(socket, sent);
        });
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket, sent] { more(socket, sent); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
    static void more(QTcpSocket* socket, const std::shared_ptr<qint64>& sent)
    {
        static const QByteArray piece(256 * 1024, '7');
        if (*sent < 0)
            return;
        while (socket->state() == QAbstractSocket::ConnectedState && *sent < kBodyBytes
            && socket->bytesToWrite() < 2 * piece.size())
            *sent += socket->write(piece);
        if (*sent >= kBodyBytes)
            socket->disconnectFromHost();
    }
    QByteArray m_reply;
};

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct ServerThread {
    QThread thread;
    HugeBodyServer* server = nullptr;
    quint16 port = 0;
    explicit ServerThread(const QByteArray& reply = {})
    {
        thread.start();
        server = new HugeBodyServer(reply);
        server->moveToThread(&thread);
        QMetaObject::invokeMethod(
            server,
            [this] {
                server->listen(QHostAddress::LocalHost);
                port = server->serverPort();
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(
            server, [this] { delete server; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
};

// Manual time: the main thread's CPU time from the request to its completion.
void runHugeReply(benchmark::State& state, qint64 limit)
{
    ServerThread server;
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/data/hs/time/today/0600000.json").arg(server.port));
    qint64 received = 0;
    bool failed = false;
    for (auto _ : state) {
        platform::UrlSession session;
        QObject context;
        QEventLoop loop;
        std::optional<platform::UrlResponse> got;
        const double start = threadCpuSeconds();
        session.get(
            url, platform::feedHeaders(), &context,
            [&](const platform::UrlResponse& r) {
                got = r;
                loop.quit();
            },
            limit);
        loop.exec();
        state.SetIterationTime(threadCpuSeconds() - start);
        received = got ? got->body.size() : 0;
        failed = got && !got->ok();
        // Let the aborted reply and its buffers go before the next round.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["body_MB"] = double(received) / (1024.0 * 1024.0);
    state.counters["refused"] = failed ? 1 : 0;
}

void BM_HugeMinuteFile_refusedAtItsLimit(benchmark::State& state)
{
    runHugeReply(state, platform::bodylimit::kMinuteFile);
}
BENCHMARK(BM_HugeMinuteFile_refusedAtItsLimit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_HugeMinuteFile_readWhole(benchmark::State& state)
{
    runHugeReply(state, 64 * 1024 * 1024);
}
BENCHMARK(BM_HugeMinuteFile_readWhole)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

struct ListObserver : MHTTPObserver {
    QEventLoop* loop = nullptr;
    qsizetype rows = -1;
    bool HttpResult(const QVariant& result, int, bool) override
    {
        rows = result.toMap().value(QStringLiteral("data")).toList().size();
        loop->quit();
        return true;
    }
    bool HttpEvent(int, const QString&, int) override
    {
        loop->quit();
        return true;
    }
};

// Manual time: the main thread's CPU time from the request until the
// observer holds the parsed rows.
void BM_HugeBackendList_mainThreadCost(benchmark::State& state)
{
    QByteArray body = R"({"code":"0","data":[)";
    while (body.size() < 8 * 1024 * 1024 - 100)
        body += R"({"stockcode":"600000","userstockorder":"1"},)";
    body.chop(1);
    body += "]}";
    const QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nmd5: " + backend::bodyDigest(body) + "\r\n\r\n" + body;
    ServerThread server(reply);
    QTemporaryDir folders;
    qputenv("LST_CACHE_DIR", folders.path().toUtf8());
    qputenv("LST_CONFIG_DIR", folders.path().toUtf8());
    QuilorSDK client(QStringLiteral("http://127.0.0.1:%1").arg(server.port), QStringLiteral("2001"),
        QStringLiteral("400030000"));
    qsizetype rows = 0;
    for (auto _ : state) {
        QEventLoop loop;
        ListObserver observer;
        observer.loop = &loop;
        const double start = threadCpuSeconds();
        client.GetAGroupOfStocks(
            QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1000"), nullptr, &observer);
        loop.exec();
        state.SetIterationTime(threadCpuSeconds() - start);
        rows = observer.rows;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_HugeBackendList_mainThreadCost)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
