#pragma once

#include "backend/MHTTPObserver.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QuilorSDK;

namespace market {

// Every change of a group's members (APIs 90013, 90014, 90015), whichever
// window makes it, goes through the client's one queue: one write at a time,
// each built from the group's rows as the backend answers them just before
// it is sent. So two edits in flight never undo each other, and a write never
// rests on rows the server has renumbered since they were shown.
class GroupWrites : public QObject {
    Q_OBJECT
public:
    // What a write sends, decided from the group's current rows: `send`
    // starts the request, or, without it, the write is refused and its
    // observer hears `code` and `reason` as a failure of the write's API.
    struct Plan {
        std::function<bool(QuilorSDK* client, MHTTPObserver* observer)> send;
        int code = 0;
        QString reason;
    };
    using Build = std::function<Plan(const QVariantList& rows)>;

    // The backend's own codes for a refusal: the group already holds the
    // stock, or no longer holds it.
    static constexpr int kAlreadyInGroup = -1001;
    static constexpr int kNotInGroup = -1005;
    // The group is gone (deleted from another window or copy).
    static constexpr int kNoSuchGroup = -1004;
    // What the user is told of a refusal that is no network failure; null
    // for any other code.
    static QString refusalText(int code);
    // A write queued before the user changed is not sent for the next user
    // (a code of our own: the group may well exist, under the other user).
    static constexpr int kUserChanged = 1314;
    static Plan refuse(int code, const QString& reason);

    // The queue of `client`, made with it on first use.
    static GroupWrites* of(QuilorSDK* client);

    // Queues a write of `api` to the members of `groupId`. Its reply or
    // failure goes to `observer` while it lives; the write is sent even when
    // the observer is gone by its turn. False, with nothing queued, without
    // a group id.
    bool write(int api, const QString& groupId, MHTTPObserver* observer, Build build);

    // A write that takes nothing from the rows, only its turn.
    static Build inTurn(std::function<bool(QuilorSDK* client, MHTTPObserver* observer)> send);
    // An add from outside the list: a stock new to the group goes in with
    // order and alerts "0"; one the group holds already is refused
    // (kAlreadyInGroup), so that its order and alerts stay as they are.
    static Build addIfNew(const QString& code, const QString& name, const QString& groupId);

    // The row of `code` among `rows`, empty when the group does not hold it.
    static QVariantMap memberOf(const QVariantList& rows, const QString& code);
    // A member's value as a request argument: null when the key is absent,
    // so that it stays absent in the request.
    static QString argOf(const QVariantMap& member, const char* key);

    // Writes queued or under way.
    int pending() const;

private:
    struct Write {
        int api = 0;
        QString groupId;
        MHTTPObserver* observer = nullptr;
        std::weak_ptr<int> observerAlive;
        Build build;
        QString uid; // the user whose group it is
    };
    class Step;

    explicit GroupWrites(QuilorSDK* client);
    void next();
    void rowsArrived(const QVariant& result);
    bool sameUser() const;
    QString currentUser() const;
    // Hands the outcome to the write's observer and starts the next write.
    void finish(const QVariant* result, int code, const QString& description);

    QuilorSDK* m_client;
    QList<Write> m_queue;
    bool m_running = false;
    Write m_current;
};

} // namespace market
