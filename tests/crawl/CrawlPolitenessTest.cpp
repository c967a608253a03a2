// robots.txt: read once per host before anything else is requested from it, its group obeyed,
// refused URLs logged and counted, and the same requests, log and files with several transfers.
// Waiting: the starts of two requests to one host lie at least the wait's lower bound apart.
#include "tests/crawl/CrawlFixture.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <vector>

using namespace tarrow;
using namespace tarrow::test;
using namespace Qt::StringLiterals;

namespace {

QString SkippedSummary(int ADownloaded, int AFailed, int ASkipped) {
    QString line = Summary(ADownloaded, 0, 0, 0, AFailed);
    line.chop(1);
    return line + QStringLiteral(", skipped: %1.").arg(ASkipped);
}

class CrawlRobots : public CrawlTest {
protected:
    // Runs AProject with AConnections transfers into its own output folder; the log and the
    // paths requested meanwhile, in the order the server saw them.
    QStringList RunWith(const TWebsiteProject& AProject, int AConnections,
                        QList<QByteArray>* APaths = nullptr) {
        TRunOptions options = FastOptions();
        options.Connections = AConnections;
        TTarrowEngine engine(options);
        TWebsiteProjectList list;
        list.AddProject(std::make_unique<TWebsiteProject>(&AProject));
        const qsizetype before = FSite.Server().Requests().size();
        TMemoryLogSink sink;
        const QString out = FOutDir + QString::number(AConnections);
        engine.Run(list, out, AProject.ProjectName(), &sink);
        if (APaths) {
            APaths->clear();
            for (const TRequest& request : FSite.Server().Requests().mid(before))
                APaths->append(request.Path());
        }
        QStringList log = sink.Lines();
        for (QString& line : log)
            line.replace(out, QStringLiteral("{out}"));
        return log;
    }

    std::unique_ptr<TWebsiteProject> RobotsProject() {
        auto project = NewProject();
        project->SetRobots(true);
        return project;
    }
};

TEST_F(CrawlRobots, ItsGroupIsObeyedAndItIsAskedFirstAndOnce) {
    FSite.Page("/robots.txt", OkReply("User-agent: *\n"
                                      "Disallow: /\n"
                                      "\n"
                                      "User-agent: Tarrow\n"
                                      "Disallow: /blog/private/\n"
                                      "Allow: /blog/private/open.html\n"
                                      "Disallow: /*.pdf$\n",
                                      "text/plain"));
    FSite.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"private/x.html\">x</a>"
                         "<a href=\"private/open.html\">o</a><a href=\"b.pdf\">b</a>"
                         "<a href=\"b.pdf?v=1\">b</a><a href=\"/robots.txt\">r</a>");
    FSite.Default(OkReply("<p>leaf</p>"));
    const auto project = RobotsProject();
    QStringList logs[2];
    const int connections[] = {1, 4};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(connections[i]);
        QList<QByteArray> paths;
        logs[i] = RunWith(*project, connections[i], &paths);
        ASSERT_FALSE(paths.isEmpty());
        EXPECT_EQ(paths.first(), "/robots.txt");
        EXPECT_EQ(paths.count("/robots.txt"), 1);
        EXPECT_FALSE(paths.contains("/blog/private/x.html"));
        EXPECT_FALSE(paths.contains("/blog/b.pdf"));
        EXPECT_TRUE(paths.contains("/blog/b.pdf?v=1"));
        EXPECT_TRUE(paths.contains("/blog/private/open.html"));
        EXPECT_TRUE(logs[i].contains(QStringLiteral("Disallowed by robots.txt: ") +
                                     Url(u"/blog/private/x.html")));
        EXPECT_TRUE(
            logs[i].contains(QStringLiteral("Disallowed by robots.txt: ") + Url(u"/blog/b.pdf")));
        ASSERT_GE(logs[i].size(), 2);
        EXPECT_EQ(logs[i].at(logs[i].size() - 2), SkippedSummary(4, 0, 2));
    }
    EXPECT_EQ(logs[0], logs[1]);
}

// Fetching ahead stops at a host whose robots.txt is not read yet, and never asks for what it
// refuses.
TEST_F(CrawlRobots, EachHostIsAskedBeforeItsFirstRequest) {
    TScriptedSite other;
    other.Page("/robots.txt", OkReply("User-agent: *\nDisallow: /x/\n", "text/plain"));
    other.Default(OkReply("<p>other</p>"));
    FSite.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"b.html\">b</a>");
    FSite.Default(OkReply("<p>leaf</p>"));
    auto project = RobotsProject();
    AddStartPage(*project, Url(u"/blog/"), 1);
    AddStartPage(*project, other.URL(u"/x/y.html"), 0);
    AddStartPage(*project, other.URL(u"/ok.html"), 0);
    QStringList logs[2];
    const int connections[] = {1, 4};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(connections[i]);
        const qsizetype before = other.Server().Requests().size();
        QList<QByteArray> paths;
        logs[i] = RunWith(*project, connections[i], &paths);
        EXPECT_EQ(paths.first(), "/robots.txt");
        EXPECT_EQ(paths.count("/robots.txt"), 1);
        QList<QByteArray> otherPaths;
        for (const TRequest& request : other.Server().Requests().mid(before))
            otherPaths.append(request.Path());
        EXPECT_EQ(otherPaths, (QList<QByteArray>{"/robots.txt", "/ok.html"}));
        ASSERT_GE(logs[i].size(), 2);
        EXPECT_TRUE(logs[i].contains(QStringLiteral("Disallowed by robots.txt: ") +
                                     other.URL(u"/x/y.html")));
        // The other host's page is fetched but lies outside the site: it is not saved.
        EXPECT_EQ(logs[i].at(logs[i].size() - 2), SkippedSummary(3, 0, 1));
    }
    EXPECT_EQ(logs[0], logs[1]);
}

