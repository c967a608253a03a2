#pragma once
// Whole crawls in-process: a scripted site on 127.0.0.1, a project, a temporary output folder, and
// the run log as lines, with the engine's time-outs and pauses made short.

#include "engine/LogSinksUnit.h"
#include "engine/TarrowEngineUnit.h"
#include "project/WebsiteUnit.h"
#include "tests/support/CrawlSupport.h"
#include "tests/support/ScriptedSite.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>

namespace tarrow::test {

// Sets the break flag when a line starting with AStop is logged (the entry then being taken is
// cut short, as Ctrl+C cuts it).
class TBreakingSink final : public TLogSink {
public:
    TBreakingSink(TBreakFlag& AFlag, QString AStop) : FFlag(AFlag), FStop(std::move(AStop)) {}
    void LogMsg(const QString& AMsg) override {
        FLines.append(AMsg);
        if (!FStop.isEmpty() && AMsg.startsWith(FStop))
            FFlag.Set();
    }
    QStringList FLines;

private:
    TBreakFlag& FFlag;
    QString FStop;
};

// Every file below AOutDir with its content, the journal's folder of project "Blog" left out.
QMap<QString, QByteArray> FilesOfCopy(const QString& AOutDir);

// The engine's values for tests: the program's retry count, but short pauses and time-outs.
// TARROW_TEST_CONNECTIONS runs every crawl with that many transfers at once (a second ctest
// entry does, so every crawl test also checks the parallel crawl's result).
inline TRunOptions FastOptions() {
    TRunOptions options;
    options.Connections = qEnvironmentVariableIntValue("TARROW_TEST_CONNECTIONS");
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
        return MakeProject(FSite.URL(u"/blog/"), AName);
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

} // namespace tarrow::test
