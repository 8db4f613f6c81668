#pragma once

#include "platform/NotificationCenter.h"
#include "platform/widgets/Presenters.h"

#include <QByteArray>
#include <QList>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QVariantList>

#include <functional>
#include <memory>

namespace standin {
class StandInServer;
}

namespace testsupport {

// Gives the test its own settings and cache folders (LST_CONFIG_DIR,
// LST_CACHE_DIR) and fresh user defaults. Call in initTestCase or init.
class IsolatedSettings {
public:
    IsolatedSettings();
    ~IsolatedSettings();
    QString cacheDir() const;
    QString configDir() const;

private:
    QTemporaryDir m_dir;
};

// Starts the stand-in server in-process on an ephemeral port and points the
// configuration (every host and the backend) at it.
class StandIn {
public:
    explicit StandIn(const QString& storeDir = QString());
    ~StandIn();
    standin::StandInServer& server();
    QString baseUrl() const;

private:
    std::unique_ptr<standin::StandInServer> m_server;
};

// Records alerts and answers each with the next queued button index (0 when
// the queue is empty). Installs itself; uninstalls on destruction.
class AlertRecorder : public platform::AlertPresenter {
public:
    AlertRecorder();
    ~AlertRecorder() override;
    void present(const platform::AlertSpec& alert, QWidget* parent, std::function<void(int)> done) override;
    QList<platform::AlertSpec> alerts;
    QList<int> answers;
    QStringList messages() const;
};

// Records menus and triggers the action at `choice` (titles from the top
// menu down, e.g. {"Move", "股票组2"}); an empty choice triggers nothing.
class MenuRecorder : public platform::MenuPresenter {
public:
    MenuRecorder();
    ~MenuRecorder() override;
    void popUp(QMenu* menu, const QPoint& globalPos, QWidget* view) override;
    QStringList choice;
    // Runs while the menu is open, before the choice is made (what changes
    // under an open menu).
    std::function<void()> whileOpen;
    // Titles of each shown menu's items (separators as "-"), submenus as
    // "Title>" followed by their items indented by two spaces.
    QList<QStringList> shown;
};

class NotificationRecorder : public platform::UserNotificationPresenter {
public:
    NotificationRecorder();
    ~NotificationRecorder() override;
    void deliver(const platform::UserNotification& notification) override;
    QList<platform::UserNotification> delivered;
};

// Answers text-entry dialogs with the queued texts (null: cancelled).
class InputRecorder : public platform::InputPresenter {
public:
    InputRecorder();
    ~InputRecorder() override;
    void ask(const QString& title, const QString& label, const QString& text, QWidget* parent,
        std::function<void(const QString&)> done) override;
    QStringList answers;
    QStringList asked;
};

// Records the addresses handed to the system's browser.
class BrowserRecorder : public platform::BrowserPresenter {
public:
    BrowserRecorder();
    ~BrowserRecorder() override;
    void open(const QUrl& url) override;
    QList<QUrl> opened;
};

// A server on 127.0.0.1 that answers every request with a status line and
// then a body that never ends, one byte at a time, each well within any
// transfer timeout.
class TricklingServer : public QTcpServer {
public:
    TricklingServer();
    QString baseUrl() const;
};

// Waits (running the event loop) for a notification of that name that
// passes `accept`; answers whether one came in time.
bool waitForNotification(const QString& name, int timeoutMs, platform::Notification* received = nullptr,
    std::function<bool(const platform::Notification&)> accept = {});

// Clears the server's request log and waits `quietMs`, again and again (at
// most `tries` times), until a stretch passes with no request that `counts`
// accepts (any request when it is empty): requests sent before a chart or
// window stopped may land later than any fixed wait. Answers whether a quiet
// stretch came; the log then holds what arrived during it.
bool waitForQuietRequests(standin::StandInServer& server,
    const std::function<bool(const QString&)>& counts = {}, int quietMs = 300, int tries = 10);

// The members of a group of the guest as the stand-in's backend stores them
// now (asked directly, not through a client).
QVariantList storedMembers(standin::StandInServer& server, const QString& groupId);

// Renders the widget (shown offscreen) to a PNG under LST_RENDER_DIR
// (default: the build folder's "renders") and answers the file's path.
QString renderToPng(QWidget* widget, const QString& name);

// A fixture file under tests/fixtures; a missing one fails the test.
QByteArray readFixture(const QString& relativePath);

// Collects, while it lives, what the application logs (the default category
// and the "lst." ones) as "category: text"; the test log still gets it all.
// What is logged follows the logging rules: a test program that checks a
// user's terminal clears QT_LOGGING_RULES in its initMain().
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QStringList messages() const;
};

} // namespace testsupport
