#include "market/MyStockGroup.h"

#include "backend/QuilorSDK.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGroups, "lst.market.groups", QtInfoMsg)

namespace {
QVariantMap outcome(bool ok)
{
    return { { QStringLiteral("result"), ok ? QStringLiteral("OK") : QStringLiteral("Fail") },
        { QStringLiteral("des"),
            ok ? QStringLiteral("Group refresh OK") : QStringLiteral("Group refresh Fail") } };
}
} // namespace

MyStockGroup::MyStockGroup(
    QuilorSDK* sdk, QObject* father, std::function<void(const QVariantMap&)> callBack, QObject* parent)
    : QObject(parent)
    , m_sdk(sdk)
    , m_callback(father, std::move(callBack))
{
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

void MyStockGroup::refreshData()
{
    const QString uid = m_sdk && m_sdk->iUser() ? m_sdk->iUser()->qvmid : QString();
    if (!m_sdk || !m_sdk->getStockGroup(uid, nullptr, this)) {
        // Nothing was sent (no user id): the receiver still hears of it.
        qCWarning(lcGroups) << "group list not requested, no user id";
        m_callback.send(outcome(false));
    }
}

bool MyStockGroup::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    if (api != backend::kApiGetGroups)
        return false;
    const QVariant data = result.toMap().value(QStringLiteral("data"));
    if (result.typeId() != QMetaType::QVariantMap || data.typeId() != QMetaType::QVariantList) {
        qCWarning(lcGroups) << "group reply without a \"data\" array";
        m_callback.send(outcome(false));
        return true;
    }
    const QVariantList groups = data.toList();
    if (groups.isEmpty())
        return true; // keeps what it had; the receiver hears nothing
    iGroupArray = groups;
    m_callback.send(outcome(true));
    return true;
}

bool MyStockGroup::HttpEvent(int code, const QString& description, int api)
{
    if (api != backend::kApiGetGroups)
        return false;
    qCWarning(lcGroups) << "group refresh failed:" << code << description;
    m_callback.send(outcome(false));
    return true;
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
