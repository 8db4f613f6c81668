#include "community/MsgCenter.h"

#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "community/Logging.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"
#include "platform/Values.h"

namespace {

int countOf(const QVariant& result)
{
    return int(platform::integerValue(platform::dictFromVariant(result).value(QStringLiteral("count"))));
}

} // namespace

MsgCenter::MsgCenter(User* user, QuilorSDK* sdk, QObject* parent)
    : QObject(parent)
    , m_user(user)
    , m_sdk(sdk)
{
    // The first poll waits for the next loop turn so the creator can set the
    // interval and connect first.
    platform::runOnMainAsync(this, [this]() {
        if (!poll())
            scheduleNext();
    });
}

MsgCenter::~MsgCenter() = default;

bool MsgCenter::poll()
{
    if (!m_sdk)
        return false;
    const User* user = m_user ? m_user : m_sdk->iUser();
    const QString uid = user ? user->qvmid : QString();
    if (uid.isEmpty())
        return false;
    return m_sdk->GetNewMsgCount(uid, nullptr, this);
}

void MsgCenter::scheduleNext()
{
    // Only the newest chain re-arms, so a reply and a failure never double it.
    const quint64 generation = ++m_generation;
    platform::runOnMainAfter(m_intervalMs, this, [this, generation]() {
        if (generation != m_generation)
            return;
        if (!poll())
            scheduleNext();
    });
}

bool MsgCenter::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    if (api != backend::kApiNewMsgCount)
        return true;
    m_count = countOf(result);
    if (m_count > 0)
        platform::NotificationCenter::defaultCenter()->postNotificationName(
            QStringLiteral("haveNewMsgNotification"), result);
    scheduleNext();
    return true;
}

bool MsgCenter::HttpEvent(int code, const QString& description, int api)
{
    if (api != backend::kApiNewMsgCount)
        return true;
    qCWarning(lcCommunity, "message count request failed (%d %s)", code, qUtf8Printable(description));
    scheduleNext();
    return true;
}
