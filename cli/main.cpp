// tarrow-cli: the run of the window's "Load Websites" (or of -start) without a window; the log
// goes to standard output.
#include "base/uExceptions.h"
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
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace tarrow;

namespace {

const char HelpText[] =
    "Usage: tarrow-cli [settings switches] [-outdir DIR] [-proxy URL] [-connections N]\n"
    "                  [-start NAMES]\n"
    "\n"
    "Loads the checked projects of the settings file (or the projects named by -start)\n"
    "into the output folder, writing the run log to standard output.\n"
    "\n"
    "  -appsettingsdir     read tarrow.ini from the program's folder\n"
    "  -usersettingsdir    read tarrow.ini from the per-user folder (the default)\n"
    "  -settingsdir DIR    read tarrow.ini from DIR\n"
    "  -config FILE        read FILE instead of tarrow.ini; a bare name is read from the\n"
    "                      program's folder (from DIR with -settingsdir)\n"
    "  -outdir DIR         the output folder ({OutDir}) instead of the file's OutDir\n"
    "  -proxy URL          send every request through URL instead of the file's Proxy:\n"
    "                      http://, socks4:// or socks5://[user:password@]host:port\n"
    "  -connections N      transfers at once (1 to 16) for every project of this run\n"
    "  -start NAMES        run the projects named in the comma-separated list NAMES\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "\n"
    "Exit status: 0 when the run ended, 1 when a project name was not found,\n"
    "2 for a usage error, an unreadable or missing -config file or a run ended by an error.\n"
    "-settingsdir or -config without a value (the last argument) is ignored.\n"
    "Ctrl+C or SIGTERM stops the run, aborting the transfer under way; a second Ctrl+C ends at\n"
    "once.\n";

TBreakFlag* GBreakFlag = nullptr;

extern "C" void OnStopSignal(int ASignal) {
    if (ASignal == SIGINT && GBreakFlag->IsSet()) {
        RemoveActiveTemporaryFile(); // the save under way leaves no hidden temporary
        _exit(130);
    }
    GBreakFlag->Set();
}

void InstallStopHandlers(TBreakFlag& AFlag) {
    GBreakFlag = &AFlag;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Fail(const QString& AMessage) {
    std::fprintf(stderr, "%s\n", AMessage.toLocal8Bit().constData());
    return 2;
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
    options.Proxy = ACommandLine.HasProxy ? ACommandLine.Proxy : settings.Proxy;
    options.Connections = ACommandLine.Connections;
    try {
        ParseProxyURL(options.Proxy); // the file's value; -proxy was checked with the arguments
    } catch (const EProxyURLError& E) {
        return Fail(QStringLiteral("Proxy: ") + E.Message());
    }

    TTarrowEngine engine(options);
    TStreamLogSink sink(stdout);
    InstallStopHandlers(engine.Terminated());
    // Nothing else happens meanwhile: the run needs no thread of its own here.
    const std::optional<QString> names =
        ACommandLine.HasStart ? std::optional(ACommandLine.StartNames) : std::nullopt;
    const TRunResult result = engine.Run(settings.Projects, outDir, names, &sink);
    if (result.Failed)
        return Fail(result.ErrorMessage);
    return result.NamesFound ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    const TLibSSLLoader sslLibraries; // the TLS libraries stay loaded for the whole run
    QCoreApplication app(argc, argv);
    const TCommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
    if (!commandLine.Error.isEmpty()) {
        std::fprintf(stderr, "tarrow-cli: %s\n\n%s", commandLine.Error.toLocal8Bit().constData(),
                     HelpText);
        return 2;
    }
    if (commandLine.Help) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (commandLine.Version) {
        std::printf("tarrow-cli %s\n", TarrowVersion);
        return 0;
    }
    return Run(commandLine);
}
