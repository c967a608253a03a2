#include "base/uPathUtils.h"
#include "engine/CommandLineUnit.h"
#include "project/uSettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

void WriteFile(const QString& APath, const QByteArray& AData) {
    QFile f(APath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << APath.toStdString();
    f.write(AData);
}

QByteArray ReadFile(const QString& APath) {
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A temporary application folder with a few files, and a per-user base folder that does not
// exist yet; everything in the Linux reading.
class SettingsLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Root.isValid());
        App = Root.filePath(QStringLiteral("Tools"));
        Base = Root.filePath(QStringLiteral("home/.config"));
        User = Base + QStringLiteral("/Tarrow");
        ASSERT_TRUE(QDir().mkpath(App + QStringLiteral("/sub.ini")));
        WriteFile(App + QStringLiteral("/tarrow.ini"), "OutDir=app\r\n");
        WriteFile(App + QStringLiteral("/other.ini"), "x");
        WriteFile(App + QStringLiteral("/.hidden.ini"), "x");
        WriteFile(App + QStringLiteral("/readme.txt"), "x");
    }
    // The location the programs compute from their parsed command line.
    TSettingsLocation Location(const QStringList& AArgs) const {
        return TSettingsLocation(Switches(AArgs), App, Base, TPathReading::prLinux);
    }
    static TSettingsSwitches Switches(const QStringList& AArgs) {
        return ParseCommandLine(QStringList{QStringLiteral("prog")} + AArgs).Settings;
    }
    // "{app}", "{user}" and "{root}" in a text become the folders of this test.
    QString Expand(const char* AText) const {
        QString s = QString::fromUtf8(AText);
        s.replace(u"{app}"_s, App).replace(u"{user}"_s, User).replace(u"{root}"_s, Root.path());
        return s;
    }

    QTemporaryDir Root;
    QString App, Base, User;
};

} // namespace

TEST_F(SettingsLocationTest, SwitchesChooseTheSettingsFile) {
    struct Row {
        std::vector<const char*> args;
        const char* file;
    };
    const Row rows[] = {
        {{}, "{user}/tarrow.ini"},
        {{"-usersettingsdir"}, "{user}/tarrow.ini"},
        {{"-appsettingsdir"}, "{app}/tarrow.ini"},
        {{"-settingsdir", "{root}/Cfg"}, "{root}/Cfg/tarrow.ini"},
        {{"-config", "my.ini"}, "{app}/my.ini"},
        {{"-usersettingsdir", "-config", "my.ini"}, "{app}/my.ini"},
        {{"-config", "my.ini", "-usersettingsdir"}, "{user}/my.ini"},
        {{"-settingsdir", "{root}/Cfg", "-config", "my.ini"}, "{root}/Cfg/my.ini"},
        {{"-config", "{root}/x/my.ini"}, "{root}/x/my.ini"},
        {{"-settingsdir", "{root}/Cfg", "-config", "{root}/x/my.ini"}, "{root}/x/my.ini"},
        {{"-config", "{root}/x/my.ini", "-usersettingsdir"}, "{root}/x/my.ini"},
        {{"-config", "sub/my.ini"}, "{app}/sub/my.ini"},
        {{"-start", "A,B", "-appsettingsdir", "-close"}, "{app}/tarrow.ini"},
        {{"-settingsdir", "{root}/Cfg", "-appsettingsdir"}, "{app}/tarrow.ini"},
        {{"-appsettingsdir", "-settingsdir"}, "{app}/tarrow.ini"},
        {{"-settingsdir"}, "{user}/tarrow.ini"},
        {{"-config"}, "{user}/tarrow.ini"},
        {{"-AppSettingsDir"}, "{user}/tarrow.ini"},
        {{"-config", ""}, "{user}/tarrow.ini"},
        {{"-settingsdir", ""}, "tarrow.ini"},
        {{"-settingsdir", "-config"}, "-config/tarrow.ini"},
    };
    for (const Row& row : rows) {
        QStringList args;
        for (const char* a : row.args)
            args << Expand(a);
        SCOPED_TRACE(args.join(u' ').toStdString());
        const TSettingsLocation location = Location(args);
        EXPECT_EQ(location.GetConfigFileName(false), Expand(row.file));
        EXPECT_EQ(location.GetConfigFileName(true), Expand(row.file));
    }
    EXPECT_FALSE(QFileInfo::exists(Root.filePath(QStringLiteral("Cfg")))); // never created
}

