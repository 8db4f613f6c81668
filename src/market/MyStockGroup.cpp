#include "market/MyStockGroup.h"

#include "backend/QuilorSDK.h"
#include "backend/ReplyObserver.h"
#include "backend/User.h"
#include "market/MarketCodes.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"
#include "platform/UserDefaults.h"
#include "platform/Values.h"

#include <QLoggingCategory>
#include <QSet>

#include <limits>

Q_LOGGING_CATEGORY(lcGroups, "lst.market.groups", QtInfoMsg)

namespace {
const QString kId = QStringLiteral("id");
const QString kGroupName = QStringLiteral("userstockgroupname");
const QString kGroupOrder = QStringLiteral("userstockgrouporder");
const QString kStockcode = QStringLiteral("stockcode");
const QString kSavedGroups = QStringLiteral("savedGroupArray");
const QString kCurGroupIdx = QStringLiteral("iCurGroupIdx");
const QString kCurGroupId = QStringLiteral("curGroupId");
const QString kSavedRows = QStringLiteral("GroupStockstableArray");
// Longer texts than these are no names or figures of a group.
constexpr qsizetype kMaxName = 64;
constexpr qsizetype kMaxFigure = 32;
constexpr qsizetype kMaxGroupId = 18;

QVariantMap outcome(bool ok)
{
    return { { QStringLiteral("result"), ok ? QStringLiteral("OK") : QStringLiteral("Fail") },
        { QStringLiteral("des"),
            ok ? QStringLiteral("Group refresh OK") : QStringLiteral("Group refresh Fail") } };
}

platform::UserDefaults* defaults()
{
    return platform::UserDefaults::standardUserDefaults();
}

bool isGroupId(const QString& id)
{
    if (id.isEmpty() || id.size() > kMaxGroupId)
        return false;
    for (const QChar c : id)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// A name as it is drawn: no control characters, bounded.
QString cleanName(const QVariant& value)
{
    QString name = platform::stringOf(value);
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (name.size() > kMaxName)
        name.truncate(name.at(kMaxName - 1).isHighSurrogate() ? kMaxName - 1 : kMaxName);
    return name;
}

// Copies `key` when the record has it as a short text.
void keepFigure(const QVariantMap& from, const QString& key, QVariantMap* to)
{
    if (!from.contains(key))
        return;
    const QString text = platform::stringOf(from, key);
    if (text.size() <= kMaxFigure)
        to->insert(key, text);
}
} // namespace

MyStockGroup::MyStockGroup(
    QuilorSDK* sdk, QObject* father, std::function<void(const QVariantMap&)> callBack, QObject* parent)
    : QObject(parent)
    , m_sdk(sdk)
    , m_callback(father, std::move(callBack))
{
    followUser();
    // Another login, or a log-out: the groups shown are that user's (or the
    // guest's) from now on.
    for (const QString& name : { QStringLiteral("UserInfoChanged"), QStringLiteral("isLogouted") }) {
        platform::NotificationCenter::defaultCenter()->addObserver(
            this, name, [this](const platform::Notification&) {
                if (m_userId != currentUserId())
                    refreshData();
            });
    }
}

MyStockGroup::~MyStockGroup()
{
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
}

void MyStockGroup::setDelegateCell(QObject* receiver)
{
    m_callback.delegateCell = receiver;
}

void MyStockGroup::setChangeCallBack(std::function<void(const QVariantMap&)> handler)
{
    m_callback.changeCallBack = std::move(handler);
}

QObject* MyStockGroup::delegateCell() const
{
    return m_callback.delegateCell;
}

QString MyStockGroup::currentUserId() const
{
    return m_sdk && m_sdk->iUser() ? m_sdk->iUser()->qvmid : QString();
}

bool MyStockGroup::followUser()
{
    const QString uid = currentUserId();
    if (m_hasUser && uid == m_userId)
        return false;
    m_hasUser = true;
    m_userId = uid;
    // Lists asked for before belong to the previous user.
    m_appliedSerial = m_requestSerial;
    iGroupArray = savedGroups();
    iCurIdx = int(savedCurIdx().toInt());
    clearGroupStockDict();
    return true;
}

void MyStockGroup::refreshData()
{
    if (followUser()) {
        Q_EMIT userChanged();
        Q_EMIT groupsChanged();
    }
    const QString uid = m_userId;
    const int serial = ++m_requestSerial;
    auto* request = new backend::ReplyObserver(
        this, [this, serial, uid](const QVariant& result, int) { listArrived(serial, uid, result); },
        [this, serial, uid](
            int code, const QString& description, int) { listFailed(serial, uid, code, description); });
    if (!m_sdk || !m_sdk->getStockGroup(uid, nullptr, request)) {
        delete request;
        // Nothing was sent (no user id): the receiver still hears of it.
        qCWarning(lcGroups) << "group list not requested, no user id";
        m_callback.send(outcome(false));
    }
}

void MyStockGroup::listArrived(int serial, const QString& userId, const QVariant& result)
{
    if (userId != m_userId || serial <= m_appliedSerial) {
        qCDebug(lcGroups) << "group list dropped: asked for before a newer list or another user";
        return;
    }
    const QVariant data = result.toMap().value(QStringLiteral("data"));
    if (result.typeId() != QMetaType::QVariantMap || data.typeId() != QMetaType::QVariantList) {
        qCWarning(lcGroups) << "group reply without a \"data\" array";
        m_callback.send(outcome(false));
        return;
    }
    m_appliedSerial = serial;
    const QVariantList groups = groupsOfReply(data);
    if (groups.isEmpty())
        return; // keeps what it had; the receiver hears nothing
    storeGroups(groups);
    m_callback.send(outcome(true));
}

void MyStockGroup::listFailed(int serial, const QString& userId, int code, const QString& description)
{
    Q_UNUSED(serial);
    qCWarning(lcGroups) << "group refresh failed:" << code << description;
    if (userId == m_userId)
        m_callback.send(outcome(false));
}

bool MyStockGroup::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    if (api != backend::kApiGetGroups)
        return false;
    // Handed over directly: the newest list of the user shown.
    listArrived(++m_requestSerial, m_userId, result);
    return true;
}

