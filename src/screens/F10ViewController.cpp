#include "screens/F10ViewController.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "screens/CompanyBaseInfoView.h"
#include "ui/WebNoticeViewController.h"

#include <QVBoxLayout>

namespace {

int screenHeight()
{
    AppDelegate* app = AppDelegate::shared();
    return app && app->iQuilorSDK() ? app->iQuilorSDK()->screenHeight() : 0;
}

} // namespace

F10ViewController::F10ViewController(QWidget* parent)
    : platform::ViewController(parent)
    , iCompanyBaseInfoView(new CompanyBaseInfoView(this))
{
    setObjectName(QStringLiteral("F10ViewController"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(iCompanyBaseInfoView);
    resize(kWidth, heightFor(screenHeight(), 700));
}

int F10ViewController::heightFor(int screenHeight, int proposed)
{
    return screenHeight > 0 ? screenHeight : proposed;
}

void F10ViewController::viewDidAppear()
{
    platform::ViewController::viewDidAppear();
    AppDelegate* app = AppDelegate::shared();
    const platform::SharedDict record = app ? app->curSingleStockDict : nullptr;
    const QString name = record ? platform::stringOf(*record, QStringLiteral("stockname")) : QString();
    setTitle(platform::stringWithFormat(" %@ F10", name));
    iCompanyBaseInfoView->UpdateWithFrame(QRect(0, 30, width(), height()), this,
        platform::CellEventCallBack(
            this, [this](const QVariantMap& dict) { CompanyBaseInfoViewCallBack(dict); }));
    platform::NotificationCenter::defaultCenter()->addObserver(this, QStringLiteral("GoToNoticeDetail"),
        [this](const platform::Notification& notification) { GoToNoticeDetail(notification); });
}

void F10ViewController::viewDidDisappear()
{
    platform::ViewController::viewDidDisappear();
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
}

QSize F10ViewController::windowWillResize(const QSize& proposed)
{
    iCompanyBaseInfoView->DoSizeChanged(proposed);
    return QSize(kWidth, heightFor(screenHeight(), proposed.height()));
}

void F10ViewController::GoToNoticeDetail(const platform::Notification& notification)
{
    const QVariantMap notice = platform::dictFromVariant(notification.object);
    auto* web = new WebNoticeViewController();
    presentViewControllerAsModalWindow(web);
    web->DOInit(platform::stringOf(notice, QStringLiteral("url")),
        platform::stringOf(notice, QStringLiteral("title")));
}

void F10ViewController::CompanyBaseInfoViewCallBack(const QVariantMap& dict)
{
    Q_UNUSED(dict);
}
