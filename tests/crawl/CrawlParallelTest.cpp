// Several transfers at once: every crawl gives what it gives one transfer at a time (the same log,
// files and requests), only the Referer and cookie timing follow overlapping requests.

#include "tests/crawl/CrawlFixture.h"

#include "engine/uFetchAhead.h"
#include "http/HTTPClientUnit.h"

#include <QDirIterator>
#include <QMap>
#include <QSet>

#include <atomic>
#include <thread>

namespace tarrow::test {

using namespace Qt::StringLiterals;

namespace {

// What one crawl left, with the site's address and the output folder written as placeholders,
// so crawls of two sites into two folders compare.
struct TCrawlResult {
    QStringList Log;
    QMap<QString, QByteArray> Files;
    QMap<QByteArray, int> Requests; // per path
    int Connections = 0;
};

TReply Delayed(TReply AReply, int AMs) {
    AReply.DelayMs = AMs;
    return AReply;
}

TReply WithCookie(QByteArrayView ABody, const QByteArray& ACookie) {
    return MakeReply(200, "OK", {{"Content-Type", "text/html"}, {"Set-Cookie", ACookie}}, ABody);
}

// Pages that link on: /blog/ links p1..p6, each pI links its own qI and a shared page.
void Tree(TScriptedSite& ASite) {
    QByteArray start;
    for (int i = 1; i <= 6; ++i) {
        start += "<a href=\"p" + QByteArray::number(i) + ".html\">p</a>";
        const QByteArray own = "q" + QByteArray::number(i) + ".html";
        ASite.Page("/blog/p" + QByteArray::number(i) + ".html",
                   Delayed(OkReply("<a href=\"" + own + "\">q</a><a href=\"shared.html\">s</a>" +
                                   "<img src=\"img" + QByteArray::number(i % 3) + ".png\">"),
                           (7 - i) * 15));
        ASite.Html("/blog/" + own, "<a href=\"../blog/p1.html\">back</a>");
    }
    ASite.Html("/blog/", start);
    ASite.Html("/blog/shared.html", "<a href=\"p2.html#top\">p2</a>");
    for (int i = 0; i < 3; ++i)
        ASite.Page("/blog/img" + QByteArray::number(i) + ".png",
                   OkReply(QByteArray(100 + i, char('a' + i)), "image/png"));
}

void RedirectsAndFailures(TScriptedSite& ASite) {
    ASite.Html("/blog/", "<a href=\"old.html\">o</a><a href=\"missing.html\">m</a>"
                         "<a href=\"flaky.html\">f</a><a href=\"gone/\">g</a>"
                         "<a href=\"empty.html\">e</a><a href=\"fast.html\">x</a>");
    ASite.Page("/blog/old.html", Redirect(301, "new.html"));
    ASite.Html("/blog/new.html", "<a href=\"deep.html\">d</a>");
    ASite.Html("/blog/deep.html", "deep");
    ASite.Sequence("/blog/flaky.html",
                   {MakeReply(500, "Internal Server Error"), MakeReply(503, "Service Unavailable"),
                    OkReply("<a href=\"late.html\">l</a>")});
    ASite.Html("/blog/late.html", "late");
    ASite.Page("/blog/gone/", Redirect(302, "/elsewhere/page.html"));
    ASite.Html("/elsewhere/page.html", "outside");
    ASite.Page("/blog/empty.html", OkReply(""));
    ASite.Html("/blog/fast.html", "fast");
}

void SlowPageOvertaken(TScriptedSite& ASite) {
    QByteArray start = "<a href=\"slow.html\">s</a>";
    for (int i = 1; i <= 8; ++i)
        start += "<a href=\"f" + QByteArray::number(i) + ".html\">f</a>";
    ASite.Html("/blog/", start);
    ASite.Page("/blog/slow.html", Delayed(OkReply("<a href=\"after-slow.html\">a</a>"), 400));
    for (int i = 1; i <= 8; ++i)
        ASite.Html("/blog/f" + QByteArray::number(i) + ".html",
                   "<a href=\"g" + QByteArray::number(i) + ".html\">g</a>");
    ASite.Default(OkReply("default page"));
}

// A missing page retried early in the table, and pages after it that link on two levels deep,
// to pages found more than once and to a page off the site; more pages than may wait in memory.
void NotFoundRetriedEarly(TScriptedSite& ASite) {
    QByteArray start = "<a href=\"missing.html\">m</a>";
    for (int i = 1; i <= 12; ++i) {
        const QByteArray n = QByteArray::number(i);
        start += "<a href=\"p" + n + ".html\">p</a>";
        ASite.Html("/blog/p" + n + ".html", "<a href=\"q" + n + ".html\">q</a>" +
                                                "<a href=\"shared.html\">s</a>" +
                                                "<a href=\"/elsewhere/x.html\">x</a>");
        ASite.Html("/blog/q" + n + ".html",
                   "<a href=\"r" + n + ".html\">r</a><a href=\"p1.html\">p1</a>");
        ASite.Html("/blog/r" + n + ".html",
                   "<img src=\"img" + QByteArray::number(i % 2) + ".png\">");
    }
    ASite.Html("/blog/", start);
    ASite.Html("/blog/shared.html", "<a href=\"missing.html\">m</a>");
    // Slow enough that the pages after it arrive while it is tried again.
    ASite.Page("/blog/missing.html", Delayed(MakeReply(404, "Not Found"), 30));
    ASite.Default(MakeReply(404, "Not Found"));
}

// Bodies large enough to wait their turn on disk, behind a slow page.
void LargeBodiesWaiting(TScriptedSite& ASite) {
    QByteArray start = "<a href=\"slow.html\">s</a>";
    for (int i = 1; i <= 3; ++i) {
        const QByteArray name = "big" + QByteArray::number(i) + ".bin";
        start += "<a href=\"" + name + "\">b</a>";
        QByteArray body(5 << 20, char('0' + i));
        body.replace(0, 4, "BIG" + QByteArray::number(i));
        ASite.Page("/blog/" + name, OkReply(body, "application/octet-stream"));
    }
    ASite.Html("/blog/", start);
    ASite.Page("/blog/slow.html", Delayed(OkReply("slow"), 300));
}

// Each transfer keeps its own read time-out: the stalled one fails every attempt, the one that
// trickles in longer than the time-out is never cut, the quick ones pass both.
void StalledAndTrickling(TScriptedSite& ASite) {
    ASite.Html("/blog/", "<a href=\"stalled.html\">s</a><a href=\"steady.html\">t</a>"
                         "<a href=\"q1.html\">1</a><a href=\"q2.html\">2</a>");
    TReply stalled = OkReply("never");
    stalled.StallAfter = 20;
    ASite.Page("/blog/stalled.html", stalled);
    TReply steady = OkReply(QByteArray(60, 's'), "text/plain");
    steady.TrickleChunk = 6;
    steady.TrickleDelayMs = 100;
    ASite.Page("/blog/steady.html", steady);
    ASite.Html("/blog/q1.html", "q1");
    ASite.Html("/blog/q2.html", "q2");
}

void CookiesMidCrawl(TScriptedSite& ASite) {
    ASite.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"b.html\">b</a>");
    ASite.Page("/blog/a.html", WithCookie("<a href=\"c.html\">c</a>", "k=v; Path=/"));
    ASite.Html("/blog/b.html", "b");
    ASite.Html("/blog/c.html", "c");
}

class CrawlParallel : public ::testing::Test {
protected:
    TCrawlResult Crawl(const std::function<void(TScriptedSite&)>& ABuild, int AConnections,
                       TScriptedSite& ASite, int AReadTimeoutMs = 3000,
                       const std::function<void(TWebsiteProject&)>& ATune = {}) {
        ABuild(ASite);
        QTemporaryDir root;
        const QString outDir = root.filePath(u"out"_s);
        TRunOptions options = FastOptions();
        options.Connections = AConnections;
        options.ReadTimeoutMs = AReadTimeoutMs;
        TTarrowEngine engine(options);
        TWebsiteProjectList list;
        list.AddProject(MakeProject(ASite.URL(u"/blog/")));
        if (ATune)
            ATune(*list.GetProject(0));
        TMemoryLogSink sink;
        engine.Run(list, outDir, u"Blog"_s, &sink);

        TCrawlResult result;
        for (QString line : sink.Lines())
            result.Log.append(line.replace(outDir, u"<out>"_s)
                                  .replace(ASite.URL(u""), u"<site>"_s)
                                  .replace(ASite.HostPort(), u"<host>"_s));
        QDirIterator files(outDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            result.Files.insert(path.mid(outDir.size()), file.readAll());
        }
        QSet<int> connections;
        for (const TRequest& request : ASite.Server().Requests()) {
            ++result.Requests[request.Path()];
            connections.insert(request.Connection);
        }
        result.Connections = int(connections.size());
        return result;
    }
    TCrawlResult Crawl(const std::function<void(TScriptedSite&)>& ABuild, int AConnections,
                       int AReadTimeoutMs) {
        TScriptedSite site;
        return Crawl(ABuild, AConnections, site, AReadTimeoutMs);
    }
};

} // namespace

