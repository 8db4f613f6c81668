#include "market/GroupWrites.h"

#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "market/MyStockGroup.h"

#include <QLoggingCategory>

#include <utility>

Q_LOGGING_CATEGORY(lcGroupWrites, "lst.market.groupwrites", QtInfoMsg)

namespace market {

namespace {
const QString kData = QStringLiteral("data");
const QString kStockcode = QStringLiteral("stockcode");
} // namespace

// One request of the queue: hands its outcome back and goes.
class GroupWrites::Step : public QObject, public MHTTPObserver {
public:
    using Result = std::function<void(const QVariant&)>;
    using Failure = std::function<void(int, const QString&)>;
    Step(GroupWrites* owner, Result result, Failure failure)
        : QObject(owner)
        , m_result(std::move(result))
        , m_failure(std::move(failure))
    {
    }
    bool HttpResult(const QVariant& result, int, bool) override
    {
        deleteLater();
        m_result(result);
        return true;
    }
    bool HttpEvent(int code, const QString& description, int) override
    {
        deleteLater();
        m_failure(code, description);
        return true;
    }

private:
    Result m_result;
    Failure m_failure;
};

GroupWrites::GroupWrites(QuilorSDK* client)
    : QObject(client)
    , m_client(client)
{
    setObjectName(QStringLiteral("GroupWrites"));
}

GroupWrites* GroupWrites::of(QuilorSDK* client)
{
    if (!client)
        return nullptr;
    if (auto* queue = client->findChild<GroupWrites*>(QString(), Qt::FindDirectChildrenOnly))
        return queue;
    return new GroupWrites(client);
}

GroupWrites::Plan GroupWrites::refuse(int code, const QString& reason)
{
    Plan plan;
    plan.code = code;
    plan.reason = reason;
    return plan;
}

GroupWrites::Plan GroupWrites::refuseGone(const QString& groupId)
{
    Plan plan = refuse(kNoSuchGroup, QStringLiteral("the group is gone"));
    plan.gone = groupId;
    return plan;
}

GroupWrites::Build GroupWrites::changeGroup(const QString& id, const QString& name, OrderOf orderOf)
{
    return [id, name, orderOf](const QVariantList& groups) {
        const QVariantMap group = groupOf(groups, id);
        if (group.isEmpty())
            return refuseGone(id);
        QString order = argOf(group, "userstockgrouporder");
        if (orderOf) {
            const std::optional<QString> wanted = orderOf(group, groups);
            if (!wanted)
                return refuse(kNoSuchGroup, QStringLiteral("the group to take the place of is gone"));
            order = *wanted;
        }
        const QString sentName = name.isNull() ? argOf(group, "userstockgroupname") : name;
        Plan plan;
        plan.send = [id, sentName, order](QuilorSDK* client, MHTTPObserver* observer) {
            return client->addStockGroup(sentName, order, id, nullptr, observer);
        };
        return plan;
    };
}

GroupWrites::Build GroupWrites::inTurn(std::function<bool(QuilorSDK*, MHTTPObserver*)> send)
{
    return [send = std::move(send)](const QVariantList&) {
        Plan plan;
        plan.send = send;
        return plan;
    };
}

GroupWrites::Build GroupWrites::addIfNew(const QString& code, const QString& name, const QString& groupId)
{
    return [code, name, groupId](const QVariantList& rows) {
        if (!memberOf(rows, code).isEmpty())
            return refuse(kAlreadyInGroup, QStringLiteral("the group already holds the stock"));
        Plan plan;
        plan.send = [code, name, groupId](QuilorSDK* client, MHTTPObserver* observer) {
            const QString zero = QStringLiteral("0");
            return client->addStockToGroup(code, name, zero, groupId, zero, zero, zero, nullptr, observer);
        };
        return plan;
    };
}

QString GroupWrites::refusalText(int code)
{
    if (code == kAlreadyInGroup)
        return QStringLiteral("目标组已经存在这支股票!");
    if (code == kNoSuchGroup)
        return QStringLiteral("这个分组已经不存在了!");
    if (code == kUserChanged)
        return QStringLiteral("登录的用户已经更换，这项修改没有发出。");
    return QString();
}

QVariantMap GroupWrites::memberOf(const QVariantList& rows, const QString& code)
{
    if (code.isEmpty())
        return {};
    for (const QVariant& row : rows) {
        const QVariantMap member = row.toMap();
        if (member.value(kStockcode).toString() == code)
            return member;
    }
    return {};
}

QVariantMap GroupWrites::groupOf(const QVariantList& groups, const QString& id)
{
    if (id.isEmpty())
        return {};
    for (const QVariant& value : groups) {
        const QVariantMap group = value.toMap();
        if (group.value(QStringLiteral("id")).toString() == id)
            return group;
    }
    return {};
}

QString GroupWrites::argOf(const QVariantMap& member, const char* key)
{
    const QString name = QString::fromLatin1(key);
    if (!member.contains(name))
        return QString();
    const QString value = member.value(name).toString();
    return value.isNull() ? QStringLiteral("") : value;
}

bool GroupWrites::write(
    int api, const QString& groupId, MHTTPObserver* observer, Build build, const QString& userId)
{
    if (groupId.isEmpty() || !build)
        return false;
    Write write;
    write.api = api;
    write.groupId = groupId;
    write.observer = observer;
    write.build = std::move(build);
    enqueue(std::move(write), userId);
    return true;
}

void GroupWrites::writeGroups(int api, MHTTPObserver* observer, Build build, const QString& userId)
{
    Write write;
    write.api = api;
    write.reads = Reads::GroupList;
    write.observer = observer;
    write.build = std::move(build);
    enqueue(std::move(write), userId);
}

void GroupWrites::writeGroupsInTurn(int api, MHTTPObserver* observer,
    std::function<bool(QuilorSDK*, MHTTPObserver*)> send, const QString& userId)
{
    Write write;
    write.api = api;
    write.reads = Reads::Nothing;
    write.observer = observer;
    write.build = inTurn(std::move(send));
    enqueue(std::move(write), userId);
}

void GroupWrites::enqueue(Write write, const QString& userId)
{
    write.observerAlive = write.observer ? write.observer->observerToken() : std::weak_ptr<int>();
    write.uid = userId.isEmpty() ? currentUser() : userId;
    m_queue.append(std::move(write));
    next();
}

int GroupWrites::pending() const
{
    return int(m_queue.size()) + (m_running ? 1 : 0);
}

void GroupWrites::forgetObservers()
{
    for (Write& write : m_queue)
        write.observer = nullptr;
    m_current.observer = nullptr;
}

void GroupWrites::next()
{
    if (m_running || m_queue.isEmpty())
        return;
    m_running = true;
    m_current = m_queue.takeFirst();
    if (!sameUser()) {
        finish(nullptr, kUserChanged, QStringLiteral("the user changed before the write went out"));
        return;
    }
    if (m_current.reads == Reads::Nothing) {
        build(QVariantList());
        return;
    }
    // The group (or the group list) as the server holds it now, after every
    // write before this one.
    auto* fetch = new Step(
        this, [this](const QVariant& result) { rowsArrived(result); },
        [this](int code, const QString& description) {
            qCWarning(lcGroupWrites) << "rows of group" << m_current.groupId << "not fetched:" << code
                                     << description;
            // The group was deleted elsewhere: no window offers it any more.
            if (code == kNoSuchGroup && m_current.reads == Reads::GroupRows && sameUser()
                && m_client->iMyStockGroup())
                m_client->iMyStockGroup()->groupDeleted(m_current.groupId);
            finish(nullptr, code, description);
        });
    const bool asked = m_current.reads == Reads::GroupList
        ? m_client->getStockGroup(currentUser(), nullptr, fetch)
        : m_client->GetAGroupOfStocks(m_current.groupId, QStringLiteral("0"),
            QString::number(MyStockGroup::kGroupPageSize), nullptr, fetch);
    if (!asked) {
        delete fetch;
        finish(nullptr, backend::kCodeConnectionFailed, QStringLiteral("group rows not requested"));
    }
}

void GroupWrites::rowsArrived(const QVariant& result)
{
    const QVariant data = result.toMap().value(kData);
    // A JSON null arrives as "" and means an empty group.
    const bool rowsOk = result.typeId() == QMetaType::QVariantMap && result.toMap().contains(kData)
        && (data.typeId() == QMetaType::QVariantList || data.toString().isEmpty());
    if (!rowsOk) {
        qCWarning(lcGroupWrites) << "group" << m_current.groupId << "answered without rows";
        finish(nullptr, backend::kCodeBadReply, QStringLiteral("group reply without rows"));
        return;
    }
    build(data.toList());
}

void GroupWrites::build(const QVariantList& rows)
{
    const Plan plan = m_current.build(rows);
    if (!plan.send) {
        qCDebug(lcGroupWrites) << "write" << m_current.api << "to group" << m_current.groupId
                               << "refused:" << plan.code << plan.reason;
        if (!plan.gone.isEmpty() && sameUser() && m_client->iMyStockGroup())
            m_client->iMyStockGroup()->groupDeleted(plan.gone);
        finish(nullptr, plan.code, plan.reason);
        return;
    }
    auto* sent = new Step(
        this, [this](const QVariant& reply) { finish(&reply, 0, QString()); },
        [this](int code, const QString& description) { finish(nullptr, code, description); });
    // Rows of one user are never written as another's.
    if (!sameUser()) {
        delete sent;
        finish(nullptr, kUserChanged, QStringLiteral("the user changed before the write went out"));
        return;
    }
    if (!plan.send(m_client, sent)) {
        delete sent;
        // A required code or id was missing: the backend's code for that.
        finish(nullptr, -1006, QStringLiteral("write not sent"));
    }
}

bool GroupWrites::sameUser() const
{
    // A write made before any user was known belongs to whoever logs in.
    return m_current.uid.isEmpty() || currentUser() == m_current.uid;
}

QString GroupWrites::currentUser() const
{
    return m_client->iUser() ? m_client->iUser()->qvmid : QString();
}

void GroupWrites::finish(const QVariant* result, int code, const QString& description)
{
    // The next write may start while this one's observer handles the outcome.
    const Write write = std::exchange(m_current, Write());
    m_running = false;
    if (!write.observerAlive.expired() && write.observer) {
        if (result)
            write.observer->HttpResult(*result, write.api, false);
        else
            write.observer->HttpEvent(code, description, write.api);
    } else if (!result) {
        qCWarning(lcGroupWrites) << "write" << write.api << "to group" << write.groupId
                                 << "failed with nobody left to tell:" << code << description;
    }
    next();
    if (!m_running && m_queue.isEmpty())
        Q_EMIT settled();
}

} // namespace market
