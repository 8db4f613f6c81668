#include "standin/StandInServer.h"

#include "platform/Json.h"
#include "standin/BackendService.h"
#include "standin/FeedBodies.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>

namespace standin {

namespace {

struct Failure {
    QString pathPart;
    int status;
    int remaining;
};

class Server : public QAbstractHttpServer {
public:
    std::function<bool(const QHttpServerRequest&, QTcpSocket*)> handler;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        return handler(request, socket);
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        makeResponder(request, socket)
            .write(QByteArray("Not Found\n"), "text/plain", QHttpServerResponder::StatusCode::NotFound);
    }

public:
    using QAbstractHttpServer::makeResponder;
};

void respond(QHttpServerResponder&& responder, int status, const QByteArray& contentType,
    const QByteArray& body, const QList<QPair<QByteArray, QByteArray>>& extra = {})
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
    responder.writeHeader("Content-Type", contentType);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeHeader("Cache-Control", "no-cache");
    for (const auto& h : extra)
        responder.writeHeader(h.first, h.second);
    responder.writeBody(body);
}

} // namespace

struct StandInServer::Impl {
    std::unique_ptr<QTemporaryDir> tempStore;
    SampleMarket market;
    std::unique_ptr<BackendService> backend;
    Server server;
    quint16 port = 0;
    mutable QMutex mutex;
    QList<Failure> failures;
    QStringList log;
    QList<QHash<QByteArray, QByteArray>> headerLog;
    // Sockets that are held open without an answer.
    QList<QPointer<QTcpSocket>> hanging;
    // Backend requests held by API until released.
    struct Held {
        QPointer<QTcpSocket> socket;
        QByteArray path;
        QByteArray body;
        QHash<QByteArray, QByteArray> headers;
    };
    QHash<int, int> holds;
    QList<Held> held;
};

