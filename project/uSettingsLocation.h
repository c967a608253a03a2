#pragma once

#include "base/uPathUtils.h"

#include <QString>

namespace tarrow {

// What the switches -appsettingsdir, -usersettingsdir, -settingsdir DIR and -config FILE chose;
// the command line is read once, by ParseCommandLine (engine/CommandLineUnit.h).
struct TSettingsSwitches {
    enum TMode { smPerUser, smAppFolder, smGivenFolder };
    TMode Mode = smPerUser;
    QString GivenFolder;   // cut to 260 characters
    QString GivenFileName; // cut to 260 characters
};

// Where the settings file lives. The application folder and the per-user base folder (the
// platform's roaming application-data folder; empty when it cannot be determined) are passed in,
// so tests can use temporary folders. Folder texts are joined with the separator of AReading.
class TSettingsLocation final {
public:
    using TMode = TSettingsSwitches::TMode;
    static constexpr TMode smPerUser = TSettingsSwitches::smPerUser;
    static constexpr TMode smAppFolder = TSettingsSwitches::smAppFolder;
    static constexpr TMode smGivenFolder = TSettingsSwitches::smGivenFolder;

    TSettingsLocation(const TSettingsSwitches& ASwitches, QString AAppFolder,
                      QString AUserBaseFolder, TPathReading AReading = NativePathReading());

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

    TPathReading FPathReading;
    TMode FMode = smPerUser;
    QString FGivenFolder;
    QString FGivenFileName;
    QString FAppFolder;
    QString FUserBaseFolder;
};

// The per-user base folder of this platform: $XDG_CONFIG_HOME when it is absolute, else
// ~/.config on Linux; the roaming application-data folder on Windows. Empty when unknown.
QString PlatformUserBaseFolder();

// The location of this program for the switches it was started with: the application folder is
// the executable's, the per-user base folder the platform's.
TSettingsLocation ProgramSettingsLocation(const TSettingsSwitches& ASwitches);
// The settings file that -config named when it does not exist (for a clear error instead of an
// empty run); empty when -config was not given or the file is there.
QString MissingGivenConfigFile(const TSettingsLocation& ALocation);

} // namespace tarrow
