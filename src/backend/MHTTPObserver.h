#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

// The receiver of a backend operation. Both calls come on the main thread;
// an observer destroyed before its reply is never called (the request holds
// only a weak token of it).
class MHTTPObserver {
public:
    MHTTPObserver()
        : m_alive(std::make_shared<int>(0))
    {
    }
    MHTTPObserver(const MHTTPObserver&) = delete;
    MHTTPObserver& operator=(const MHTTPObserver&) = delete;
    virtual ~MHTTPObserver() = default;

    // The reply object: a QVariantMap or a QVariantList, JSON null as "".
    virtual bool HttpResult(const QVariant& result, int api, bool isCache)
    {
        Q_UNUSED(result);
        Q_UNUSED(api);
        Q_UNUSED(isCache);
        return false;
    }
    // Failure: the HTTP status when not 200, a server code, 1313 when the
    // connection failed, 9999 when the reply failed its check.
    virtual bool HttpEvent(int code, const QString& description, int api)
    {
        Q_UNUSED(code);
        Q_UNUSED(description);
        Q_UNUSED(api);
        return false;
    }

    std::weak_ptr<int> observerToken() const { return m_alive; }

private:
    std::shared_ptr<int> m_alive;
};

// An observer made of two functions, for a caller that ties each reply to
// the request it made (one observer per request; dropping it drops the reply;
// never dropped from inside its own functions).
class CallbackObserver : public MHTTPObserver {
public:
    using Result = std::function<void(const QVariant& result)>;
    using Event = std::function<void(int code, const QString& description)>;
    CallbackObserver(Result onResult, Event onEvent)
        : m_onResult(std::move(onResult))
        , m_onEvent(std::move(onEvent))
    {
    }
    bool HttpResult(const QVariant& result, int, bool) override
    {
        if (m_onResult)
            m_onResult(result);
        return true;
    }
    bool HttpEvent(int code, const QString& description, int) override
    {
        if (m_onEvent)
            m_onEvent(code, description);
        return true;
    }

private:
    Result m_onResult;
    Event m_onEvent;
};

namespace backend {
inline constexpr int kCodeConnectionFailed = 1313;
inline constexpr int kCodeBadReply = 9999;
} // namespace backend
