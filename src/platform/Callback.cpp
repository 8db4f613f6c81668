#include "platform/Callback.h"

#include "platform/MainThread.h"

namespace platform {

void CellEventCallBack::send(const QVariantMap& dict) const
{
    if (!isSet())
        return;
    QPointer<QObject> receiver = delegateCell;
    auto handler = changeCallBack;
    runOnMain(receiver.data(), [receiver, handler, dict]() {
        if (receiver)
            handler(dict);
    });
}

} // namespace platform
