#include "screens/stockIDXHistoryViewController.h"

stockIDXHistoryViewController::stockIDXHistoryViewController(QWidget* parent)
    : RecentDaysViewController(recentdays::Kind::Index, parent)
{
    totalsubTextField = label(QStringLiteral("totalsubTextField"));
    subupcountField = label(QStringLiteral("subupcountField"));
    subequalcountTextField = label(QStringLiteral("subequalcountTextField"));
    subdowncountField = label(QStringLiteral("subdowncountField"));
    rmb5inscore = label(QStringLiteral("rmb5inscore"));
    rmb10inscore = label(QStringLiteral("rmb10inscore"));
    rmb20inscore = label(QStringLiteral("rmb20inscore"));
    rmballinscore = label(QStringLiteral("rmballinscore"));
}
