// Fetching one entry: attempts and retries, empty bodies, redirects and "Break".
#include "tests/crawl/CrawlFixture.h"

#include <chrono>
#include <thread>

using namespace tarrow;
using namespace tarrow::test;
using namespace Qt::StringLiterals;

namespace {

using CrawlFetch = CrawlTest;

int CountStartingWith(const QStringList& ALines, const QString& APrefix) {
    return int(std::count_if(ALines.begin(), ALines.end(),
                             [&](const QString& l) { return l.startsWith(APrefix); }));
}

TEST_F(CrawlFetch, AnErrorStatusIsTriedSixTimesAndCountedFailed) {
    auto project = NewProject();
    const QStringList log = Run(*project);
    QStringList expected{QStringLiteral("Project \"Blog\"..."),
                         QStringLiteral("Downloading [ 1 / 1 ]: ") + Url(u"/blog/")};
    for (int n = 1; n <= 6; ++n) {
        expected.append(QStringLiteral("HTTP/1.1 404 Not Found."));
        if (n <= 5)
            expected.append(QStringLiteral("Retry #%1...").arg(n));
    }
    expected << Summary(0, 0, 0, 0, 1) << QStringLiteral("Completed.");
    EXPECT_EQ(log, expected);
    EXPECT_EQ(FSite.Hits("/blog/"), 6);
    EXPECT_TRUE(Tree().isEmpty());
}

TEST_F(CrawlFetch, AnEmptyBodyIsCountedEmptyAndNeverRetried) {
    struct Row {
        const char* Name;
        TReply Reply;
    };
    const Row rows[] = {
        {"no body", OkReply("")},
        // libcurl refuses the header itself; a length below 0 still means no content.
        {"a negative length", TReply{"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                     "Content-Length: -5\r\n\r\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TScriptedSite site;
        site.Page("/blog/", row.Reply);
        auto project = NewProject();
        project->SetWebsiteURL(site.URL(u"/blog/"));
        const QStringList log = Run(*project);
        EXPECT_EQ(site.Hits("/blog/"), 1);
        EXPECT_EQ(log.at(log.size() - 2), Summary(0, 0, 0, 1, 0)) << log.join(u'\n').toStdString();
        EXPECT_FALSE(Exists(QStringLiteral("index.html")));
    }
}

TEST_F(CrawlFetch, APartialBodyOfAFailedAttemptNeverPrecedesTheNextOne) {
    const QByteArray page = "<p>" + QByteArray(200, 'x') + "</p>";
    TReply broken = OkReply(page);
    broken.CloseAfter = broken.Bytes.size() - 100;
    FSite.Sequence("/blog/", {broken, OkReply(page)});
    const QStringList log = Run(*NewProject());
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("Retry #1...")), 1);
    EXPECT_EQ(log.at(log.size() - 2), Summary(1, 0, 0, 0, 0));
    EXPECT_EQ(Saved(QStringLiteral("index.html")), page);
}

TEST_F(CrawlFetch, BreakStopsTheRetriesAfterTheCurrentAttempt) {
    FSite.OnRequest([this](const TRequest&) {
        if (FSite.Hits("/blog/") == 1) // the second attempt is under way
            FEngine.Terminated().Set();
    });
    const QStringList log = Run(*NewProject());
    EXPECT_EQ(FSite.Hits("/blog/"), 2);
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("Retry #")), 1);
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{Summary(0, 0, 0, 0, 1), QStringLiteral("Terminated.")}));
}

TEST_F(CrawlFetch, BreakAbortsTheTransferUnderWay) {
    TReply stalled = OkReply(QByteArray(1000, 'x'));
    stalled.StallAfter = 100;
    FSite.Page("/blog/", stalled);
    std::jthread breaker;
    FSite.OnRequest([&](const TRequest&) {
        breaker = std::jthread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            FEngine.Terminated().Set();
        });
    });
    const QStringList log = Run(*NewProject());
    EXPECT_EQ(log, (QStringList{QStringLiteral("Project \"Blog\"..."),
                                QStringLiteral("Downloading [ 1 / 1 ]: ") + Url(u"/blog/"),
                                QStringLiteral("Aborted."), Summary(0, 0, 0, 0, 1),
                                QStringLiteral("Terminated.")}));
    EXPECT_EQ(FSite.Hits("/blog/"), 1);
}

