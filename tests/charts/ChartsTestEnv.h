#pragma once

#include "charts/ChartTiming.h"
#include "charts/YearFileCache.h"
#include "platform/widgets/ViewController.h"
#include "standin/StandInServer.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QStringList>
#include <QTest>
#include <QTimeZone>

#include <memory>

// A wall-clock time at the exchange (UTC+8), whatever zone the test runs in.
inline QDateTime shanghai(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone(8 * 3600));
}

// One chart test's world: its own settings, a stand-in server and the window
// the charts are made for; started in initTestCase, stopped in cleanupTestCase.
struct ChartsTestEnv {
    std::unique_ptr<testsupport::IsolatedSettings> settings;
    std::unique_ptr<testsupport::StandIn> standIn;
    std::unique_ptr<platform::ViewController> father;

    void start()
    {
        settings = std::make_unique<testsupport::IsolatedSettings>();
        standIn = std::make_unique<testsupport::StandIn>();
        platform::ViewController::setPresentsModally(false);
        father = std::make_unique<platform::ViewController>();
    }

    void stop()
    {
        father.reset();
        standIn.reset();
        settings.reset();
    }

    standin::StandInServer& server() const { return standIn->server(); }

    // Short polls so prices arrive within a test, and no year file kept
    // from an earlier one.
    static void shortenTiming()
    {
        auto& t = charts::pollTiming();
        t.firstPriceMs = 20;
        t.openMs = 20;
        t.closedMs = 60000; // a closed-status poll never comes back within a test
        t.yearCacheMs = 0;
        charts::YearFileCache::clear();
    }

    // The charts and the stand-in's market agree on what time it is.
    void setNow(const QDateTime& now) const
    {
        charts::setClock([now] { return now; });
        server().market().setNow(now);
    }

    // Lets requests sent by an earlier test's charts arrive, then forgets them,
    // so a test that expects no request at all sees only its own.
    void drainRequests() const
    {
        testsupport::waitForQuietRequests(server(), {}, 150, 20);
        server().clearRequestLog();
    }

    // How many requests contain `part` once the log has stood still for a
    // moment: a chain told to stop may still have a request under way, and on
    // a loaded machine it can land later than any fixed wait.
    qsizetype settledCount(const QString& part) const
    {
        qsizetype seen = -1;
        for (int i = 0; i < 20 && seen != requests(part).size(); ++i) {
            seen = requests(part).size();
            QTest::qWait(150);
        }
        return requests(part).size();
    }

    // Paths the server was asked for that contain `part`, oldest first.
    QStringList requests(const QString& part) const
    {
        QStringList out;
        for (const QString& path : server().requestLog()) {
            if (path.contains(part))
                out << path;
        }
        return out;
    }
};
