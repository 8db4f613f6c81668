#pragma once

#include "backend/MHTTPObserver.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QuilorSDK;

namespace market {

// Every change of a group's members (APIs 90013, 90014, 90015) and of the
// group list (90011, 90012), whichever window makes it, goes through the
// client's one queue: one write at a time, each built from the group's rows
// (or the group list) as the backend answers them just before it is sent.
// So two edits in flight never undo each other, and a write never rests on
// rows or orders the server has renumbered since they were shown.
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
        // A group the write found gone (deleted elsewhere): dropped everywhere.
        QString gone;
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
    // The write's group (`groupId`) is not among the user's groups any more.
    static Plan refuseGone(const QString& groupId);

    // The queue of `client`, made with it on first use.
    static GroupWrites* of(QuilorSDK* client);

    // Queues a write of `api` to the members of `groupId`. Its reply or
    // failure goes to `observer` while it lives; the write is sent even when
    // the observer is gone by its turn. False, with nothing queued, without
    // a group id.
    // `userId`, when given, is the user whose rows the edit was made on: once
    // another user is logged in, the write is refused (kUserChanged).
    bool write(int api, const QString& groupId, MHTTPObserver* observer, Build build,
        const QString& userId = QString());
    // Queues a change of the group list, built from the user's groups
    // (groupDict records) as the backend answers them when its turn comes.
    void writeGroups(int api, MHTTPObserver* observer, Build build, const QString& userId = QString());
    // A rename or move of group `id` (API 90011) with the name and order the
    // backend holds when its turn comes, each replaced where given: `name`
    // (null: the group's own) and the order `orderOf` gives (without it: the
    // group's own; nullopt: the write is refused as the group it needed is
    // gone). So a rename never moves a group back, nor a move renames it back.
    using OrderOf
        = std::function<std::optional<QString>(const QVariantMap& group, const QVariantList& groups)>;
    static Build changeGroup(const QString& id, const QString& name, OrderOf orderOf = {});
    // Queues a change of the group list that takes nothing from it (an add,
    // a delete): it is only sent in its turn.
    void writeGroupsInTurn(int api, MHTTPObserver* observer,
        std::function<bool(QuilorSDK* client, MHTTPObserver* observer)> send,
        const QString& userId = QString());

    // A write that takes nothing from the rows, only its turn.
    static Build inTurn(std::function<bool(QuilorSDK* client, MHTTPObserver* observer)> send);
    // An add from outside the list: a stock new to the group goes in with
    // order and alerts "0"; one the group holds already is refused
    // (kAlreadyInGroup), so that its order and alerts stay as they are.
    static Build addIfNew(const QString& code, const QString& name, const QString& groupId);

    // The row of `code` among `rows`, empty when the group does not hold it.
    static QVariantMap memberOf(const QVariantList& rows, const QString& code);
    // The group `id` among `groups`, empty when the user has no such group.
    static QVariantMap groupOf(const QVariantList& groups, const QString& id);
    // A member's value as a request argument: null when the key is absent,
    // so that it stays absent in the request.
    static QString argOf(const QVariantMap& member, const char* key);

    // Writes queued or under way.
    int pending() const;
    // The windows are closing: the writes still go out, but no observer
    // hears of them any more; a failure is only logged.
    void forgetObservers();

Q_SIGNALS:
    // The last write queued has had its outcome.
    void settled();

private:
    // What a write reads before it is built.
    enum class Reads { GroupRows, GroupList, Nothing };
    struct Write {
        int api = 0;
        Reads reads = Reads::GroupRows;
        QString groupId;
        MHTTPObserver* observer = nullptr;
        std::weak_ptr<int> observerAlive;
        Build build;
        QString uid; // the user whose group it is
    };
    class Step;

    explicit GroupWrites(QuilorSDK* client);
    void enqueue(Write write, const QString& userId);
    void next();
    void rowsArrived(const QVariant& result);
    void build(const QVariantList& rows);
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
