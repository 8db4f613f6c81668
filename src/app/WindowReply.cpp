#include "app/WindowReply.h"

#include "app/Logging.h"
#include "platform/widgets/Presenters.h"

namespace app {

WindowReply::WindowReply(QWidget* window, MHTTPObserver* observer, AfterClose afterClose, QObject* owner)
    : QObject(owner)
    , m_window(window)
    , m_observer(observer)
    , m_observerAlive(observer ? observer->observerToken() : std::weak_ptr<int>())
    , m_afterClose(std::move(afterClose))
{
}

bool WindowReply::windowAlive() const
{
    return m_window && m_observer && !m_observerAlive.expired();
}

bool WindowReply::HttpResult(const QVariant& result, int api, bool isCache)
{
    if (windowAlive())
        m_observer->HttpResult(result, api, isCache);
    else if (m_afterClose)
        m_afterClose(ReplyOutcome { true, result, 0, QString(), api });
    deleteLater();
    return true;
}

bool WindowReply::HttpEvent(int code, const QString& description, int api)
{
    if (windowAlive()) {
        m_observer->HttpEvent(code, description, api);
    } else {
        qCWarning(lcApp, "write (API %d) failed after its window closed: %d %s", api, code,
            qUtf8Printable(description));
        if (m_afterClose)
            m_afterClose(ReplyOutcome { false, QVariant(), code, description, api });
    }
    deleteLater();
    return true;
}

WindowReply::AfterClose runOrReport(
    std::function<void()> onSuccess, QWidget* opener, std::function<QString(const ReplyOutcome&)> failureText)
{
    return [onSuccess = std::move(onSuccess), opener = QPointer<QWidget>(opener),
               failureText = std::move(failureText)](const ReplyOutcome& outcome) {
        if (outcome.ok) {
            if (onSuccess)
                onSuccess();
            return;
        }
        const QString text = failureText ? failureText(outcome) : QString();
        if (!text.isEmpty())
            platform::showAlert(opener, text);
    };
}

} // namespace app
