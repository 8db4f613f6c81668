// Speed of the quote store's hot path: one poll's refresh of 200 watched
// codes (parse the batched Tencent body, merge, notify) and the parse alone;
// and the reading of one number from its text, which every row and chart bar
// does many times.
#include "market/FeedParsers.h"
#include "market/stocks.h"
#include "platform/Configuration.h"
#include "platform/NotificationCenter.h"
#include "platform/TextCodec.h"
#include "platform/Values.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kCodes = 200;

QString codeAt(int i)
{
    return QString::number(600000 + i);
}

// The fixture's sh600000 line, repeated for 200 codes with distinct prices.
QByteArray body200()
{
    QFile file(QStringLiteral(LST_FIXTURES_DIR "/market/tencent_full.txt"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture market/tencent_full.txt");
    const QString line = platform::decodeGB18030(file.readAll())->split(QLatin1Char('\n')).first();
    QString out;
    for (int i = 0; i < kCodes; ++i) {
        QString l = line;
        l.replace(QStringLiteral("v_sh600000"), QStringLiteral("v_sh") + codeAt(i));
        l.replace(QStringLiteral("~600000~"), QLatin1Char('~') + codeAt(i) + QLatin1Char('~'));
        l.replace(
            QStringLiteral("~10.45~10.30~"), QStringLiteral("~%1~10.30~").arg(10 + i / 100.0, 0, 'f', 2));
        out += l + QLatin1Char('\n');
    }
    return platform::encodeGB18030(out);
}

void BM_ParseTencent200(benchmark::State& state)
{
    const QByteArray body = body200();
    for (auto _ : state) {
        const market::TencentBatch batch = market::parseTencentFull(body);
        if (batch.records.size() != kCodes)
            state.SkipWithError("not every record parsed");
        benchmark::DoNotOptimize(batch);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_ParseTencent200)->Unit(benchmark::kMicrosecond);

void BM_Refresh200(benchmark::State& state)
{
    // Nothing answers here: the registrations' own loads never land.
    platform::Configuration::setCurrent(platform::Configuration::allAt(QStringLiteral("http://127.0.0.1:9")));
    stocks store(nullptr);
    for (int i = 0; i < kCodes; ++i)
        store.AddwillDoRefreshDict({ { QStringLiteral("stockcode"), codeAt(i) } });
    // One observer per code, as one window per code would be.
    QObject observer;
    long long seen = 0;
    platform::NotificationCenter::defaultCenter()->addObserver(
        &observer, QStringLiteral("StockupDateOk"), [&seen](const platform::Notification& n) {
            seen += platform::sharedDictFromVariant(n.object) ? 1 : 0;
        });
    const QByteArray body = body200();
    for (auto _ : state) {
        if (store.applyTencentBody(body) != kCodes)
            state.SkipWithError("not every record refreshed");
    }
    state.counters["notified"] = benchmark::Counter(double(seen), benchmark::Counter::kAvgIterations);
    platform::NotificationCenter::defaultCenter()->removeObserver(&observer);
}
BENCHMARK(BM_Refresh200)->Unit(benchmark::kMillisecond);

// The texts of K-line rows and quotes: prices, volumes, percentages, a
// dash for "no value" and the odd long or scientific one.
void BM_FloatValue(benchmark::State& state)
{
    const QStringList texts { QStringLiteral("12.34"), QStringLiteral("1234567"), QStringLiteral("-1.25"),
        QStringLiteral("3256.789"), QStringLiteral("0.05"), QStringLiteral("--"), QStringLiteral("88.8"),
        QStringLiteral("12345678901"), QStringLiteral("1.5e-3"), QStringLiteral(" 10.00") };
    float sum = 0;
    for (auto _ : state) {
        for (const QString& text : texts)
            sum += platform::floatValue(QStringView(text));
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_FloatValue)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir cache;
    qputenv("LST_CACHE_DIR", cache.path().toUtf8());
    qputenv("LST_CONFIG_DIR", cache.path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
