#include "standin/BackendService.h"

#include "platform/Json.h"
#include "standin/BackendMarketData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>

namespace standin {

using backenddata::text;

namespace {

Q_LOGGING_CATEGORY(lcBackend, "lst.standin.backend")

QString key(const char* latin)
{
    return QString::fromLatin1(latin);
}

QString md5Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

struct Account {
    QString userName;
    QString password; // plain text; login sends its MD5
    QString qvmid;
    QString nickname;
    QString power;
    QString vipendtime;
};

const QList<Account>& accounts()
{
    static const QList<Account> list = {
        { QStringLiteral("demo"), QStringLiteral("demo1234"), QStringLiteral("400031001"), text("岚石演示"),
            QStringLiteral("4002"), QStringLiteral("2030-12-31 23:59:59") },
        { QStringLiteral("putong"), QStringLiteral("putong1234"), QStringLiteral("400031002"),
            text("普通用户"), QStringLiteral("4001"), QString() },
    };
    return list;
}

const QString kGuestId = QStringLiteral("400030000");

// Server failures, as { "code": ..., "msg": ... }.
struct Failure {
    int code;
    QString msg;
};

QVariantMap ok(const QVariant& data = QVariant())
{
    QVariantMap reply { { key("code"), key("0") }, { key("msg"), key("ok") } };
    if (data.isValid())
        reply.insert(key("data"), data);
    return reply;
}

int intArg(const QVariantMap& body, const char* name, int fallback)
{
    bool numeric = false;
    const int value = body.value(key(name)).toString().trimmed().toInt(&numeric);
    return numeric ? value : fallback;
}

QVariantList page(const QVariantList& all, int pageIndex, int pageSize)
{
    if (pageIndex < 0 || pageSize <= 0)
        return {};
    const qsizetype from = qsizetype(pageIndex) * pageSize;
    if (from >= all.size())
        return {};
    return all.mid(from, pageSize);
}

} // namespace

struct BackendService::Impl {
    SampleMarket& market;
    QString storeDir;
    QMutex mutex;
    QList<QByteArray> received;
    QHash<int, QPair<int, int>> failures; // api -> (code, count)
    QHash<int, QPair<QByteArray, int>> answers; // api -> (raw body, count)
    QVariantMap settings;
    QHash<QString, QVariantMap> users; // qvmid -> store
    QVariantMap trends; // "code|day" -> list of votes
    QStringList deletedRecommendations;

    Impl(SampleMarket& m, const QString& dir)
        : market(m)
        , storeDir(dir)
    {
    }

    QString usersPath(const QString& qvmid) const
    {
        QString safe = qvmid;
        safe.replace(QRegularExpression(QStringLiteral("[^0-9A-Za-z_-]")), QStringLiteral("_"));
        return QDir(storeDir).filePath(QStringLiteral("user-") + safe + QStringLiteral(".json"));
    }
    QString sharedPath() const { return QDir(storeDir).filePath(QStringLiteral("shared.json")); }

    static QVariantMap readJsonFile(const QString& path, bool* damaged)
    {
        QFile file(path);
        if (!file.exists())
            return {};
        if (!file.open(QIODevice::ReadOnly)) {
            *damaged = true;
            return {};
        }
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
        if (!doc.isObject()) {
            *damaged = true;
            return {};
        }
        return doc.object().toVariantMap();
    }

