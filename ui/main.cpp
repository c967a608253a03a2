// tarrow: the desktop program.
#include "http/LibSSLUnit.h"
#include "project/uAppSettings.h"
#include "ui/ScreenshotTour.h"
#include "ui/SignalCloseUnit.h"
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
    options.SettingsFile = GetConfigFileName(true);
    options.SettingsSaveFile = GetConfigFileName(false);
    TTarrowMainForm window(std::move(options));
    // A session's end or Ctrl+C in a terminal closes the window as "Close" does: settings saved.
    TSignalClose signalClose(&window);
    window.show();
    StartScreenshotTourIfAsked(window);
    return app.exec();
}
