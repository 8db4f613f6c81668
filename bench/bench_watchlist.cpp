// The self-selected list with a group of 1000 stocks: loading the group into
// the table, and scrolling it from top to bottom while quotes update. One
// step should stay well under a 60 Hz frame (16.7 ms).
#include "MemoryFigures.h"
#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/ViewController.h"
#include "standin/StandInServer.h"
#include "watchlist/MyStockTableCell.h"
#include "watchlist/ZXGView.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct World {
    std::unique_ptr<standin::StandInServer> server;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<platform::ViewController> host;
    ZXGView* panel = nullptr;
    QVariantMap reply;
};
World* g_world = nullptr;

QVariantMap groupReply(int count)
{
    QVariantList rows;
    for (int i = 0; i < count; ++i) {
        const QString code = QStringLiteral("%1").arg(i % 2 ? 600000 + i : i + 1, 6, 10, QLatin1Char('0'));
        rows << QVariantMap { { QStringLiteral("stockcode"), code },
            { QStringLiteral("stockname"), QStringLiteral("样本%1").arg(i) },
            { QStringLiteral("name"), QStringLiteral("样本%1").arg(i) },
            { QStringLiteral("userstockorder"), QString::number(i) },
            { QStringLiteral("lprice"), QStringLiteral("0") },
            { QStringLiteral("hprice"), QStringLiteral("0") },
            { QStringLiteral("vprice"), QStringLiteral("0") } };
    }
    return QVariantMap { { QStringLiteral("data"), rows } };
}

// Every visible row's quote changes and the store announces it.
void updateVisibleQuotes(int tick)
{
    stocks* store = AppDelegate::shared()->iQuilorSDK()->iStocks();
    StockTableView* table = g_world->panel->iTableView;
    for (int row : table->visibleRows()) {
        auto* cell = static_cast<MyStockTableCell*>(table->viewAtRow(row));
        StockQuoteDict record
            = store->recordFor(cell->selfDict.value(QStringLiteral("stockcode")).toString());
        if (!record)
            continue;
        const double rate = ((tick + row) % 21 - 10) / 10.0;
        record->insert(QStringLiteral("valuerate"), QString::number(rate, 'f', 2));
        record->insert(QStringLiteral("valueprice"), QString::number(rate / 10, 'f', 2));
        record->insert(QStringLiteral("cprice"), QString::number(10 + rate, 'f', 2));
        record->insert(QStringLiteral("mainvalue"), QString::number(rate / 7, 'f', 4));
        platform::NotificationCenter::defaultCenter()->postNotificationName(
            QStringLiteral("StockupDateOk"), QVariant::fromValue(record));
    }
}

void BM_LoadGroupOf1000(benchmark::State& state)
{
    for (auto _ : state) {
        g_world->panel->HttpResult(g_world->reply, backend::kApiGroupStocks, false);
        QCoreApplication::processEvents();
    }
    state.counters["liveRows"] = g_world->panel->iTableView->liveViewCount();
}
BENCHMARK(BM_LoadGroupOf1000)->Unit(benchmark::kMillisecond);

void BM_ScrollStepWithQuotes(benchmark::State& state)
{
    StockTableView* table = g_world->panel->iTableView;
    g_world->panel->HttpResult(g_world->reply, backend::kApiGroupStocks, false);
    QScrollBar* bar = table->verticalScrollBar();
    const int step = int(state.range(0));
    int tick = 0;
    for (auto _ : state) {
        int next = bar->value() + step;
        if (next > bar->maximum())
            next = 0;
        bar->setValue(next);
        updateVisibleQuotes(++tick);
        table->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.counters["liveRows"] = table->liveViewCount();
    state.counters["spareRows"] = table->reusableViewCount();
}
BENCHMARK(BM_ScrollStepWithQuotes)->Arg(8)->Arg(40)->Arg(400)->Unit(benchmark::kMicrosecond);

// Memory: scrolling the whole group many times makes no more rows, and
// what stays after the queued deletions ran is what the list keeps.
void BM_FullScrollMemory(benchmark::State& state)
{
    StockTableView* table = g_world->panel->iTableView;
    g_world->panel->HttpResult(g_world->reply, backend::kApiGroupStocks, false);
    QScrollBar* bar = table->verticalScrollBar();
    benchmemory::settle(g_world->server.get());
    const long residentBefore = benchmemory::residentKiB();
    const long liveBefore = benchmemory::liveHeapKiB();
    int views = 0;
    for (auto _ : state) {
        for (int value = 0; value <= bar->maximum(); value += table->rowHeight()) {
            bar->setValue(value);
            QCoreApplication::processEvents();
        }
        benchmemory::settle(g_world->server.get());
        views = std::max(views, table->liveViewCount() + table->reusableViewCount());
    }
    state.counters["rowViews"] = views;
    state.counters["rssGrowthKiB"] = double(benchmemory::residentKiB() - residentBefore);
    state.counters["liveHeapGrowthKiB"] = double(benchmemory::liveHeapKiB() - liveBefore);
}
BENCHMARK(BM_FullScrollMemory)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir folders;
    benchmemory::isolate(folders);
    QApplication app(argc, argv);

    World world;
    g_world = &world;
    world.server = std::make_unique<standin::StandInServer>();
    if (!world.server->listen())
        return 1;
    world.delegate = benchmemory::clientAt(*world.server);
    world.host = std::make_unique<platform::ViewController>();
    world.host->resize(420, 720);
    world.panel = new ZXGView(world.host.get());
    world.panel->setGeometry(0, 0, 420, 720);
    world.host->show();
    world.reply = groupReply(1000);
    QStringList codes;
    for (const QVariant& row : world.reply.value(QStringLiteral("data")).toList())
        codes << row.toMap().value(QStringLiteral("stockcode")).toString();
    benchmemory::warmStandIn(*world.server, codes);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    world.host.reset();
    world.delegate.reset();
    return 0;
}