    void writeJsonFile(const QString& path, const QVariantMap& value)
    {
        QDir().mkpath(storeDir);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qCWarning(lcBackend) << "cannot write" << path << file.errorString();
            return;
        }
        file.write(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Indented));
        if (!file.commit())
            qCWarning(lcBackend) << "cannot write" << path << file.errorString();
    }

    void loadShared()
    {
        bool damaged = false;
        const QVariantMap shared = readJsonFile(sharedPath(), &damaged);
        if (damaged)
            qCWarning(lcBackend) << "damaged store file ignored:" << sharedPath();
        trends = shared.value(key("trends")).toMap();
        deletedRecommendations = shared.value(key("deletedRecommendations")).toStringList();
    }
    void saveShared()
    {
        writeJsonFile(sharedPath(),
            QVariantMap {
                { key("trends"), trends }, { key("deletedRecommendations"), deletedRecommendations } });
    }

    QVariantMap member(const QString& code, const QString& name, int order)
    {
        return QVariantMap { { key("stockcode"), code }, { key("stockname"), name }, { key("name"), name },
            { key("userstockorder"), QString::number(order) }, { key("lprice"), key("0") },
            { key("hprice"), key("0") }, { key("vprice"), key("0") } };
    }

    QVariantMap newUserStore()
    {
        const auto members = [this](const QStringList& codes) {
            QVariantList list;
            for (const QString& code : codes) {
                if (market.find(code) || backenddata::nameOf(market, code).size())
                    list.append(member(code, backenddata::nameOf(market, code), int(list.size())));
            }
            return list;
        };
        QVariantList groups;
        groups.append(QVariantMap { { key("id"), key("1") }, { key("userstockgroupname"), text("自选股") },
            { key("userstockgrouporder"), key("0") },
            { key("members"), members({ key("600000"), key("000001"), key("600519") }) } });
        groups.append(QVariantMap { { key("id"), key("2") }, { key("userstockgroupname"), text("股票组2") },
            { key("userstockgrouporder"), key("1") },
            { key("members"), members({ key("000002"), key("601398") }) } });
        return QVariantMap { { key("nextId"), 3 }, { key("groups"), groups } };
    }

    QVariantMap& userStore(const QString& qvmid)
    {
        auto it = users.find(qvmid);
        if (it != users.end())
            return *it;
        bool damaged = false;
        QVariantMap store = readJsonFile(usersPath(qvmid), &damaged);
        if (damaged)
            qCWarning(lcBackend) << "damaged store file replaced:" << usersPath(qvmid);
        if (store.value(key("groups")).typeId() != QMetaType::QVariantList) {
            store = newUserStore();
            writeJsonFile(usersPath(qvmid), store);
        }
        return *users.insert(qvmid, store);
    }
    void saveUser(const QString& qvmid) { writeJsonFile(usersPath(qvmid), users.value(qvmid)); }

    QDateTime now() const { return market.now(); }

    QVariant dispatch(int api, const QVariantMap& request);
    QVariant login(const QVariantMap& request);
    QVariant search(const QVariantMap& request);
    QVariant groupStocks(const QVariantMap& request);
    QVariant dayRows(const QVariantMap& request, bool index);
    QVariant getGroups(const QVariantMap& request);
    QVariant addGroup(const QVariantMap& request);
    QVariant delGroup(const QVariantMap& request);
    // Runs `edit` on the members of the user's group `groupId`, then
    // renumbers and stores them; answers the members, or the refusal that
    // the lookup or `edit` gives.
    QVariant editMembers(const QVariantMap& request, const QString& groupId,
        const std::function<std::optional<QVariant>(QVariantList&)>& edit);
    QVariant addStock(const QVariantMap& request);
    QVariant delStock(const QVariantMap& request);
    QVariant moveOrCopy(const QVariantMap& request);
    // The recommendation type ("1" when absent) and day a request names;
    // nullopt when the day does not read.
    std::optional<std::pair<QString, QDate>> recommendTypeAndDay(const QVariantMap& request) const;
    QVariant recommendList(const QVariantMap& request);
    QVariant delRecommend(const QVariantMap& request);
    QVariant sendTrend(const QVariantMap& request);
    QVariant trendSummary(const QVariantMap& request);
    QVariant trendList(const QVariantMap& request);
    QVariant messageCount(const QVariantMap& request);
    QVariant indexQuote(const QVariantMap& request);
    QVariant indexDayK(const QVariantMap& request);

    QVariantList votes(const QString& code, const QString& day) const;
    QVariantMap summary(const QString& code, const QString& day, const QString& uid) const;
    QVariantList recommendationsLeft(const QString& type, const QDate& day) const;
};

