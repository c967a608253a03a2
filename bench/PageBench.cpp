// Throughput of the page pipeline of a crawl: ProcessLinks, the one conversion to UTF-8, then two
// typical replace rules. The counter "MB" is megabytes (10^6) of the page's UTF-8 form per second.
//   link-dense: 5 MB with a link about every 150 bytes, drawn from 3,000 targets (goal 50 MB/s)
//   few tags:   5 MB of text with a paragraph tag every 600 bytes, a link every 20 KB (goal 300)
#include "engine/URLListUnit.h"
#include "page/LinkProcessingUnit.h"
#include "page/ReplaceRulesUnit.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace tarrow;

namespace {

constexpr qsizetype PageSize = 5'000'000;

const QString Words = QStringLiteral(
    "The quick brown fox jumps over the lazy dog while the archive keeps every page of the site "
    "for offline reading; links are rewritten so that they point at the saved copies. ");

QString LinkFor(std::mt19937& ARandom, unsigned ATargets = 3000) {
    const unsigned n = ARandom() % ATargets;
    switch (ARandom() % 8) {
    case 0:
        return QStringLiteral("<img src=\"/blog/img/pic%1.png\" alt=\"Picture %1\">").arg(n);
    case 1:
        return QStringLiteral("<a href=\"https://other.example/ref/%1\" rel=\"nofollow\">ref</a>")
            .arg(n);
    case 2:
        return QStringLiteral("<a href=\"../blog/tag/t%1/?page=2&amp;sort=asc\">tag</a>")
            .arg(n % 300);
    default:
        return QStringLiteral("<a class=\"nav\" href=\"posts/%1/article-%2.html#top\">Post %2</a>")
            .arg(n % 40)
            .arg(n);
    }
}

QString Head() {
    return QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta name=\"generator\" "
        "content=\"Blog 4.2\"><link rel=\"stylesheet\" type=\"text/css\" "
        "href=\"/blog/css/site.css\">"
        "<!-- Analytics --><script>var _q=[];_q.push(['id','X-1']);</script><!-- End Analytics -->"
        "</head><body>\n");
}

// Text between links comes in runs of varying length, as it does on real pages.
QString LinkDensePage(unsigned ATargets = 3000) {
    std::mt19937 random(1);
    QString page = Head();
    while (page.size() < PageSize) {
        page.append(LinkFor(random, ATargets));
        page.append(QStringView(Words).left(20 + random() % 110));
        if (random() % 10 == 0)
            page.append(QStringLiteral("</li>\n<li>"));
    }
    return page.append(QStringLiteral("</body></html>\n"));
}

QString FewTagsPage() {
    std::mt19937 random(2);
    QString page = Head();
    qsizetype nextLink = 0;
    while (page.size() < PageSize) {
        page.append(QStringLiteral("<p>"));
        for (int i = 0; i < 3; ++i)
            page.append(Words);
        page.append(QStringLiteral("</p>\n"));
        if (page.size() >= nextLink) {
            page.append(LinkFor(random));
            nextLink = page.size() + 20'000;
        }
    }
    return page.append(QStringLiteral("</body></html>\n"));
}

TLinkProcessingSettings Settings() {
    TLinkProcessingSettings s;
    s.WebsiteURL = QStringLiteral("https://site/blog/");
    s.RelativePathLinks = true;
    s.OutDir = QStringLiteral("/tmp/tarrow-bench/");
    s.WebDocuments = QStringList{QStringLiteral("https://cdn.example/")};
    s.WDOutFolders = QStringList{QStringLiteral("cdn")};
    s.SuppressURLs = QStringList{QStringLiteral("logout")};
    return s;
}

TReplaceRules TypicalRules() {
    return CompileReplaceRules({QStringLiteral("(?s)<!-- Analytics -->.*?<!-- End Analytics -->"),
                                QStringLiteral("<meta name=\"generator\"[^>]*>")},
                               {QString(), QString()});
}

void SetThroughput(benchmark::State& AState, qsizetype ABytes) {
    AState.counters["MB"] =
        benchmark::Counter(double(ABytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void RunPipeline(benchmark::State& AState, const QString& APage) {
    const TLinkProcessingSettings settings = Settings();
    const TReplaceRules rules = TypicalRules();
    const QString pageURL = QStringLiteral("https://site/blog/");
    const QString pagePath = QStringLiteral("/tmp/tarrow-bench/index.html");
    qsizetype links = 0;
    for (auto _ : AState) {
        TURLList list(NativePathReading()); // a fresh crawl each time, so every link is new once
        QString out;
        ProcessLinks(APage, out, list, pageURL, pagePath, 5, 0, settings);
        const QByteArray saved = ApplyReplaceRules(rules, out.toUtf8());
        benchmark::DoNotOptimize(saved.constData());
        links = list.Count();
    }
    AState.counters["new_urls"] = double(links);
    SetThroughput(AState, APage.toUtf8().size());
}

void RunRulesOnly(benchmark::State& AState, const QString& APage) {
    const TReplaceRules rules = TypicalRules();
    const QByteArray utf8 = APage.toUtf8();
    for (auto _ : AState)
        benchmark::DoNotOptimize(ApplyReplaceRules(rules, utf8).constData());
    SetThroughput(AState, utf8.size());
}

void BM_Pipeline_LinkDense(benchmark::State& AState) {
    RunPipeline(AState, LinkDensePage());
}
// The same page with (almost) every link new: the first-visit cost of a link.
void BM_Pipeline_LinkDenseDistinct(benchmark::State& AState) {
    RunPipeline(AState, LinkDensePage(1'000'000'000));
}
void BM_Pipeline_FewTags(benchmark::State& AState) {
    RunPipeline(AState, FewTagsPage());
}
void BM_ReplaceRulesOnly_LinkDense(benchmark::State& AState) {
    RunRulesOnly(AState, LinkDensePage());
}
void BM_ReplaceRulesOnly_FewTags(benchmark::State& AState) {
    RunRulesOnly(AState, FewTagsPage());
}

} // namespace

BENCHMARK(BM_Pipeline_LinkDense)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pipeline_LinkDenseDistinct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pipeline_FewTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceRulesOnly_LinkDense)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceRulesOnly_FewTags)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
