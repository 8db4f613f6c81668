#pragma once

#include "screens/RecentDaysViewController.h"

// The recent-days table of an index (API 99006, sums already in 亿).
class stockIDXHistoryViewController : public RecentDaysViewController {
    Q_OBJECT
public:
    static constexpr const char* kIdentifier = "stockIDXHistoryViewController";

    explicit stockIDXHistoryViewController(QWidget* parent = nullptr);

    QLabel* totalsubTextField = nullptr;
    QLabel* subupcountField = nullptr;
    QLabel* subequalcountTextField = nullptr;
    QLabel* subdowncountField = nullptr;
    QLabel* rmb5inscore = nullptr;
    QLabel* rmb10inscore = nullptr;
    QLabel* rmb20inscore = nullptr;
    QLabel* rmballinscore = nullptr;
};
