// Cost of TURLList::AddURL per URL as the table grows: duplicate lookup must stay near constant.
#include "engine/URLListUnit.h"

#include <benchmark/benchmark.h>

using namespace tarrow;

static void BM_AddDistinctURLs(benchmark::State& state) {
    const int n = int(state.range(0));
    QStringList urls;
    urls.reserve(n);
    for (int i = 0; i < n; ++i)
        urls.append(QStringLiteral("http://site/section%1/page%2.html?id=%3")
                        .arg(i % 97)
                        .arg(i)
                        .arg(i * 7));
    const QString prefix = QStringLiteral("http://site/");
    const QString index = QStringLiteral("index.html");
    const QString outDir = QStringLiteral("/tmp/out");
    for (auto _ : state) {
        TURLList list(NativePathReading());
        for (const QString& url : urls)
            benchmark::DoNotOptimize(
                list.AddURL(utA, url, prefix, index, outDir, 5, 1, nullptr, QString()));
        // Every URL once more: the lookup path that a crawl takes most.
        for (const QString& url : urls)
            benchmark::DoNotOptimize(list.FindURL(url));
    }
    state.counters["ns_per_add"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddDistinctURLs)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
