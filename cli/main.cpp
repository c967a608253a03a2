// tarrow-cli: the run of the window's "Load Websites" (or of -start) without a window; the log
// goes to standard output.
#include "base/uExceptions.h"
#include "base/uRunContext.h"
#include "engine/CommandLineUnit.h"
#include "engine/LogSinksUnit.h"
#include "engine/SwitchDocsUnit.h"
#include "engine/TarrowEngineUnit.h"
#include "engine/TarrowVersion.h"
#include "engine/uFileUtils.h"
#include "http/LibSSLUnit.h"
#include "http/uProxyURL.h"
#include "project/SettingsUnit.h"
#include "project/WebsiteUnit.h"
#include "project/uSettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace tarrow;

namespace {

enum TExitStatus {
    esSucceeded = 0,
    esNameNotFound = 1,
    esError = 2,
    esURLsFailed = 3,
    esTerminated = 4,
    esNoReply = 5,
    esSecondInterrupt = 130,
};

QByteArray HelpText() {
    return CliHelpText().toLocal8Bit();
}

// A stop signal may come before there is a run to stop: it is kept here until the run's break
// flag is published, and the flag is checked once more after that.
std::atomic<bool> GStopRequested{false};
std::atomic<TBreakFlag*> GRunBreakFlag{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free &&
              std::atomic<TBreakFlag*>::is_always_lock_free);

extern "C" void OnStopSignal(int ASignal) {
    const bool again = GStopRequested.exchange(true);
    if (ASignal == SIGINT && again) {
        RemoveActiveTemporaryFile(); // the save under way leaves no hidden temporary
        _exit(esSecondInterrupt);
    }
    if (TBreakFlag* flag = GRunBreakFlag.load())
        flag->Set();
}

// First thing in main, so that no Ctrl+C finds the default action. The signals are unblocked
// too: one blocked by the parent would wait unseen for the whole run.
void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART; // reading the settings file is not cut short
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

// Publishes the run's break flag to the stop signals while it lives.
class TStopSignalTarget final {
public:
    explicit TStopSignalTarget(TBreakFlag& AFlag) {
        GRunBreakFlag.store(&AFlag);
        if (GStopRequested.load())
            AFlag.Set();
    }
    ~TStopSignalTarget() { GRunBreakFlag.store(nullptr); }
    TStopSignalTarget(const TStopSignalTarget&) = delete;
    TStopSignalTarget& operator=(const TStopSignalTarget&) = delete;
};

// Overwrites the password of every URL in the arguments themselves (-proxy's, --proxy=, a web
// address's), so that the list of processes does not show it during the run.
void HideProxyPassword(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        char* value = argv[i];
        const size_t length = std::strlen(value);
        const QByteArray hidden = HideURLPasswords(QString::fromLocal8Bit(value)).toLocal8Bit();
        if (hidden == value)
            continue;
        // "***" may be longer than a short password: the end of the host is cut then.
        const size_t kept = std::min(length, size_t(hidden.size()));
        std::memcpy(value, hidden.constData(), kept);
        std::memset(value + kept, 0, length - kept);
    }
}

int Fail(const QString& AMessage) {
    std::fprintf(stderr, "%s\n", HideURLPasswords(AMessage).toLocal8Bit().constData());
    return esError;
}

// The run's proxy: -proxy, else TARROW_PROXY, else the file's.
bool ChooseProxy(const TCommandLine& ACommandLine, const QString& AFileProxy, QString& AProxy,
                 QString& AError) {
    const QString fromEnvironment = qEnvironmentVariable("TARROW_PROXY");
    QString source = QStringLiteral("Proxy: ");
    if (ACommandLine.HasProxy) {
        AProxy = ACommandLine.Proxy;
    } else if (!fromEnvironment.isEmpty()) {
        AProxy = fromEnvironment;
        source = QStringLiteral("TARROW_PROXY: ");
    } else {
        AProxy = AFileProxy;
    }
    try {
        ParseProxyURL(AProxy); // -proxy was checked with the arguments already
    } catch (const EProxyURLError& E) {
        AError = source + E.Message();
        return false;
    }
    return true;
}

