#include "charts/Registration.h"

#include "platform/widgets/ControllerRegistry.h"

namespace charts {
void registerControllers()
{
}
}
