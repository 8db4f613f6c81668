#pragma once

#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "platform/Configuration.h"
#include "platform/Json.h"
#include "platform/Values.h"
#include "platform/widgets/ViewController.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

// A hand-written JSON fixture of tests/fixtures/<folder>/; one that does not
// parse stops the run, as a broken fixture is no test at all.
inline QVariant jsonFixture(const QString& folder, const char* name)
{
    const QByteArray text = testsupport::readFixture(folder + QString::fromLatin1(name));
    const std::optional<QVariant> parsed = platform::parseJson(text);
    if (!parsed)
        qFatal("fixture %s does not parse", name);
    return *parsed;
}

// An unbound security screen: the index one for ".idx" codes.
inline std::unique_ptr<SecurityViewController> makeSecurityScreen(bool index)
{
    if (index)
        return std::make_unique<SingleIndexViewController>();
    return std::make_unique<SingleStockViewController>();
}

// The guest client a screen test talks through, against a stand-in server
// of its own: started in initTestCase, stopped in cleanupTestCase.
struct ScreensTestEnv {
    std::unique_ptr<testsupport::IsolatedSettings> settings;
    std::unique_ptr<testsupport::StandIn> standIn;
    std::unique_ptr<AppDelegate> delegate;
    QuilorSDK* sdk = nullptr;

    void start()
    {
        platform::ViewController::setPresentsModally(false);
        settings = std::make_unique<testsupport::IsolatedSettings>();
        standIn = std::make_unique<testsupport::StandIn>();
        market::installSharedModels();
        delegate = std::make_unique<AppDelegate>();
        sdk = new QuilorSDK(platform::Configuration::current().backendUrl, QStringLiteral("2001"),
            QStringLiteral("400030000"), delegate.get());
        delegate->setIQuilorSDK(sdk);
    }

    // The settings outlive the client, so its last writes stay isolated.
    void stop()
    {
        delegate.reset();
        standIn.reset();
    }

    standin::BackendService& backend() { return standIn->server().backend(); }

    // Every JSON request the backend received, oldest first; bodies that
    // do not parse are left out.
    QList<QVariantMap> receivedRequests()
    {
        QList<QVariantMap> out;
        for (const QByteArray& body : backend().receivedBodies()) {
            const std::optional<QVariant> parsed = platform::parseJson(body);
            if (parsed)
                out << parsed->toMap();
        }
        return out;
    }
};
