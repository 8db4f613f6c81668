#include "watchlist/MystockViewController.h"

#include "app/AppDelegate.h"
#include "watchlist/ZXGView.h"

#include <QVBoxLayout>

MystockViewController::MystockViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("MystockViewController"));
    setTitle(QStringLiteral("自选股"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    iZXGView = new ZXGView(this);
    layout->addWidget(iZXGView);
    resize(kWidth, 640);
}

void MystockViewController::viewDidLoad()
{
    if (AppDelegate* delegate = AppDelegate::shared())
        delegate->setViewController(this);
}

void MystockViewController::viewDidAppear()
{
    if (AppDelegate* delegate = AppDelegate::shared())
        delegate->setViewController(this);
    iZXGView->initByFather(this);
}

void MystockViewController::viewDidDisappear()
{
    // The main window may already have taken over on the way back.
    if (AppDelegate* delegate = AppDelegate::shared(); delegate && delegate->viewController() == this)
        delegate->setViewController(nullptr);
}

QSize MystockViewController::windowWillResize(const QSize& proposed)
{
    return QSize(kWidth, proposed.height());
}
