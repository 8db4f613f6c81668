// Memory of the security screen: five stock windows, each on its day
// K-line tab with the whole history drawn, opened and closed one after the
// other. Once they are closed the live heap should be back within 2 MiB of
// where it was before they opened. The application has shown a stock
// window before (Qt loads the fonts of its Chinese texts once per
// process); the figures from the very start are reported too.
// And an hour of polling: a stock window on its time-share tab, with the
// quote store polling its code, for 3600 rounds of the chart run back to
// back; the live heap should not grow between round 600 and round 3600.
#include "MemoryFigures.h"
#include "app/AppDelegate.h"
#include "app/SecurityScreen.h"
#include "backend/QuilorSDK.h"
#include "charts/ChartTiming.h"
#include "charts/DayKLineView.h"
#include "charts/Registration.h"
#include "charts/timeLineView.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ViewController.h"
#include "screens/Registration.h"
#include "screens/SecurityViewController.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

const QString kFirstCode = QStringLiteral("601318");
const QStringList kCodes { QStringLiteral("600000"), QStringLiteral("600036"), QStringLiteral("600519"),
    QStringLiteral("000001"), QStringLiteral("000002") };

struct World {
    std::unique_ptr<standin::StandInServer> server;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<platform::ViewController> host;
};
World* g_world = nullptr;

bool runUntil(const std::function<bool()>& done, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Lets replies still on their way land and be dropped, as they would while
// the user looks at the list for a moment.
void idle(int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    benchmemory::settle(g_world->server.get());
}

// Opens the stock's window as the list does, waits for its day chart to
// draw the whole history, and closes it again.
bool openAndClose(const QString& code)
{
    QPointer<platform::ViewController> window
        = app::openSecurityScreen(g_world->host.get(), QString::fromLatin1(app::kStockScreenId), code, [] {});
    auto* screen = qobject_cast<SecurityViewController*>(window.data());
    if (!screen || !screen->iDayKLineView)
        return false;
    bool drawn = false;
    QObject::connect(
        screen->iDayKLineView, &KLineHistoryView::historyDrawn, screen, [&drawn] { drawn = true; });
    if (!runUntil([&drawn] { return drawn; }))
        return false;
    screen->dismissController();
    benchmemory::settle(g_world->server.get());
    return window.isNull();
}

void BM_FiveStockWindowsMemory(benchmark::State& state)
{
    for (auto _ : state) {
        idle(500);
        const long liveAtStart = benchmemory::liveHeapKiB();
        const long residentAtStart = benchmemory::residentKiB();
        if (!openAndClose(kFirstCode)) {
            state.SkipWithError("the first window did not open, draw or close");
            return;
        }
        idle(500);
        const long liveBefore = benchmemory::liveHeapKiB();
        const long residentBefore = benchmemory::residentKiB();
        for (const QString& code : kCodes) {
            if (!openAndClose(code)) {
                state.SkipWithError("a window did not open, draw or close");
                return;
            }
        }
        idle(500);
        const long liveAfter = benchmemory::liveHeapKiB();
        const long residentAfter = benchmemory::residentKiB();
        state.counters["liveHeapBeforeKiB"] = double(liveBefore);
        state.counters["liveHeapAfterKiB"] = double(liveAfter);
        state.counters["liveHeapGrowthKiB"] = double(liveAfter - liveBefore);
        state.counters["rssGrowthKiB"] = double(residentAfter - residentBefore);
        state.counters["liveHeapFromStartKiB"] = double(liveAfter - liveAtStart);
        state.counters["rssFromStartKiB"] = double(residentAfter - residentAtStart);
    }
}
BENCHMARK(BM_FiveStockWindowsMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_HourOfPollingMemory(benchmark::State& state)
{
    for (auto _ : state) {
        // Tuesday 10:00 in Shanghai, and every poll due at once.
        const auto session
            = [] { return QDateTime(QDate(2026, 12, 8), QTime(10, 0), QTimeZone("Asia/Shanghai")); };
        charts::setClock(session);
        const charts::PollTiming timing = charts::pollTiming();
        charts::pollTiming().openMs = charts::pollTiming().closedMs = 1;
        stocks* store = g_world->delegate->iQuilorSDK()->iStocks();
        store->setClock(session);
        store->setPollIntervals(1, 1);
        platform::UserDefaults::standardUserDefaults()->setObject(
            QStringLiteral("0"), QStringLiteral("kSegIdx"));
        QPointer<platform::ViewController> window = app::openSecurityScreen(
            g_world->host.get(), QString::fromLatin1(app::kStockScreenId), kCodes.first(), [] {});
        auto* screen = qobject_cast<SecurityViewController*>(window.data());
        if (!screen || !screen->iTimeLineView) {
            state.SkipWithError("the window did not open on its time-share tab");
            return;
        }
        int rounds = 0;
        QObject::connect(
            screen->iTimeLineView, &TimeShareView::minutesDrawn, screen, [&rounds] { ++rounds; });
        const auto liveAfter = [&rounds](int round) {
            if (!runUntil([&] { return rounds >= round; }, 20 * 60000))
                return -1L;
            benchmemory::settle(g_world->server.get());
            g_world->server->backend().clearReceivedBodies();
            return benchmemory::liveHeapKiB();
        };
        const long early = liveAfter(600);
        const long late = liveAfter(3600);
        screen->dismissController();
        benchmemory::settle(g_world->server.get());
        charts::setClock({});
        charts::pollTiming() = timing;
        if (early < 0 || late < 0) {
            state.SkipWithError("the chart stopped polling");
            return;
        }
        state.counters["liveHeapAtRound600KiB"] = double(early);
        state.counters["liveHeapGrowthTo3600KiB"] = double(late - early);
    }
}
BENCHMARK(BM_HourOfPollingMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir folders;
    benchmemory::isolate(folders);
    QApplication app(argc, argv);
    charts::registerControllers();
    screens::registerControllers();

    World world;
    g_world = &world;
    world.server = std::make_unique<standin::StandInServer>();
    if (!world.server->listen())
        return 1;
    benchmemory::warmStandIn(*world.server, QStringList(kCodes) << kFirstCode);
    world.delegate = benchmemory::clientAt(*world.server);
    // The day K-line tab.
    platform::UserDefaults::standardUserDefaults()->setObject(QStringLiteral("2"), QStringLiteral("kSegIdx"));
    world.host = std::make_unique<platform::ViewController>();
    world.host->resize(420, 720);
    world.host->show();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    world.host.reset();
    world.delegate.reset();
    return 0;
}
