#include "account/Registration.h"

#include "account/GoVIPViewController.h"
#include "platform/widgets/ControllerRegistry.h"

namespace account {
void registerControllers()
{
    platform::ControllerRegistry::registerClass<GoVIPViewController>(QStringLiteral("GoVIPViewController"));
}
} // namespace account
