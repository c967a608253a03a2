#pragma once

#include "base/uRunContext.h"

#include <QString>
#include <memory>
#include <optional>

namespace tarrow {

class TWebsiteProject;
class TWebsiteProjectList;
class TWarcWriter;

// How a run ended: whether every name of a start by name was found, and the error that ended
// it early (already logged as one line), if any.
struct TRunResult {
    bool NamesFound = true;
    bool Failed = false;
    QString ErrorMessage;
    int FailedURLs = 0;      // the "failed:" counts of every project of the run, added up
    bool Terminated = false; // the break flag ended the run
    // URLs of every project that had an HTTP reply, and that failed without one.
    int RepliedURLs = 0;
    int NoReplyURLs = 0;
    // URLs were requested and not one had a reply: the network or TLS failed, not the site.
    bool NoReplyAtAll() const { return NoReplyURLs > 0 && RepliedURLs == 0; }
};

// The project run driver: runs projects one after another on the calling thread, one HTTP client
// and one crawl per project. Owned by the window (or tarrow-cli); holds the break flag, the
// timings and the path reading of its runs.
class TTarrowEngine final {
public:
    explicit TTarrowEngine(TRunOptions AOptions = {},
                           TPathReading APathReading = NativePathReading())
        : FOptions(AOptions), FPathReading(APathReading) {}
    TTarrowEngine(const TTarrowEngine&) = delete;
    TTarrowEngine& operator=(const TTarrowEngine&) = delete;

    TBreakFlag& Terminated() { return FTerminated; }
    const TRunOptions& Options() const { return FOptions; }
    // Between runs only: a run reads its options on its own thread.
    void SetOptions(const TRunOptions& AOptions) { FOptions = AOptions; }
    TPathReading PathReading() const { return FPathReading; }

    // The one call that runs projects, synchronously: every checked project of the visible list
    // ("Load Websites"), or, when AStartNames is given, the projects it names ("-start").
    // An error that ends the run is logged as one line and reported in the result; nothing
    // escapes. The output-folder text is read once, here.
    TRunResult Run(const TWebsiteProjectList& AProjects, const QString& AOutDir,
                   const std::optional<QString>& AStartNames, TLogSink* ALogSink);

    // Every checked project of the visible list, in visible order.
    void LoadWebsites(const TWebsiteProjectList& AProjects, const QString& AOutDir,
                      const TRunContext& AContext);
    // The projects named in the ","-separated list, in that order; false when a name is unknown.
    bool StartProject(const TWebsiteProjectList& AProjects, const QString& AProjectName,
                      const QString& AOutDir, const TRunContext& AContext);

private:
    void LoadWebsite(const TWebsiteProject& AProject, const QString& AOutDir,
                     const TRunContext& AContext);
    void LogRunEnd(const TRunContext& AContext) const;
    // The project's WARC file (the run's, when it names one), created; null when neither names
    // one. Raises EWarcError when it cannot be written.
    std::unique_ptr<TWarcWriter> OpenWarcFile(const TWebsiteProject& AProject,
                                              const QString& AOutDir,
                                              const TRunContext& AContext) const;

    TRunOptions FOptions;
    TPathReading FPathReading;
    TBreakFlag FTerminated;
    int FFailedURLs = 0; // of the run under way
    int FRepliedURLs = 0;
    int FNoReplyURLs = 0;
};

// The tags "{OutDir}" and "{ProjectName}" of a folder text replaced (letter case ignored), the
// first before the second; nothing else changes.
QString ExpandFolderTags(const QString& AFolder, const QString& AOutDir,
                         const QString& AProjectName);
// The folder a project is written to: the tags expanded, separators made the reading's own and
// one trailing separator dropped; a relative result is placed under the current folder.
QString ExpandOutputFolder(const QString& AFolder, const QString& AOutDir,
                           const QString& AProjectName, TPathReading AReading);

} // namespace tarrow
