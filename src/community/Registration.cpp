#include "community/Registration.h"

#include "platform/widgets/ControllerRegistry.h"

namespace community {
void registerControllers()
{
}
}
