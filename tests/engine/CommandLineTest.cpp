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

TEST(CommandLine, ProxyAndConnectionsOfTarrowCli) {
    const struct {
        std::initializer_list<const char*> Args;
        const char* Error; // the start of the error; nullptr for none
        const char* Proxy; // nullptr: no -proxy
        int Connections;
    } rows[] = {
        {{"-proxy", "socks5://u:p@127.0.0.1:1080"}, nullptr, "socks5://u:p@127.0.0.1:1080", 0},
        {{"-PROXY", "http://h:1", "-proxy", "socks4://h:2"}, nullptr, "socks4://h:2", 0},
        {{"-proxy", ""}, nullptr, "", 0}, // an empty proxy: none for this run
        {{"-connections", "1"}, nullptr, nullptr, 1},
        {{"-connections", "16", "-start", "A"}, nullptr, nullptr, 16},
        {{"-Connections", "04"}, nullptr, nullptr, 4},
        {{"-proxy"}, "-proxy needs a value", nullptr, 0},
        {{"-connections"}, "-connections needs a value", nullptr, 0},
        {{"-proxy", "socks5://h"},
         "-proxy: Malformed proxy address: the port is missing.",
         nullptr,
         0},
        {{"-proxy", "ftp://h:21"}, "-proxy: Malformed proxy address: unknown scheme", nullptr, 0},
        {{"-connections", "0"}, "-connections needs a number from 1 to 16", nullptr, 0},
        {{"-connections", "17"}, "-connections needs a number from 1 to 16", nullptr, 0},
        {{"-connections", "+4"}, "-connections needs a number from 1 to 16", nullptr, 0},
        {{"-connections", " 4"}, "-connections needs a number from 1 to 16", nullptr, 0},
        {{"-connections", "$4"}, "-connections needs a number from 1 to 16", nullptr, 0},
        {{"-connections", "four"}, "-connections needs a number from 1 to 16", nullptr, 0},
        // The first error is the one reported.
        {{"-connections", "99", "-proxy", "x"}, "-connections needs", nullptr, 0},
    };
    for (const auto& row : rows) {
        const QStringList args = Args(row.Args);
        SCOPED_TRACE(args.join(u' ').toStdString());
        const TCommandLine c = ParseCommandLine(args);
        if (row.Error)
            EXPECT_TRUE(c.Error.startsWith(QString::fromUtf8(row.Error))) << c.Error.toStdString();
        else
            EXPECT_EQ(c.Error, QString());
        EXPECT_EQ(c.HasProxy, row.Proxy != nullptr);
        EXPECT_EQ(c.Proxy, QString::fromUtf8(row.Proxy ? row.Proxy : ""));
        EXPECT_EQ(c.Connections, row.Connections);
    }
}

// The one table drives both the reading and the help: every switch and alias it holds is read
// as itself, and each program's help and usage show exactly its own switches.
TEST(CommandLine, TheSwitchTableDrivesParsingAndHelp) {
    const QString cliHelp = SwitchHelp(spCli);
    const QString cliUsage = SwitchUsage(spCli, 18, 18);
    const QString windowHelp = SwitchHelp(spWindow);
    for (const TSwitchInfo& s : CommandLineSwitches()) {
        SCOPED_TRACE(s.Name);
        for (const char* spelling : {s.Name, s.Alias}) {
            if (!spelling)
                continue;
            QStringList args = Args({spelling});
            if (s.Value)
                args.append(QStringLiteral("2"));
            EXPECT_TRUE(ParseCommandLine(args).Unknown.isEmpty()) << spelling;
        }
        const QString entry = QStringLiteral("\n  ") + QLatin1String(s.Name);
        const QString usage = u'[' + QLatin1String(s.Name);
        const QString helpStart = QString::fromUtf8(s.Help).section(u'\n', 0, 0);
        EXPECT_EQ((u'\n' + cliHelp).contains(entry), bool(s.Programs & spCli));
        EXPECT_EQ(cliUsage.contains(usage), bool(s.Programs & spCli));
        EXPECT_EQ(cliHelp.contains(helpStart), bool(s.Programs & spCli));
        EXPECT_EQ((u'\n' + windowHelp).contains(entry), bool(s.Programs & spWindow));
    }
    EXPECT_TRUE(
        cliHelp.contains(QStringLiteral("\n  -settingsdir DIR    read tarrow.ini from DIR\n")));
    EXPECT_TRUE(cliHelp.contains(QStringLiteral("\n  --help, -h          show this text\n")));
    const QStringList usageLines = cliUsage.split(u'\n');
    for (qsizetype i = 0; i < usageLines.size(); ++i)
        EXPECT_LT(usageLines[i].size() + (i == 0 ? 18 : 0), 79) << usageLines[i].toStdString();
    for (const QString& line : cliHelp.split(u'\n'))
        EXPECT_LT(line.size(), 80) << line.toStdString();
}

} // namespace