TEST_F(CrawlFetch, RedirectsWithinTheSite) {
    // A folder URL without its "/": the path already names the index file.
    FSite.Html("/blog/", "<a href=\"a\">a</a><img src=\"i.png\">");
    FSite.Page("/blog/a", Redirect(301, "/blog/a/"));
    // Relative links of a redirected page resolve against the redirect target.
    FSite.Html("/blog/a/", "<a href=\"x.html\">x</a>");
    FSite.Html("/blog/a/x.html", "x");
    // An image redirected to a folder URL gets the index file name.
    FSite.Page("/blog/i.png", Redirect(302, "pics/"));
    FSite.Html("/blog/pics/", "pics");
    const QStringList log = Run(*NewProject());
    EXPECT_TRUE(log.contains(QStringLiteral("Redirect to: /blog/a/")));
    EXPECT_TRUE(log.contains(QStringLiteral("Redirect to: pics/")));
    EXPECT_EQ(Tree(), (QStringList{QStringLiteral("Blog/a/index.html"),
                                   QStringLiteral("Blog/a/x.html/index.html"),
                                   QStringLiteral("Blog/i.png/index.html"),
                                   QStringLiteral("Blog/index.html")}));
    EXPECT_EQ(Saved(QStringLiteral("a/index.html")),
              QByteArray("<a href=\"x.html/index.html\">x</a>"));
    EXPECT_EQ(Saved(QStringLiteral("i.png/index.html")), QByteArray("pics"));
}

TEST_F(CrawlFetch, StartPagesOutsideTheSite) {
    FSite.Page("/go-home", Redirect(302, "/blog/"));
    FSite.Html("/blog/", "home");
    FSite.Page("/go-away", Redirect(302, "/elsewhere/"));
    FSite.Html("/elsewhere/", "away");
    FSite.Html("/plain", "plain");
    auto project = NewProject();
    AddStartPage(*project, QStringLiteral("/plain"), 0);
    AddStartPage(*project, QStringLiteral("/go-away"), 0);
    AddStartPage(*project, QStringLiteral("/go-home"), 0);
    const QStringList log = Run(*project);
    // Fetched but not saved, unless redirected into the site: then as the page the site has there.
    EXPECT_EQ(FSite.Hits("/plain"), 1);
    EXPECT_EQ(FSite.Hits("/elsewhere/"), 1);
    EXPECT_EQ(Tree(), QStringList{QStringLiteral("Blog/index.html")});
    EXPECT_EQ(Saved(QStringLiteral("index.html")), QByteArray("home"));
    EXPECT_EQ(log.at(log.size() - 2), Summary(1, 0, 0, 0, 0));
}

TEST_F(CrawlFetch, AWebsiteURLWithoutAPathStaysOnItsSite) {
    FSite.Html("/", "<a href=\"/p.html\">p</a><img src=\"http://localhost:" +
                        FSite.HostPort().section(u':', 1).toUtf8() + "/x.png\">");
    FSite.Html("/p.html", "p");
    auto project = NewProject();
    project->SetWebsiteURL(QStringLiteral("http://") + FSite.HostPort());
    AddStartPage(*project, QStringLiteral("/"), 5);
    Run(*project);
    EXPECT_EQ(FSite.Hits("/x.png"), 0); // another host is another site
    EXPECT_EQ(Tree(), (QStringList{QStringLiteral("Blog/index.html"),
                                   QStringLiteral("Blog/p.html/index.html")}));
}

