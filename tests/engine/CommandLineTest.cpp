#include "engine/CommandLineUnit.h"
#include "engine/SwitchDocsUnit.h"
#include "project/WebsiteUnit.h"

#include <gtest/gtest.h>

#include <functional>

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

// GNU spellings come from the same rows as the single-dash ones: "--name value", "--name=value",
// the short letters, and "--" before web addresses.
TEST(CommandLine, LongAndShortSpellings) {
    const struct {
        std::initializer_list<const char*> Args;
        const char* OutDir;
        int Connections;
        const char* URLs; // joined by " "
    } rows[] = {
        {{"--output", "d"}, "d", 0, ""},
        {{"--output=d=e"}, "d=e", 0, ""},
        {{"-o", "d", "-c", "3"}, "d", 3, ""},
        {{"--outdir", "d", "-j", "5"}, "d", 5, ""},
        {{"--connections=16", "example.org"}, nullptr, 16, "http://example.org"},
        {{"https://h.example/a?b", "http://127.0.0.1:8/"},
         nullptr,
         0,
         "https://h.example/a?b http://127.0.0.1:8/"},
        {{"--", "localhost/x"}, nullptr, 0, "http://localhost/x"},
    };
    for (const auto& row : rows) {
        const QStringList args = Args(row.Args);
        SCOPED_TRACE(args.join(u' ').toStdString());
        const TCommandLine c = ParseCommandLine(args);
        EXPECT_EQ(c.Error, QString());
        EXPECT_EQ(c.HasOutDir, row.OutDir != nullptr);
        EXPECT_EQ(c.OutDir, QString::fromUtf8(row.OutDir ? row.OutDir : ""));
        EXPECT_EQ(c.Connections, row.Connections);
        EXPECT_EQ(c.URLs.join(u' '), QString::fromUtf8(row.URLs));
    }
    const TCommandLine c = ParseCommandLine(
        Args({"--settingsdir=/cfg", "--config", "a.ini", "-q", "-v", "--progress=dots",
              "--log-format", "json", "--log-file=run.log", "--save-project", " Blog ", "h.org"}));
    EXPECT_EQ(c.Error, QString());
    EXPECT_EQ(c.Settings.GivenFolder, QStringLiteral("/cfg"));
    EXPECT_EQ(c.Settings.GivenFileName, QStringLiteral("a.ini"));
    EXPECT_TRUE(c.Quiet && c.Verbose && c.JsonLog);
    EXPECT_EQ(c.Progress, psDots);
    EXPECT_EQ(c.LogFile, QStringLiteral("run.log"));
    EXPECT_EQ(c.SaveProject, QStringLiteral("Blog"));
    EXPECT_TRUE(ParseCommandLine(Args({"-V"})).Version);
    EXPECT_TRUE(ParseCommandLine(Args({"-h"})).Help);
}

TEST(CommandLine, UsageErrorsNameTheArgumentAndSuggestTheClosestSwitch) {
    const struct {
        std::initializer_list<const char*> Args;
        const char* Error; // the whole error
    } rows[] = {
        {{"--outptu", "d"}, "Unknown argument: --outptu; did you mean --output?"},
        {{"--no-robot"}, "Unknown argument: --no-robot; did you mean --no-robots?"},
        {{"-settingdir", "d"}, "Unknown argument: -settingdir; did you mean -settingsdir?"},
        {{"--depht=2"}, "Unknown argument: --depht=2; did you mean --depth?"},
        {{"--zzzzzzzzzzzz"}, "Unknown argument: --zzzzzzzzzzzz"},
        {{"-x", "--outptu"}, "Unknown argument: -x"},
        {{"--quiet=1"}, "--quiet takes no value"},
        {{"--depth"}, "--depth needs a value"},
        {{"-l", "x"}, "--depth needs a number from 0 to 1000"},
        {{"--depth", "-1"}, "--depth needs a number from 0 to 1000"},
        {{"--wait", "99999999999"}, "--wait needs a number from 0 to 3600000"},
        {{"--max-files=1e3"}, "--max-files needs a number from 0 to 2147483647"},
        {{"--overwrite", "some"}, "--overwrite needs none, all or changed"},
        {{"--replace", "=x"}, "--replace and --download need a value of the form A=B"},
        {{"--download", "nothing"}, "--replace and --download need a value of the form A=B"},
        {{"--alias", " "}, "--alias needs a host name"},
        {{"--progress=blink"}, "--progress needs none, bar or dots"},
        {{"--log-format", "xml"}, "--log-format needs plain or json"},
        {{"--save-project", ""}, "--save-project needs a project name"},
        {{"--save-project", "A"}, "--save-project needs one web address"},
        {{"--save-project", "A", "a.org", "b.org"}, "--save-project needs one web address"},
        {{"-start", "A", "a.org"}, "-start runs projects of the settings file, not web addresses"},
        {{"ftp://h.org/"},
         "Not a web address: ftp://h.org/ (give http:// or https:// addresses, or switches "
         "starting with -)"},
        {{"--", "-o"},
         "Not a web address: -o (give http:// or https:// addresses, or switches starting "
         "with -)"},
    };
    for (const auto& row : rows) {
        const QStringList args = Args(row.Args);
        SCOPED_TRACE(args.join(u' ').toStdString());
        EXPECT_EQ(ParseCommandLine(args).Error, QString::fromUtf8(row.Error));
    }
    EXPECT_TRUE(ParseCommandLine(Args({"--header", "Host: x"}))
                    .Error.startsWith(QStringLiteral("--header: ")));
}

