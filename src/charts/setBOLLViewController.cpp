#include "charts/setBOLLViewController.h"

setBOLLViewController::setBOLLViewController(QWidget* parent)
    : PeriodSettingViewController(
        QStringLiteral("BOLLPeriod"), QStringLiteral("10"), QStringLiteral("BOLL"), parent)
{
}