TEST_F(CrawlFetch, AWebsiteURLWithoutAPathOrStartPagesCrawlsFromTheTopPage) {
    FSite.Html("/", "<a href=\"/p.html\">p</a>");
    FSite.Html("/p.html", "p");
    auto project = NewProject();
    project->SetWebsiteURL(QStringLiteral("http://") + FSite.HostPort());
    const QStringList log = Run(*project);
    EXPECT_EQ(log.at(1), QStringLiteral("Downloading [ 1 / 1 ]: ") + Url(u"/"));
    EXPECT_EQ(Tree(), (QStringList{QStringLiteral("Blog/index.html"),
                                   QStringLiteral("Blog/p.html/index.html")}));
}

// Every attempt of a URL names the page that linked it, also after an attempt without a reply.
TEST_F(CrawlFetch, EveryAttemptNamesThePageThatLinkedIt) {
    FSite.Html("/blog/", "<a href=\"post.html\">Post</a>");
    TReply dropped = OkReply("<p>post</p>");
    dropped.CloseAfter = 0;
    FSite.Sequence("/blog/post.html",
                   {dropped, MakeReply(503, "Service Unavailable"), OkReply("<p>post</p>")});
    const QStringList log = Run(*NewProject());
    EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 0)) << log.join(u'\n').toStdString();
    QList<QByteArray> referers;
    for (const TRequest& request : FSite.Server().Requests())
        if (request.Path() == "/blog/post.html")
            referers.append(request.Header("Referer"));
    EXPECT_EQ(referers, QList<QByteArray>(3, Url(u"/blog/").toUtf8()));
}

TEST_F(CrawlFetch, ARefusedConnectionFailsWithAClearLine) {
    auto project = NewProject();
    project->SetWebsiteURL(QStringLiteral("http://127.0.0.1:1/blog/"));
    const QStringList log = Run(*project);
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[2].contains(QStringLiteral("127.0.0.1:1"))) << log[2].toStdString();
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("Retry #")), 5);
    EXPECT_EQ(log.at(log.size() - 2), Summary(0, 0, 0, 0, 1));
}

} // namespace

TEST_F(CrawlFetch, RetryTransientOnlyRetriesWhatMaySucceedAndWaitsAsAsked) {
    struct TRow {
        const char* Name;
        QList<TReply> Replies; // for /blog/, the last repeating
        int Hits;              // requests of /blog/
        QStringList Retries;   // the retry lines, in order
    };
    const TReply ok = OkReply("<p>ok</p>");
    const TRow rows[] = {
        {"404 fails at once", {MakeReply(404, "Not Found")}, 1, {}},
        {"410 fails at once", {MakeReply(410, "Gone")}, 1, {}},
        {"500 then success", {MakeReply(500, "Internal Server Error"), ok}, 2, {u"Retry #1..."_s}},
        {"503 asks for a second",
         {MakeReply(503, "Service Unavailable", {{"Retry-After", "1"}}), ok},
         2,
         {u"Retry #1 in 1 s..."_s}},
        {"429 with a past date",
         {MakeReply(429, "Too Many Requests", {{"Retry-After", "Sun, 06 Nov 1994 08:49:37 GMT"}}),
          ok},
         2,
         {u"Retry #1 in 0 s..."_s}},
        {"a redirect loop fails at once",
         {MakeReply(302, "Found", {{"Location", "/blog/"}})},
         16,
         {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TScriptedSite site;
        site.Sequence("/blog/", row.Replies);
        auto project = MakeProject(site.URL(u"/blog/"), QStringLiteral("Blog"));
        project->SetRetryTransientOnly(true);
        const QStringList log = Run(*project);
        QStringList retries;
        for (const QString& line : log)
            if (line.startsWith(QLatin1String("Retry #")))
                retries.append(line);
        EXPECT_EQ(retries, row.Retries) << log.join(u'\n').toStdString();
        EXPECT_EQ(site.Hits("/blog/"), row.Hits);
    }
}
