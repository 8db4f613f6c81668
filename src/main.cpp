#include "account/Registration.h"
#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "charts/Registration.h"
#include "community/MsgCenter.h"
#include "community/Registration.h"
#include "market/SharedModels.h"
#include "screens/Registration.h"
#include "watchlist/Registration.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lanshitong"));
    QApplication::setApplicationDisplayName(QStringLiteral("岚石通"));

    market::installSharedModels();
    charts::registerControllers();
    account::registerControllers();
    community::registerControllers();
    screens::registerControllers();
    watchlist::registerControllers();

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    // The message centre lives as long as the client it polls through.
    QuilorSDK* sdk = delegate.iQuilorSDK();
    delegate.setIMsgCenter(new MsgCenter(sdk->iUser(), sdk, sdk));
    return application.exec();
}
