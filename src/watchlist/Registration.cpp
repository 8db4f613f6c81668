#include "watchlist/Registration.h"

#include "platform/widgets/ControllerRegistry.h"
#include "watchlist/AddGroupViewController.h"
#include "watchlist/EditGroupViewController.h"
#include "watchlist/EditGroupViewController1.h"
#include "watchlist/MystockViewController.h"
#include "watchlist/VIPViewController.h"
#include "watchlist/ZXGView.h"
#include "watchlist/commentStockViewController.h"

namespace watchlist {
void registerControllers()
{
    platform::ControllerRegistry::registerClass<ZXGView>(QStringLiteral("ZXGView"));
    platform::ControllerRegistry::registerClass<MystockViewController>(QString::fromUtf8(kCompactListId));
    platform::ControllerRegistry::registerClass<AddGroupViewController>(QString::fromUtf8(kAddGroupId));
    platform::ControllerRegistry::registerClass<EditGroupViewController>(QString::fromUtf8(kEditGroupId));
    platform::ControllerRegistry::registerClass<EditGroupViewController1>(QString::fromUtf8(kGroupManagerId));
    platform::ControllerRegistry::registerClass<commentStockViewController>(
        QString::fromUtf8(kCommentEditorId));
    platform::ControllerRegistry::registerClass<VIPViewController>(QStringLiteral("VIPViewController"));
}
} // namespace watchlist