BackendService::BackendService(SampleMarket& market, const QString& storeDir)
    : d(std::make_unique<Impl>(market, storeDir))
{
    d->settings = QVariantMap {
        { key("code"), key("0") },
        { key("vipmacopen"), key("1") },
        { key("User-Agent"),
            QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 "
                           "(KHTML, like Gecko) Chrome/131.0.0.0 Safari/537.36") },
    };
    d->loadShared();
}

BackendService::~BackendService() = default;

void BackendService::failApi(int api, int code, int count)
{
    QMutexLocker lock(&d->mutex);
    if (count <= 0)
        d->failures.remove(api);
    else
        d->failures.insert(api, qMakePair(code, count));
}

void BackendService::answerApi(int api, const QByteArray& body, int count)
{
    QMutexLocker lock(&d->mutex);
    if (count <= 0)
        d->answers.remove(api);
    else
        d->answers.insert(api, qMakePair(body, count));
}

QList<QByteArray> BackendService::receivedBodies() const
{
    QMutexLocker lock(&d->mutex);
    return d->received;
}

void BackendService::clearReceivedBodies()
{
    QMutexLocker lock(&d->mutex);
    d->received.clear();
}

void BackendService::setAppSetting(const QString& name, const QString& value)
{
    QMutexLocker lock(&d->mutex);
    if (value.isNull())
        d->settings.remove(name);
    else
        d->settings.insert(name, value);
}

BackendService::Reply BackendService::handle(
    const QByteArray& path, const QByteArray& body, const QHash<QByteArray, QByteArray>& headers)
{
    QMutexLocker lock(&d->mutex);
    d->received.append(body);

    QVariant reply;
    Reply out;
    QByteArray digest;
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key().compare("md5", Qt::CaseInsensitive) == 0)
            digest = it.value().trimmed().toLower();
    }
    QByteArray entry = path;
    const qsizetype query = entry.indexOf('?');
    if (query >= 0)
        entry.truncate(query);

    if (!entry.endsWith("/user")) {
        out.status = 404;
        reply = QVariantMap { { key("code"), key("-1") }, { key("msg"), key("no such entry") } };
    } else if (digest != QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex()) {
        reply = QVariantMap { { key("code"), key("-1097") }, { key("msg"), key("request digest mismatch") } };
    } else {
        const auto parsed = platform::parseJson(body);
        if (!parsed || parsed->typeId() != QMetaType::QVariantMap) {
            reply = QVariantMap { { key("code"), key("-1098") },
                { key("msg"), key("request is not a JSON object") } };
        } else {
            const QVariantMap request = parsed->toMap();
            const int api = intArg(request, "api", -1);
            auto fail = d->failures.find(api);
            auto answer = d->answers.find(api);
            if (answer != d->answers.end()) {
                out.body = answer->first;
                if (--answer->second <= 0)
                    d->answers.erase(answer);
            } else if (fail != d->failures.end()) {
                const int code = fail->first;
                if (--fail->second <= 0)
                    d->failures.erase(fail);
                reply = QVariantMap { { key("code"), QString::number(code) },
                    { key("msg"), key("test failure") } };
            } else {
                reply = d->dispatch(api, request);
            }
        }
    }

    if (out.body.isNull())
        out.body = QJsonDocument::fromVariant(reply).toJson(QJsonDocument::Compact);
    out.headers.append(
        qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json; charset=utf-8")));
    out.headers.append(qMakePair(QByteArrayLiteral("md5"), md5Hex(out.body).toLatin1()));
    return out;
}

