// Loading and saving the settings file as the project count grows: both must stay linear.
// Each project has 10 start pages, 5 download rules, 5 replace rules and 5 suppress lines.
#include "project/SettingsUnit.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tarrow;

namespace {

std::unique_ptr<TWebsiteProject> MakeProject(int I) {
    auto p = std::make_unique<TWebsiteProject>();
    const QString n = QString::number(I);
    p->SetProjectName(QStringLiteral("Project ") + n);
    p->SetGroupName(QStringLiteral("Group ") + QString::number(I % 20));
    p->SetWebsiteURL(QStringLiteral("https://site") + n + QStringLiteral(".example/"));
    p->SetDomainAliasesString(QStringLiteral("alias") + n + QStringLiteral(";www.alias") + n);
    p->SetOutputFolder(QStringLiteral("{OutDir}\\{ProjectName}"));
    p->SetOverwrite(ofChanged);
    p->SetIndexFile(QStringLiteral("index.html"));
    p->SetChecked(I % 2 == 0);
    for (int k = 0; k < 10; ++k) {
        p->WebPages() << p->WebsiteURL() + QStringLiteral("section") + QString::number(k) +
                             QStringLiteral("/");
        p->WPExtractURLs().Add(k % 4);
    }
    for (int k = 0; k < 5; ++k) {
        const QString s = QString::number(k);
        p->WebDocuments() << p->WebsiteURL() + QStringLiteral("files") + s + QStringLiteral("/");
        p->WDOutFolders() << QStringLiteral("files") + s;
        p->ReplacePatterns() << QStringLiteral("(\\d+)-") + s;
        p->ReplaceRules() << QStringLiteral("$1/") + s;
        p->SuppressURLs() << QStringLiteral("?print=") + s;
    }
    return p;
}

void FillModel(TSettingsModel& M, int ACount) {
    for (int i = 0; i < ACount; ++i)
        M.Projects.AddProject(MakeProject(i));
    M.GroupItems = GroupFilterItems(M.Projects);
    M.OutDir = QStringLiteral("/srv/sites");
}

void BM_SaveSettings(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tarrow.ini"));
    TSettingsModel model;
    FillModel(model, int(state.range(0)));
    for (auto _ : state)
        SaveSettings(model, path);
    state.counters["projects"] = double(state.range(0));
}

void BM_LoadSettings(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tarrow.ini"));
    {
        TSettingsModel model;
        FillModel(model, int(state.range(0)));
        SaveSettings(model, path);
    }
    for (auto _ : state) {
        auto model = std::make_unique<TSettingsModel>();
        LoadSettings(*model, path);
        benchmark::DoNotOptimize(model->Projects.Count());
        // Freeing the loaded projects is not part of loading.
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.counters["projects"] = double(state.range(0));
}

} // namespace

BENCHMARK(BM_SaveSettings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSettings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
