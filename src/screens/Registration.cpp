#include "screens/Registration.h"

#include "platform/widgets/ControllerRegistry.h"

namespace screens {
void registerControllers()
{
}
}
