#include "watchlist/Registration.h"

#include "platform/widgets/ControllerRegistry.h"
#include "watchlist/MystockViewController.h"
#include "watchlist/ZXGView.h"

namespace watchlist {
void registerControllers()
{
    platform::ControllerRegistry::registerClass<ZXGView>(QStringLiteral("ZXGView"));
    platform::ControllerRegistry::registerClass<MystockViewController>(QString::fromUtf8(kCompactListId));
}
} // namespace watchlist
