#include "app/MainViewController.h"

#include "account/Membership.h"
#include "app/AppDelegate.h"
#include "app/SecurityScreen.h"
#include "app/ZXGFatherView.h"
#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "platform/widgets/ControllerRegistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>

namespace {
const QString kListId = QStringLiteral("ZXGView");
const QString kOwnIndex = QStringLiteral("888888.idx");
const QString kOfferId = QStringLiteral("GoVIPViewController");
} // namespace

MainViewController::MainViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("MainViewController"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_father = new ZXGFatherView(this);
    m_father->setObjectName(QStringLiteral("ZXGFatherView"));
    m_father->setFixedWidth(420);
    layout->addWidget(m_father);

    auto* home = new QWidget(this);
    home->setObjectName(QStringLiteral("homeArea"));
    home->setAutoFillBackground(true);
    QPalette palette = home->palette();
    // Dark like the list beside it, as trading screens are.
    palette.setColor(QPalette::Window, QColor(30, 32, 38));
    home->setPalette(palette);
    layout->addWidget(home, 1);
}

void MainViewController::initByController(QObject* controller)
{
    m_controller = controller;
}

void MainViewController::viewDidLoad()
{
    placeList();
}

void MainViewController::placeList()
{
    if (m_father->listView() || !platform::ControllerRegistry::has(kListId))
        return;
    QWidget* list = platform::ControllerRegistry::instantiate(kListId);
    if (!list)
        return;
    m_father->setListView(list);
    QMetaObject::invokeMethod(list, "initByFather", Q_ARG(QObject*, this));
}

void MainViewController::reloadListGroup()
{
    if (QWidget* list = m_father->listView())
        QMetaObject::invokeMethod(list, "UpDateGroup");
}

platform::ViewController* MainViewController::AddSingSingleStock(const QString& code)
{
    QString identifier;
    if (code.length() == 6) {
        identifier = QString::fromUtf8(app::kStockScreenId);
    } else if (code.length() == 10) {
        if (code == kOwnIndex) {
            AppDelegate* delegate = AppDelegate::shared();
            const QuilorSDK* sdk = delegate ? delegate->iQuilorSDK() : nullptr;
            const QString power = sdk && sdk->iUser() ? sdk->iUser()->power : QString();
            if (!membership::isPayingMember(power)) {
                // Ordinary users get the offer, but only while the server has
                // the membership features switched on.
                if (delegate && membership::featuresOn(delegate->appDict)) {
                    if (platform::ViewController* offer
                        = platform::ControllerRegistry::instantiateController(kOfferId)) {
                        presentViewControllerAsModalWindow(offer);
                        return offer;
                    }
                }
                return nullptr;
            }
        }
        identifier = QString::fromUtf8(app::kIndexScreenId);
    } else {
        return nullptr;
    }
    QPointer<MainViewController> self(this);
    return app::openSecurityScreen(this, identifier, code, [self]() {
        if (self)
            self->reloadListGroup();
    });
}
