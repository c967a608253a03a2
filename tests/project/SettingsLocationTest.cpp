#include "base/uPathUtils.h"
#include "engine/CommandLineUnit.h"
#include "project/uSettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarrow;

namespace {

QString S(const char* AText) {
    return QString::fromUtf8(AText);
}

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
        QString s = S(AText);
        s.replace(S("{app}"), App).replace(S("{user}"), User).replace(S("{root}"), Root.path());
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
        Location({S("-settingsdir"), longText, S("-config"), longText + S(".ini")});
    EXPECT_EQ(location.Mode(), TSettingsLocation::smGivenFolder);
    EXPECT_EQ(location.GivenFolder(), longText.left(260));
    EXPECT_EQ(location.GivenFileName(), longText.left(260));
}

TEST_F(SettingsLocationTest, ReadingSeedsANewUserFolderOnce) {
    const TSettingsLocation location = Location({});
    EXPECT_EQ(location.GetConfigFileName(true), User + S("/tarrow.ini"));
    EXPECT_EQ(ReadFile(User + S("/tarrow.ini")), QByteArray("OutDir=app\r\n"));
    EXPECT_EQ(QDir(User).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({S("tarrow.ini")}));
    // Once the folder exists the application folder is never looked at again.
    ASSERT_TRUE(QFile::remove(User + S("/tarrow.ini")));
    EXPECT_EQ(location.GetConfigFileName(true), User + S("/tarrow.ini"));
    EXPECT_FALSE(QFileInfo::exists(User + S("/tarrow.ini")));
}

TEST_F(SettingsLocationTest, SeedingTakesOrdinaryFilesByWildcardAndNeverOverwrites) {
    const TSettingsLocation location = Location({});
    // Writing creates the folder without seeding it.
    EXPECT_EQ(location.GetAppDataDir(S("Fresh"), QString()), Base + S("/Fresh"));
    EXPECT_TRUE(QDir(Base + S("/Fresh")).isEmpty());

    ASSERT_TRUE(QDir().mkpath(Base));
    EXPECT_EQ(location.GetAppDataDir(S("/Seeded"), S(" *.ini ;; missing.txt;TARROW.INI;o?her.ini")),
              Base + S("/Seeded"));
    EXPECT_EQ(
        QDir(Base + S("/Seeded")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({S("other.ini"), S("tarrow.ini")}));

    // A file already in a newly made folder stays as it is.
    const QString nested = Base + S("/Deep/Tarrow");
    TSettingsLocation deep({}, App, Base + S("/Deep"), TPathReading::prLinux);
    ASSERT_TRUE(QDir().mkpath(Base + S("/Deep")));
    EXPECT_EQ(deep.GetAppDataDir(S("Tarrow"), S("*.ini;tarrow.ini")), nested);
    EXPECT_EQ(ReadFile(nested + S("/tarrow.ini")), QByteArray("OutDir=app\r\n"));
}

TEST_F(SettingsLocationTest, FallsBackToTheApplicationFolder) {
    // No per-user base folder, an empty sub-folder, or a folder that cannot be made.
    EXPECT_EQ(TSettingsLocation({}, App, QString(), TPathReading::prLinux).GetConfigFileName(true),
              App + S("/tarrow.ini"));
    EXPECT_EQ(Location({}).GetAppDataDir(QString(), S("tarrow.ini")), App);
    WriteFile(Root.filePath(S("blocker")), "a file where a folder should be");
    const TSettingsLocation blocked({}, App, Root.filePath(S("blocker")), TPathReading::prLinux);
    EXPECT_EQ(blocked.GetConfigFileName(true), App + S("/tarrow.ini"));
}

TEST(SettingsLocation, PerUserBaseFollowsXdgConfigHome) {
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", "/home/tester");
    qputenv("XDG_CONFIG_HOME", "/cfg/x/");
    EXPECT_EQ(PlatformUserBaseFolder(), S("/cfg/x"));
    qputenv("XDG_CONFIG_HOME", "relative/cfg"); // invalid: ignored
    EXPECT_EQ(PlatformUserBaseFolder(), S("/home/tester/.config"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PlatformUserBaseFolder(), S("/home/tester/.config"));
    qputenv("HOME", savedHome);
    if (hadXdg)
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

TEST(SettingsLocation, ProgramLocationComesFromTheProgram) {
    const TSettingsLocation location = ProgramSettingsLocation({});
    EXPECT_EQ(location.AppFolder(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(location.Mode(), TSettingsLocation::smPerUser);
}
