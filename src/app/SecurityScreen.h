#pragma once

#include "platform/widgets/ViewController.h"

#include <QString>

#include <functional>

class QuilorSDK;

// The binding that both security screens offer their openers.
class SecurityScreen {
public:
    virtual ~SecurityScreen() = default;
    // InitStockByCode:QVMSDK: on the stock screen, InitIndexByCode:QVMSDK: on
    // the index screen.
    virtual void bindCode(const QString& code, QuilorSDK* sdk) = 0;
    // The block run after the screen changed the user's groups.
    virtual void setMyStockChanged(std::function<void()> block) = 0;
};

namespace app {
// Registry identifiers of the two screens.
inline const char* const kStockScreenId = "SingleStockViewController";
inline const char* const kIndexScreenId = "SingleIndexViewController";

// The opening order every opener follows: make the controller of
// `identifier`, bind it with `code` and the delegate's client, present it
// from `presenter` as a modal window, then hand it `myStockChanged`.
// Answers the screen, or nullptr when nothing could be made.
platform::ViewController* openSecurityScreen(platform::ViewController* presenter, const QString& identifier,
    const QString& code, std::function<void()> myStockChanged);
// The same order with the binding left to `bind`, for openers that bind
// otherwise than bindCode; a `bind` answering false drops the screen.
platform::ViewController* openSecurityScreenWith(platform::ViewController* presenter,
    const QString& identifier, std::function<bool(SecurityScreen*, QuilorSDK*)> bind,
    std::function<void()> myStockChanged);
} // namespace app