// Each project option reaches the project it is applied to, over the values it had.
TEST(CommandLine, ProjectOptionsSetTheProject) {
    using TCheck = std::function<bool(const TWebsiteProject&)>;
    const struct {
        std::initializer_list<const char*> Args;
        TCheck Check;
    } rows[] = {
        {{"--depth", "2"},
         [](const TWebsiteProject& P) {
             return P.WebPages() == QStringList{QStringLiteral("http://h.org/")} &&
                    P.WPExtractURLs().GetValue(0) == 2;
         }},
        {{"--no-complete-pages"}, [](const TWebsiteProject& P) { return !P.CompletePages(); }},
        {{"--absolute-links"}, [](const TWebsiteProject& P) { return !P.RelativePathLinks(); }},
        {{"--base-url", "https://b.org/x/"},
         [](const TWebsiteProject& P) {
             return P.BaseURL() == u"https://b.org/x/" && !P.RelativePathLinks();
         }},
        {{"--index-file", "default.htm"},
         [](const TWebsiteProject& P) { return P.IndexFile() == u"default.htm"; }},
        {{"--overwrite", "all"}, [](const TWebsiteProject& P) { return P.Overwrite() == ofAll; }},
        {{"--overwrite=none"}, [](const TWebsiteProject& P) { return P.Overwrite() == ofNone; }},
        {{"--remove-scripts", "--remove-noscripts"},
         [](const TWebsiteProject& P) { return P.RemoveScripts() && P.RemoveNoscripts(); }},
        {{"--suppress", "?print", "--suppress", "/tmp/"},
         [](const TWebsiteProject& P) {
             return P.SuppressURLs() ==
                    QStringList{QStringLiteral("?print"), QStringLiteral("/tmp/")};
         }},
        {{"--replace", "a=b=c"},
         [](const TWebsiteProject& P) {
             return P.ReplacePatterns() == QStringList{QStringLiteral("a")} &&
                    P.ReplaceRules() == QStringList{QStringLiteral("b=c")};
         }},
        {{"--download", "http://h.org/f/=files"},
         [](const TWebsiteProject& P) {
             return P.WebDocuments() == QStringList{QStringLiteral("http://h.org/f/")} &&
                    P.WDOutFolders() == QStringList{QStringLiteral("files")};
         }},
        {{"--alias", "www.h.org"},
         [](const TWebsiteProject& P) { return P.DomainAliasesString() == u"www.h.org"; }},
        {{"--include", "/a/", "--exclude", "\\.zip$"},
         [](const TWebsiteProject& P) {
             return P.IncludePatterns() == QStringList{QStringLiteral("/a/")} &&
                    P.ExcludePatterns() == QStringList{QStringLiteral("\\.zip$")};
         }},
        {{"--wait=250"}, [](const TWebsiteProject& P) { return P.WaitMs() == 250; }},
        {{"--robots"}, [](const TWebsiteProject& P) { return P.Robots(); }},
        {{"--robots", "--no-robots"}, [](const TWebsiteProject& P) { return !P.Robots(); }},
        {{"--user-agent", "Bot/1"},
         [](const TWebsiteProject& P) { return P.UserAgent() == u"Bot/1"; }},
        {{"--header", "X-A: 1"},
         [](const TWebsiteProject& P) {
             return P.RequestHeaders() == QStringList{QStringLiteral("X-A: 1")};
         }},
        {{"--cookies", "c.txt"},
         [](const TWebsiteProject& P) { return P.CookiesFile() == u"c.txt"; }},
        {{"--max-files", "3", "--max-bytes", "4", "--max-seconds", "5"},
         [](const TWebsiteProject& P) {
             return P.MaxFiles() == 3 && P.MaxBytesMB() == 4 && P.MaxSeconds() == 5;
         }},
        {{"--drop-query", "sid"},
         [](const TWebsiteProject& P) { return P.DropQueryParams() == u"sid"; }},
        {{"--no-trap-guard"}, [](const TWebsiteProject& P) { return !P.TrapGuard(); }},
        {{"--sitemaps"}, [](const TWebsiteProject& P) { return P.Sitemaps(); }},
        {{"--retry-all"}, [](const TWebsiteProject& P) { return !P.RetryTransientOnly(); }},
        {{"--no-verify-tls"}, [](const TWebsiteProject& P) { return !P.VerifyTLS(); }},
        {{"--no-journal"}, [](const TWebsiteProject& P) { return !P.Journal(); }},
        {{"--no-conditional-get"}, [](const TWebsiteProject& P) { return !P.ConditionalGet(); }},
    };
    for (const auto& row : rows) {
        const QStringList args = Args(row.Args);
        SCOPED_TRACE(args.join(u' ').toStdString());
        const TCommandLine c = ParseCommandLine(args);
        ASSERT_EQ(c.Error, QString());
        TWebsiteProject project = TWebsiteProject::NewProject(QString());
        project.SetWebsiteURL(QStringLiteral("http://h.org/"));
        project.SetRelativePathLinks(true);
        project.SetOverwrite(ofChanged);
        ApplyProjectOptions(c.ProjectOptions, project);
        EXPECT_TRUE(row.Check(project));
    }
    // A project with start pages keeps them, each with the new depth.
    TWebsiteProject pages;
    pages.WebPages() =
        QStringList{QStringLiteral("http://h.org/a"), QStringLiteral("http://h.org/b")};
    pages.WPExtractURLs().Add(0);
    pages.WPExtractURLs().Add(7);
    ApplyProjectOptions(ParseCommandLine(Args({"-l", "3"})).ProjectOptions, pages);
    EXPECT_EQ(pages.WebPages().size(), 2);
    EXPECT_EQ(pages.WPExtractURLs().GetValue(0), 3);
    EXPECT_EQ(pages.WPExtractURLs().GetValue(1), 3);
}

