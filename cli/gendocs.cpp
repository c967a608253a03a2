// Writes the manual pages and the shell completions of the programs, at build time, from the
// switch table: tarrow-gendocs FOLDER.
#include "engine/SwitchDocsUnit.h"

#include <QDir>
#include <QFile>
#include <cstdio>

using namespace tarrow;

namespace {

bool WriteFile(const QDir& AFolder, const QString& AName, const QString& AText) {
    QFile file(AFolder.filePath(AName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(AText.toUtf8()) < 0) {
        std::fprintf(stderr, "tarrow-gendocs: cannot write %s\n",
                     QFile::encodeName(file.fileName()).constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("Usage: tarrow-gendocs FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(QFile::decodeName(argv[1]));
    const bool written =
        WriteFile(folder, QStringLiteral("tarrow-cli.1"), ManualPage(spCli)) &&
        WriteFile(folder, QStringLiteral("tarrow.1"), ManualPage(spWindow)) &&
        WriteFile(folder, QStringLiteral("tarrow-cli.bash"), BashCompletion(spCli)) &&
        WriteFile(folder, QStringLiteral("_tarrow-cli"), ZshCompletion(spCli));
    return written ? 0 : 1;
}
