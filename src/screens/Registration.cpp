#include "screens/Registration.h"

#include "app/SecurityScreen.h"
#include "platform/widgets/ControllerRegistry.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"

namespace screens {
void registerControllers()
{
    using platform::ControllerRegistry;
    ControllerRegistry::registerClass<SingleStockViewController>(QString::fromLatin1(app::kStockScreenId));
    ControllerRegistry::registerClass<SingleIndexViewController>(QString::fromLatin1(app::kIndexScreenId));
}
} // namespace screens
