#include "community/MsgCenter.h"

#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "community/Logging.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"
#include "platform/Values.h"

#include <algorithm>
#include <limits>

namespace {

int countOf(const QVariant& result)
{
    // A count beyond an int's range is many new messages, not a negative number.
    const long long count
        = platform::integerValue(platform::dictFromVariant(result).value(QStringLiteral("count")));
    return int(std::clamp<long long>(count, 0, std::numeric_limits<int>::max()));
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

QString MsgCenter::currentUid() const
{
    if (!m_sdk)
        return QString();
    const User* user = m_user ? m_user : m_sdk->iUser();
    return user ? user->qvmid : QString();
}

bool MsgCenter::poll()
{
    const QString uid = currentUid();
    if (uid.isEmpty())
        return false;
    auto pending
        = std::make_unique<CallbackObserver>([this, uid](const QVariant& result) { answered(uid, &result); },
            [this, uid](int code, const QString& description) {
                qCWarning(lcCommunity, "message count request failed (%d %s)", code,
                    qUtf8Printable(description));
                answered(uid, nullptr);
            });
    if (!m_sdk->GetNewMsgCount(uid, nullptr, pending.get()))
        return false;
    m_pending = std::move(pending);
    return true;
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

void MsgCenter::answered(const QString& uid, const QVariant* result)
{
    // Another user's count is not this user's news.
    if (result && uid == currentUid()) {
        m_count = countOf(*result);
        m_countUid = uid;
        if (m_count > 0)
            platform::NotificationCenter::defaultCenter()->postNotificationName(
                QStringLiteral("haveNewMsgNotification"), *result);
    }
    scheduleNext();
}

int MsgCenter::newMsgCount() const
{
    return m_countUid == currentUid() ? m_count : 0;
}
