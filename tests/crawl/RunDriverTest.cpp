// Running projects: the command-line name list, "Load Websites", "Break" and errors that end a run.
#include "tests/crawl/CrawlFixture.h"

#include "base/uPathUtils.h"
#include "tests/support/TestProxy.h"

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class RunDriver : public CrawlTest {
protected:
    void SetUp() override {
        CrawlTest::SetUp();
        FSite.Html("/blog/", "blog");
        FSite.Html("/shop/", "shop");
        FList.AddProject(NewProject(QStringLiteral("Blog")));
        auto shop = NewProject(QStringLiteral("Shop"));
        shop->SetWebsiteURL(Url(u"/shop/"));
        FList.AddProject(std::move(shop));
    }
    // The project lines of a log, without the crawl's own lines.
    static QStringList ProjectLines(const QStringList& ALog) {
        QStringList lines;
        for (const QString& l : ALog)
            if (l.startsWith(QStringLiteral("Project ")) || l == QStringLiteral("Completed.") ||
                l == QStringLiteral("Terminated."))
                lines.append(l);
        return lines;
    }
    TWebsiteProjectList FList;
};

TEST_F(RunDriver, NameListsAreSplitAtCommasAndNeverTrimmed) {
    struct Row {
        const char* Names;
        bool Result;
        QStringList Lines;
    };
    const QString blog = QStringLiteral("Project \"Blog\"...");
    const QString shop = QStringLiteral("Project \"Shop\"...");
    const QString done = QStringLiteral("Completed.");
    const Row rows[] = {
        {"Blog,Shop", true, {blog, shop, done}},
        {"Shop,Blog,", true, {shop, blog, done}},
        {"Blog, Shop", false, {blog, QStringLiteral("Project \" Shop\" not found."), done}},
        {"Blog,,Shop", false, {blog, QStringLiteral("Project \"\" not found."), shop, done}},
        {"blog", false, {QStringLiteral("Project \"blog\" not found."), done}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Names);
        bool result = !row.Result;
        const QStringList log = Start(FList, QString::fromLatin1(row.Names), &result);
        EXPECT_EQ(result, row.Result);
        EXPECT_EQ(ProjectLines(log), row.Lines);
    }
}

TEST_F(RunDriver, NamedProjectsRunWhetherCheckedOrHidden) {
    FList.GetProject(1)->SetChecked(false);
    FList.SetProjectVisibility(FList.GetProject(1), false);
    bool result = false;
    const QStringList log = Start(FList, QStringLiteral("Shop"), &result);
    EXPECT_TRUE(result);
    EXPECT_EQ(FSite.Hits("/shop/"), 1);
    QFile saved(FOutDir + QStringLiteral("/Shop/index.html"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("shop"));
}

TEST_F(RunDriver, LoadWebsitesRunsTheCheckedVisibleProjectsInVisibleOrder) {
    auto hidden = NewProject(QStringLiteral("Hidden"));
    FList.AddProject(std::move(hidden));
    FList.SetProjectVisibility(FList.GetProject(2), false);
    FList.GetProject(2)->SetChecked(true); // only a settings file can make this
    FList.SetProjectVisibility(FList.GetProject(0), false);
    FList.SetProjectVisibility(FList.GetProject(0), true); // Blog now comes after Shop
    FList.GetProject(0)->SetChecked(true);
    TMemoryLogSink sink;
    FEngine.Run(FList, FOutDir, std::nullopt, &sink);
    EXPECT_EQ(ProjectLines(sink.Lines()),
              (QStringList{QStringLiteral("Project \"Shop\"..."),
                           QStringLiteral("Project \"Blog\"..."), QStringLiteral("Completed.")}));
}

TEST_F(RunDriver, BreakInTheFirstProjectSkipsTheRest) {
    // One request at a time, so that b is never under way when the break comes.
    TRunOptions options = FastOptions();
    options.Connections = 1;
    FEngine.SetOptions(options);
    FSite.Html("/blog/", "<a href=\"a\">a</a><a href=\"b\">b</a>");
    FSite.OnRequest([this](const TRequest& ARequest) {
        if (ARequest.Path() == "/blog/a")
            FEngine.Terminated().Set();
    });
    bool result = false;
    const QStringList log = Start(FList, QStringLiteral("Blog,Nowhere"), &result);
    EXPECT_TRUE(result); // "Nowhere" is never looked up
    EXPECT_EQ(FSite.Hits("/blog/b"), 0);
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{Summary(1, 0, 0, 0, 1), QStringLiteral("Terminated.")}));
}

