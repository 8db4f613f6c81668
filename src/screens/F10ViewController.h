#pragma once

#include "platform/NotificationCenter.h"
#include "platform/widgets/ViewController.h"

#include <QVariantMap>

class CompanyBaseInfoView;

// The company-data window of the stock bound last by a stock screen, held at
// width 666 and the screen's visible height.
class F10ViewController : public platform::ViewController {
    Q_OBJECT
public:
    explicit F10ViewController(QWidget* parent = nullptr);

    CompanyBaseInfoView* iCompanyBaseInfoView = nullptr;

    void viewDidAppear() override;
    void viewDidDisappear() override;
    QSize windowWillResize(const QSize& proposed) override;

    // Opens the notice's page in a web-page window of its own.
    void GoToNoticeDetail(const platform::Notification& notification);
    void CompanyBaseInfoViewCallBack(const QVariantMap& dict);

    static constexpr int kWidth = 666;
    // The height the window is held at: the screen's visible height, or the
    // proposed one while no screen height is known.
    static int heightFor(int screenHeight, int proposed);
};
