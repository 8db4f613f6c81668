#include "account/Registration.h"

#include "platform/widgets/ControllerRegistry.h"

namespace account {
void registerControllers()
{
}
}