StandInServer::StandInServer(const QString& storeDir, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>())
{
    QString store = storeDir;
    if (store.isEmpty()) {
        d->tempStore = std::make_unique<QTemporaryDir>();
        store = d->tempStore->path();
    }
    d->backend = std::make_unique<BackendService>(d->market, store);
    d->server.handler = [this](const QHttpServerRequest& request, QTcpSocket* socket) {
        const QUrl url = request.url();
        const QString path = url.path();
        const QString logged = url.hasQuery() ? path + QLatin1Char('?') + url.query() : path;
        int failStatus = 1;
        {
            QMutexLocker lock(&d->mutex);
            d->log << logged;
            QHash<QByteArray, QByteArray> headers;
            for (const auto& h : request.headers())
                headers.insert(h.first.toLower(), h.second);
            d->headerLog << headers;
            for (qsizetype i = 0; i < d->failures.size(); ++i) {
                Failure& f = d->failures[i];
                if (!logged.contains(f.pathPart))
                    continue;
                failStatus = f.status;
                if (--f.remaining <= 0)
                    d->failures.removeAt(i);
                break;
            }
        }
        if (failStatus == 0) {
            // Dropped: close after this turn so the server is not torn down
            // under its own read handler.
            QTimer::singleShot(0, socket, [socket]() { socket->abort(); });
            return true;
        }
        if (failStatus == -1) {
            d->hanging << QPointer<QTcpSocket>(socket);
            return true;
        }
        if (failStatus != 1) {
            respond(Server::makeResponder(request, socket), failStatus, "text/plain", "Injected failure\n");
            return true;
        }
        if (request.method() == QHttpServerRequest::Method::Post
            && (path.endsWith(QLatin1String("/user")) || path.endsWith(QLatin1String("/poi")))) {
            QHash<QByteArray, QByteArray> headers;
            for (const auto& h : request.headers())
                headers.insert(h.first.toLower(), h.second);
            {
                QMutexLocker lock(&d->mutex);
                const int api = platform::parseJson(request.body())
                                    .value_or(QVariant())
                                    .toMap()
                                    .value(QStringLiteral("api"))
                                    .toInt();
                if (d->holds.value(api) > 0) {
                    if (--d->holds[api] == 0)
                        d->holds.remove(api);
                    d->held.append({ socket, path.toUtf8(), request.body(), headers });
                    return true;
                }
            }
            const BackendService::Reply reply = d->backend->handle(path.toUtf8(), request.body(), headers);
            QByteArray type = "application/octet-stream";
            QList<QPair<QByteArray, QByteArray>> extra;
            for (const auto& h : reply.headers) {
                if (h.first.compare("Content-Type", Qt::CaseInsensitive) == 0)
                    type = h.second;
                else if (h.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
                    extra << h;
            }
            respond(Server::makeResponder(request, socket), reply.status, type, reply.body, extra);
            return true;
        }
        if (request.method() != QHttpServerRequest::Method::Get
            && request.method() != QHttpServerRequest::Method::Head) {
            respond(Server::makeResponder(request, socket), 405, "text/plain", "Method Not Allowed\n");
            return true;
        }
        const FeedReply reply = answerFeed(d->market, path, QUrlQuery(url), d->market.now(), baseUrl());
        respond(Server::makeResponder(request, socket), reply.status, reply.contentType,
            request.method() == QHttpServerRequest::Method::Head ? QByteArray() : reply.body);
        return true;
    };
}

StandInServer::~StandInServer()
{
    for (const auto& socket : std::as_const(d->hanging)) {
        if (socket)
            socket->abort();
    }
    for (const auto& held : std::as_const(d->held)) {
        if (held.socket)
            held.socket->abort();
    }
}

void StandInServer::holdApi(int api, int count)
{
    QMutexLocker lock(&d->mutex);
    if (count > 0)
        d->holds.insert(api, count);
    else
        d->holds.remove(api);
}

int StandInServer::heldCount() const
{
    QMutexLocker lock(&d->mutex);
    return int(d->held.size());
}

void StandInServer::releaseHeld()
{
    QList<Impl::Held> held;
    {
        QMutexLocker lock(&d->mutex);
        held.swap(d->held);
    }
    for (const Impl::Held& request : held) {
        if (!request.socket)
            continue;
        // The request's own responder is gone with its turn: the answer is
        // written as plain HTTP/1.1.
        const BackendService::Reply reply = d->backend->handle(request.path, request.body, request.headers);
        QByteArray type = "application/octet-stream";
        QByteArray extra;
        for (const auto& h : reply.headers) {
            if (h.first.compare("Content-Type", Qt::CaseInsensitive) == 0)
                type = h.second;
            else if (h.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
                extra += h.first + ": " + h.second + "\r\n";
        }
        request.socket->write("HTTP/1.1 " + QByteArray::number(reply.status)
            + (reply.status == 200 ? " OK" : " Error") + "\r\nContent-Type: " + type
            + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
            + "\r\nCache-Control: no-cache\r\n" + extra + "\r\n" + reply.body);
    }
}

bool StandInServer::listen(quint16 port)
{
    const quint16 bound = d->server.listen(QHostAddress::LocalHost, port);
    if (bound == 0)
        return false;
    d->port = bound;
    return true;
}

quint16 StandInServer::port() const
{
    return d->port;
}

QString StandInServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->port);
}

SampleMarket& StandInServer::market()
{
    return d->market;
}

BackendService& StandInServer::backend()
{
    return *d->backend;
}

void StandInServer::failPath(const QString& pathPart, int status, int count)
{
    QMutexLocker lock(&d->mutex);
    if (count > 0)
        d->failures.append(Failure { pathPart, status, count });
}

QStringList StandInServer::requestLog() const
{
    QMutexLocker lock(&d->mutex);
    return d->log;
}

QList<QHash<QByteArray, QByteArray>> StandInServer::requestHeaderLog() const
{
    QMutexLocker lock(&d->mutex);
    return d->headerLog;
}

void StandInServer::clearRequestLog()
{
    QMutexLocker lock(&d->mutex);
    d->log.clear();
    d->headerLog.clear();
}

} // namespace standin
