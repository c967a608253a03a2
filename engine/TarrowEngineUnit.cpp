#include "engine/TarrowEngineUnit.h"

#include "engine/WebsiteCrawlUnit.h"
#include "base/uPathUtils.h"
#include "http/HTTPClientUnit.h"
#include "base/uStrUtils.h"
#include "project/WebsiteUnit.h"

#include <QDir>

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
                           const QString& AProjectName) {
    QString folder = ToReadingSeparators(ExpandFolderTags(AFolder, AOutDir, AProjectName));
    // The root folder stays itself: chopped, it would read as "no folder".
    if (folder.endsWith(PathDelim()) && folder != PathDelim())
        folder.chop(1);
    // A relative folder would be placed under itself once more when paths are expanded.
    if (!folder.isEmpty() && !IsAbsolutePath(folder) &&
        !(PathReading() == TPathReading::prWindows && folder.startsWith(QLatin1String("\\\\"))))
        folder = ToReadingSeparators(QDir::currentPath()) + PathDelim() + folder;
    return folder;
}

bool TTarrowEngine::LoadWebsite(const TWebsiteProject& AProject, const QString& AOutDir,
                                TTarrowThread& AThread) {
    THTTPClient client(QString(), ptAUTO, QString::fromLatin1(UserAgent), QString(), 30, 30);
    client.SetConnectTimeoutMs(FOptions.ConnectTimeoutMs);
    client.SetReadTimeoutMs(FOptions.ReadTimeoutMs);
    client.SetRetryPauseMs(FOptions.RedirectPauseMs);
    client.SetAbortFlag(&FTerminated);
    client.SetOnRedirectLog(
        [&AThread](THTTPClient&, const QString& AMessage) { AThread.HTTPLog(AMessage); });
    const QString folder =
        ExpandOutputFolder(AProject.OutputFolder(), AOutDir, AProject.ProjectName());
    TWebsiteCrawl crawl(folder, AProject, client, AThread,
                        TCrawlOptions{FOptions.HTTPRetries, FOptions.RetryPauseMs, &FTerminated,
                                      FOptions.MaxPageTextChars});
    crawl.Run();
    return true;
}

void TTarrowEngine::LogRunEnd(TTarrowThread& AThread) const {
    AThread.Log(FTerminated.IsSet() ? QStringLiteral("Terminated.") : QStringLiteral("Completed."));
}

void TTarrowEngine::LoadWebsites(const TWebsiteProjectList& AProjects, const QString& AOutDir,
                                 TTarrowThread& AThread) {
    const int count = AProjects.VisibleCount();
    for (int i = 0; i < count; ++i) {
        const TWebsiteProject& project = *AProjects.GetVisibleProject(i);
        if (!project.Checked())
            continue;
        AThread.Log(ProjectLine(project.ProjectName()));
        LoadWebsite(project, AOutDir, AThread);
        if (FTerminated.IsSet())
            break;
    }
    LogRunEnd(AThread);
}

bool TTarrowEngine::StartProject(const TWebsiteProjectList& AProjects, const QString& AProjectName,
                                 const QString& AOutDir, TTarrowThread& AThread) {
    bool result = true;
    QString rest = AProjectName;
    do {
        const qsizetype comma = rest.indexOf(u',');
        const QString name = comma < 0 ? rest : rest.left(comma);
        rest = comma < 0 ? QString() : rest.mid(comma + 1);
        const TWebsiteProject* project = AProjects.FindProject(name);
        if (!project) {
            AThread.Log(QStringLiteral("Project \"") + name + QStringLiteral("\" not found."));
            result = false;
            continue;
        }
        AThread.Log(ProjectLine(name));
        result = LoadWebsite(*project, AOutDir, AThread) && result;
    } while (!FTerminated.IsSet() && !rest.isEmpty());
    LogRunEnd(AThread);
    return result;
}

TRunThread::TRunThread(TTarrowEngine& AEngine, std::unique_ptr<TWebsiteProjectList> AProjects,
                       QString AOutDir, TLogSink* ALogSink, QObject* AParent)
    : TTarrowThread(ALogSink, AParent), FEngine(AEngine), FProjects(std::move(AProjects)),
      FOutDir(std::move(AOutDir)) {}

TRunThread::~TRunThread() {
    wait();
}

TLoadWebsitesThread::TLoadWebsitesThread(TTarrowEngine& AEngine,
                                         std::unique_ptr<TWebsiteProjectList> AProjects,
                                         QString AOutDir, TLogSink* ALogSink, QObject* AParent)
    : TRunThread(AEngine, std::move(AProjects), std::move(AOutDir), ALogSink, AParent) {}

void TLoadWebsitesThread::Execute() {
    FEngine.LoadWebsites(*FProjects, FOutDir, *this);
}

TStartProjectThread::TStartProjectThread(TTarrowEngine& AEngine,
                                         std::unique_ptr<TWebsiteProjectList> AProjects,
                                         QString AOutDir, QString AProjectName, TLogSink* ALogSink,
                                         QObject* AParent)
    : TRunThread(AEngine, std::move(AProjects), std::move(AOutDir), ALogSink, AParent),
      FProjectName(std::move(AProjectName)) {}

void TStartProjectThread::Execute() {
    FStartProjectResult = FEngine.StartProject(*FProjects, FProjectName, FOutDir, *this);
}

} // namespace tarrow
