#include "platform/widgets/Presenters.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

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
            qInfo("%s: %s", qUtf8Printable(n.title), qUtf8Printable(n.informativeText));
        }
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

AlertPresenter* g_alert = nullptr;
MenuPresenter* g_menu = nullptr;
UserNotificationPresenter* g_notify = nullptr;
InputPresenter* g_input = nullptr;

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

} // namespace platform
