#include "screens/Registration.h"

#include "app/SecurityScreen.h"
#include "platform/widgets/ControllerRegistry.h"
#include "screens/F10ViewController.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"
#include "screens/stockHistoryViewController.h"
#include "screens/stockIDXHistoryViewController.h"

namespace screens {
void registerControllers()
{
    using platform::ControllerRegistry;
    ControllerRegistry::registerClass<SingleStockViewController>(QString::fromLatin1(app::kStockScreenId));
    ControllerRegistry::registerClass<SingleIndexViewController>(QString::fromLatin1(app::kIndexScreenId));
    ControllerRegistry::registerClass<stockHistoryViewController>(
        QString::fromLatin1(stockHistoryViewController::kIdentifier));
    ControllerRegistry::registerClass<stockIDXHistoryViewController>(
        QString::fromLatin1(stockIDXHistoryViewController::kIdentifier));
    ControllerRegistry::registerClass<F10ViewController>(QStringLiteral("F10ViewController"));
}
} // namespace screens
