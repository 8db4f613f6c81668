#pragma once

#include "standin/SampleMarket.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

namespace standin {

// The product's backend as the stand-in server plays it (wire format in
// docs/backend-protocol.md), with groups and members kept in files under
// storeDir so they survive a restart.
class BackendService {
public:
    BackendService(SampleMarket& market, const QString& storeDir);
    ~BackendService();

    struct Reply {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };
    // One POST to the backend's entry ("user").
    Reply handle(
        const QByteArray& path, const QByteArray& body, const QHash<QByteArray, QByteArray>& headers);

    // Test switch: the next `count` requests of `api` fail with server code `code`.
    void failApi(int api, int code, int count = 1);
    // Test switch: the next `count` requests of `api` are answered with
    // `body` as it is (with its right digest), e.g. a hostile reply.
    void answerApi(int api, const QByteArray& body, int count = 1);
    // Bodies received, newest last (for tests checking keys).
    QList<QByteArray> receivedBodies() const;
    void clearReceivedBodies();
    // Test switch: a key of the application settings (API 93001); a null
    // value removes it (e.g. "vipmacopen" to "0").
    void setAppSetting(const QString& name, const QString& value);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace standin