namespace {

QVariantMap failure(int code, const QString& msg)
{
    return QVariantMap { { key("code"), QString::number(code) }, { key("msg"), msg } };
}
QVariantMap missingKey(const char* name)
{
    return failure(-1006, QStringLiteral("missing or bad key: ") + key(name));
}

QString arg(const QVariantMap& request, const char* name)
{
    return request.value(key(name)).toString().trimmed();
}

// The -1006 answer for the first named key the request lacks, if any.
std::optional<QVariantMap> lacking(const QVariantMap& request, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (arg(request, name).isEmpty())
            return missingKey(name);
    return std::nullopt;
}

QString userOf(const QVariantMap& request)
{
    const QString id = arg(request, "qvmid");
    return id.isEmpty() ? kGuestId : id;
}

QString nicknameOf(const QString& qvmid)
{
    for (const Account& account : accounts()) {
        if (account.qvmid == qvmid)
            return account.nickname;
    }
    return qvmid == kGuestId ? text("游客") : text("股友") + qvmid.right(4);
}

// Orders are positions 0..n-1 after every change.
void renumber(QVariantList& list, const char* orderKey)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        QVariantMap item = list[i].toMap();
        item.insert(key(orderKey), QString::number(i));
        list[i] = item;
    }
}

void moveItem(QVariantList& list, qsizetype from, qsizetype to)
{
    to = std::clamp<qsizetype>(to, 0, list.size() - 1);
    if (from != to)
        list.move(from, to);
}

qsizetype indexWhere(const QVariantList& list, const char* field, const QString& value)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].toMap().value(key(field)).toString() == value)
            return i;
    }
    return -1;
}

QVariantList publicGroups(const QVariantList& groups)
{
    QVariantList out;
    for (const QVariant& group : groups) {
        QVariantMap g = group.toMap();
        g.remove(key("members"));
        out.append(g);
    }
    return out;
}

QDate parseDay(const QString& value, const QDate& fallback, bool* ok)
{
    *ok = true;
    if (value.isEmpty())
        return fallback;
    const QDate day = QDate::fromString(value.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) {
        const QDate compact = QDate::fromString(value.left(8), QStringLiteral("yyyyMMdd"));
        *ok = compact.isValid();
        return compact;
    }
    return day;
}

} // namespace

QVariant BackendService::Impl::dispatch(int api, const QVariantMap& request)
{
    switch (api) {
    case 10000:
        return login(request);
    case 90003:
        return search(request);
    case 90005:
        return groupStocks(request);
    case 90006:
        return dayRows(request, false);
    case 90010:
        return getGroups(request);
    case 90011:
        return addGroup(request);
    case 90012:
        return delGroup(request);
    case 90013:
        return addStock(request);
    case 90014:
        return delStock(request);
    case 90015:
        return moveOrCopy(request);
    case 90016:
        return recommendList(request);
    case 90018:
        return delRecommend(request);
    case 90030:
        return sendTrend(request);
    case 90031:
        return trendSummary(request);
    case 90032:
        return trendList(request);
    case 93001:
        return settings;
    case 95001:
        return messageCount(request);
    case 99001:
        return indexQuote(request);
    case 99003:
        return indexDayK(request);
    case 99006:
        return dayRows(request, true);
    default:
        return failure(-1099, QStringLiteral("unknown api ") + QString::number(api));
    }
}

QVariant BackendService::Impl::login(const QVariantMap& request)
{
    const QString name = arg(request, "username");
    if (const auto missing = lacking(request, { "username" }))
        return *missing;
    if (name == kGuestId) {
        return QVariantMap { { key("code"), key("0") }, { key("qvmid"), kGuestId },
            { key("username"), kGuestId }, { key("nickname"), text("游客") }, { key("power"), key("4001") },
            { key("vipendtime"), QString() } };
    }
    for (const Account& account : accounts()) {
        if (account.userName != name)
            continue;
        if (arg(request, "password").toLower() != md5Hex(account.password.toUtf8()))
            return failure(-1003, text("密码错误"));
        return QVariantMap { { key("code"), key("0") }, { key("qvmid"), account.qvmid },
            { key("username"), account.userName }, { key("nickname"), account.nickname },
            { key("power"), account.power }, { key("vipendtime"), account.vipendtime } };
    }
    return failure(-1002, text("用户不存在"));
}

