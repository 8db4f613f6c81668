#pragma once

#include "platform/widgets/ViewController.h"

#include <functional>

// Base of the indicator-period dialogs (KDJ, BOLL, SAR): the chart sets the
// two blocks before presenting one.
class PeriodDialog : public platform::ViewController {
    Q_OBJECT
public:
    using platform::ViewController::ViewController;
    std::function<void()> DoOK;
    std::function<void()> DoCancel;
};