bool MyStockGroup::HttpEvent(int code, const QString& description, int api)
{
    if (api != backend::kApiGetGroups)
        return false;
    listFailed(m_requestSerial, m_userId, code, description);
    return true;
}

void MyStockGroup::groupDeleted(const QString& groupId, const QVariant& reply)
{
    const QVariant data = reply.toMap().value(QStringLiteral("data"));
    QVariantList left;
    for (const QVariant& group :
        data.typeId() == QMetaType::QVariantList ? groupsOfReply(data) : iGroupArray) {
        if (platform::stringOf(group.toMap(), kId) != groupId)
            left << group;
    }
    // Lists asked for before the delete was answered may still hold the group.
    m_appliedSerial = m_requestSerial;
    storeGroups(left, groupId);
}

void MyStockGroup::followChosenGroup(const QVariantList& groups, const QString& deletedId)
{
    // Another copy of the application may have chosen a group meanwhile.
    defaults()->synchronize();
    const QString saved = savedCurIdx();
    const long long index = saved.isNull() ? 0 : platform::integerValue(QStringView(saved));
    if (index < 0 || index > std::numeric_limits<int>::max())
        return;
    const auto indexOf = [](const QVariantList& list, const QString& id) {
        for (qsizetype i = 0; !id.isEmpty() && i < list.size(); ++i) {
            if (platform::stringOf(list.at(i).toMap(), kId) == id)
                return i;
        }
        return qsizetype(-1);
    };
    QString chosenId = savedCurGroupId();
    if (chosenId.isEmpty() && index < iGroupArray.size())
        chosenId = platform::stringOf(iGroupArray.at(index).toMap(), kId);
    qsizetype now = indexOf(groups, chosenId);
    // The chosen group itself went (or the index named none): the one
    // before it is chosen, as the list does after a delete.
    if (now < 0 && !deletedId.isEmpty()) {
        const qsizetype deletedAt = indexOf(iGroupArray, deletedId);
        if (deletedAt < 0 || deletedAt > index)
            return;
        now = index > 0 ? index - 1 : 0;
    }
    if (now < 0)
        return;
    const QString nowId = now < groups.size() ? platform::stringOf(groups.at(now).toMap(), kId) : QString();
    if (now != index || nowId != chosenId)
        defaults()->setObjects(
            { { userKey(kCurGroupIdx, m_userId), platform::stringWithFormat("%ld", long(now)) },
                { userKey(kCurGroupId, m_userId), nowId.isEmpty() ? QVariant() : QVariant(nowId) } });
}

void MyStockGroup::storeGroups(const QVariantList& groups, const QString& deletedId)
{
    // The saved choice stays on the group the user chose, wherever the
    // groups moved; no window that merely shows a group changes it.
    followChosenGroup(groups, deletedId);
    iGroupArray = groups;
    defaults()->setObject(groups, userKey(kSavedGroups, m_userId));
    // Rows of groups that are gone are not kept.
    QSet<QString> ids;
    for (const QVariant& group : groups)
        ids.insert(platform::stringOf(group.toMap(), kId));
    QVariantMap rows = defaults()->objectForKey(userKey(kSavedRows, m_userId)).toMap();
    bool pruned = false;
    for (auto it = rows.begin(); it != rows.end();) {
        if (ids.contains(it.key())) {
            ++it;
        } else {
            it = rows.erase(it);
            pruned = true;
        }
    }
    if (pruned)
        defaults()->setObject(rows, userKey(kSavedRows, m_userId));
    Q_EMIT groupsChanged();
}