TEST_F(CrawlRobots, AnswersWithoutAFileAllowOrRefuseEverything) {
    TReply stalled = OkReply("User-agent: *\nAllow: /\n", "text/plain");
    stalled.StallAfter = 20;
    TReply elsewhere = Redirect(301, "/moved-robots.txt");
    const struct {
        const char* Name;
        TReply Robots;
        bool Allowed;
    } rows[] = {{"404", MakeReply(404, "Not Found"), true},
                {"403", MakeReply(403, "Forbidden"), true},
                {"500", MakeReply(500, "Internal Server Error"), false},
                {"503", MakeReply(503, "Service Unavailable"), false},
                {"time-out", stalled, false},
                {"redirect on the site", elsewhere, false}};
    FSite.Page("/moved-robots.txt", OkReply("User-agent: *\nDisallow: /blog/\n", "text/plain"));
    FSite.Html("/blog/", "<p>start</p>");
    const auto project = RobotsProject();
    for (const auto& row : rows) {
        for (int connections : {1, 4}) {
            SCOPED_TRACE(testing::Message() << row.Name << ", " << connections);
            FSite.Page("/robots.txt", row.Robots);
            QList<QByteArray> paths;
            const QStringList log = RunWith(*project, connections, &paths);
            ASSERT_GE(log.size(), 2);
            EXPECT_EQ(paths.count("/robots.txt"), 1);
            EXPECT_EQ(paths.contains("/blog/"), row.Allowed);
            EXPECT_EQ(log.contains(QStringLiteral("Disallowed by robots.txt: ") + Url(u"/blog/")),
                      !row.Allowed);
            EXPECT_EQ(log.at(log.size() - 2),
                      row.Allowed ? SkippedSummary(1, 0, 0) : SkippedSummary(0, 0, 1));
        }
    }
}

TEST_F(CrawlRobots, WithoutTheOptionItIsNeverAskedFor) {
    FSite.Page("/robots.txt", OkReply("User-agent: *\nDisallow: /\n", "text/plain"));
    FSite.Html("/blog/", "<a href=\"a.html\">a</a>");
    FSite.Default(OkReply("<p>leaf</p>"));
    for (int connections : {1, 4}) {
        SCOPED_TRACE(connections);
        QList<QByteArray> paths;
        const QStringList log = RunWith(*NewProject(), connections, &paths);
        EXPECT_FALSE(paths.contains("/robots.txt"));
        ASSERT_GE(log.size(), 2);
        EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 0));
    }
}

// The server sees each request a little after it starts; a gap may look this much shorter.
constexpr qint64 kArrivalSlackMs = 25;

// The shortest time between two requests the server saw, in milliseconds.
qint64 ShortestGapMs(const std::vector<std::chrono::steady_clock::time_point>& ATimes) {
    qint64 shortest = std::numeric_limits<qint64>::max();
    for (std::size_t i = 1; i < ATimes.size(); ++i)
        shortest = std::min<qint64>(shortest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  ATimes[i] - ATimes[i - 1])
                                                  .count());
    return shortest;
}

TEST_F(CrawlRobots, RequestsToOneHostStartNoCloserThanTheWaitAllows) {
    FSite.Page("/robots.txt", OkReply("User-agent: *\nCrawl-delay: 0.3\n", "text/plain"));
    FSite.Html("/blog/",
               "<a href=\"a.html\">a</a><a href=\"b.html\">b</a><a href=\"c.html\">c</a>");
    FSite.Default(OkReply("<p>leaf</p>"));
    std::mutex lock;
    std::vector<std::chrono::steady_clock::time_point> times;
    FSite.OnRequest([&](const TRequest&) {
        std::lock_guard guard(lock);
        times.push_back(std::chrono::steady_clock::now());
    });
    const struct {
        const char* Name;
        bool Robots;
        int WaitMs;
        qint64 LeastGapMs;
    } rows[] = {{"wait", false, 240, 120}, {"crawl-delay over a shorter wait", true, 100, 300}};
    for (const auto& row : rows) {
        for (int connections : {1, 4}) {
            SCOPED_TRACE(testing::Message() << row.Name << ", " << connections);
            auto project = NewProject();
            project->SetRobots(row.Robots);
            project->SetWaitMs(row.WaitMs);
            {
                std::lock_guard guard(lock);
                times.clear();
            }
            const QStringList log = RunWith(*project, connections);
            ASSERT_GE(log.size(), 2);
            EXPECT_TRUE(log.at(log.size() - 2).startsWith(u"Downloaded: 4, "_s));
            std::lock_guard guard(lock);
            EXPECT_EQ(times.size(), row.Robots ? 5u : 4u);
            EXPECT_GE(ShortestGapMs(times), row.LeastGapMs - kArrivalSlackMs);
        }
    }
}

} // namespace
