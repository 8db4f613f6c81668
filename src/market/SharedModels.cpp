#include "market/SharedModels.h"

#include "backend/QuilorSDK.h"
#include "market/MyStock.h"
#include "market/MyStockGroup.h"
#include "market/stocks.h"

namespace market {

void installSharedModels()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QuilorSDK::SharedModelFactory factory;
    factory.makeStocks = [](QuilorSDK* sdk) { return new stocks(sdk, sdk); };
    factory.makeMyStock = [](QuilorSDK* sdk) { return new MyStock(sdk, sdk); };
    // The group model has no receiver until the watch list sets one.
    factory.makeMyStockGroup = [](QuilorSDK* sdk) { return new MyStockGroup(sdk, nullptr, {}, sdk); };
    QuilorSDK::setSharedModelFactory(factory);
}

} // namespace market
