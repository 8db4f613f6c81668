#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <utility>

// A relay on 127.0.0.1 in front of the stand-in, for a client made with
// url(). It can hold back the answers to requests containing a marker until
// released, so that replies overtake each other however slow the machine is,
// and it can play a backend that is down (every connection dropped at once).
class BackendRelay : public QObject {
public:
    explicit BackendRelay(quint16 targetPort)
        : m_target(targetPort)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket* client = m_server.nextPendingConnection())
                relay(client);
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    // From now on, answers to requests containing `marker` wait for release().
    void holdAnswersTo(QByteArray marker)
    {
        m_marker = std::move(marker);
        m_released = false;
    }
    // Sends the answers held back so far; later ones pass at once.
    void release()
    {
        m_released = true;
        for (const auto& [client, data] : std::as_const(m_held)) {
            if (client)
                client->write(data);
        }
        m_held.clear();
    }
    // Sends only the `count` answers held back last, newest first, so that
    // they overtake the older ones still held.
    void releaseNewest(int count = 1)
    {
        for (; count > 0 && !m_held.isEmpty(); --count) {
            const auto [client, data] = m_held.takeLast();
            if (client)
                client->write(data);
        }
    }
    bool hasHeld() const { return !m_held.isEmpty(); }
    qsizetype heldCount() const { return m_held.size(); }

    void setDown(bool down) { m_down = down; }
    // Connections dropped while down.
    int refused() const { return m_refused; }

private:
    void relay(QTcpSocket* client)
    {
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        if (m_down) {
            ++m_refused;
            client->abort();
            client->deleteLater();
            return;
        }
        auto* upstream = new QTcpSocket(client);
        auto request = std::make_shared<QByteArray>();
        auto holding = std::make_shared<bool>(false);
        upstream->connectToHost(QHostAddress::LocalHost, m_target);
        connect(client, &QTcpSocket::readyRead, upstream, [client, upstream, request]() {
            const QByteArray data = client->readAll();
            request->append(data);
            upstream->write(data);
        });
        connect(upstream, &QTcpSocket::readyRead, client, [this, client, upstream, request, holding]() {
            if (!request->isEmpty()) {
                *holding = !m_released && !m_marker.isEmpty() && request->contains(m_marker);
                request->clear();
            }
            const QByteArray data = upstream->readAll();
            if (*holding && !m_released)
                hold(client, data);
            else
                client->write(data);
        });
    }

    // One entry per answer, however many reads it arrives in.
    void hold(QTcpSocket* client, const QByteArray& data)
    {
        for (auto& [held, pending] : m_held) {
            if (held == client) {
                pending += data;
                return;
            }
        }
        m_held.append({ QPointer<QTcpSocket>(client), data });
    }

    QTcpServer m_server;
    quint16 m_target;
    QByteArray m_marker;
    bool m_released = false;
    bool m_down = false;
    int m_refused = 0;
    QList<std::pair<QPointer<QTcpSocket>, QByteArray>> m_held;
};