QVariant BackendService::Impl::search(const QVariantMap& request)
{
    const QString needle = arg(request, "key");
    if (const auto missing = lacking(request, { "key" }))
        return *missing;
    QVariantList hits;
    for (const SampleSecurity& security : market.securities()) {
        if (security.code.contains(needle) || security.initials.startsWith(needle, Qt::CaseInsensitive)
            || security.name.contains(needle))
            hits.append(QVariantMap { { key("code"), security.code }, { key("stockname"), security.name } });
    }
    return page(hits, intArg(request, "pageindex", 0), intArg(request, "pagesize", 20));
}

QVariant BackendService::Impl::groupStocks(const QVariantMap& request)
{
    const QString id = arg(request, "userstockgroupid");
    if (const auto missing = lacking(request, { "userstockgroupid" }))
        return *missing;
    const QVariantList groups = userStore(userOf(request)).value(key("groups")).toList();
    const qsizetype at = indexWhere(groups, "id", id);
    if (at < 0)
        return failure(-1004, text("分组不存在"));
    const QVariantList members = groups[at].toMap().value(key("members")).toList();
    return ok(page(members, intArg(request, "pageindex", 0), intArg(request, "pagesize", 1000)));
}

QVariant BackendService::Impl::dayRows(const QVariantMap& request, bool index)
{
    const QString code = arg(request, "code");
    if (const auto missing = lacking(request, { "code" }))
        return *missing;
    return backenddata::recentDayRows(
        market, code, index, intArg(request, "pageindex", 0), intArg(request, "pagesize", 40), now());
}

QVariant BackendService::Impl::getGroups(const QVariantMap& request)
{
    const QString uid = arg(request, "uid");
    if (const auto missing = lacking(request, { "uid" }))
        return *missing;
    return ok(publicGroups(userStore(uid).value(key("groups")).toList()));
}

QVariant BackendService::Impl::addGroup(const QVariantMap& request)
{
    const QString uid = userOf(request);
    QVariantMap& store = userStore(uid);
    QVariantList groups = store.value(key("groups")).toList();
    const QString id = arg(request, "id");
    const QString name = arg(request, "userstockgroupname");
    const auto nameTaken = [&groups, &name](qsizetype except) {
        for (qsizetype i = 0; i < groups.size(); ++i) {
            if (i != except && groups[i].toMap().value(key("userstockgroupname")).toString() == name)
                return true;
        }
        return false;
    };

    if (id.isEmpty()) {
        if (name.isEmpty())
            return missingKey("userstockgroupname");
        if (nameTaken(-1))
            return failure(-1051, text("分组名称不能重复"));
        // A new group goes last whatever order the client proposes.
        const int next = store.value(key("nextId")).toInt();
        groups.append(QVariantMap { { key("id"), QString::number(next) }, { key("userstockgroupname"), name },
            { key("userstockgrouporder"), QString::number(groups.size()) },
            { key("members"), QVariantList() } });
        store.insert(key("nextId"), next + 1);
    } else {
        const qsizetype at = indexWhere(groups, "id", id);
        if (at < 0)
            return failure(-1004, text("分组不存在"));
        if (!name.isEmpty()) {
            if (nameTaken(at))
                return failure(-1051, text("分组名称不能重复"));
            QVariantMap group = groups[at].toMap();
            group.insert(key("userstockgroupname"), name);
            groups[at] = group;
        }
        bool numeric = false;
        const int order = arg(request, "userstockgrouporder").toInt(&numeric);
        if (numeric)
            moveItem(groups, at, order);
    }
    renumber(groups, "userstockgrouporder");
    store.insert(key("groups"), groups);
    saveUser(uid);
    return ok(publicGroups(groups));
}

QVariant BackendService::Impl::delGroup(const QVariantMap& request)
{
    const QString id = arg(request, "id");
    if (const auto missing = lacking(request, { "id" }))
        return *missing;
    const QString uid = userOf(request);
    QVariantMap& store = userStore(uid);
    QVariantList groups = store.value(key("groups")).toList();
    const qsizetype at = indexWhere(groups, "id", id);
    if (at < 0)
        return failure(-1004, text("分组不存在"));
    groups.removeAt(at);
    renumber(groups, "userstockgrouporder");
    store.insert(key("groups"), groups);
    saveUser(uid);
    return ok(publicGroups(groups));
}

