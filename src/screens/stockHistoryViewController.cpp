#include "screens/stockHistoryViewController.h"

stockHistoryViewController::stockHistoryViewController(QWidget* parent)
    : RecentDaysViewController(recentdays::Kind::Stock, parent)
{
    ratioTextField = label(QStringLiteral("ratioTextField"));
    turnoverrateTextField = label(QStringLiteral("turnoverrateTextField"));
    bigbuyscoreTextField = label(QStringLiteral("bigbuyscoreTextField"));
    diskscoreTextField = label(QStringLiteral("diskscoreTextField"));
    ratioscoreTextField = label(QStringLiteral("ratioscoreTextField"));
    turnoverscoreTextField = label(QStringLiteral("turnoverscoreTextField"));
}
