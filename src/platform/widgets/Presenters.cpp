#include "platform/widgets/Presenters.h"
#include "platform/Logging.h"

#include <QApplication>
#include <QGridLayout>
#include <QDesktopServices>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace platform {

namespace {

constexpr int kAlertMinimumWidth = 240;

class QtAlertPresenter : public AlertPresenter {
public:
    void present(const AlertSpec& alert, QWidget* parent, std::function<void(int)> done) override
    {
        auto* box = new QMessageBox(parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setText(alert.messageText);
        box->setInformativeText(alert.informativeText);
        // Texts may carry a server's words: never read as markup.
        box->setTextFormat(Qt::PlainText);
        AlertSpec spec = alert;
        if (spec.buttons.isEmpty())
            spec.buttons << QStringLiteral("确定");
        const int cancel = cancelButtonOf(spec);
        QList<QAbstractButton*> made;
        for (qsizetype i = 0; i < spec.buttons.size(); ++i) {
            // Left to itself, QMessageBox makes the only RejectRole button the
            // Escape button, which may be the destructive one: name it here.
            made << box->addButton(
                spec.buttons.at(i), i == cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        }
        // A short text alone makes a box 120 points wide, with no room left
        // beside the title bar's buttons to show its title.
        box->setWindowTitle(QGuiApplication::applicationDisplayName());
        if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
            grid->addItem(
                new QSpacerItem(kAlertMinimumWidth, 0), grid->rowCount(), 0, 1, grid->columnCount());
        box->setDefaultButton(qobject_cast<QPushButton*>(made.first()));
        if (cancel >= 0)
            box->setEscapeButton(made.at(cancel));
        else if (made.size() == 1)
            box->setEscapeButton(made.first());
        QObject::connect(box, &QMessageBox::finished, box, [box, made, cancel, done]() {
            int index = int(made.indexOf(box->clickedButton()));
            if (index < 0)
                index = cancel >= 0 ? cancel : (made.size() == 1 ? 0 : -1);
            if (done)
                done(index);
        });
        box->open();
    }
};

class QtMenuPresenter : public MenuPresenter {
public:
    void popUp(QMenu* menu, const QPoint& globalPos, QWidget*) override { menu->exec(globalPos); }
};

class QtUserNotificationPresenter : public UserNotificationPresenter {
public:
    void deliver(const UserNotification& n) override
    {
        if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
            static QSystemTrayIcon* icon = nullptr;
            if (!icon) {
                icon = new QSystemTrayIcon(qApp);
                icon->setIcon(qApp->windowIcon());
                icon->show();
            }
            icon->showMessage(n.title, n.informativeText);
        } else {
            QApplication::beep();
            qCDebug(lcPlatform, "notice %s: %s", qUtf8Printable(n.title), qUtf8Printable(n.informativeText));
            showInWindow(n);
        }
    }

private:
    // Without a tray the notice shows for a few seconds over the active window.
    static void showInWindow(const UserNotification& n)
    {
        QWidget* window = QApplication::activeWindow();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (auto it = windows.begin(); !window && it != windows.end(); ++it) {
            if ((*it)->isVisible() && (*it)->windowType() != Qt::Popup)
                window = *it;
        }
        if (!window)
            return;
        auto* notice
            = window->findChild<QLabel*>(QStringLiteral("userNotification"), Qt::FindDirectChildrenOnly);
        if (!notice) {
            notice = new QLabel(window);
            notice->setObjectName(QStringLiteral("userNotification"));
            notice->setTextFormat(Qt::PlainText);
            notice->setAttribute(Qt::WA_TransparentForMouseEvents);
            notice->setStyleSheet(QStringLiteral("QLabel { background: rgba(30, 30, 30, 230); color: white;"
                                                 " border-radius: 6px; padding: 8px 14px; }"));
            auto* timer = new QTimer(notice);
            timer->setObjectName(QStringLiteral("hideTimer"));
            timer->setSingleShot(true);
            QObject::connect(timer, &QTimer::timeout, notice, &QObject::deleteLater);
        }
        notice->setText(
            n.title.isEmpty() ? n.informativeText : n.title + QLatin1Char('\n') + n.informativeText);
        notice->setWordWrap(true);
        notice->setMaximumWidth(std::max(120, window->width() - 40));
        notice->adjustSize();
        notice->move(std::max(0, (window->width() - notice->width()) / 2),
            std::max(0, window->height() - notice->height() - 24));
        notice->raise();
        notice->show();
        notice->findChild<QTimer*>(QStringLiteral("hideTimer"))->start(5000);
    }
};

class QtInputPresenter : public InputPresenter {
public:
    void ask(const QString& title, const QString& label, const QString& text, QWidget* parent,
        std::function<void(const QString&)> done) override
    {
        auto* dialog = new QInputDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(title);
        dialog->setLabelText(label);
        // The question may name a group the server chose: plain text only.
        for (QLabel* text : dialog->findChildren<QLabel*>())
            text->setTextFormat(Qt::PlainText);
        dialog->setTextValue(text);
        dialog->setOkButtonText(QStringLiteral("确定"));
        dialog->setCancelButtonText(QStringLiteral("取消"));
        QObject::connect(dialog, &QInputDialog::finished, dialog, [dialog, done](int result) {
            if (!done)
                return;
            if (result != QDialog::Accepted) {
                done(QString());
                return;
            }
            // An untouched empty field reads as a null text, which would pass
            // for cancelling: OK on it is an empty answer.
            const QString text = dialog->textValue();
            done(text.isNull() ? QStringLiteral("") : text);
        });
        dialog->open();
    }
};

class QtBrowserPresenter : public BrowserPresenter {
public:
    void open(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

AlertPresenter* g_alert = nullptr;
MenuPresenter* g_menu = nullptr;
UserNotificationPresenter* g_notify = nullptr;
InputPresenter* g_input = nullptr;
BrowserPresenter* g_browser = nullptr;

} // namespace

void setAlertPresenter(AlertPresenter* presenter)
{
    g_alert = presenter;
}
void setMenuPresenter(MenuPresenter* presenter)
{
    g_menu = presenter;
}
void setUserNotificationPresenter(UserNotificationPresenter* presenter)
{
    g_notify = presenter;
}
void setInputPresenter(InputPresenter* presenter)
{
    g_input = presenter;
}

void setBrowserPresenter(BrowserPresenter* presenter)
{
    g_browser = presenter;
}

AlertPresenter* alertPresenter()
{
    static QtAlertPresenter fallback;
    return g_alert ? g_alert : &fallback;
}

MenuPresenter* menuPresenter()
{
    static QtMenuPresenter fallback;
    return g_menu ? g_menu : &fallback;
}

UserNotificationPresenter* userNotificationPresenter()
{
    static QtUserNotificationPresenter fallback;
    return g_notify ? g_notify : &fallback;
}

InputPresenter* inputPresenter()
{
    static QtInputPresenter fallback;
    return g_input ? g_input : &fallback;
}

BrowserPresenter* browserPresenter()
{
    static QtBrowserPresenter fallback;
    return g_browser ? g_browser : &fallback;
}

int cancelButtonOf(const AlertSpec& alert)
{
    return int(alert.buttons.indexOf(QStringLiteral("取消")));
}

void showAlert(QWidget* parent, const QString& message, std::function<void(int)> done)
{
    showAlert(parent, AlertSpec { message, QString(), { QStringLiteral("确定") } }, std::move(done));
}

void showAlert(QWidget* parent, const AlertSpec& alert, std::function<void(int)> done)
{
    alertPresenter()->present(alert, parent, std::move(done));
}

void popUpMenu(QMenu* menu, const QPoint& globalPos, QWidget* view)
{
    menuPresenter()->popUp(menu, globalPos, view);
}

void deliverUserNotification(const QString& title, const QString& informativeText)
{
    userNotificationPresenter()->deliver(
        UserNotification { title, informativeText, QStringLiteral("default") });
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool openInBrowser(const QUrl& url)
{
    if (!isWebAddress(url))
        return false;
    browserPresenter()->open(url);
    return true;
}

} // namespace platform
