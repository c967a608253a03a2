#pragma once

#include <QString>
#include <QStringList>

namespace tarrow {

// Where the settings file lives. The switches -appsettingsdir, -usersettingsdir, -settingsdir DIR
// and -config FILE are read once, from the arguments given here (without the program name).
// The application folder and the per-user base folder (the platform's roaming application-data
// folder; empty when it cannot be determined) are passed in, so tests can use temporary folders.
// Folder texts are joined with the separator of the current path reading.
class TSettingsLocation final {
public:
    enum TMode { smPerUser, smAppFolder, smGivenFolder };

    TSettingsLocation(const QStringList& AArguments, QString AAppFolder, QString AUserBaseFolder);

    TMode Mode() const { return FMode; }
    const QString& GivenFolder() const { return FGivenFolder; }
    const QString& GivenFileName() const { return FGivenFileName; }
    const QString& AppFolder() const { return FAppFolder; }

    // The settings folder without a trailing separator; in per-user mode SubFolder below the base
    // folder, created (and then seeded with the files of the application folder matching the
    // ";"-separated wildcards of ConfigFiles) when it is missing.
    QString GetAppDataDir(const QString& ASubFolder, const QString& AConfigFiles) const;
    // The full path of the settings file (a name with a drive, or absolute, stands as it is).
    QString GetAppConfigPath(const QString& ADefAppConfigFile, const QString& AAppDataDir) const;
    // The settings file: reading seeds a new per-user folder with tarrow.ini, writing does not.
    QString GetConfigFileName(bool ACopyDefaults) const;

private:
    void SeedFolder(const QString& AFolder, const QString& AConfigFiles) const;

    TMode FMode = smPerUser;
    QString FGivenFolder;
    QString FGivenFileName;
    QString FAppFolder;
    QString FUserBaseFolder;
};

// The per-user base folder of this platform: $XDG_CONFIG_HOME when it is absolute, else
// ~/.config on Linux; the roaming application-data folder on Windows. Empty when unknown.
QString PlatformUserBaseFolder();

// The settings file that -config named when it does not exist (for a clear error instead of an
// empty run); empty when -config was not given or the file is there.
QString MissingGivenConfigFile(const TSettingsLocation& ALocation);

// The location of this process, worked out at the first call from QCoreApplication::arguments()
// and the executable's folder, and fixed from then on.
const TSettingsLocation& ProcessSettingsLocation();

} // namespace tarrow
