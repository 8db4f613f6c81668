#include "app/SecurityScreen.h"

#include "app/AppDelegate.h"
#include "platform/widgets/ControllerRegistry.h"

namespace app {

platform::ViewController* openSecurityScreen(platform::ViewController* presenter, const QString& identifier,
    const QString& code, std::function<void()> myStockChanged)
{
    platform::ViewController* controller = platform::ControllerRegistry::instantiateController(identifier);
    if (!controller)
        return nullptr;
    auto* screen = dynamic_cast<SecurityScreen*>(controller);
    if (!screen) {
        qWarning("%s:%d %s is not a security screen", __FILE__, __LINE__, qUtf8Printable(identifier));
        delete controller;
        return nullptr;
    }
    AppDelegate* delegate = AppDelegate::shared();
    screen->bindCode(code, delegate ? delegate->iQuilorSDK() : nullptr);
    if (presenter) {
        presenter->presentViewControllerAsModalWindow(controller);
    } else {
        // Without an opener window the screen still has to close and go away.
        controller->setAttribute(Qt::WA_DeleteOnClose, true);
        controller->loadViewIfNeeded();
        controller->show();
    }
    screen->setMyStockChanged(std::move(myStockChanged));
    return controller;
}

} // namespace app
