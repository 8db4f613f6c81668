#include "charts/setSARViewController.h"

setSARViewController::setSARViewController(QWidget* parent)
    : PeriodSettingViewController(
        QStringLiteral("SARPeriod"), QStringLiteral("4"), QStringLiteral("SAR"), parent)
{
}
