#pragma once
// Whole crawls in-process: a scripted site on 127.0.0.1, a project, a temporary output folder, and
// the run log as lines, with the engine's time-outs and pauses made short.

#include "engine/TarrowEngineUnit.h"
#include "engine/LogSinksUnit.h"
#include "project/WebsiteUnit.h"
#include "tests/support/TestReplies.h"
#include "tests/support/TestServer.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>

namespace tarrow::test {

// A site: one reply per path; every other path answers 404. Hits are counted per path.
class TScriptedSite final {
public:
    TScriptedSite() {
        FServer.SetHandler([this](const TRequest& ARequest) { return Answer(ARequest); });
    }
    void Page(const QByteArray& APath, TReply AReply) { Sequence(APath, {std::move(AReply)}); }
    // Replies for successive requests of one path; the last one repeats.
    void Sequence(const QByteArray& APath, QList<TReply> AReplies) {
        std::lock_guard lock(FLock);
        FReplies.insert(APath, std::move(AReplies));
    }
    void Html(const QByteArray& APath, const QByteArray& ABody) { Page(APath, OkReply(ABody)); }
    // The reply of every path that has none of its own (404 when not set).
    void Default(TReply AReply) {
        std::lock_guard lock(FLock);
        FDefault = std::move(AReply);
    }
    // Called on the server's thread for each request, before the reply is chosen.
    void OnRequest(std::function<void(const TRequest&)> AHook) { FHook = std::move(AHook); }
    int Hits(const QByteArray& APath) const {
        std::lock_guard lock(FLock);
        return FHits.value(APath);
    }
    QString URL(QStringView APath = u"/") const { return FServer.URL(APath); }
    QString HostPort() const { return FServer.HostPort(); }
    TScriptedServer& Server() { return FServer; }

private:
    TReply Answer(const TRequest& ARequest) {
        if (FHook)
            FHook(ARequest);
        std::lock_guard lock(FLock);
        const int hit = FHits[ARequest.Path()]++;
        const auto it = FReplies.constFind(ARequest.Path());
        if (it == FReplies.constEnd() || it->isEmpty())
            return FDefault;
        return it->at(qMin<qsizetype>(hit, it->size() - 1));
    }

    mutable std::mutex FLock;
    QHash<QByteArray, QList<TReply>> FReplies;
    QHash<QByteArray, int> FHits;
    TReply FDefault = MakeReply(404, "Not Found");
    std::function<void(const TRequest&)> FHook;
    TScriptedServer FServer;
};

// The engine's values for tests: the program's retry count, but short pauses and time-outs.
inline TRunOptions FastOptions() {
    TRunOptions options;
    options.RetryPauseMs = 1;
    options.ConnectTimeoutMs = 3000;
    options.ReadTimeoutMs = 3000;
    options.RedirectPauseMs = 1;
    return options;
}

class CrawlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FRoot.isValid());
        FOutDir = FRoot.filePath(QStringLiteral("out"));
    }

    // A project on the site, saved under {OutDir}/Blog, the program's defaults otherwise.
    std::unique_ptr<TWebsiteProject> NewProject(const QString& AName = QStringLiteral("Blog")) {
        auto project = std::make_unique<TWebsiteProject>();
        project->SetProjectName(AName);
        project->SetWebsiteURL(FSite.URL(u"/blog/"));
        project->SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        project->SetIndexFile(QStringLiteral("index.html"));
        project->SetOverwrite(ofAll);
        project->SetRelativePathLinks(true);
        project->SetChecked(true);
        return project;
    }
    static void AddStartPage(TWebsiteProject& AProject, const QString& AURL, int32_t ADepth) {
        AProject.WebPages().append(AURL);
        AProject.WPExtractURLs().Add(ADepth);
    }

    // Runs the named projects of AProjects as the command-line start does, and returns the log.
    QStringList Start(TWebsiteProjectList& AProjects, const QString& ANames,
                      bool* AResult = nullptr, bool* AFailed = nullptr) {
        TMemoryLogSink sink;
        const TRunResult result = FEngine.Run(AProjects, FOutDir, ANames, &sink);
        if (AResult)
            *AResult = result.NamesFound;
        if (AFailed)
            *AFailed = result.Failed;
        return sink.Lines();
    }
    QStringList Run(const TWebsiteProject& AProject, bool* AFailed = nullptr) {
        TWebsiteProjectList list;
        list.AddProject(std::make_unique<TWebsiteProject>(&AProject));
        return Start(list, AProject.ProjectName(), nullptr, AFailed);
    }

    QString Out(const QString& ARelative) const {
        return FOutDir + QStringLiteral("/Blog/") + ARelative;
    }
    QByteArray Saved(const QString& ARelative) const {
        QFile file(Out(ARelative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    bool Exists(const QString& ARelative) const { return QFile::exists(Out(ARelative)); }
    // Every file below the output folder, relative to it, sorted.
    QStringList Tree() const;
    // Every entry of the temporary root, recursively: nothing may appear outside "out".
    QStringList RootEntries() const;
    QString Url(QStringView APath) const { return FSite.URL(APath); }

    QTemporaryDir FRoot;
    QString FOutDir;
    TScriptedSite FSite;
    TTarrowEngine FEngine{FastOptions()};
};

inline QString Summary(int ADownloaded, int AExisted, int ANotChanged, int AEmpty, int AFailed) {
    return QStringLiteral("Downloaded: %1, already existed: %2, not changed: %3, empty: %4, "
                          "failed: %5.")
        .arg(ADownloaded)
        .arg(AExisted)
        .arg(ANotChanged)
        .arg(AEmpty)
        .arg(AFailed);
}

} // namespace tarrow::test
