#pragma once

#include "platform/widgets/ViewController.h"

// The membership offer window, presented with nothing handed over.
class GoVIPViewController : public platform::ViewController {
    Q_OBJECT
public:
    explicit GoVIPViewController(QWidget* parent = nullptr);

    void viewDidLoad() override;
};
