#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <functional>

namespace platform {

// The event convention of cells, charts and models: the sender keeps its
// receiver (`delegateCell`) and the receiver's handler (`changeCallBack`) and
// hands it a copy of its row dictionary with an "event" key, on the main
// thread. Nothing is sent once the receiver is gone.
struct CellEventCallBack {
    QPointer<QObject> delegateCell;
    std::function<void(const QVariantMap&)> changeCallBack;

    CellEventCallBack() = default;
    CellEventCallBack(QObject* receiver, std::function<void(const QVariantMap&)> handler)
        : delegateCell(receiver)
        , changeCallBack(std::move(handler))
    {
    }
    bool isSet() const { return !delegateCell.isNull() && changeCallBack; }
    // Calls at once on the main thread, queued from elsewhere.
    void send(const QVariantMap& dict) const;
};

} // namespace platform
