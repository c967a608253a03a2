#include "engine/TarrowEngineUnit.h"

#include "base/uExceptions.h"
#include "base/uPathUtils.h"
#include "base/uStrUtils.h"
#include "engine/WebsiteCrawlUnit.h"
#include "engine/uRunJournal.h"
#include "engine/uWarcWriter.h"
#include "http/HTTPClientUnit.h"
#include "project/WebsiteUnit.h"

#include <QDir>
#include <optional>

namespace tarrow {

namespace {

const char UserAgent[] = "Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko";

QString ReplaceTextIgnoringCase(const QString& AText, QStringView AFrom, const QString& ATo) {
    QString result;
    qsizetype from = 0;
    for (qsizetype p = AsciiIndexOfText(AText, AFrom); p >= 0;
         p = AsciiIndexOfText(AText, AFrom, from)) {
        result.append(QStringView(AText).mid(from, p - from)).append(ATo);
        from = p + AFrom.size();
    }
    return result.append(QStringView(AText).mid(from));
}

QString ProjectLine(const QString& AName) {
    return QStringLiteral("Project \"") + AName + QStringLiteral("\"...");
}

} // namespace

QString ExpandFolderTags(const QString& AFolder, const QString& AOutDir,
                         const QString& AProjectName) {
    return ReplaceTextIgnoringCase(ReplaceTextIgnoringCase(AFolder, u"{OutDir}", AOutDir),
                                   u"{ProjectName}", AProjectName);
}

QString ExpandOutputFolder(const QString& AFolder, const QString& AOutDir,
                           const QString& AProjectName, TPathReading AReading) {
    QString folder =
        ToReadingSeparators(ExpandFolderTags(AFolder, AOutDir, AProjectName), AReading);
    // The root folder stays itself: chopped, it would read as "no folder".
    if (folder.endsWith(PathDelim(AReading)) && folder != PathDelim(AReading))
        folder.chop(1);
    // A relative folder would be placed under itself once more when paths are expanded.
    if (!folder.isEmpty() && !IsAbsolutePath(folder, AReading) &&
        !(AReading == TPathReading::prWindows && folder.startsWith(QLatin1String("\\\\"))))
        folder = ToReadingSeparators(QDir::currentPath(), AReading) + PathDelim(AReading) + folder;
    return folder;
}

std::unique_ptr<TWarcWriter> TTarrowEngine::OpenWarcFile(const TWebsiteProject& AProject,
                                                         const QString& AOutDir,
                                                         const TRunContext& AContext) const {
    const QString text = FOptions.WarcFile.isEmpty() ? AProject.WarcFile() : FOptions.WarcFile;
    if (text.isEmpty())
        return nullptr;
    return std::make_unique<TWarcWriter>(
        ExpandOutputFolder(text, AOutDir, AProject.ProjectName(), AContext.PathReading()),
        AProject.ProjectName());
}

void TTarrowEngine::LoadWebsite(const TWebsiteProject& AProject, const QString& AOutDir,
                                const TRunContext& AContext) {
    // A limit of the project stops this project as Break would, and the next one runs.
    TBreakFlag projectStop(&FTerminated);
    TRunOptions options = AContext.Options();
    options.RetryTransientOnly = AProject.RetryTransientOnly();
    const TRunContext context = AContext.WithOptions(options).WithTerminated(&projectStop);
    // A project without its own user agent keeps the built-in one.
    const QString agent =
        AProject.UserAgent().isEmpty() ? QString::fromLatin1(UserAgent) : AProject.UserAgent();
    // Created first: it outlives every transfer that records into it.
    const std::unique_ptr<TWarcWriter> warc = OpenWarcFile(AProject, AOutDir, AContext);
    THTTPClient client(agent, QString(), 30, 30);
    client.SetRecorder(warc.get());
    client.SetKeepHeads(FOptions.WireDetails);
    for (const QString& line : AProject.RequestHeaders()) {
        const QString problem = RequestHeaderProblem(line);
        if (!problem.isEmpty())
            AContext.Log(problem);
    }
    client.SetRequestHeaders(AProject.RequestHeaders());
    client.SetVerifyTLS(AProject.VerifyTLS());
    client.SetProxy(ParseProxyURL(FOptions.Proxy));
    client.SetConnectTimeoutMs(FOptions.ConnectTimeoutMs);
    client.SetReadTimeoutMs(FOptions.ReadTimeoutMs);
    client.SetRetryPauseMs(FOptions.RedirectPauseMs);
    client.SetAbortFlag(&projectStop);
    const QString folder = ExpandOutputFolder(AProject.OutputFolder(), AOutDir,
                                              AProject.ProjectName(), AContext.PathReading());
    std::optional<TRunJournal> journal;
    if (AProject.Journal()) {
        journal.emplace(folder, AProject, context);
        journal->Open(FOptions.ContinueRun);
    }
    for (;;) {
        TWebsiteCrawl crawl(folder, AProject, client, context);
        crawl.SetLimitStop(&projectStop);
        crawl.SetArchive(warc.get());
        crawl.SetConnections(FOptions.Connections > 0 ? FOptions.Connections
                                                      : AProject.Connections());
        crawl.SetJournal(journal ? &*journal : nullptr);
        try {
            crawl.Run();
        } catch (const EJournalMismatch& E) {
            // Raised before anything is fetched: a fresh crawl starts over.
            journal->StartOver(E.Message());
            continue;
        }
        FFailedURLs += crawl.Counters().Failed;
        FRepliedURLs += crawl.Replies().Replied;
        FNoReplyURLs += crawl.Replies().NoReply;
        break;
    }
}

void TTarrowEngine::LogRunEnd(const TRunContext& AContext) const {
    AContext.Log(FTerminated.IsSet() ? QStringLiteral("Terminated.")
                                     : QStringLiteral("Completed."));
}

void TTarrowEngine::LoadWebsites(const TWebsiteProjectList& AProjects, const QString& AOutDir,
                                 const TRunContext& AContext) {
    const int count = AProjects.VisibleCount();
    for (int i = 0; i < count; ++i) {
        const TWebsiteProject& project = *AProjects.GetVisibleProject(i);
        if (!project.Checked())
            continue;
        AContext.Log(ProjectLine(project.ProjectName()));
        LoadWebsite(project, AOutDir, AContext);
        if (FTerminated.IsSet())
            break;
    }
    LogRunEnd(AContext);
}

bool TTarrowEngine::StartProject(const TWebsiteProjectList& AProjects, const QString& AProjectName,
                                 const QString& AOutDir, const TRunContext& AContext) {
    bool result = true;
    QString rest = AProjectName;
    do {
        const qsizetype comma = rest.indexOf(u',');
        const QString name = comma < 0 ? rest : rest.left(comma);
        rest = comma < 0 ? QString() : rest.mid(comma + 1);
        const TWebsiteProject* project = AProjects.FindProject(name);
        if (!project) {
            AContext.Log(QStringLiteral("Project \"") + name + QStringLiteral("\" not found."));
            result = false;
            continue;
        }
        AContext.Log(ProjectLine(name));
        LoadWebsite(*project, AOutDir, AContext);
    } while (!FTerminated.IsSet() && !rest.isEmpty());
    LogRunEnd(AContext);
    return result;
}

TRunResult TTarrowEngine::Run(const TWebsiteProjectList& AProjects, const QString& AOutDir,
                              const std::optional<QString>& AStartNames, TLogSink* ALogSink) {
    const TRunContext context(ALogSink, &FTerminated, FPathReading, FOptions);
    TRunResult result;
    FFailedURLs = 0;
    FRepliedURLs = 0;
    FNoReplyURLs = 0;
    try {
        if (AStartNames)
            result.NamesFound = StartProject(AProjects, *AStartNames, AOutDir, context);
        else
            LoadWebsites(AProjects, AOutDir, context);
    } catch (const std::exception& E) {
        // The run ends without its closing line; the user still learns why.
        result.Failed = true;
        result.ErrorMessage = ExceptionMessage(E);
        context.LogException(E);
    } catch (...) {
        result.Failed = true;
        result.ErrorMessage = QStringLiteral("Unknown exception");
        context.Log(result.ErrorMessage + u'.');
    }
    if (result.Failed)
        result.NamesFound = false; // a start by name that did not end is no success
    result.FailedURLs = FFailedURLs;
    result.RepliedURLs = FRepliedURLs;
    result.NoReplyURLs = FNoReplyURLs;
    result.Terminated = FTerminated.IsSet();
    return result;
}

} // namespace tarrow
