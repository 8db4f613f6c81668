#pragma once

#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "platform/Json.h"
#include "platform/Types.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/ViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QVariantMap>

#include <initializer_list>
#include <memory>
#include <utility>

inline QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList result;
    for (const char* text : texts)
        result << QString::fromUtf8(text);
    return result;
}

// A record of texts written inline.
inline QVariantMap dict(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    QVariantMap result;
    for (const auto& [key, value] : pairs)
        result.insert(QString::fromUtf8(key), QString::fromUtf8(value));
    return result;
}

// One test's world: its own settings, a fresh stand-in backend and market,
// and an application delegate that has not been launched.
struct WatchlistTestEnv {
    testsupport::IsolatedSettings settings;
    testsupport::StandIn standin;
    std::unique_ptr<AppDelegate> delegate;

    WatchlistTestEnv()
    {
        market::installSharedModels();
        platform::ViewController::setPresentsModally(false);
        delegate = std::make_unique<AppDelegate>();
    }
    ~WatchlistTestEnv()
    {
        delegate.reset();
        platform::ControllerRegistry::clear();
    }

    QuilorSDK* makeClient()
    {
        auto* client = new QuilorSDK(
            standin.baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"), delegate.get());
        delegate->setIQuilorSDK(client);
        return client;
    }

    standin::BackendService& backend() { return standin.server().backend(); }

    // The request bodies the backend received for `api`, oldest first.
    QList<QVariantMap> bodiesFor(int api)
    {
        QList<QVariantMap> found;
        for (const QByteArray& body : backend().receivedBodies()) {
            const QVariantMap dict = platform::parseJson(body).value_or(QVariant()).toMap();
            if (platform::stringOf(dict, QStringLiteral("api")).toInt() == api)
                found << dict;
        }
        return found;
    }
};
