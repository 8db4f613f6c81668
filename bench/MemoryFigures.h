#pragma once

// What a memory benchmark reports: the resident size and the live heap,
// read after the deletions Qt has queued have run, so that the figures are
// what the application keeps and not what it is about to free. The
// stand-in server shares the process; what it keeps (its request log, the
// sample histories it makes on first use) is kept out of the figures.
#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "platform/Configuration.h"
#include "standin/StandInServer.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <memory>

namespace benchmemory {

inline long residentKiB()
{
    QFile file(QStringLiteral("/proc/self/statm"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

// Bytes handed out by malloc and not freed yet.
inline long liveHeapKiB()
{
    return long(mallinfo2().uordblks / 1024);
}

// Runs the queued deletions (deleteLater, closed windows) and what they
// queue in turn; without an event loop they would wait for ever. Then
// empties the stand-in's request log.
inline void settle(standin::StandInServer* server = nullptr)
{
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    if (server)
        server->clearRequestLog();
}

// Makes the stand-in's sample histories and quotes of `codes` now.
inline void warmStandIn(standin::StandInServer& server, const QStringList& codes)
{
    for (const QString& code : codes) {
        server.market().dayBars(code, QDate::currentDate());
        server.market().quoteAt(code, QDateTime::currentDateTime());
    }
}

// Before the application object: offscreen unless told otherwise, and the
// settings and caches in `folders`, never the user's.
inline void isolate(const QTemporaryDir& folders)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LST_CONFIG_DIR", folders.filePath(QStringLiteral("config")).toUtf8());
    qputenv("LST_CACHE_DIR", folders.filePath(QStringLiteral("cache")).toUtf8());
}

// The delegate and its backend client, pointed at the stand-in as the
// application points them at its hosts.
inline std::unique_ptr<AppDelegate> clientAt(const standin::StandInServer& server)
{
    platform::Configuration::setCurrent(platform::Configuration::allAt(server.baseUrl()));
    market::installSharedModels();
    auto delegate = std::make_unique<AppDelegate>();
    delegate->setIQuilorSDK(
        new QuilorSDK(server.baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"), delegate.get()));
    return delegate;
}

} // namespace benchmemory