TEST_F(SettingsLocationTest, GivenTextsAreCutTo260Characters) {
    const QString longText(300, u'd');
    const TSettingsLocation location =
        Location({u"-settingsdir"_s, longText, u"-config"_s, longText + u".ini"_s});
    EXPECT_EQ(location.Mode(), TSettingsLocation::smGivenFolder);
    EXPECT_EQ(location.GivenFolder(), longText.left(260));
    EXPECT_EQ(location.GivenFileName(), longText.left(260));
}

TEST_F(SettingsLocationTest, ReadingSeedsANewUserFolderOnce) {
    const TSettingsLocation location = Location({});
    EXPECT_EQ(location.GetConfigFileName(true), User + u"/tarrow.ini"_s);
    EXPECT_EQ(ReadFile(User + u"/tarrow.ini"_s), QByteArray("OutDir=app\r\n"));
    // The copy is the user's own settings file, whatever the mode of the application's.
    EXPECT_EQ(QFile::permissions(User + u"/tarrow.ini"_s) & QFileDevice::Permissions(0x7077),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(QDir(User).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({u"tarrow.ini"_s}));
    // Once the folder exists the application folder is never looked at again.
    ASSERT_TRUE(QFile::remove(User + u"/tarrow.ini"_s));
    EXPECT_EQ(location.GetConfigFileName(true), User + u"/tarrow.ini"_s);
    EXPECT_FALSE(QFileInfo::exists(User + u"/tarrow.ini"_s));
}

TEST_F(SettingsLocationTest, SeedingTakesOrdinaryFilesByWildcardAndNeverOverwrites) {
    const TSettingsLocation location = Location({});
    // Writing creates the folder without seeding it.
    EXPECT_EQ(location.GetAppDataDir(u"Fresh"_s, QString()), Base + u"/Fresh"_s);
    EXPECT_TRUE(QDir(Base + u"/Fresh"_s).isEmpty());

    ASSERT_TRUE(QDir().mkpath(Base));
    EXPECT_EQ(location.GetAppDataDir(u"/Seeded"_s, u" *.ini ;; missing.txt;TARROW.INI;o?her.ini"_s),
              Base + u"/Seeded"_s);
    EXPECT_EQ(
        QDir(Base + u"/Seeded"_s).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({u"other.ini"_s, u"tarrow.ini"_s}));

    // A file already in a newly made folder stays as it is.
    const QString nested = Base + u"/Deep/Tarrow"_s;
    TSettingsLocation deep({}, App, Base + u"/Deep"_s, TPathReading::prLinux);
    ASSERT_TRUE(QDir().mkpath(Base + u"/Deep"_s));
    EXPECT_EQ(deep.GetAppDataDir(u"Tarrow"_s, u"*.ini;tarrow.ini"_s), nested);
    EXPECT_EQ(ReadFile(nested + u"/tarrow.ini"_s), QByteArray("OutDir=app\r\n"));
}

TEST_F(SettingsLocationTest, FallsBackToTheApplicationFolder) {
    // No per-user base folder, an empty sub-folder, or a folder that cannot be made.
    EXPECT_EQ(TSettingsLocation({}, App, QString(), TPathReading::prLinux).GetConfigFileName(true),
              App + u"/tarrow.ini"_s);
    EXPECT_EQ(Location({}).GetAppDataDir(QString(), u"tarrow.ini"_s), App);
    WriteFile(Root.filePath(u"blocker"_s), "a file where a folder should be");
    const TSettingsLocation blocked({}, App, Root.filePath(u"blocker"_s), TPathReading::prLinux);
    EXPECT_EQ(blocked.GetConfigFileName(true), App + u"/tarrow.ini"_s);
}

TEST(SettingsLocation, PerUserBaseFollowsXdgConfigHome) {
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", "/home/tester");
    qputenv("XDG_CONFIG_HOME", "/cfg/x/");
    EXPECT_EQ(PlatformUserBaseFolder(), u"/cfg/x"_s);
    qputenv("XDG_CONFIG_HOME", "relative/cfg"); // invalid: ignored
    EXPECT_EQ(PlatformUserBaseFolder(), u"/home/tester/.config"_s);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PlatformUserBaseFolder(), u"/home/tester/.config"_s);
    qputenv("HOME", savedHome);
    if (hadXdg)
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

TEST(SettingsLocation, ProgramLocationComesFromTheProgram) {
    const TSettingsLocation location = ProgramSettingsLocation({});
    EXPECT_EQ(location.AppFolder(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(location.Mode(), TSettingsLocation::smPerUser);
}