TEST_F(RunDriver, AnInvalidPatternEndsTheRunWithOneLine) {
    FList.GetProject(0)->ReplacePatterns().append(QStringLiteral("("));
    FList.GetProject(0)->ReplaceRules().append(QString());
    bool result = true;
    bool failed = false;
    const QStringList log = Start(FList, QStringLiteral("Blog,Shop"), &result, &failed);
    EXPECT_FALSE(result);
    EXPECT_TRUE(failed);
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0], QStringLiteral("Project \"Blog\"..."));
    EXPECT_TRUE(log[1].startsWith(QStringLiteral("Error in regular expression at offset ")));
    EXPECT_EQ(FSite.Hits("/blog/"), 0);
    EXPECT_EQ(FSite.Hits("/shop/"), 0);
}

// Every request of a run, redirects, every project and parallel transfers included, goes through
// the run's proxy:
// the site accepts no connection that the proxy did not open for it.
TEST_F(RunDriver, EveryRequestOfARunGoesThroughTheProxy) {
    FSite.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"old\">old</a>");
    FSite.Html("/blog/a.html", "a");
    FSite.Page("/blog/old", Redirect(302, "/blog/new.html"));
    FSite.Html("/blog/new.html", "new");
    int connections = 0;
    for (const TProxyKindRow& row : kProxyKindRows) {
        for (const int transfers : {1, 4}) {
            SCOPED_TRACE(row.Scheme);
            SCOPED_TRACE(transfers);
            TProxyServer proxy(row.Protocol);
            if (row.Protocol != TProxyProtocol::ppSOCKS4)
                proxy.SetCredentials("run", "secret");
            TRunOptions options = FastOptions();
            options.Connections = transfers;
            options.Proxy =
                QString::fromLatin1(row.Scheme) + u"://run:secret@"_s + proxy.HostPort();
            FEngine.SetOptions(options);
            bool result = false;
            const QStringList log = Start(FList, QStringLiteral("Blog,Shop"), &result);
            EXPECT_TRUE(result);
            EXPECT_EQ(log.last(), QStringLiteral("Completed."));
            const QList<THandshake> shakes = proxy.Handshakes();
            ASSERT_FALSE(shakes.isEmpty());
            for (const THandshake& shake : shakes)
                EXPECT_EQ(shake.TargetPort, FSite.Server().Port());
            // Each connection of the proxy opened one to the site; the site saw no other.
            connections += int(shakes.size());
            EXPECT_EQ(FSite.Server().ConnectionCount(), connections);
            if (row.Protocol == TProxyProtocol::ppHTTP) {
                EXPECT_EQ(shakes[0].Request.Target, Url(u"/blog/").toLatin1()); // absolute form
            }
        }
    }
    EXPECT_EQ(FSite.Hits("/blog/new.html"), 6);
    EXPECT_EQ(FSite.Hits("/shop/"), 6);
}

TEST_F(RunDriver, AMalformedProxyEndsTheRunBeforeAnyRequest) {
    TRunOptions options = FastOptions();
    options.Proxy = QStringLiteral("socks5://127.0.0.1");
    FEngine.SetOptions(options);
    bool failed = false;
    const QStringList log = Start(FList, QStringLiteral("Blog"), nullptr, &failed);
    EXPECT_TRUE(failed);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[1].startsWith(QStringLiteral("Malformed proxy address: the port is missing.")))
        << log[1].toStdString();
    EXPECT_EQ(FSite.Server().ConnectionCount(), 0);
}

TEST_F(RunDriver, OutputFolderExpansion) {
    struct Row {
        const char* Folder;
        const char* OutDir;
        const char* Expected;
    };
    {
        const Row rows[] = {
            {"{outdir}/{ProjectName}/", "C:\\Sites", "C:\\Sites\\Blog"},
            {"{OUTDIR}\\x\\\\", "C:\\Sites", "C:\\Sites\\x\\"},
            {"", "C:\\Sites", ""},
            {"D:/{projectname}", "", "D:\\Blog"},
        };
        for (const Row& row : rows)
            EXPECT_EQ(ExpandOutputFolder(QString::fromLatin1(row.Folder),
                                         QString::fromLatin1(row.OutDir), QStringLiteral("Blog"),
                                         TPathReading::prWindows),
                      QString::fromLatin1(row.Expected));
    }
    const TPathReading onLinux = TPathReading::prLinux;
    EXPECT_EQ(ExpandOutputFolder(QStringLiteral("{OutDir}\\{ProjectName}"),
                                 QStringLiteral("/srv/sites/"), QStringLiteral("Blog"), onLinux),
              QStringLiteral("/srv/sites//Blog"));
    EXPECT_EQ(
        ExpandOutputFolder(QStringLiteral("{OutDir}"), QStringLiteral("/"), QString(), onLinux),
        QStringLiteral("/"));
    // A relative folder is placed under the current folder once, when the run starts.
    EXPECT_EQ(ExpandOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"), QStringLiteral("sites"),
                                 QStringLiteral("Blog"), onLinux),
              QDir::currentPath() + QStringLiteral("/sites/Blog"));
}

} // namespace