QVariant BackendService::Impl::editMembers(const QVariantMap& request, const QString& groupId,
    const std::function<std::optional<QVariant>(QVariantList&)>& edit)
{
    const QString uid = userOf(request);
    QVariantMap& store = userStore(uid);
    QVariantList groups = store.value(key("groups")).toList();
    const qsizetype g = indexWhere(groups, "id", groupId);
    if (g < 0)
        return failure(-1004, text("分组不存在"));
    QVariantMap group = groups[g].toMap();
    QVariantList members = group.value(key("members")).toList();
    if (const auto refused = edit(members))
        return *refused;
    renumber(members, "userstockorder");
    group.insert(key("members"), members);
    groups[g] = group;
    store.insert(key("groups"), groups);
    saveUser(uid);
    return ok(members);
}

QVariant BackendService::Impl::addStock(const QVariantMap& request)
{
    if (const auto missing = lacking(request, { "stockcode", "userstockgroupid" }))
        return *missing;
    const QString code = arg(request, "stockcode");
    return editMembers(
        request, arg(request, "userstockgroupid"), [&](QVariantList& members) -> std::optional<QVariant> {
            qsizetype at = indexWhere(members, "stockcode", code);
            if (at < 0) {
                QString name = arg(request, "stockname");
                if (name.isEmpty())
                    name = backenddata::nameOf(market, code);
                members.append(member(code, name, int(members.size())));
            } else {
                // A stock already there takes the place of the member holding
                // the given order (how the list reorders by drag and drop).
                bool numeric = false;
                const int order = arg(request, "userstockorder").toInt(&numeric);
                if (numeric) {
                    qsizetype target = indexWhere(members, "userstockorder", QString::number(order));
                    if (target < 0)
                        target = order;
                    moveItem(members, at, target);
                }
            }
            at = indexWhere(members, "stockcode", code);
            QVariantMap row = members[at].toMap();
            for (const char* alert : { "lprice", "hprice", "vprice" }) {
                if (request.contains(key(alert)))
                    row.insert(key(alert), arg(request, alert).isEmpty() ? key("0") : arg(request, alert));
            }
            members[at] = row;
            return std::nullopt;
        });
}

QVariant BackendService::Impl::delStock(const QVariantMap& request)
{
    if (const auto missing = lacking(request, { "stockcode", "userstockgroupid" }))
        return *missing;
    const QString code = arg(request, "stockcode");
    return editMembers(
        request, arg(request, "userstockgroupid"), [&](QVariantList& members) -> std::optional<QVariant> {
            const qsizetype at = indexWhere(members, "stockcode", code);
            if (at < 0)
                return failure(-1005, text("分组中没有这只股票"));
            members.removeAt(at);
            return std::nullopt;
        });
}

QVariant BackendService::Impl::moveOrCopy(const QVariantMap& request)
{
    const QString code = arg(request, "stockcode");
    const QString fromId = arg(request, "userstockgroupid");
    const QString toId = arg(request, "newuserstockgroupid");
    if (const auto missing = lacking(request, { "stockcode", "userstockgroupid", "newuserstockgroupid" }))
        return *missing;
    const bool copy = arg(request, "type") == key("1");
    const QString uid = userOf(request);
    QVariantMap& store = userStore(uid);
    QVariantList groups = store.value(key("groups")).toList();
    const qsizetype from = indexWhere(groups, "id", fromId);
    const qsizetype to = indexWhere(groups, "id", toId);
    if (from < 0 || to < 0)
        return failure(-1004, text("分组不存在"));
    QVariantMap source = groups[from].toMap();
    QVariantList sourceMembers = source.value(key("members")).toList();
    const qsizetype at = indexWhere(sourceMembers, "stockcode", code);
    if (at < 0)
        return failure(-1005, text("分组中没有这只股票"));
    QVariantMap target = groups[to].toMap();
    QVariantList targetMembers = target.value(key("members")).toList();
    if (indexWhere(targetMembers, "stockcode", code) >= 0)
        return failure(-1001, text("目标分组中已有这只股票"));

    targetMembers.append(sourceMembers[at]);
    renumber(targetMembers, "userstockorder");
    target.insert(key("members"), targetMembers);
    groups[to] = target;
    if (!copy) {
        sourceMembers.removeAt(at);
        renumber(sourceMembers, "userstockorder");
        source.insert(key("members"), sourceMembers);
        groups[from] = source;
    }
    store.insert(key("groups"), groups);
    saveUser(uid);
    return ok(sourceMembers);
}