// The manual pages and completions come from the table: every spelling of every switch of a
// program is in them, and nothing of the other program's.
TEST(CommandLine, ManualPagesAndCompletionsListEverySwitch) {
    const QString cliPage = ManualPage(spCli);
    const QString windowPage = ManualPage(spWindow);
    const QString bash = BashCompletion(spCli);
    const QString zsh = ZshCompletion(spCli);
    const QString help = CliHelpText();
    for (const TSwitchInfo& s : CommandLineSwitches()) {
        for (const QString& spelling : SwitchSpellings(s)) {
            SCOPED_TRACE(spelling.toStdString());
            const QString roff = QString(spelling).replace(u'-', QStringLiteral("\\-"));
            const QString bold = QStringLiteral("\\fB") + roff + QStringLiteral("\\fR");
            const bool cli = s.Programs & spCli;
            EXPECT_EQ(cliPage.contains(bold), cli);
            EXPECT_EQ(windowPage.contains(bold), bool(s.Programs & spWindow));
            EXPECT_EQ(bash.contains(u'\n' + spelling + u'\n') ||
                          bash.contains(QStringLiteral("\"") + spelling + u'\n') ||
                          bash.contains(u'\n' + spelling + u'"'),
                      cli);
            EXPECT_EQ(zsh.contains(u'\'' + spelling + u'[') ||
                          zsh.contains(u'\'' + spelling + QStringLiteral("=[")),
                      cli);
        }
        EXPECT_EQ(help.contains(QStringLiteral("\n  ") + QLatin1String(s.Name)),
                  bool(s.Programs & spCli));
    }
    // Values complete as what they name.
    EXPECT_TRUE(bash.contains(QStringLiteral("-start|--start)\n        COMPREPLY=($(compgen -W "
                                             "\"$(_tarrow_projects)\"")));
    EXPECT_TRUE(zsh.contains(QStringLiteral("'--output=[")));
    EXPECT_TRUE(zsh.contains(QStringLiteral(":DIR:_files -/' \\\n")));
    for (const QString& line : cliPage.split(u'\n'))
        EXPECT_FALSE(line.startsWith(u'\'')) << line.toStdString();
}

} // namespace
