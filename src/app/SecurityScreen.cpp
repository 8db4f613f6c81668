#include "app/SecurityScreen.h"

#include "app/AppDelegate.h"
#include "app/Logging.h"
#include "platform/widgets/ControllerRegistry.h"

namespace app {

platform::ViewController* openSecurityScreen(platform::ViewController* presenter, const QString& identifier,
    const QString& code, std::function<void()> myStockChanged)
{
    return openSecurityScreenWith(
        presenter, identifier,
        [&code](SecurityScreen* screen, QuilorSDK* sdk) {
            screen->bindCode(code, sdk);
            return true;
        },
        std::move(myStockChanged));
}

platform::ViewController* openSecurityScreenWith(platform::ViewController* presenter,
    const QString& identifier, std::function<bool(SecurityScreen*, QuilorSDK*)> bind,
    std::function<void()> myStockChanged)
{
    platform::ViewController* controller = platform::ControllerRegistry::instantiateController(identifier);
    if (!controller)
        return nullptr;
    auto* screen = dynamic_cast<SecurityScreen*>(controller);
    if (!screen) {
        qCWarning(lcApp, "%s is not a security screen", qUtf8Printable(identifier));
        delete controller;
        return nullptr;
    }
    AppDelegate* delegate = AppDelegate::shared();
    if (!bind(screen, delegate ? delegate->iQuilorSDK() : nullptr)) {
        delete controller;
        return nullptr;
    }
    if (presenter)
        presenter->presentViewControllerAsModalWindow(controller);
    else
        platform::ViewController::presentOver(controller, nullptr);
    screen->setMyStockChanged(std::move(myStockChanged));
    return controller;
}

} // namespace app
