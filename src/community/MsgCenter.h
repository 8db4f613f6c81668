#pragma once

#include "backend/MHTTPObserver.h"

#include <QObject>
#include <QPointer>

class QuilorSDK;
class User;

// The message-centre poller: asks the backend for the number of new messages
// every 600 s and posts "haveNewMsgNotification" when there are any.
class MsgCenter : public QObject, public MHTTPObserver {
    Q_OBJECT
public:
    // initWithUser:Father: — the user record and the backend client; starts
    // polling at once.
    MsgCenter(User* user, QuilorSDK* sdk, QObject* parent = nullptr);
    ~MsgCenter() override;

    // The pause between polls (600 s unless set); takes effect at the next poll.
    void setIntervalMs(int ms) { m_intervalMs = ms; }
    int intervalMs() const { return m_intervalMs; }

    // The count of the last reply (0 before any).
    int newMsgCount() const { return m_count; }

    // One poll now; answers whether a request was sent.
    bool poll();

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    void scheduleNext();

    User* m_user;
    QPointer<QuilorSDK> m_sdk;
    int m_intervalMs = 600000;
    int m_count = 0;
    quint64 m_generation = 0;
};