QVariantList MyStockGroup::savedGroups() const
{
    return groupsOfReply(defaults()->objectForKey(userKey(kSavedGroups, m_userId)));
}

QString MyStockGroup::savedCurIdx() const
{
    return defaults()->stringForKey(userKey(kCurGroupIdx, m_userId));
}

void MyStockGroup::saveCurIdx(const QString& index)
{
    // With the group the index names now, so that the choice can follow the
    // group when the list changes, also in another copy of the application.
    const long long at = platform::integerValue(QStringView(index));
    const QString id = at >= 0 && at < iGroupArray.size()
        ? platform::stringOf(iGroupArray.at(at).toMap(), kId)
        : QString();
    defaults()->setObjects({ { userKey(kCurGroupIdx, m_userId), index },
        { userKey(kCurGroupId, m_userId), id.isEmpty() ? QVariant() : QVariant(id) } });
}

QString MyStockGroup::savedCurGroupId() const
{
    return defaults()->stringForKey(userKey(kCurGroupId, m_userId));
}

QVariantList MyStockGroup::savedRows(const QString& groupId) const
{
    if (groupId.isEmpty())
        return {};
    return membersOfReply(defaults()->objectForKey(userKey(kSavedRows, m_userId)).toMap().value(groupId));
}

void MyStockGroup::saveRows(const QString& groupId, const QVariantList& rows)
{
    // Only a group the user has keeps rows.
    bool known = false;
    for (const QVariant& group : std::as_const(iGroupArray))
        known = known || platform::stringOf(group.toMap(), kId) == groupId;
    if (!known)
        return;
    const QString key = userKey(kSavedRows, m_userId);
    // Another copy of the application may have kept other groups' rows since.
    defaults()->synchronize();
    QVariantMap all = defaults()->objectForKey(key).toMap();
    all.insert(groupId, rows);
    defaults()->setObject(all, key);
}

QString MyStockGroup::userKey(const QString& key, const QString& userId)
{
    return key + QLatin1Char('.') + userId;
}

QVariantList MyStockGroup::groupsOfReply(const QVariant& data)
{
    QVariantList groups;
    QSet<QString> seen;
    int dropped = 0;
    for (const QVariant& value : data.toList()) {
        const QVariantMap group = value.toMap();
        const QString id = platform::stringOf(group, kId);
        if (value.typeId() != QMetaType::QVariantMap || !isGroupId(id) || seen.contains(id)) {
            ++dropped;
            continue;
        }
        // A flood of groups would be saved, and offered in every menu, whole.
        if (groups.size() >= kGroupPageSize) {
            ++dropped;
            continue;
        }
        seen.insert(id);
        QVariantMap kept { { kId, id }, { kGroupName, cleanName(group.value(kGroupName)) } };
        keepFigure(group, kGroupOrder, &kept);
        groups << kept;
    }
    if (dropped > 0)
        qCWarning(lcGroups) << "dropped" << dropped << "groups without a usable id, or beyond"
                            << kGroupPageSize;
    return groups;
}

QVariantList MyStockGroup::membersOfReply(const QVariant& data)
{
    static const QString kNames[] = { QStringLiteral("stockname"), QStringLiteral("name") };
    static const QString kFigures[] = { QStringLiteral("userstockorder"), QStringLiteral("lprice"),
        QStringLiteral("hprice"), QStringLiteral("vprice") };
    QVariantList members;
    int dropped = 0;
    int beyondPage = 0;
    qsizetype firstLength = 0;
    for (const QVariant& value : data.toList()) {
        const QVariantMap row = value.toMap();
        const QString code = platform::stringOf(row, kStockcode);
        if (value.typeId() != QMetaType::QVariantMap || !market::isSecurityCode(code)) {
            if (dropped++ == 0)
                firstLength = code.size();
            continue;
        }
        if (members.size() >= kGroupPageSize) {
            ++beyondPage;
            continue;
        }
        QVariantMap kept { { kStockcode, code } };
        for (const QString& key : kNames) {
            if (row.contains(key))
                kept.insert(key, cleanName(row.value(key)));
        }
        for (const QString& key : kFigures)
            keepFigure(row, key, &kept);
        members << kept;
    }
    if (dropped > 0)
        qCWarning(lcGroups) << "dropped" << dropped << "group rows without a real code (the first"
                            << firstLength << "characters long)";
    if (beyondPage > 0)
        qCWarning(lcGroups) << "dropped" << beyondPage << "group rows beyond the page of" << kGroupPageSize;
    return members;
}

QVariantMap MyStockGroup::GetCurGroupDict() const
{
    if (!hasCurGroup())
        return {};
    return iGroupArray.at(iCurIdx).toMap();
}

bool MyStockGroup::hasCurGroup() const
{
    return iCurIdx >= 0 && iCurIdx < iGroupArray.size();
}

bool MyStockGroup::IsOnThisGroup(const QString& code) const
{
    return hasGroupStockDict && iGroupStockDict.contains(code);
}
