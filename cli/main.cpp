// tarrow-cli: the run of the window's "Load Websites" (or of -start) without a window; the log
// goes to standard output.
#include "base/uExceptions.h"
#include "base/uRunContext.h"
#include "engine/CommandLineUnit.h"
#include "engine/LogSinksUnit.h"
#include "engine/TarrowEngineUnit.h"
#include "engine/TarrowVersion.h"
#include "engine/uFileUtils.h"
#include "http/LibSSLUnit.h"
#include "http/uProxyURL.h"
#include "project/SettingsUnit.h"
#include "project/uSettingsLocation.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace tarrow;

namespace {

enum TExitStatus {
    esSucceeded = 0,
    esNameNotFound = 1,
    esError = 2,
    esURLsFailed = 3,
    esTerminated = 4,
    esSecondInterrupt = 130,
};

const char Description[] =
    "\n"
    "Loads the checked projects of the settings file (or the projects named by -start)\n"
    "into the output folder, writing the run log to standard output.\n"
    "\n";

const char Epilogue[] =
    "\n"
    "Exit status: 0 when the run ended and no URL of it failed (already existing and\n"
    "unchanged files count as loaded); 1 when a project name was not found; 2 for a\n"
    "usage error, an unreadable or missing -config file or a run ended by an error;\n"
    "3 when one or more URLs failed; 4 when Ctrl+C or SIGTERM stopped the run. The\n"
    "first that applies of 2, 4, 1, 3 is the status.\n"
    "-settingsdir or -config without a value (the last argument) is ignored.\n"
    "Ctrl+C or SIGTERM stops the run, aborting the transfer under way; a second Ctrl+C ends at\n"
    "once (status 130).\n";

QByteArray HelpText() {
    const QByteArray usage = "Usage: tarrow-cli ";
    return usage + SwitchUsage(spCli, int(usage.size()), int(usage.size())).toLocal8Bit() + '\n' +
           Description + SwitchHelp(spCli).toLocal8Bit() + Epilogue;
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

// Overwrites the password of -proxy's value in the arguments themselves, so that the list of
// processes does not show it during the run.
void HideProxyPassword(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]).compare(u"-proxy", Qt::CaseInsensitive) != 0)
            continue;
        char* value = argv[++i];
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
bool ChooseProxy(const TCommandLine& ACommandLine, const TSettingsModel& ASettings, QString& AProxy,
                 QString& AError) {
    const QString fromEnvironment = qEnvironmentVariable("TARROW_PROXY");
    QString source = QStringLiteral("Proxy: ");
    if (ACommandLine.HasProxy) {
        AProxy = ACommandLine.Proxy;
    } else if (!fromEnvironment.isEmpty()) {
        AProxy = fromEnvironment;
        source = QStringLiteral("TARROW_PROXY: ");
    } else {
        AProxy = ASettings.Proxy;
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
    return AResult.FailedURLs > 0 ? esURLsFailed : esSucceeded;
}

int Run(const TCommandLine& ACommandLine) {
    const TSettingsLocation location = ProgramSettingsLocation(ACommandLine.Settings);
    const QString missing = MissingGivenConfigFile(location);
    if (!missing.isEmpty())
        return Fail(QStringLiteral("Settings file not found: ") + missing);
    TSettingsModel settings;
    try {
        LoadSettings(settings, location.GetConfigFileName(true));
    } catch (const std::exception& E) {
        return Fail(ExceptionMessage(E));
    }
    const QString outDir = ACommandLine.HasOutDir ? ACommandLine.OutDir : settings.OutDir;
    if (outDir.isEmpty())
        return Fail(QStringLiteral("Please, enter Output Folder"));
    if (!ACommandLine.HasStart && settings.Projects.CheckedVisibleCount() == 0)
        return Fail(QStringLiteral("Please, check one or more projects."));

    TRunOptions options;
    options.Connections = ACommandLine.Connections;
    options.ContinueRun = ACommandLine.Continue;
    QString proxyError;
    if (!ChooseProxy(ACommandLine, settings, options.Proxy, proxyError))
        return Fail(proxyError);

    TTarrowEngine engine(options);
    TStreamLogSink sink(stdout);
    const TStopSignalTarget stopTarget(engine.Terminated());
    if (engine.Terminated().IsSet()) {
        sink.LogMsg(QStringLiteral("Terminated.")); // stopped before the run began
        return esTerminated;
    }
    // Nothing else happens meanwhile: the run needs no thread of its own here.
    const std::optional<QString> names =
        ACommandLine.HasStart ? std::optional(ACommandLine.StartNames) : std::nullopt;
    return ExitStatus(engine.Run(settings.Projects, outDir, names, &sink));
}

} // namespace

int main(int argc, char* argv[]) {
    InstallStopHandlers();
    const TLibSSLLoader sslLibraries; // the TLS libraries stay loaded for the whole run
    QCoreApplication app(argc, argv);
    const TCommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
    HideProxyPassword(argc, argv);
    if (!commandLine.Error.isEmpty()) {
        std::fprintf(stderr, "tarrow-cli: %s\n\n%s",
                     HideURLPasswords(commandLine.Error).toLocal8Bit().constData(),
                     HelpText().constData());
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
