// tarrow: the desktop program.
#include "http/LibSSLUnit.h"
#include "engine/CommandLineUnit.h"
#include "project/uSettingsLocation.h"
#include "ui/ScreenshotTour.h"
#include "ui/TarrowMainUnit.h"

#include <QApplication>
#include <QIcon>

using namespace tarrow;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarrow"));
    QApplication::setDesktopFileName(QStringLiteral("tarrow"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tarrow.png")));
    TLibSSLLoader sslLoader;

    TMainFormOptions options;
    options.Arguments = QApplication::arguments();
    const TSettingsLocation location =
        ProgramSettingsLocation(ParseCommandLine(options.Arguments).Settings);
    options.SettingsFile = location.GetConfigFileName(true);
    options.SettingsSaveFile = location.GetConfigFileName(false);
    TTarrowMainForm window(std::move(options));
    window.show();
    StartScreenshotTourIfAsked(window);
    return app.exec();
}
