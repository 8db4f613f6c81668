#pragma once

#include "backend/MHTTPObserver.h"
#include "backend/QuilorSDK.h"
#include "market/stocks.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

class QAction;
class QIODevice;
class QMainWindow;
class QTextStream;
class MainViewController;
namespace platform {
class ViewController;
}

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

    MainViewController* mainViewController() const;

    // The main window (null before launch or when launched without one).
    QMainWindow* mainWindow() const { return m_window; }

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

    // Pauses in milliseconds: before repeating a failed settings request,
    // before the silent login once the settings arrived, and before
    // repeating a failed login (30 s, 5 s, 30 s; tests shorten them).
    void setDelays(int settingsRetryMs, int loginDelayMs, int loginRetryMs);

    // Logs in with the saved name and password hash of the user record;
    // answers false when there is nothing saved to log in with.
    bool silentLogin();

    // The "--user NAME" start, until a login window exists: asks on
    // `terminal` for NAME's password, reads it from `input` (without echo on
    // a terminal), logs in against the configured backend and saves the login
    // for the silent login of later starts. Waits for the answer; answers the
    // exit status: 0 logged in and saved, 1 otherwise (the reason printed).
    int logInAs(const QString& userName, QIODevice& input, QTextStream& terminal);

    // The membership entry of the main menu, also the security screens' VIP
    // button: the daily recommended stocks for a paying member, the
    // membership offer for everyone else, shown over `presenter` (the main
    // view when null).
    void openDailyPicks(platform::ViewController* presenter = nullptr);

    // After the application's loop ended: a change of groups or rows the user
    // made just before closing the last window still reaches the backend,
    // waiting at most `waitMs` for the writes still queued.
    void applicationWillTerminate(int waitMs = 10000);

private:
    void ensureClient();
    void requestAppSettings();
    void buildMainWindow();

    QPointer<QuilorSDK> m_sdk;
    QPointer<QObject> m_msgCenter;
    QPointer<QObject> m_viewController;
    QPointer<MainViewController> m_main;
    void updateMembershipMenu();

    QMainWindow* m_window = nullptr;
    QPointer<QAction> m_vipAction;
    int m_settingsRetryMs = 30000;
    int m_loginDelayMs = 5000;
    int m_loginRetryMs = 30000;
    bool m_loginScheduled = false;
};
