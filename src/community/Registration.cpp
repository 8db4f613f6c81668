#include "community/Registration.h"

#include "community/InputStockTrendViewController.h"
#include "community/StockVoteViewController.h"
#include "platform/widgets/ControllerRegistry.h"

namespace community {
void registerControllers()
{
    platform::ControllerRegistry::registerClass<InputStockTrendViewController>(
        QStringLiteral("InputStockTrendViewController"));
    platform::ControllerRegistry::registerClass<StockVoteViewController>(
        QStringLiteral("StockVoteViewController"));
}
} // namespace community
