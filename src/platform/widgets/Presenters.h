#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>

class QMenu;

namespace platform {

struct AlertSpec {
    QString messageText;
    QString informativeText;
    QStringList buttons; // first button is the default; empty means "确定"
};

// The index of the button that cancels `alert` ("取消"), or -1 when none does.
int cancelButtonOf(const AlertSpec& alert);

// Alerts go through the installed presenter so tests can answer them.
// `done` gets the index of the chosen button (0 = first) on the main thread.
// Escape and closing the window choose the cancelling button; an alert of
// several buttons without one cannot be dismissed that way (-1 if it is).
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    virtual void present(const AlertSpec& alert, QWidget* parent, std::function<void(int)> done) = 0;
};

// Context and pop-up menus. The presenter shows the menu and triggers the
// chosen action (tests pick one by its title path).
class MenuPresenter {
public:
    virtual ~MenuPresenter() = default;
    virtual void popUp(QMenu* menu, const QPoint& globalPos, QWidget* view) = 0;
};

struct UserNotification {
    QString title;
    QString informativeText;
    QString soundName = QStringLiteral("default");
};

class UserNotificationPresenter {
public:
    virtual ~UserNotificationPresenter() = default;
    virtual void deliver(const UserNotification& notification) = 0;
};

// A text-entry dialog (group names and the like): `done` gets the text, or a
// null string when cancelled.
class InputPresenter {
public:
    virtual ~InputPresenter() = default;
    virtual void ask(const QString& title, const QString& label, const QString& text, QWidget* parent,
        std::function<void(const QString&)> done)
        = 0;
};

// Hands a web address to the system's browser.
class BrowserPresenter {
public:
    virtual ~BrowserPresenter() = default;
    virtual void open(const QUrl& url) = 0;
};

// The presenters in force; nullptr restores the Qt ones. Not owned.
void setAlertPresenter(AlertPresenter* presenter);
void setMenuPresenter(MenuPresenter* presenter);
void setUserNotificationPresenter(UserNotificationPresenter* presenter);
void setInputPresenter(InputPresenter* presenter);
void setBrowserPresenter(BrowserPresenter* presenter);
AlertPresenter* alertPresenter();
MenuPresenter* menuPresenter();
UserNotificationPresenter* userNotificationPresenter();
InputPresenter* inputPresenter();
BrowserPresenter* browserPresenter();

// The one error alert of the application: the text and the single button "确定".
void showAlert(QWidget* parent, const QString& message, std::function<void(int)> done = {});
void showAlert(QWidget* parent, const AlertSpec& alert, std::function<void(int)> done = {});
void popUpMenu(QMenu* menu, const QPoint& globalPos, QWidget* view);
void deliverUserNotification(const QString& title, const QString& informativeText);
// Whether `url` is an absolute http or https address.
bool isWebAddress(const QUrl& url);
// Opens an absolute http or https address in the system's browser; any other
// address opens nothing (false).
bool openInBrowser(const QUrl& url);

} // namespace platform
