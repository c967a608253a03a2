// Which found URLs a crawl takes: include and exclude patterns, trap guards, dropped query
// parameters; and the limits that stop one project's run.
#include "engine/uCookiesFile.h"
#include "engine/uURLScope.h"
#include "tests/crawl/CrawlFixture.h"

#include <algorithm>

using namespace tarrow;
using namespace tarrow::test;

namespace {

using CrawlScope = CrawlTest;

QList<QByteArray> SortedPaths(const TScriptedServer& AServer) {
    QList<QByteArray> paths;
    for (const TRequest& request : AServer.Requests())
        paths.append(request.Path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

qsizetype CountLines(const QStringList& ALog, const QString& APrefix) {
    return std::count_if(ALog.begin(), ALog.end(),
                         [&](const QString& L) { return L.startsWith(APrefix); });
}

TEST_F(CrawlScope, PatternsChooseTheURLsAndRefusedLinksKeepTheirWebAddress) {
    struct TCase {
        QStringList Includes;
        QStringList Excludes;
        QList<QByteArray> Fetched; // besides the start page
    };
    const TCase cases[] = {
        {{}, {}, {"/blog/a.html", "/blog/b.pdf", "/blog/private/c.html"}},
        {{QStringLiteral("\\.html$")}, {}, {"/blog/a.html", "/blog/private/c.html"}},
        {{QStringLiteral("\\.html$")}, {QStringLiteral("/private/")}, {"/blog/a.html"}},
        {{}, {QStringLiteral("\\.PDF$"), QStringLiteral("/private/")}, {"/blog/a.html"}},
        {{QStringLiteral("/nothing/")}, {}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE((c.Includes.join(u' ') + u'|' + c.Excludes.join(u' ')).toStdString());
        TScriptedSite site;
        site.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"b.pdf\">b</a>"
                            "<a href=\"private/c.html\">c</a>");
        site.Default(OkReply("x", "text/plain"));
        auto project = MakeProject(site.URL(u"/blog/"));
        project->IncludePatterns() = c.Includes;
        project->ExcludePatterns() = c.Excludes;
        Run(*project);
        QList<QByteArray> expected = c.Fetched;
        expected.prepend("/blog/");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(SortedPaths(site.Server()), expected);
        const QByteArray page = Saved(QStringLiteral("index.html"));
        for (const char* name : {"a.html", "b.pdf", "private/c.html"}) {
            const QByteArray path = QByteArray("/blog/") + name;
            const QByteArray webLink = "href=\"" + site.URL(QString::fromLatin1(path)).toUtf8();
            EXPECT_EQ(page.contains(webLink), !c.Fetched.contains(path)) << page.toStdString();
        }
    }
}

TEST_F(CrawlScope, APatternThatDoesNotCompileIsOneLineNamingItAndNothingIsFetched) {
    FSite.Html("/blog/", "<a href=\"a.html\">a</a>");
    for (const bool include : {true, false}) {
        SCOPED_TRACE(include);
        auto project = NewProject();
        (include ? project->IncludePatterns() : project->ExcludePatterns())
            << QStringLiteral("ok") << QStringLiteral("(unclosed");
        bool failed = false;
        const QStringList log = Run(*project, &failed);
        EXPECT_TRUE(failed);
        EXPECT_TRUE(FSite.Server().Requests().isEmpty());
        const QString line = (include ? QStringLiteral("Include") : QStringLiteral("Exclude")) +
                             QStringLiteral(" pattern \"(unclosed\": Error in regular expression");
        EXPECT_EQ(CountLines(log, line), 1) << log.join(u'\n').toStdString();
        EXPECT_EQ(TURLScope::PatternProblem(QStringLiteral("Include"), QStringLiteral("ok")),
                  QString());
    }
}

TEST(URLScope, TrapReasons) {
    const QString site = QStringLiteral("http://h/");
    const struct {
        QString URL;
        bool Trap;
    } cases[] = {
        {site + QString(2000 - site.size(), u'a'), false},
        {site + QString(2001 - site.size(), u'a'), true},
        {site + QStringLiteral("a/b/a/c/a/"), false},
        {site + QStringLiteral("a/b/a/c/a/d/a"), true},
        {site + QStringLiteral("x?a/a/a/a/a"), false}, // the query is no path
        {site + QStringLiteral("s/").repeated(3) + QStringLiteral("t"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.URL.left(80).toStdString());
        EXPECT_EQ(!TURLScope::TrapReason(c.URL).isEmpty(), c.Trap);
    }
    QString deep = site;
    for (int i = 1; i <= 30; ++i)
        deep += QStringLiteral("d%1/").arg(i);
    EXPECT_TRUE(TURLScope::TrapReason(deep).isEmpty());
    EXPECT_FALSE(TURLScope::TrapReason(deep + QStringLiteral("d31")).isEmpty());
}

TEST(URLScope, DropQueryParams) {
    const QStringList names =
        TURLScope::ParamNames(QStringLiteral(" utm_* ;fbclid;;gclid;mc_cid;mc_eid;a*z"));
    EXPECT_EQ(names.size(), 6);
    const struct {
        const char* URL;
        const char* Expected;
    } cases[] = {
        {"http://h/p?utm_source=x&id=1&utm_medium=y", "http://h/p?id=1"},
        {"http://h/p?fbclid=1", "http://h/p"},
        {"http://h/p?fbclid=1#top", "http://h/p#top"},
        {"http://h/p?utm=1&fbclid2=3&xfbclid=4", "http://h/p?utm=1&fbclid2=3&xfbclid=4"},
        {"http://h/p?gclid&q", "http://h/p?q"},
        {"http://h/p?abcz=1&az&azb=2", "http://h/p?azb=2"},
        {"http://h/p#x?fbclid=1", "http://h/p#x?fbclid=1"},
        {"http://h/p?id=1", "http://h/p?id=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.URL);
        EXPECT_EQ(TURLScope::DropQueryParams(QString::fromLatin1(c.URL), names),
                  QString::fromLatin1(c.Expected));
    }
}

TEST_F(CrawlScope, ASelfRepeatingLinkTrapIsSkippedOnceWithALogLine) {
    // Every page links one folder further down: without a guard the crawl would never end.
    FSite.Default(OkReply("<a href=\"next/\">next</a><a href=\"next/\">again</a>"));
    auto project = NewProject();
    project->SetTrapGuard(true);
    const QStringList log = Run(*project);
    EXPECT_EQ(
        SortedPaths(FSite.Server()),
        (QList<QByteArray>{"/blog/", "/blog/next/", "/blog/next/next/", "/blog/next/next/next/"}));
    EXPECT_EQ(log.count(QStringLiteral("Skipped as a likely trap (path segment \"next\" "
                                       "repeated more than 3 times): ") +
                        Url(u"/blog/next/next/next/next/")),
              1)
        << log.join(u'\n').toStdString();
    EXPECT_EQ(log.at(log.size() - 2), Summary(4, 0, 0, 0, 0));
}

TEST_F(CrawlScope, ACalendarEndsAfterFiftyPagesInARowThatDifferOnlyInTheirNumbers) {
    // Each month links the next, forever; the start page also links eighty numbered items,
    // which are one step from it each and all taken.
    TScriptedServer server;
    server.SetHandler([](const TRequest& R) {
        const QByteArray path = R.Path();
        if (path == "/blog/") {
            QByteArray body = "<a href=\"cal?month=1\">calendar</a>";
            for (int i = 1; i <= 80; ++i)
                body += "<a href=\"item" + QByteArray::number(i) + ".txt\">i</a>";
            return OkReply(body);
        }
        if (path.startsWith("/blog/cal?month="))
            return OkReply("<a href=\"cal?month=" + QByteArray::number(path.mid(16).toInt() + 1) +
                           "\">next</a>");
        return OkReply("x", "text/plain");
    });
    auto project = MakeProject(server.URL(u"/blog/"));
    project->SetTrapGuard(true);
    const QStringList log = Run(*project);
    int months = 0;
    int items = 0;
    for (const TRequest& request : server.Requests()) {
        months += request.Path().startsWith("/blog/cal?");
        items += request.Path().startsWith("/blog/item");
    }
    EXPECT_EQ(months, 51);
    EXPECT_EQ(items, 80);
    EXPECT_EQ(log.count(QStringLiteral("Skipped as a likely trap (more than 50 pages in a row that "
                                       "differ only in their numbers): ") +
                        server.URL(u"/blog/cal?month=52")),
              1)
        << log.join(u'\n').toStdString();
}

TEST_F(CrawlScope, DroppedQueryParametersAreRemovedBeforeAURLEntersTheTable) {
    FSite.Html("/blog/", "<a href=\"a.html?utm_source=x\">1</a><a href=\"a.html\">2</a>"
                         "<a href=\"a.html?id=2&amp;gclid=z\">3</a><a href=\"a.html?id=2\">4</a>");
    FSite.Default(OkReply("x", "text/plain"));
    auto project = NewProject();
    project->SetDropQueryParams(QStringLiteral("utm_*;gclid"));
    Run(*project);
    EXPECT_EQ(SortedPaths(FSite.Server()),
              (QList<QByteArray>{"/blog/", "/blog/a.html", "/blog/a.html?id=2"}));
}

TEST_F(CrawlScope, ALimitStopsItsProjectWithALineAndTheSummaryAndTheNextProjectRuns) {
    const QByteArray big(600 * 1024, 'b');
    FSite.Html("/blog/", "<img src=\"1.png\"><img src=\"2.png\"><img src=\"3.png\">"
                         "<img src=\"4.png\"><img src=\"5.png\">");
    FSite.Default(OkReply(big, "image/png"));
    FSite.Html("/other/", "other");
    struct TCase {
        const char* Name;
        void (TWebsiteProject::*Set)(int);
        int Value;
        QString Line;
        int Saved;
    } cases[] = {
        {"files", &TWebsiteProject::SetMaxFiles, 2, QStringLiteral("File limit reached: 2 files."),
         2},
        {"bytes", &TWebsiteProject::SetMaxBytesMB, 1, QStringLiteral("Size limit reached: 1 MB."),
         3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(FOutDir).removeRecursively();
        TWebsiteProjectList list;
        auto project = NewProject();
        (project.get()->*c.Set)(c.Value);
        list.AddProject(std::move(project));
        list.AddProject(MakeProject(Url(u"/other/"), QStringLiteral("Other")));
        const QStringList log = Start(list, QStringLiteral("Blog,Other"));
        const qsizetype line = log.indexOf(c.Line);
        ASSERT_GE(line, 0) << log.join(u'\n').toStdString();
        EXPECT_EQ(log.at(line + 1), Summary(c.Saved, 0, 0, 0, 0));
        EXPECT_EQ(log.at(line + 2), QStringLiteral("Project \"Other\"..."));
        EXPECT_EQ(log.last(), QStringLiteral("Completed."));
        EXPECT_EQ(Tree().count(), c.Saved + 1);
    }
}

TEST_F(CrawlScope, TheTimeLimitAbortsATransferUnderWay) {
    FSite.Html("/blog/", "<img src=\"slow.png\">");
    TReply stalled = OkReply(QByteArray(4096, 's'), "image/png");
    stalled.StallAfter = 100;
    FSite.Page("/blog/slow.png", stalled);
    FSite.Html("/other/", "other");
    TWebsiteProjectList list;
    auto project = NewProject();
    project->SetMaxSeconds(1);
    list.AddProject(std::move(project));
    list.AddProject(MakeProject(Url(u"/other/"), QStringLiteral("Other")));
    const QStringList log = Start(list, QStringLiteral("Blog,Other"));
    const qsizetype line = log.indexOf(QStringLiteral("Time limit reached: 1 s."));
    ASSERT_GE(line, 0) << log.join(u'\n').toStdString();
    EXPECT_EQ(log.at(line + 2), QStringLiteral("Project \"Other\"..."));
    EXPECT_EQ(log.last(), QStringLiteral("Completed."));
    EXPECT_EQ(Saved(QStringLiteral("../Other/index.html")), QByteArray("other"));
}

// The clock starts with the project's run: a sitemap that never answers uses up the time, and
// no entry is begun after it.
TEST_F(CrawlScope, TheTimeLimitCountsTheSitemapsToo) {
    FSite.Html("/blog/", "<p>home</p>");
    TReply stalled = OkReply("<urlset></urlset>", "application/xml");
    stalled.StallAfter = 0; // answered only when the client gives up
    FSite.Page("/sitemap.xml", stalled);
    TRunOptions options = FastOptions();
    options.ReadTimeoutMs = 60000; // far beyond the limit
    FEngine.SetOptions(options);
    auto project = NewProject();
    project->SetSitemaps(true);
    project->SetMaxSeconds(1);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(QStringLiteral("Time limit reached: 1 s.")))
        << log.join(u'\n').toStdString();
    EXPECT_EQ(FSite.Hits("/blog/"), 0);
    EXPECT_EQ(log.at(log.size() - 2), Summary(0, 0, 0, 0, 0)) << log.join(u'\n').toStdString();
}

TEST(CookiesFile, LinesThatDoNotReadAreSkippedWithTheirNumbers) {
    const QByteArray text = "# Netscape HTTP Cookie File\n"
                            "\n"
                            "site\tTRUE\t/\tFALSE\t0\ta\t1\r\n"
                            "#HttpOnly_site\tFALSE\t/x\tTRUE\t1999999999\tb\t\n"
                            "site\tTRUE\t/\tFALSE\tsoon\tc\t3\n"
                            "site\tyes\t/\tFALSE\t0\td\t4\n"
                            "site TRUE / FALSE 0 e 5\n"
                            "site\tTRUE\t/\tFALSE\t0\t\t6\n";
    const TCookiesFile file = ParseCookiesFile(text);
    EXPECT_EQ(file.Lines, (QList<QByteArray>{"site\tTRUE\t/\tFALSE\t0\ta\t1",
                                             "#HttpOnly_site\tFALSE\t/x\tTRUE\t1999999999\tb\t"}));
    EXPECT_EQ(file.MalformedLines, (QList<int>{5, 6, 7, 8}));
}

TEST_F(CrawlScope, ACookiesFileIsSentWithEveryRequestAndNeverWritten) {
    FSite.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"b.html\">b</a>");
    FSite.Default(OkReply("x", "text/plain"));
    const QString path = FRoot.filePath(QStringLiteral("cookies.txt"));
    const QByteArray content = "# Netscape HTTP Cookie File\n"
                               "127.0.0.1\tFALSE\t/blog/\tFALSE\t0\tsession\tabc\n"
                               "broken line\n"
                               "127.0.0.1\tFALSE\t/elsewhere/\tFALSE\t0\tother\tx\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    auto project = NewProject();
    project->SetCookiesFile(path);
    const QStringList log = Run(*project);
    const QList<TRequest> requests = FSite.Server().Requests();
    ASSERT_EQ(requests.size(), 3);
    for (const TRequest& request : requests)
        EXPECT_EQ(request.Header("Cookie"), QByteArray("session=abc"))
            << request.Path().toStdString();
    EXPECT_EQ(log.count(QStringLiteral("Malformed line 3 in cookies file %1, skipped").arg(path)),
              1)
        << log.join(u'\n').toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
}

} // namespace