TEST_F(CrawlParallel, GivesTheSequentialResult) {
    const struct {
        const char* Name;
        std::function<void(TScriptedSite&)> Build;
        bool SlowReplies; // so slow that other transfers must overlap them
        int ReadTimeoutMs = 3000;
    } rows[] = {
        {"pages found while later entries are in flight", Tree, true},
        {"redirects, failures, retries and an empty reply", RedirectsAndFailures, false},
        {"a slow page overtaken by fast ones", SlowPageOvertaken, true},
        {"a missing page retried before pages that link on", NotFoundRetriedEarly, false},
        {"a cookie set mid-crawl", CookiesMidCrawl, false},
        {"large bodies waiting for their turn", LargeBodiesWaiting, true},
        {"a stalled page and a slow but steady one among quick ones", StalledAndTrickling, true,
         250},
        {"over TLS",
         [](TScriptedSite& ASite) {
             ASite.SetServer(TScriptedServer::TLS());
             Tree(ASite);
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TCrawlResult one = Crawl(row.Build, 1, row.ReadTimeoutMs);
        for (const int connections : {2, 4}) {
            SCOPED_TRACE(connections);
            const TCrawlResult many = Crawl(row.Build, connections, row.ReadTimeoutMs);
            EXPECT_EQ(many.Log, one.Log);
            EXPECT_EQ(many.Files, one.Files);
            EXPECT_EQ(many.Requests, one.Requests);
            if (row.SlowReplies) {
                EXPECT_GT(many.Connections, 1); // the transfers did overlap
            }
        }
        EXPECT_FALSE(one.Files.isEmpty());
    }
}

// The crawl reads the entry it takes next at once: reading it ahead as well would only hold up
// the requests after it. Whether that entry failed, came at once or came late, none is read ahead.
TEST(FetchAhead, LeavesTheEntryTheCrawlTakesNextToTheCrawl) {
    TScriptedSite site;
    site.Page("/blog/missing.html", MakeReply(404, "Not Found"));
    site.Page("/blog/slow.html", Delayed(OkReply("slow"), 100));
    for (const char* name : {"a", "b", "c"})
        site.Html(QByteArray("/blog/") + name + ".html", name);
    TURLList table(NativePathReading());
    for (const QString& path :
         {u"missing.html"_s, u"a.html"_s, u"slow.html"_s, u"b.html"_s, u"c.html"_s})
        table.AddURL(utA, site.URL(u"/blog/"_s + path), site.URL(u"/blog/"_s), u"index.html"_s,
                     u"out"_s, 1, 1, nullptr, QString());
    const QStringList referers(table.Count());
    TRunOptions options = FastOptions();
    options.HTTPRetries = 0;
    const TRunContext context(nullptr, nullptr, NativePathReading(), options);
    THTTPClient client(u"test"_s, QString(), 5, 5);
    QTemporaryDir spill;
    TFetchAhead ahead(client.RequestSettings(), 3, spill.path(), context);
    QList<int> scanned;
    ahead.SetLinkScan([&scanned](TURLList&, int AIndex, const TFetched&) {
        scanned.append(AIndex);
        return QString();
    });
    QList<bool> succeeded;
    for (int i = 0; i < table.Count(); ++i) {
        const TFetchOutcome outcome = ahead.Take(i, table, referers);
        succeeded.append(outcome.Fetched.Succeeded);
        if (outcome.Fetched.Succeeded)
            ahead.Found(i, table, referers);
    }
    EXPECT_EQ(succeeded, QList<bool>({false, true, true, true, true}));
    EXPECT_EQ(scanned, QList<int>());
}

// Pages fetched ahead, and pages found on them, that the limit then leaves out are never saved.
TEST_F(CrawlParallel, AFileLimitLeavesWhatWasFetchedAheadUnsaved) {
    for (const int limit : {3, 8}) {
        SCOPED_TRACE(limit);
        TScriptedSite oneSite;
        const auto tune = [limit](TWebsiteProject& AProject) { AProject.SetMaxFiles(limit); };
        const TCrawlResult one = Crawl(NotFoundRetriedEarly, 1, oneSite, 3000, tune);
        TScriptedSite manySite;
        const TCrawlResult many = Crawl(NotFoundRetriedEarly, 4, manySite, 3000, tune);
        EXPECT_EQ(many.Log, one.Log);
        EXPECT_EQ(many.Files, one.Files);
        EXPECT_EQ(one.Files.size(), limit);
        EXPECT_TRUE(one.Log.contains(u"File limit reached: %1 files."_s.arg(limit)));
    }
}

// The scope is asked about the links of pages read ahead without a trace: a trap is logged once,
// when the crawl reaches the page that links to it.
TEST_F(CrawlParallel, TrapsOnPagesReadAheadAreLoggedInTurn) {
    const auto build = [](TScriptedSite& ASite) {
        NotFoundRetriedEarly(ASite);
        for (int i = 1; i <= 12; ++i)
            ASite.Html("/blog/r" + QByteArray::number(i) + ".html",
                       "<a href=\"t/t/t/t/t" + QByteArray::number(i % 3) + ".html\">t</a>");
    };
    const auto guard = [](TWebsiteProject& AProject) { AProject.SetTrapGuard(true); };
    TScriptedSite oneSite;
    const TCrawlResult one = Crawl(build, 1, oneSite, 3000, guard);
    TScriptedSite manySite;
    const TCrawlResult many = Crawl(build, 4, manySite, 3000, guard);
    EXPECT_EQ(many.Log, one.Log);
    EXPECT_EQ(many.Files.keys(), one.Files.keys()); // the trap links name each site's port
    EXPECT_EQ(many.Requests, one.Requests);
    EXPECT_EQ(one.Log.filter(u"Skipped as a likely trap"_s).size(), 3);
}

TEST_F(CrawlParallel, RequestsNameThePageTheyWereFoundOnAndCarryTheCookiesKnown) {
    TScriptedSite site;
    Crawl(CookiesMidCrawl, 4, site);
    QHash<QByteArray, TRequest> requests;
    for (const TRequest& request : site.Server().Requests())
        requests.insert(request.Path(), request);
    ASSERT_EQ(requests.size(), 4);
    EXPECT_FALSE(requests["/blog/"].HasHeader("Referer"));
    EXPECT_EQ(requests["/blog/b.html"].Header("Referer"), site.URL(u"/blog/").toUtf8());
    EXPECT_EQ(requests["/blog/c.html"].Header("Referer"), site.URL(u"/blog/a.html").toUtf8());
    // c.html is found on the page that set the cookie, so its request starts after it.
    EXPECT_FALSE(requests["/blog/"].HasHeader("Cookie"));
    EXPECT_EQ(requests["/blog/c.html"].Header("Cookie"), "k=v");
}

TEST_F(CrawlParallel, BreakAbortsEveryTransferInFlight) {
    TScriptedSite site;
    QByteArray start;
    for (int i = 1; i <= 6; ++i)
        start += "<a href=\"s" + QByteArray::number(i) + ".html\">s</a>";
    site.Html("/blog/", start);
    TReply stalled = OkReply("never");
    stalled.StallAfter = 0;
    site.Default(stalled);
    TRunOptions options = FastOptions();
    options.ReadTimeoutMs = 60000;
    TTarrowEngine engine(options);
    std::atomic<int> inFlight{0};
    site.OnRequest([&](const TRequest& ARequest) {
        if (ARequest.Path() != "/blog/" && ++inFlight == 4)
            engine.Terminated().Set();
    });
    TWebsiteProjectList list;
    list.AddProject(MakeProject(site.URL(u"/blog/")));
    list.GetProject(0)->SetConnections(4); // the project's own number, this time
    QTemporaryDir root;
    TMemoryLogSink sink;
    engine.Run(list, root.filePath(u"out"_s), u"Blog"_s, &sink);
    const QStringList log = sink.Lines();
    ASSERT_GE(log.size(), 4);
    EXPECT_EQ(log.mid(log.size() - 4),
              (QStringList{u"Downloading [ 2 / 7 ]: "_s + site.URL(u"/blog/s1.html"), u"Aborted."_s,
                           Summary(1, 0, 0, 0, 1), u"Terminated."_s}));
    EXPECT_EQ(inFlight.load(), 4); // nothing started after the break
}

} // namespace tarrow::test
