#include "watchlist/Registration.h"

#include "platform/widgets/ControllerRegistry.h"

namespace watchlist {
void registerControllers()
{
}
}