QVariantList BackendService::Impl::recommendationsLeft(const QString& type, const QDate& day) const
{
    QVariantList left;
    const QString dayText = day.toString(QStringLiteral("yyyy-MM-dd"));
    for (const QVariant& record : backenddata::recommendations(market, type, day)) {
        const QString code = record.toMap().value(key("stockcode")).toString();
        if (!deletedRecommendations.contains(type + QLatin1Char('|') + dayText + QLatin1Char('|') + code))
            left.append(record);
    }
    return left;
}

std::optional<std::pair<QString, QDate>> BackendService::Impl::recommendTypeAndDay(
    const QVariantMap& request) const
{
    bool valid = false;
    const QDate day = parseDay(arg(request, "recomdate"), now().date(), &valid);
    if (!valid)
        return std::nullopt;
    const QString type = arg(request, "recomtype");
    return std::make_pair(type.isEmpty() ? key("1") : type, day);
}

QVariant BackendService::Impl::recommendList(const QVariantMap& request)
{
    const auto typeAndDay = recommendTypeAndDay(request);
    if (!typeAndDay)
        return missingKey("recomdate");
    const auto& [type, day] = *typeAndDay;
    return ok(page(
        recommendationsLeft(type, day), intArg(request, "pageindex", 0), intArg(request, "pagesize", 100)));
}

QVariant BackendService::Impl::delRecommend(const QVariantMap& request)
{
    const QString code = arg(request, "stockcode");
    if (const auto missing = lacking(request, { "stockcode" }))
        return *missing;
    const auto typeAndDay = recommendTypeAndDay(request);
    if (!typeAndDay)
        return missingKey("recomdate");
    const auto& [type, day] = *typeAndDay;
    if (indexWhere(recommendationsLeft(type, day), "stockcode", code) < 0)
        return failure(-1005, text("没有这条推荐"));
    deletedRecommendations.append(
        type + QLatin1Char('|') + day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('|') + code);
    saveShared();
    return ok(recommendationsLeft(type, day));
}

QVariantList BackendService::Impl::votes(const QString& code, const QString& day) const
{
    // A few forecasts of other users on every stock and day, then the stored ones.
    QVariantList all;
    const QString seed = code + QLatin1Char('|') + day;
    const int seeded = 3 + int(backenddata::noise(seed) * 6);
    static const char* trendsText[] = { "1", "0", "-1" };
    for (int i = 0; i < seeded; ++i) {
        const QString uid = QString::number(400032000 + i);
        const int pick = int(backenddata::noise(seed + QString::number(i)) * 3) % 3;
        all.append(QVariantMap { { key("uid"), uid }, { key("nickname"), nicknameOf(uid) },
            { key("trend"), key(trendsText[pick]) },
            { key("createtime"), QString(day + QStringLiteral(" 09:%1:00").arg(i + 10)) } });
    }
    all.append(trends.value(seed).toList());
    return all;
}

QVariantMap BackendService::Impl::summary(const QString& code, const QString& day, const QString& uid) const
{
    int rise = 0, flat = 0, fall = 0;
    QString mine;
    for (const QVariant& vote : votes(code, day)) {
        const QVariantMap v = vote.toMap();
        const QString trend = v.value(key("trend")).toString();
        rise += trend == key("1");
        flat += trend == key("0");
        fall += trend == key("-1");
        if (v.value(key("uid")).toString() == uid)
            mine = trend;
    }
    return QVariantMap { { key("code"), key("0") }, { key("stockcode"), code },
        { key("stockname"), backenddata::nameOf(market, code) }, { key("curdate"), day },
        { key("risecount"), QString::number(rise) }, { key("flatcount"), QString::number(flat) },
        { key("fallcount"), QString::number(fall) },
        { key("totalcount"), QString::number(rise + flat + fall) },
        { key("curuservotecount"), mine.isEmpty() ? key("0") : key("1") }, { key("curusertrend"), mine } };
}

