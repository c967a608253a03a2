#include "engine/CommandLineUnit.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

QStringList Args(std::initializer_list<const char*> AItems) {
    QStringList list{QStringLiteral("prog")};
    for (const char* item : AItems)
        list.append(QString::fromUtf8(item));
    return list;
}

TEST(CommandLine, StartAndCloseArgumentsOfTheWindow) {
    const auto names = [](const QStringList& AArgs) { return ParseCommandLine(AArgs).StartNames; };
    EXPECT_EQ(names(Args({"-start", "Blog,Shop"})), QStringLiteral("Blog,Shop"));
    EXPECT_EQ(names(Args({"-START", "a", "-x", "-start", "b"})), QStringLiteral("b"));
    EXPECT_EQ(names(Args({"-start", "a", "-start"})), QStringLiteral("a"));
    EXPECT_EQ(names(Args({"-start"})), QString());
    EXPECT_TRUE(ParseCommandLine(Args({"-start", "a", "-Close"})).Close);
    EXPECT_FALSE(ParseCommandLine(Args({"-start", "a"})).Close);
}

TEST(CommandLine, SettingsSwitchesAreReadOnce) {
    const TCommandLine c = ParseCommandLine(
        Args({"-start", "A", "-settingsdir", "/cfg", "-config", "my.ini", "-usersettingsdir"}));
    EXPECT_EQ(c.Settings.Mode, TSettingsSwitches::smPerUser);
    EXPECT_EQ(c.Settings.GivenFolder, QStringLiteral("/cfg"));
    EXPECT_EQ(c.Settings.GivenFileName, QStringLiteral("my.ini"));
    // A folder or file switch with nothing after it is ignored, by both programs.
    for (auto dangling : {Args({"-settingsdir"}), Args({"-start", "A", "-config"})}) {
        SCOPED_TRACE(dangling.join(u' ').toStdString());
        const TCommandLine d = ParseCommandLine(dangling);
        EXPECT_TRUE(d.Error.isEmpty());
        EXPECT_EQ(d.Settings.Mode, TSettingsSwitches::smPerUser);
    }
}

TEST(CommandLine, TarrowCliArguments) {
    TCommandLine c = ParseCommandLine(Args(
        {"-settingsdir", "/cfg", "-outdir", "out", "-start", "Blog, Shop", "-appsettingsdir"}));
    EXPECT_TRUE(c.Error.isEmpty());
    EXPECT_EQ(c.OutDir, QStringLiteral("out"));
    EXPECT_EQ(c.StartNames, QStringLiteral("Blog, Shop"));
    c = ParseCommandLine(Args({"-config", "-outdir"}));
    EXPECT_TRUE(c.Error.isEmpty()); // "-outdir" is the config file's name here
    EXPECT_FALSE(c.HasOutDir);
    for (auto bad : {Args({"-outdir"}), Args({"-start", ""}), Args({"--bogus"}), Args({"x"})}) {
        SCOPED_TRACE(bad.join(u' ').toStdString());
        EXPECT_FALSE(ParseCommandLine(bad).Error.isEmpty());
    }
    EXPECT_TRUE(ParseCommandLine(Args({"--help"})).Help);
    EXPECT_TRUE(ParseCommandLine(Args({"--version"})).Version);
}

} // namespace