int ExitStatus(const TRunResult& AResult) {
    if (AResult.Failed)
        return Fail(AResult.ErrorMessage);
    if (AResult.Terminated)
        return esTerminated;
    if (!AResult.NamesFound)
        return esNameNotFound;
    if (AResult.NoReplyAtAll())
        return esNoReply;
    return AResult.FailedURLs > 0 ? esURLsFailed : esSucceeded;
}

// The folder a site of a one-off run goes to: -o DIR for a single address, else a folder named
// after the host in -o DIR or in the current folder.
QString OneOffFolder(const TCommandLine& ACommandLine, const QString& AHost) {
    const QDir base(ACommandLine.HasOutDir ? ACommandLine.OutDir : QDir::currentPath());
    if (ACommandLine.HasOutDir && ACommandLine.URLs.size() == 1)
        return base.absolutePath();
    return base.absoluteFilePath(AHost);
}

// The project of a one-off run: Add's presets, links relative so that the copy moves with its
// folder, then the command line's project options.
std::unique_ptr<TWebsiteProject> OneOffProject(const TCommandLine& ACommandLine,
                                               const QString& AURL, const QString& AName) {
    auto project = std::make_unique<TWebsiteProject>(TWebsiteProject::NewProject(QString()));
    project->SetProjectName(AName);
    project->SetWebsiteURL(AURL);
    project->SetOutputFolder(OneOffFolder(ACommandLine, QUrl(AURL).host()));
    project->SetRelativePathLinks(true);
    project->SetChecked(true);
    ApplyProjectOptions(ACommandLine.ProjectOptions, *project);
    return project;
}

// Each address a project named after its host ("host-2" for the second of one host).
void AddOneOffProjects(const TCommandLine& ACommandLine, TWebsiteProjectList& AProjects) {
    for (const QString& url : ACommandLine.URLs) {
        const QString host = QUrl(url).host();
        QString name = host;
        for (int n = 2; AProjects.FindProject(name); ++n)
            name = host + u'-' + QString::number(n);
        AProjects.AddProject(OneOffProject(ACommandLine, url, name));
    }
}

FILE* OpenLogFile(const QString& APath) {
    return APath.isEmpty() ? nullptr : std::fopen(QFile::encodeName(APath).constData(), "a");
}

struct TFileCloser {
    void operator()(FILE* AFile) const {
        if (AFile)
            std::fclose(AFile);
    }
};

int RunProjects(const TCommandLine& ACommandLine, const TWebsiteProjectList& AProjects,
                const QString& AOutDir, const std::optional<QString>& ANames,
                const QString& AFileProxy) {
    TRunOptions options;
    options.Connections = ACommandLine.Connections;
    options.WarcFile = ACommandLine.WarcFile;
    options.ContinueRun = ACommandLine.Continue;
    options.WireDetails = ACommandLine.Verbose;
    QString proxyError;
    if (!ChooseProxy(ACommandLine, AFileProxy, options.Proxy, proxyError))
        return Fail(proxyError);
    const std::unique_ptr<FILE, TFileCloser> logFile(OpenLogFile(ACommandLine.LogFile));
    if (!ACommandLine.LogFile.isEmpty() && !logFile)
        return Fail(QStringLiteral("Cannot open file \"%1\".").arg(ACommandLine.LogFile));

    TConsoleLogOptions logOptions;
    logOptions.Quiet = ACommandLine.Quiet && !ACommandLine.Verbose;
    logOptions.Json = ACommandLine.JsonLog;
    logOptions.LogFile = logFile.get();
    const bool progress = ACommandLine.Progress == psBar || ACommandLine.Progress == psDots ||
                          (ACommandLine.Progress == psAuto && isatty(STDERR_FILENO) == 1);
    logOptions.Progress = progress ? stderr : nullptr;
    logOptions.Dots = ACommandLine.Progress == psDots;

    TTarrowEngine engine(options);
    TConsoleLogSink sink(stdout, logOptions);
    const TStopSignalTarget stopTarget(engine.Terminated());
    if (engine.Terminated().IsSet()) {
        sink.LogMsg(QStringLiteral("Terminated.")); // stopped before the run began
        sink.Finish(esTerminated);
        return esTerminated;
    }
    // Nothing else happens meanwhile: the run needs no thread of its own here.
    const TRunResult result = engine.Run(AProjects, AOutDir, ANames, &sink);
    const int status = ExitStatus(result);
    sink.Finish(status);
    return status;
}

