#include "backend/User.h"

#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QUuid>

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>

namespace {

Q_LOGGING_CATEGORY(lcUser, "lst.backend.user", QtInfoMsg)

const QString kDeviceUdidKey = QStringLiteral("deviceudid");

// Fields kept in the file besides the login reply itself.
const char kUserName[] = "username";
const char kPassword[] = "password";
const char kDeviceId[] = "deviceid";
const char kQvmid[] = "qvmid";
const char kPower[] = "power";
const char kNickname[] = "nickname";
const char kVipEndTime[] = "vipendtime";
const char kIsLogin[] = "isLogin";
const char kUserDict[] = "userDict";

// A saved record is a few hundred bytes; older files could hold whole replies.
constexpr qint64 kCompactFileBytes = 64 * 1024;
constexpr qint64 kMaxFileBytes = 256 * 1024 * 1024;

// A text as a property list can hold it (XML 1.0 has no control characters
// but tab and line breaks), cut to the field length.
QString storableText(const QString& text, qsizetype maxLength = User::kMaxFieldLength)
{
    QString out;
    out.reserve(std::min(text.size(), maxLength));
    for (const QChar c : text) {
        if (out.size() >= maxLength)
            break;
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || u == 0xfffe || u == 0xffff || c.isSurrogate())
            continue;
        out.append(c);
    }
    return out;
}

// The fields a login reply may set; everything else of it is dropped.
const char* const kOwnFields[] = { "username", "qvmid", "power", "nickname", "vipendtime" };

plist_t toPlist(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            plist_dict_set_item(dict, storableText(it.key()).toUtf8().constData(), toPlist(it.value()));
        return dict;
    }
    case QMetaType::QVariantList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList())
            plist_array_append_item(array, toPlist(item));
        return array;
    }
    default:
        return plist_new_string(storableText(value.toString(), 4096).toUtf8().constData());
    }
}

QString stringOfNode(plist_t node)
{
    char* text = nullptr;
    plist_get_string_val(node, &text);
    const QString result = text ? QString::fromUtf8(text) : QString();
    std::free(text);
    return result;
}

// Only dictionaries, arrays and strings are written; other node types read
// back as their text so that a hand-edited file still loads.
QVariant fromPlist(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), fromPlist(item));
            std::free(key);
        }
        std::free(iter);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i)
            list.append(fromPlist(plist_array_get_item(node, i)));
        return list;
    }
    case PLIST_STRING:
    case PLIST_KEY:
        return stringOfNode(node);
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return flag ? QStringLiteral("1") : QStringLiteral("0");
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return QString::number(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return QString::number(number);
    }
    default:
        return QString();
    }
}

struct PlistHolder {
    plist_t node = nullptr;
    ~PlistHolder()
    {
        if (node)
            plist_free(node);
    }
};

// One user file as read from disk.
struct RecordFile {
    bool exists = false;
    bool readable = false; // a dictionary at the root
    qint64 bytes = 0;
    QVariantMap fields;
    // The id was written as a text or a whole number, not as a flag.
    bool idIsNumber = false;
};

RecordFile readRecordFile(const QString& path)
{
    RecordFile record;
    QFile file(path);
    record.exists = file.exists();
    if (!record.exists)
        return record;
    // A file written before the record was bounded may be large but still
    // holds the saved login.
    QByteArray data;
    if (file.open(QIODevice::ReadOnly) && file.size() < kMaxFileBytes)
        data = file.readAll();
    record.bytes = data.size();
    PlistHolder root;
    if (!data.isEmpty())
        plist_from_memory(data.constData(), uint32_t(data.size()), &root.node);
    if (!root.node || plist_get_node_type(root.node) != PLIST_DICT)
        return record;
    record.readable = true;
    record.fields = fromPlist(root.node).toMap();
    const plist_type idType = plist_get_node_type(plist_dict_get_item(root.node, kQvmid));
    record.idIsNumber = idType == PLIST_STRING || idType == PLIST_UINT;
    return record;
}

} // namespace

User::User(const QString& guestUserId)
    : qvmid(guestUserId)
{
    deviceid = deviceUdid();
    m_guestUserId = guestUserId;
}

QString User::deviceUdid()
{
    platform::UserDefaults* defaults = platform::UserDefaults::standardUserDefaults();
    QString udid = defaults->stringForKey(kDeviceUdidKey);
    if (udid.isEmpty()) {
        udid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        defaults->setObject(udid, kDeviceUdidKey);
    }
    return udid;
}

QString User::lastLoginName()
{
    return platform::UserDefaults::standardUserDefaults()->stringForKey(lastLoginNameKey());
}

void User::setLastLoginName(const QString& userName)
{
    platform::UserDefaults* defaults = platform::UserDefaults::standardUserDefaults();
    if (userName.isEmpty())
        defaults->removeObjectForKey(lastLoginNameKey());
    else
        defaults->setObject(userName, lastLoginNameKey());
}

