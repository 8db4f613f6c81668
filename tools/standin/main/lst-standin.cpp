// The stand-in server as a process: serves the public feeds and the backend
// on 127.0.0.1 until it is stopped.
#include "standin/StandInServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lst-standin"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in for the market feeds and the backend."));
    parser.addHelpOption();
    QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Port to listen on (0: any free port)."), QStringLiteral("port"), QStringLiteral("0"));
    QCommandLineOption storeOption(QStringLiteral("store"),
        QStringLiteral("Folder keeping the backend's accounts and groups."), QStringLiteral("dir"));
    parser.addOption(portOption);
    parser.addOption(storeOption);
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "lst-standin: bad port %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }
    const QString store = parser.value(storeOption);
    if (!store.isEmpty() && !QDir().mkpath(store)) {
        std::fprintf(stderr, "lst-standin: cannot create %s\n", qPrintable(store));
        return 2;
    }
    standin::StandInServer server(store);
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "lst-standin: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    // Scripts read the address from the first line.
    std::printf("%s\n", qPrintable(server.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