QVariant BackendService::Impl::sendTrend(const QVariantMap& request)
{
    const QString code = arg(request, "stockcode");
    const QString trend = arg(request, "trend");
    if (const auto missing = lacking(request, { "stockcode" }))
        return *missing;
    if (trend != key("1") && trend != key("0") && trend != key("-1"))
        return missingKey("trend");
    const QString uid = userOf(request);
    const QString day = now().date().toString(QStringLiteral("yyyy-MM-dd"));
    if (summary(code, day, uid).value(key("curuservotecount")) == key("1"))
        return failure(-1020, text("今天已经预测过这只股票"));
    const QString seed = code + QLatin1Char('|') + day;
    QVariantList stored = trends.value(seed).toList();
    stored.append(
        QVariantMap { { key("uid"), uid }, { key("nickname"), nicknameOf(uid) }, { key("trend"), trend },
            { key("createtime"), now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) } });
    trends.insert(seed, stored);
    saveShared();
    return summary(code, day, uid);
}

QVariant BackendService::Impl::trendSummary(const QVariantMap& request)
{
    const QString code = arg(request, "stockcode");
    if (const auto missing = lacking(request, { "stockcode" }))
        return *missing;
    bool valid = false;
    const QDate day = parseDay(arg(request, "curdate"), now().date(), &valid);
    if (!valid)
        return missingKey("curdate");
    return summary(code, day.toString(QStringLiteral("yyyy-MM-dd")), userOf(request));
}

QVariant BackendService::Impl::trendList(const QVariantMap& request)
{
    const QString code = arg(request, "stockcode");
    if (const auto missing = lacking(request, { "stockcode" }))
        return *missing;
    const QString day = now().date().toString(QStringLiteral("yyyy-MM-dd"));
    const QVariantList all = votes(code, day);
    QVariantList records;
    // Newest first.
    for (qsizetype i = all.size() - 1; i >= 0; --i) {
        QVariantMap record = all[i].toMap();
        record.insert(key("id"), QString::number(i + 1));
        record.insert(key("stockcode"), code);
        record.insert(key("stockname"), backenddata::nameOf(market, code));
        record.insert(key("curdate"), day);
        records.append(record);
    }
    return ok(page(records, intArg(request, "pageindex", 0), intArg(request, "pagesize", 20)));
}

QVariant BackendService::Impl::messageCount(const QVariantMap& request)
{
    const QString uid = arg(request, "uid");
    if (const auto missing = lacking(request, { "uid" }))
        return *missing;
    const QString count = uid == accounts().first().qvmid ? key("2") : key("0");
    return QVariantMap { { key("code"), key("0") }, { key("count"), count } };
}

QVariant BackendService::Impl::indexQuote(const QVariantMap& request)
{
    const QString code = arg(request, "code");
    if (const auto missing = lacking(request, { "code" }))
        return *missing;
    if (!code.endsWith(QStringLiteral(".idx")) || backenddata::nameOf(market, code).isEmpty())
        return failure(-1006, QStringLiteral("not an index: ") + code);
    QVariantMap quote = backenddata::indexQuote(market, code, now());
    quote.insert(key("code"), key("0"));
    quote.insert(key("stockcode"), code);
    return quote;
}

QVariant BackendService::Impl::indexDayK(const QVariantMap& request)
{
    const QString code = arg(request, "code");
    if (const auto missing = lacking(request, { "code" }))
        return *missing;
    QVariantMap reply = ok(backenddata::barRows(
        market, code, intArg(request, "pageindex", 0), intArg(request, "pagesize", 1000), now()));
    reply.insert(key("stockname"), backenddata::nameOf(market, code));
    return reply;
}

} // namespace standin
