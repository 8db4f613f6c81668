#include "charts/Registration.h"

#include "charts/DayKLineViewController.h"
#include "charts/MaxTimeLineViewController.h"
#include "charts/MonthKLineViewController.h"
#include "charts/WeekKLineViewController.h"
#include "charts/setBOLLViewController.h"
#include "charts/setKDJViewController.h"
#include "charts/setSARViewController.h"
#include "charts/timeline4DayViewController.h"
#include "platform/widgets/ControllerRegistry.h"

namespace charts {
void registerControllers()
{
    using platform::ControllerRegistry;
    ControllerRegistry::registerClass<MaxTimeLineViewController>(QStringLiteral("MaxTimeLineViewController"));
    ControllerRegistry::registerClass<timeline4DayViewController>(
        QStringLiteral("timeline4DayViewController"));
    ControllerRegistry::registerClass<DayKLineViewController>(QStringLiteral("DayKLineViewController"));
    ControllerRegistry::registerClass<WeekKLineViewController>(QStringLiteral("WeekKLineViewController"));
    ControllerRegistry::registerClass<MonthKLineViewController>(QStringLiteral("MonthKLineViewController"));
    ControllerRegistry::registerClass<setKDJViewController>(QStringLiteral("setKDJViewController"));
    ControllerRegistry::registerClass<setBOLLViewController>(QStringLiteral("setBOLLViewController"));
    ControllerRegistry::registerClass<setSARViewController>(QStringLiteral("setSARViewController"));
}
} // namespace charts
