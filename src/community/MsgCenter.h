#pragma once

#include "backend/MHTTPObserver.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QuilorSDK;
class User;

// The message-centre poller: asks the backend for the number of new messages
// every 600 s and posts "haveNewMsgNotification" when there are any. A reply
// counts only for the user it was asked for, while that user is still the
// record's, and only for the newest poll.
class MsgCenter : public QObject {
    Q_OBJECT
public:
    // initWithUser:Father: — the user record and the backend client; starts
    // polling at once.
    MsgCenter(User* user, QuilorSDK* sdk, QObject* parent = nullptr);
    ~MsgCenter() override;

    // The pause between polls (600 s unless set); takes effect at the next poll.
    void setIntervalMs(int ms) { m_intervalMs = ms; }
    int intervalMs() const { return m_intervalMs; }

    // The count of the last reply for the user of the record now (0 before
    // any, and once another user took the record).
    int newMsgCount() const;

    // One poll now; answers whether a request was sent.
    bool poll();

private:
    void scheduleNext();
    QString currentUid() const;
    void answered(const QString& uid, const QVariant* result);

    User* m_user;
    QPointer<QuilorSDK> m_sdk;
    int m_intervalMs = 600000;
    int m_count = 0;
    QString m_countUid;
    quint64 m_generation = 0;
    // The newest poll's observer; replacing it drops the earlier reply.
    std::unique_ptr<CallbackObserver> m_pending;
};
