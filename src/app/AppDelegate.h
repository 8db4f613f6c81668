#pragma once

#include "backend/MHTTPObserver.h"
#include "market/stocks.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

class QuilorSDK;
class MainViewController;

// The composition root, reached by the screens as the application's
// delegate. It owns the backend client (and through it the shared models)
// and the message centre for the life of the process.
class AppDelegate : public QObject, public MHTTPObserver {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // The delegate of the running application (the last one made).
    static AppDelegate* shared();

    // Creates the client, restores "appSettingDict", builds the menu and
    // asks for the application settings; shows the main window unless
    // `showWindow` is false (tests).
    void applicationDidFinishLaunching(bool showWindow = true);

    QuilorSDK* iQuilorSDK() const { return m_sdk; }
    void setIQuilorSDK(QuilorSDK* sdk);

    // The server's application settings (API 93001).
    QVariantMap appDict;

    // The quote record of the stock last bound by a stock screen, or null.
    StockQuoteDict curSingleStockDict;

    void setIMsgCenter(QObject* msgCenter);
    QObject* iMsgCenter() const { return m_msgCenter; }
    void setViewController(QObject* controller);
    QObject* viewController() const { return m_viewController; }

    MainViewController* mainViewController() const { return m_main; }

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    QuilorSDK* m_sdk = nullptr;
    QPointer<QObject> m_msgCenter;
    QPointer<QObject> m_viewController;
    QPointer<MainViewController> m_main;
};
