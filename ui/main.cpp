// tarrow: the desktop program. Built a second time as tarrow-screenshots, which walks through
// the windows for the documentation's pictures.
#include "engine/CommandLineUnit.h"
#include "engine/SwitchDocsUnit.h"
#include "engine/TarrowVersion.h"
#include "http/LibSSLUnit.h"
#include "project/uSettingsLocation.h"
#include "ui/SignalCloseUnit.h"
#include "ui/SingleInstanceUnit.h"
#include "ui/TarrowMainUnit.h"
#include "ui/TranslationUnit.h"
#ifdef TARROW_SCREENSHOT_TOUR
#include "ui/ScreenshotTour.h"
#endif

#include <QApplication>
#include <QIcon>
#include <cstdio>

using namespace tarrow;

namespace {

// --help and --version print without a window, so they work without a display too.
bool AnsweredWithoutWindow(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const TCommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.Help)
        std::fputs(WindowHelpText().toLocal8Bit().constData(), stdout);
    else if (commandLine.Version)
        std::printf("tarrow %s\n", TarrowVersion);
    return commandLine.Help || commandLine.Version;
}

} // namespace

int main(int argc, char* argv[]) {
    if (AnsweredWithoutWindow(argc, argv))
        return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarrow"));
    QApplication::setDesktopFileName(QStringLiteral("tarrow"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tarrow.png")));
    TLibSSLLoader sslLoader;
    // The window speaks the desktop's language where it has a translation (the question about a
    // settings file open elsewhere comes before the window, so this comes first).
    TTranslations translations(QLocale::system());

    TMainFormOptions options;
    options.Arguments = QApplication::arguments();
    const TSettingsLocation location =
        ProgramSettingsLocation(ParseCommandLine(options.Arguments).Settings);
    options.SettingsFile = location.GetConfigFileName(true);
    options.SettingsSaveFile = location.GetConfigFileName(false);
    // One window per settings file: a second one brings the first forward or only reads.
    TSingleInstance instance(options.SettingsSaveFile);
    const TOpenMode mode = ClaimSettingsFile(instance, options.SettingsSaveFile, AskOpenChoice);
    if (mode == TOpenMode::omExit)
        return 0;
    options.ReadOnly = mode == TOpenMode::omReadOnly;
    TTarrowMainForm window(std::move(options));
    instance.SetWindow(&window);
    // A session's end or Ctrl+C in a terminal closes the window as "Close" does: settings saved,
    // or, when they cannot be, reported on stderr without a question nobody may answer.
    TSignalClose signalClose(&window, [&window] { window.CloseBySignal(); });
    window.show();
#ifdef TARROW_SCREENSHOT_TOUR
    StartScreenshotTourIfAsked(window);
#endif
    return app.exec();
}
