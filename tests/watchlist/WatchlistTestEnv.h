#pragma once

#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/MyStockGroup.h"
#include "market/SharedModels.h"
#include "platform/Json.h"
#include "platform/Types.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/ViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"
#include "watchlist/PopUpButton.h"
#include "watchlist/ZXGView.h"

#include <QAction>
#include <QMenu>
#include <QTest>
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

// The user-defaults key under which the list keeps `key` for the guest, the
// user the tests run as.
inline QString guestKey(const char* key)
{
    return MyStockGroup::userKey(QString::fromUtf8(key), QStringLiteral("400030000"));
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

// The watch-list panel in a host window of its own, set up as the main
// window does it; the host owns the panel.
inline ZXGView* showPanel(std::unique_ptr<platform::ViewController>& host)
{
    host = std::make_unique<platform::ViewController>();
    host->resize(420, 600);
    auto* panel = new ZXGView(host.get());
    panel->setGeometry(0, 0, 420, 600);
    host->show();
    panel->initByFather(host.get());
    return panel;
}

// Whether the guest's current group (three rows on the stand-in) arrived.
inline bool groupLoaded(ZXGView* panel)
{
    return QTest::qWaitFor([panel]() { return panel->tableArray.size() == 3; }, 5000);
}

// The titles of the group chooser, top to bottom.
inline QStringList titles(const watchlist::PopUpButton* button)
{
    QStringList result;
    for (QAction* item : button->itemArray())
        result << platform::fromMenuText(item->text());
    return result;
}

inline QAction* itemWithData(QMenu* menu, const QString& data)
{
    for (QAction* item : menu->actions()) {
        if (item->data().toString() == data)
            return item;
    }
    return nullptr;
}
