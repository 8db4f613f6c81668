#pragma once

#include <QString>
#include <QVariantMap>

// The logged-in user. Strings apart from the logged-in flag; `qvmid` is the
// guest id until a login reply names the user.
class User {
public:
    explicit User(const QString& guestUserId = QStringLiteral("400030000"));

    QString username;
    QString password; // the stored password hash
    QString deviceid;
    QString qvmid;
    QString power; // membership level, "4001" ordinary
    QString nickname;
    QString vipendtime;
    bool isLogin = false;
    // The record's own fields of the last login reply (texts, bounded in
    // length, control characters removed); nothing else of the reply is kept.
    QVariantMap userDict;

    // Takes the record's own fields from a login reply: each field the reply
    // lacks is emptied (the user id falls back to the guest's), so nothing of
    // an earlier user stays.
    void SetValueByDict(const QVariantMap& dict);
    // Whether a login reply is a dictionary naming a user (a decimal `qvmid`).
    static bool isUserRecord(const QVariant& reply);
    // A user id: decimal digits only, at most 20 of them.
    static bool isUserId(const QString& text);
    // The longest text a field keeps.
    static constexpr qsizetype kMaxFieldLength = 256;

    // The user's file in the cache folder, written to a temporary file and
    // renamed so that a failed write leaves the old file. Answers false (and
    // why in `error`) when it could not be written.
    bool Save(QString* error = nullptr) const;
    // Restores the record of `userName`; a damaged file is logged and
    // replaced by an empty record.
    bool Load(const QString& userName);
    // "<hex SHA-256 of the name>_userInfo.plist": one file per name, valid
    // whatever the name holds and however long it is.
    static QString filePathFor(const QString& userName);
    // The file name older versions used ("<name>_userInfo.plist" with "/",
    // "\" and ":" made "_"); still read when it holds this very user.
    static QString legacyFilePathFor(const QString& userName);

    // Back to the guest: every field but the device id cleared.
    void Clear();
    QString guestUserId() const { return m_guestUserId; }

    // The device id "deviceudid", made once and kept in the user defaults.
    static QString deviceUdid();
    // The user name of the last saved login, kept in the user defaults.
    static QString lastLoginNameKey() { return QStringLiteral("lastLoginName"); }
    static QString lastLoginName();
    static void setLastLoginName(const QString& userName);

private:
    QString m_guestUserId;
};
