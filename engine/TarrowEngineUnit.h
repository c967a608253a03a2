#pragma once

#include "engine/TarrowThreadUnit.h"
#include "http/uHTTPContent.h"

#include <QString>
#include <memory>

namespace tarrow {

class TWebsiteProject;
class TWebsiteProjectList;

// The engine's timing and retry values. The defaults are the program's; tests shorten them.
struct TRunOptions {
    int HTTPRetries = 5;
    int RetryPauseMs = 500;
    int ConnectTimeoutMs = 60000;
    int ReadTimeoutMs = 60000;
    int RedirectPauseMs = 100;
    qint64 MaxPageTextChars = kMaxPageTextChars;
};

// The project run driver: runs projects one after another on the calling worker thread, one HTTP
// client and one crawl per project. Owned by the window (or tarrow-cli); holds the break flag.
class TTarrowEngine final {
public:
    explicit TTarrowEngine(TRunOptions AOptions = {}) : FOptions(AOptions) {}
    TTarrowEngine(const TTarrowEngine&) = delete;
    TTarrowEngine& operator=(const TTarrowEngine&) = delete;

    TBreakFlag& Terminated() { return FTerminated; }
    const TRunOptions& Options() const { return FOptions; }

    // Every checked project of the visible list, in visible order ("Load Websites").
    void LoadWebsites(const TWebsiteProjectList& AProjects, const QString& AOutDir,
                      TTarrowThread& AThread);
    // The projects named in the ","-separated list, in that order; false when a name is unknown.
    bool StartProject(const TWebsiteProjectList& AProjects, const QString& AProjectName,
                      const QString& AOutDir, TTarrowThread& AThread);

private:
    bool LoadWebsite(const TWebsiteProject& AProject, const QString& AOutDir,
                     TTarrowThread& AThread);
    void LogRunEnd(TTarrowThread& AThread) const;

    TRunOptions FOptions;
    TBreakFlag FTerminated;
};

// The tags "{OutDir}" and "{ProjectName}" of a folder text replaced (letter case ignored), the
// first before the second; nothing else changes.
QString ExpandFolderTags(const QString& AFolder, const QString& AOutDir,
                         const QString& AProjectName);
// The folder a project is written to: the tags expanded, separators made the reading's own and
// one trailing separator dropped; a relative result is placed under the current folder.
QString ExpandOutputFolder(const QString& AFolder, const QString& AOutDir,
                           const QString& AProjectName);

// What both workers of a run hold: the engine, their own copy of the projects and the
// output-folder text taken when the run was started, so the window stays fully usable meanwhile.
// The destructor waits for the thread.
class TRunThread : public TTarrowThread {
    Q_OBJECT
public:
    TRunThread(TTarrowEngine& AEngine, std::unique_ptr<TWebsiteProjectList> AProjects,
               QString AOutDir, TLogSink* ALogSink, QObject* AParent);
    ~TRunThread() override;

protected:
    TTarrowEngine& FEngine;
    std::unique_ptr<TWebsiteProjectList> FProjects;
    QString FOutDir;
};

// The worker of "Load Websites".
class TLoadWebsitesThread final : public TRunThread {
    Q_OBJECT
public:
    TLoadWebsitesThread(TTarrowEngine& AEngine, std::unique_ptr<TWebsiteProjectList> AProjects,
                        QString AOutDir, TLogSink* ALogSink, QObject* AParent = nullptr);

protected:
    void Execute() override;
};

// The worker of the command-line start ("-start NAMES").
class TStartProjectThread final : public TRunThread {
    Q_OBJECT
public:
    TStartProjectThread(TTarrowEngine& AEngine, std::unique_ptr<TWebsiteProjectList> AProjects,
                        QString AOutDir, QString AProjectName, TLogSink* ALogSink,
                        QObject* AParent = nullptr);

    // False until Execute has set it, and when the run ended by an error.
    bool StartProjectResult() const { return FStartProjectResult; }

protected:
    void Execute() override;

private:
    QString FProjectName;
    bool FStartProjectResult = false;
};

} // namespace tarrow
