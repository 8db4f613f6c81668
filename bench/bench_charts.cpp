// K-line chart costs: the static image (indicators + drawing at 1242 x 400)
// for 480, 2,400 and 10,000 bars, reading the rows as numbers, and one
// crosshair repaint. Goal: a fresh 10,000-bar draw in at most 2 ms.
#include "charts/CandleView.h"
#include "charts/ChartFeeds.h"
#include "platform/widgets/ViewController.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <QPainter>

#include <cmath>

namespace {

QVariantList makeRows(int count)
{
    QVariantList rows;
    rows.reserve(count);
    double close = 20;
    const QDate start(1990, 1, 1);
    for (int i = 0; i < count; ++i) {
        const double open = close;
        close = std::max(1.0, open * (1 + 0.02 * std::sin(i * 0.37) + 0.004 * std::cos(i * 1.7)));
        const double high = std::max(open, close) * 1.01;
        const double low = std::min(open, close) * 0.99;
        auto text = [](double v) { return QString::number(v, 'f', 2); };
        rows << QVariant(QVariantList { start.addDays(i).toString(QStringLiteral("yyyyMMdd")), text(open),
            text(close), text(high), text(low), QString::number(100000 + (i * 7919) % 50000),
            text((close - open) / open * 100) });
    }
    return rows;
}

struct Fixture {
    platform::ViewController father;
    CandleView chart;
    explicit Fixture(int bars)
        : chart(QRect(0, 0, 1242, 400),
            QVariantMap { { QStringLiteral("stockcode"), QStringLiteral("7777777") } }, &father,
            [](const QVariantMap&) {})
    {
        chart.iDataArray = makeRows(bars);
        chart.iWPintCount = bars;
        chart.startIdx = charts::geometry::startIndexFor(bars, 1242, chart.wLineSpace);
        chart.cprice = QStringLiteral("20.00");
    }
};

// New rows each time, as a loader delivers them: conversion, indicators
// over all bars and the static image.
void BM_InitBackImage_newRows(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    const QVariantList rows = f.chart.iDataArray;
    for (auto _ : state) {
        state.PauseTiming();
        QVariantList fresh = rows;
        fresh.detach();
        f.chart.iDataArray = fresh;
        state.ResumeTiming();
        f.chart.InitBackImage();
    }
}
BENCHMARK(BM_InitBackImage_newRows)->Arg(480)->Arg(2400)->Arg(10000)->Unit(benchmark::kMillisecond);

// The rows read as numbers alone: what a loader does once per year file,
// on a worker, when it arrives.
void BM_ConvertBarRows(benchmark::State& state)
{
    const QVariantList rows = makeRows(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(charts::convertBarRows(rows));
}
BENCHMARK(BM_ConvertBarRows)->Arg(480)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same rows again (a period dialog's OK, a menu choice).
void BM_InitBackImage_sameRows(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    f.chart.InitBackImage();
    for (auto _ : state)
        f.chart.InitBackImage();
}
BENCHMARK(BM_InitBackImage_sameRows)->Arg(480)->Arg(2400)->Arg(10000)->Unit(benchmark::kMillisecond);

// One mouse move: the crosshair is placed and the frame repainted from the
// static image plus the overlay.
void BM_CrosshairRepaint(benchmark::State& state)
{
    Fixture f(int(state.range(0)));
    f.chart.InitBackImage();
    QImage frame(f.chart.size(), QImage::Format_ARGB32_Premultiplied);
    int x = 0;
    for (auto _ : state) {
        x = (x + 13) % 1200;
        f.chart.setCrosshair(QPointF(x, 150));
        QPainter p(&frame);
        p.drawImage(QPointF(0, 0), f.chart.backImage());
        f.chart.paintOverlay(p);
    }
}
BENCHMARK(BM_CrosshairRepaint)->Arg(480)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
