#include "project/uSettingsLocation.h"

#include "base/uPathUtils.h"
#include "base/uStrUtils.h"
#include "project/uAppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarrow {

namespace {

// Drops characters of code 32 or less at both ends.
QStringView TrimLow(QStringView S) {
    while (!S.isEmpty() && S.front().unicode() <= 32)
        S = S.mid(1);
    while (!S.isEmpty() && S.back().unicode() <= 32)
        S.chop(1);
    return S;
}

bool SameChar(QChar A, QChar B, bool AIgnoreCase) {
    if (AIgnoreCase)
        return AsciiFold(A.unicode()) == AsciiFold(B.unicode());
    return A == B;
}

// "*" matches any run of characters, "?" any one character.
bool WildcardMatch(QStringView APattern, QStringView AName, bool AIgnoreCase) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < AName.size()) {
        if (p < APattern.size() && APattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < APattern.size() &&
                   (APattern[p] == u'?' || SameChar(APattern[p], AName[n], AIgnoreCase))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < APattern.size() && APattern[p] == u'*')
        ++p;
    return p == APattern.size();
}

// A sub-folder that begins with a separator is appended without adding another.
QString JoinSubFolder(const QString& AFolder, const QString& ASubFolder, TPathReading AReading) {
    if (ASubFolder.startsWith(PathDelim(AReading)))
        return AFolder + ASubFolder;
    return AFolder + PathDelim(AReading) + ASubFolder;
}

} // namespace

TSettingsLocation::TSettingsLocation(const TSettingsSwitches& ASwitches, QString AAppFolder,
                                     QString AUserBaseFolder, TPathReading AReading)
    : FPathReading(AReading), FMode(ASwitches.Mode), FGivenFolder(ASwitches.GivenFolder),
      FGivenFileName(ASwitches.GivenFileName), FAppFolder(std::move(AAppFolder)),
      FUserBaseFolder(std::move(AUserBaseFolder)) {}

QString TSettingsLocation::GetAppDataDir(const QString& ASubFolder,
                                         const QString& AConfigFiles) const {
    if (FMode == smAppFolder)
        return FAppFolder;
    if (FMode == smGivenFolder)
        return FGivenFolder;
    if (FUserBaseFolder.isEmpty() || ASubFolder.isEmpty())
        return FAppFolder;
    const QString folder = JoinSubFolder(FUserBaseFolder, ASubFolder, FPathReading);
    if (QFileInfo(folder).isDir())
        return folder;
    if (!QDir().mkpath(folder))
        return FAppFolder;
    if (!AConfigFiles.isEmpty())
        SeedFolder(folder, AConfigFiles);
    return folder;
}

void TSettingsLocation::SeedFolder(const QString& AFolder, const QString& AConfigFiles) const {
    const bool ignoreCase = FPathReading == TPathReading::prWindows;
    // Ordinary files only: no folders, no hidden files, no sockets, pipes or devices.
    const QFileInfoList files =
        QDir(FAppFolder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (QStringView piece : QStringView(AConfigFiles).split(u';')) {
        piece = TrimLow(piece);
        if (piece.isEmpty())
            continue;
        for (const QFileInfo& file : files) {
            const QString name = file.fileName();
            if (!WildcardMatch(piece, name, ignoreCase))
                continue;
            const QString target = AFolder + PathDelim(FPathReading) + name;
            // QFile::copy never replaces an existing file; a failed copy is ignored. The copy is
            // the user's own settings file, private like one the program saves anew.
            if (!QFileInfo::exists(target) && QFile::copy(file.absoluteFilePath(), target))
                QFile::setPermissions(target, PrivateFilePermissions);
        }
    }
}

QString TSettingsLocation::GetAppConfigPath(const QString& ADefAppConfigFile,
                                            const QString& AAppDataDir) const {
    const QString name = FGivenFileName.isEmpty() ? ADefAppConfigFile : FGivenFileName;
    if (IsAbsolutePath(name, FPathReading))
        return name;
    if (!AAppDataDir.isEmpty())
        return AAppDataDir + PathDelim(FPathReading) + name;
    if (FMode == smGivenFolder && !FGivenFolder.isEmpty())
        return FGivenFolder + PathDelim(FPathReading) + name;
    return name;
}

QString TSettingsLocation::GetConfigFileName(bool ACopyDefaults) const {
    const QString configFile = QStringLiteral("tarrow.ini");
    return GetAppConfigPath(configFile, GetAppDataDir(QStringLiteral("Tarrow"),
                                                      ACopyDefaults ? configFile : QString()));
}

QString PlatformUserBaseFolder() {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(qEnvironmentVariable("APPDATA"));
#else
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (xdg.startsWith(u'/'))
        return QDir::cleanPath(xdg);
    const QString home = QDir::homePath();
    if (home.isEmpty())
        return QString();
    return QDir::cleanPath(home + QStringLiteral("/.config"));
#endif
}

TSettingsLocation ProgramSettingsLocation(const TSettingsSwitches& ASwitches) {
    QString appFolder;
    if (QCoreApplication::instance() != nullptr)
        appFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    return TSettingsLocation(ASwitches, appFolder, PlatformUserBaseFolder());
}

QString MissingGivenConfigFile(const TSettingsLocation& ALocation) {
    if (ALocation.GivenFileName().isEmpty())
        return QString();
    const QString path = ALocation.GetConfigFileName(false);
    return QFileInfo::exists(path) ? QString() : path;
}

} // namespace tarrow
