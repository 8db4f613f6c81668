#pragma once

#include "backend/MHTTPObserver.h"

#include <QObject>

#include <functional>
#include <utility>

namespace backend {

// The observer of one request whose reply is handled with what the request
// was sent for (its order, its user, its group). It goes with its owner, so
// a reply that lands after the owner is gone is never handled, and after its
// one reply.
class ReplyObserver : public QObject, public MHTTPObserver {
public:
    using Result = std::function<void(const QVariant& result, int api)>;
    using Failure = std::function<void(int code, const QString& description, int api)>;

    ReplyObserver(QObject* owner, Result result, Failure failure)
        : QObject(owner)
        , m_result(std::move(result))
        , m_failure(std::move(failure))
    {
    }
    bool HttpResult(const QVariant& result, int api, bool) override
    {
        if (m_result)
            m_result(result, api);
        deleteLater();
        return true;
    }
    bool HttpEvent(int code, const QString& description, int api) override
    {
        if (m_failure)
            m_failure(code, description, api);
        deleteLater();
        return true;
    }

private:
    Result m_result;
    Failure m_failure;
};

} // namespace backend
