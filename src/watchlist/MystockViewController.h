#pragma once

#include "platform/widgets/ViewController.h"

class ZXGView;

// The compact window of the self-selected list: a fixed 218 points wide.
class MystockViewController : public platform::ViewController {
    Q_OBJECT
public:
    explicit MystockViewController(QWidget* parent = nullptr);

    static constexpr int kWidth = 218;

    ZXGView* iZXGView = nullptr;

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;
    QSize windowWillResize(const QSize& proposed) override;
};