// Neither an address nor a settings file: what was looked for, and how to start.
int NoSettingsFile(const QString& APath) {
    return Fail(QStringLiteral("No settings file: %1\n"
                               "Give a web address to copy a site (tarrow-cli "
                               "https://example.org/), or the folder of a settings file with "
                               "-settingsdir DIR.")
                    .arg(APath));
}

// --save-project: the address's project joins the file, which is saved before the run.
int SaveProject(const TCommandLine& ACommandLine, TSettingsModel& ASettings, const QString& APath) {
    if (ASettings.Projects.FindProject(ACommandLine.SaveProject))
        return Fail(
            QStringLiteral("A project named \"%1\" exists already.").arg(ACommandLine.SaveProject));
    std::unique_ptr<TWebsiteProject> project =
        OneOffProject(ACommandLine, ACommandLine.URLs.first(), ACommandLine.SaveProject);
    project->SetChecked(false);
    ASettings.Projects.AddProject(std::move(project));
    try {
        QDir().mkpath(QFileInfo(APath).absolutePath());
        const QString notice = SaveSettings(ASettings, APath);
        if (!notice.isEmpty())
            std::fprintf(stderr, "%s\n", notice.toLocal8Bit().constData());
    } catch (const std::exception& E) {
        return Fail(ExceptionMessage(E));
    }
    const QString outDir = ASettings.OutDir.isEmpty() ? QDir::currentPath() : ASettings.OutDir;
    return RunProjects(ACommandLine, ASettings.Projects, outDir, ACommandLine.SaveProject,
                       ASettings.Proxy);
}

int Run(const TCommandLine& ACommandLine) {
    if (!ACommandLine.URLs.isEmpty() && ACommandLine.SaveProject.isEmpty()) {
        TWebsiteProjectList projects;
        AddOneOffProjects(ACommandLine, projects);
        return RunProjects(ACommandLine, projects, QDir::currentPath(), std::nullopt, QString());
    }
    const TSettingsLocation location = ProgramSettingsLocation(ACommandLine.Settings);
    const QString missing = MissingGivenConfigFile(location);
    if (!missing.isEmpty())
        return Fail(QStringLiteral("Settings file not found: ") + missing);
    const QString path = location.GetConfigFileName(true);
    if (ACommandLine.URLs.isEmpty() && !QFileInfo::exists(path))
        return NoSettingsFile(path);
    TSettingsModel settings;
    try {
        LoadSettings(settings, path);
    } catch (const std::exception& E) {
        return Fail(ExceptionMessage(E));
    }
    if (!ACommandLine.SaveProject.isEmpty())
        return SaveProject(ACommandLine, settings, path);
    const QString outDir = ACommandLine.HasOutDir ? ACommandLine.OutDir : settings.OutDir;
    if (outDir.isEmpty())
        return Fail(QStringLiteral("Please, enter Output Folder"));
    if (!ACommandLine.HasStart && settings.Projects.CheckedVisibleCount() == 0)
        return Fail(QStringLiteral("Please, check one or more projects."));
    // The command line's project options hold for this run only; the file is not written.
    for (int i = 0; i < settings.Projects.Count(); ++i)
        ApplyProjectOptions(ACommandLine.ProjectOptions, *settings.Projects.GetProject(i));
    const std::optional<QString> names =
        ACommandLine.HasStart ? std::optional(ACommandLine.StartNames) : std::nullopt;
    return RunProjects(ACommandLine, settings.Projects, outDir, names, settings.Proxy);
}

} // namespace

int main(int argc, char* argv[]) {
    InstallStopHandlers();
    const TLibSSLLoader sslLibraries; // the TLS libraries stay loaded for the whole run
    QCoreApplication app(argc, argv);
    const TCommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
    HideProxyPassword(argc, argv);
    if (!commandLine.Error.isEmpty()) {
        std::fprintf(stderr, "tarrow-cli: %s\nTry \"tarrow-cli --help\" for the switches.\n",
                     HideURLPasswords(commandLine.Error).toLocal8Bit().constData());
        return esError;
    }
    if (commandLine.Help) {
        std::fputs(HelpText().constData(), stdout);
        return esSucceeded;
    }
    if (commandLine.Version) {
        std::printf("tarrow-cli %s\n", TarrowVersion);
        return esSucceeded;
    }
    return Run(commandLine);
}
