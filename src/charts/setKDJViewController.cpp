#include "charts/setKDJViewController.h"

setKDJViewController::setKDJViewController(QWidget* parent)
    : PeriodSettingViewController(
        QStringLiteral("kdjPeriod"), QStringLiteral("9"), QStringLiteral("KDJ"), parent)
{
}
