#pragma once

#include "standin/SampleMarket.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QHttpServer;

namespace standin {

class BackendService;

// The local stand-in for the public feeds and the product's backend, on
// 127.0.0.1. Every feed path the client reads is served from the sample
// market; the backend operations are served by BackendService.
class StandInServer : public QObject {
    Q_OBJECT
public:
    // storeDir keeps the backend's groups and members across restarts
    // (a temporary folder when empty).
    explicit StandInServer(const QString& storeDir = QString(), QObject* parent = nullptr);
    ~StandInServer() override;

    // port 0 picks a free port. Answers false when it cannot listen.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>"

    SampleMarket& market();
    BackendService& backend();

    // Test switches: the next requests whose path contains `pathPart`
    // answer with HTTP `status` (0: the connection is dropped; -1: never
    // answered) `count` times.
    void failPath(const QString& pathPart, int status, int count = 1);
    // Test switch: the next `count` backend requests of API `api` are held
    // unanswered until releaseHeld() answers them, in order, as the backend
    // stands then.
    void holdApi(int api, int count = 1);
    int heldCount() const;
    void releaseHeld();
    // Every request path served, in order (for tests).
    QStringList requestLog() const;
    // The headers of every request served, in the same order as the paths
    // (names in lower case; a repeated header keeps its last value).
    QList<QHash<QByteArray, QByteArray>> requestHeaderLog() const;
    void clearRequestLog();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace standin
