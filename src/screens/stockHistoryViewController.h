#pragma once

#include "screens/RecentDaysViewController.h"

// The recent-days table of a stock (API 90006, sums in 万 turned into 亿).
class stockHistoryViewController : public RecentDaysViewController {
    Q_OBJECT
public:
    static constexpr const char* kIdentifier = "stockHistoryViewController";

    explicit stockHistoryViewController(QWidget* parent = nullptr);

    QLabel* ratioTextField = nullptr;
    QLabel* turnoverrateTextField = nullptr;
    QLabel* bigbuyscoreTextField = nullptr;
    QLabel* diskscoreTextField = nullptr;
    QLabel* ratioscoreTextField = nullptr;
    QLabel* turnoverscoreTextField = nullptr;
};
