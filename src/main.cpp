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
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lanshitong"));
    QApplication::setApplicationDisplayName(QStringLiteral("岚石通"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("岚石通, a desktop client for the Chinese A-share market"));
    parser.addHelpOption();
    const QCommandLineOption userOption(QStringLiteral("user"),
        QStringLiteral("Log in as <name> (the password is read from standard input) and save the login "
                       "for later starts."),
        QStringLiteral("name"));
    parser.addOption(userOption);
    parser.process(application);

    market::installSharedModels();
    charts::registerControllers();
    account::registerControllers();
    community::registerControllers();
    screens::registerControllers();
    watchlist::registerControllers();

    AppDelegate delegate;
    if (parser.isSet(userOption)) {
        QFile input;
        input.open(stdin, QIODevice::ReadOnly);
        QTextStream terminal(stderr);
        if (const int status = delegate.logInAs(parser.value(userOption), input, terminal))
            return status;
    }
    delegate.applicationDidFinishLaunching();
    // The message centre lives as long as the client it polls through.
    QuilorSDK* sdk = delegate.iQuilorSDK();
    delegate.setIMsgCenter(new MsgCenter(sdk->iUser(), sdk, sdk));
    const int status = application.exec();
    delegate.applicationWillTerminate();
    return status;
}
