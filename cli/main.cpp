#include "engine/TarrowVersion.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

const char HelpText[] =
    "Usage: tarrow-cli [settings switches] [-outdir DIR] [-start NAMES]\n"
    "\n"
    "Loads the checked projects of the settings file (or the projects named by -start)\n"
    "into the output folder, writing the run log to standard output.\n"
    "\n"
    "  -appsettingsdir     read tarrow.ini from the program's folder\n"
    "  -usersettingsdir    read tarrow.ini from the per-user folder (the default)\n"
    "  -settingsdir DIR    read tarrow.ini from DIR\n"
    "  -config FILE        read FILE instead of tarrow.ini\n"
    "  -outdir DIR         the output folder ({OutDir}) instead of the file's OutDir\n"
    "  -start NAMES        run the projects named in the comma-separated list NAMES\n"
    "  --help              show this text\n"
    "  --version           show the version\n";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--help"))) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("tarrow-cli %s\n", tarrow::TarrowVersion);
        return 0;
    }
    std::fputs("tarrow-cli: runs arrive with the crawl engine; see --help.\n", stderr);
    return 2;
}
