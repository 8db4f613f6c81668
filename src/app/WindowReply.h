#pragma once

#include "backend/MHTTPObserver.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>

namespace app {

// How a write's request ended, for whoever handles it after its window closed.
struct ReplyOutcome {
    bool ok = false;
    QVariant result;
    int code = 0;
    QString description;
    int api = 0;
};

// Takes the reply to a write the user made from a window that may close
// before the reply arrives. While the window lives the reply is its own;
// once it is gone `afterClose` still handles it (the opener reloads, or the
// failure is reported over it), keeping nothing of the window alive. Made
// under the backend client, it goes with its reply.
class WindowReply : public QObject, public MHTTPObserver {
public:
    using AfterClose = std::function<void(const ReplyOutcome&)>;

    // `window` is the widget whose closing hands the reply over to
    // `afterClose`; `observer` (usually the same object) takes it before.
    WindowReply(QWidget* window, MHTTPObserver* observer, AfterClose afterClose, QObject* owner);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    bool windowAlive() const;

    QPointer<QWidget> m_window;
    MHTTPObserver* m_observer;
    std::weak_ptr<int> m_observerAlive;
    AfterClose m_afterClose;
};

// The usual handling once the window is gone: `onSuccess` when the write was
// taken, otherwise an alert over `opener` with `failureText` of the outcome.
WindowReply::AfterClose runOrReport(std::function<void()> onSuccess, QWidget* opener,
    std::function<QString(const ReplyOutcome&)> failureText);

} // namespace app
