// Cost of TURLList::AddURL per URL as the table grows: duplicate lookup must stay near constant.
#include "engine/URLListUnit.h"
#include "page/LinkProcessingUnit.h"

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

// One page whose links all name one file ("dN/%2e%2e/x.png" is "x.png"): each URL after the
// first takes the next numbered name, which must not cost more as the numbers grow.
static void BM_PageOfClashingLinks(benchmark::State& state) {
    const int n = int(state.range(0));
    QString page;
    for (int i = 0; i < n; ++i)
        page += QStringLiteral("<img src=\"d%1/%2e%2e/x.png\">\n").arg(i);
    TLinkProcessingSettings settings;
    settings.WebsiteURL = QStringLiteral("http://site/");
    settings.OutDir = QStringLiteral("/tmp/out/");
    settings.PathReading = TPathReading::prLinux;
    for (auto _ : state) {
        TURLList list(TPathReading::prLinux);
        list.AddURL(utA, settings.WebsiteURL, settings.WebsiteURL, settings.IndexFile,
                    settings.OutDir, 1, 0, nullptr, QString());
        QString out;
        benchmark::DoNotOptimize(ProcessLinks(page, out, list, settings.WebsiteURL,
                                              list.OutFilePath(0), 1, 0, settings));
    }
    state.counters["ns_per_link"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PageOfClashingLinks)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