bool User::isUserId(const QString& text)
{
    return !text.isEmpty() && text.size() <= 20
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool User::isUserRecord(const QVariant& reply)
{
    return reply.typeId() == QMetaType::QVariantMap
        && isUserId(reply.toMap().value(QString::fromLatin1(kQvmid)).toString());
}

void User::SetValueByDict(const QVariantMap& dict)
{
    QVariantMap own;
    for (const char* key : kOwnFields) {
        const auto it = dict.constFind(QString::fromLatin1(key));
        if (it != dict.cend() && it->typeId() == QMetaType::QString)
            own.insert(QString::fromLatin1(key), storableText(it->toString()));
    }
    const auto field = [&own](const char* key) { return own.value(QString::fromLatin1(key)).toString(); };
    username = field(kUserName);
    qvmid = isUserId(field(kQvmid)) ? field(kQvmid) : m_guestUserId;
    power = field(kPower);
    nickname = field(kNickname);
    vipendtime = field(kVipEndTime);
    userDict = own;
}

void User::Clear()
{
    username.clear();
    password.clear();
    qvmid = m_guestUserId;
    power.clear();
    nickname.clear();
    vipendtime.clear();
    isLogin = false;
    userDict.clear();
}

QString User::filePathFor(const QString& userName)
{
    const QByteArray digest = QCryptographicHash::hash(userName.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(platform::cacheFolder())
        .filePath(QString::fromLatin1(digest) + QStringLiteral("_userInfo.plist"));
}

QString User::legacyFilePathFor(const QString& userName)
{
    QString safe = userName;
    for (QChar& c : safe) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    if (safe.startsWith(QLatin1Char('.')))
        safe.replace(0, 1, QLatin1Char('_'));
    return QDir(platform::cacheFolder()).filePath(safe + QStringLiteral("_userInfo.plist"));
}

bool User::Save(QString* error) const
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (username.isEmpty())
        return fail(QStringLiteral("the record names no user"));
    QVariantMap fields;
    fields.insert(QString::fromLatin1(kUserName), username);
    fields.insert(QString::fromLatin1(kPassword), password);
    fields.insert(QString::fromLatin1(kDeviceId), deviceid);
    fields.insert(QString::fromLatin1(kQvmid), qvmid);
    fields.insert(QString::fromLatin1(kPower), power);
    fields.insert(QString::fromLatin1(kNickname), nickname);
    fields.insert(QString::fromLatin1(kVipEndTime), vipendtime);
    fields.insert(QString::fromLatin1(kUserDict), userDict);

    PlistHolder root;
    root.node = toPlist(fields);
    plist_dict_set_item(root.node, kIsLogin, plist_new_bool(isLogin ? 1 : 0));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.node, &xml, &length);
    if (!xml)
        return fail(QStringLiteral("the record could not be encoded"));
    const QByteArray data(xml, qsizetype(length));
    plist_to_xml_free(xml);

    QSaveFile file(filePathFor(username));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        qCWarning(lcUser) << "cannot write the user record" << file.fileName() << file.errorString();
        return fail(file.errorString());
    }
    return true;
}

bool User::Load(const QString& userName)
{
    if (userName.isEmpty())
        return false;
    const QString path = filePathFor(userName);
    RecordFile file = readRecordFile(path);
    if (!file.exists) {
        // Names differing only in "/", "\" or ":" shared one file in the old
        // form: it counts only when it holds this very user.
        file = readRecordFile(legacyFilePathFor(userName));
        if (!file.readable || file.fields.value(QString::fromLatin1(kUserName)).toString() != userName)
            return false;
    }
    if (!file.readable) {
        qCWarning(lcUser) << "damaged user record replaced:" << path;
        Clear();
        username = userName;
        Save();
        return false;
    }

    const QVariantMap& fields = file.fields;
    const auto text = [&fields](const char* key) {
        return storableText(fields.value(QString::fromLatin1(key)).toString());
    };
    // The file is this name's: the name stays whole, however long.
    username = userName;
    password = text(kPassword);
    const QString savedDevice = text(kDeviceId);
    if (!savedDevice.isEmpty())
        deviceid = savedDevice;
    qvmid = file.idIsNumber && isUserId(text(kQvmid)) ? text(kQvmid) : m_guestUserId;
    power = text(kPower);
    nickname = text(kNickname);
    vipendtime = text(kVipEndTime);
    // A new process has not logged in yet, whatever the file says.
    isLogin = false;
    userDict = fields.value(QString::fromLatin1(kUserDict)).toMap();
    if (file.bytes > kCompactFileBytes) {
        // Written again in its short form.
        const QVariantMap saved = userDict;
        userDict.clear();
        for (const char* key : kOwnFields) {
            const auto it = saved.constFind(QString::fromLatin1(key));
            if (it != saved.cend())
                userDict.insert(QString::fromLatin1(key), storableText(it->toString()));
        }
        Save();
    }
    return true;
}
