// Sitemaps: the pages they list inside the website prefix follow the start pages, in the order
// listed; robots.txt names them, else /sitemap.xml; indexes and gzip are read; a sitemap that
// cannot be read is one line. The same requests, log and files with several transfers.
#include "tests/crawl/CrawlFixture.h"

#include "tests/support/TestReplies.h"

#include <QDirIterator>

using namespace tarrow;
using namespace tarrow::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray UrlSet(const QStringList& ALocs) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const QString& loc : ALocs)
        xml += "  <url><loc>" + loc.toUtf8() + "</loc></url>\n";
    return xml + "</urlset>\n";
}

QByteArray SitemapIndex(const QStringList& ALocs) {
    QByteArray xml = "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (const QString& loc : ALocs)
        xml += "<sitemap><loc>" + loc.toUtf8() + "</loc></sitemap>";
    return xml + "</sitemapindex>";
}

class CrawlSitemaps : public CrawlTest {
protected:
    std::unique_ptr<TWebsiteProject> SitemapsProject(bool ARobots = false) {
        auto project = NewProject();
        project->SetSitemaps(true);
        project->SetRobots(ARobots);
        return project;
    }

    // Runs AProject with AConnections transfers into its own output folder: the log (the folder
    // written as "{out}"), the paths requested meanwhile and the files saved.
    QStringList RunWith(const TWebsiteProject& AProject, int AConnections,
                        QList<QByteArray>& APaths, QStringList& ATree) {
        TRunOptions options = FastOptions();
        options.Connections = AConnections;
        TTarrowEngine engine(options);
        TWebsiteProjectList list;
        list.AddProject(std::make_unique<TWebsiteProject>(&AProject));
        const qsizetype before = FSite.Server().Requests().size();
        TMemoryLogSink sink;
        const QString out = FOutDir + QString::number(AConnections);
        engine.Run(list, out, AProject.ProjectName(), &sink);
        APaths.clear();
        for (const TRequest& request : FSite.Server().Requests().mid(before))
            APaths.append(request.Path());
        ATree.clear();
        QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            ATree.append(it.next().mid(out.size()));
        ATree.sort();
        QStringList log = sink.Lines();
        for (QString& line : log)
            line.replace(out, QStringLiteral("{out}"));
        return log;
    }

    // The URLs of the "Downloading" lines, in order.
    static QStringList Downloaded(const QStringList& ALog) {
        QStringList urls;
        for (const QString& line : ALog)
            if (line.startsWith(QLatin1String("Downloading [")))
                urls.append(line.mid(line.indexOf(QLatin1String("]: ")) + 3));
        return urls;
    }
};

// Whether robots.txt is obeyed or not, its Sitemap lines are read: it is asked first, the
// sitemap next, and only what the sitemap lists inside the website prefix is added, once.
TEST_F(CrawlSitemaps, TheSitemapOfRobotsTxtAddsItsPagesAfterTheStartPages) {
    FSite.Page("/robots.txt", OkReply("User-agent: *\nDisallow: /blog/private/\n\nSitemap: " +
                                          Url(u"/maps/site.xml").toUtf8() + "\n",
                                      "text/plain"));
    FSite.Page(
        "/maps/site.xml",
        OkReply(UrlSet({Url(u"/blog/b.html"), Url(u"/blog/"), Url(u"/other/x.html"),
                        Url(u"/blog/private/p.html"), QStringLiteral("http://elsewhere/blog/"),
                        Url(u"/blog/c.html?x=1&amp;y=2"), Url(u"/blog/b.html")}),
                "application/xml"));
    FSite.Html("/blog/", "<a href=\"a.html\">a</a>");
    FSite.Default(OkReply("<p>leaf</p>"));
    for (const bool robots : {true, false}) {
        SCOPED_TRACE(robots ? "robots.txt obeyed" : "robots.txt not obeyed");
        const auto project = SitemapsProject(robots);
        QStringList logs[2];
        const int connections[] = {1, 4};
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(connections[i]);
            QList<QByteArray> paths;
            QStringList tree;
            logs[i] = RunWith(*project, connections[i], paths, tree);
            ASSERT_GE(paths.size(), 2);
            EXPECT_EQ(paths.mid(0, 2), (QList<QByteArray>{"/robots.txt", "/maps/site.xml"}));
            EXPECT_EQ(paths.count("/maps/site.xml"), 1);
            EXPECT_FALSE(paths.contains("/other/x.html"));
            EXPECT_EQ(paths.contains("/blog/private/p.html"), !robots);
            QStringList expected{Url(u"/blog/"), Url(u"/blog/b.html"), Url(u"/blog/private/p.html"),
                                 Url(u"/blog/c.html?x=1&y=2"), Url(u"/blog/a.html")};
            EXPECT_EQ(Downloaded(logs[i]), expected);
            EXPECT_TRUE(logs[i].contains(
                QStringLiteral("Sitemap read: %1 (new URLs: 3)").arg(Url(u"/maps/site.xml"))));
            EXPECT_EQ(logs[i].contains(QStringLiteral("Disallowed by robots.txt: ") +
                                       Url(u"/blog/private/p.html")),
                      robots);
            // Neither robots.txt nor the sitemap is saved.
            EXPECT_FALSE(tree.contains(QStringLiteral("/Blog/robots.txt")));
            EXPECT_FALSE(tree.contains(QStringLiteral("/Blog/maps/site.xml")));
            EXPECT_TRUE(tree.contains(QStringLiteral("/Blog/b.html/index.html")));
        }
        EXPECT_EQ(logs[0], logs[1]);
    }
}

TEST_F(CrawlSitemaps, WithoutSitemapLinesSitemapXmlIsRead) {
    FSite.Page("/robots.txt", OkReply("User-agent: *\nDisallow:\n", "text/plain"));
    FSite.Page("/sitemap.xml", OkReply(UrlSet({Url(u"/blog/b.html")}), "text/xml"));
    FSite.Html("/blog/", "<p>start</p>");
    FSite.Default(OkReply("<p>leaf</p>"));
    const QStringList log = Run(*SitemapsProject());
    EXPECT_EQ(FSite.Hits("/robots.txt"), 1);
    EXPECT_EQ(FSite.Hits("/sitemap.xml"), 1);
    EXPECT_EQ(Downloaded(log), (QStringList{Url(u"/blog/"), Url(u"/blog/b.html")}));
    EXPECT_EQ(Saved(u"b.html/index.html"_s), "<p>leaf</p>");
    EXPECT_FALSE(Exists(u"sitemap.xml"_s));
}

// An index is followed in the order it lists its sitemaps, each read once; gzip comes as a
// compressed file or as a compressed transfer; sitemaps on other sites are not asked for.
TEST_F(CrawlSitemaps, AnIndexLeadsToItsSitemapsPlainAndCompressed) {
    TScriptedSite other;
    other.Default(OkReply(UrlSet({Url(u"/blog/x.html")}), "text/xml"));
    FSite.Page("/robots.txt", OkReply("Sitemap: /maps/index.xml\n", "text/plain"));
    FSite.Page(
        "/maps/index.xml",
        OkReply(SitemapIndex({Url(u"/maps/a.xml.gz"), Url(u"/maps/index.xml"), other.URL(u"/m.xml"),
                              Url(u"/maps/b.xml"), Url(u"/maps/n1.xml")}),
                "text/xml"));
    FSite.Page("/maps/a.xml.gz",
               OkReply(GzipCompress(UrlSet({Url(u"/blog/a2.html"), Url(u"/blog/a1.html")})),
                       "application/gzip"));
    FSite.Page("/maps/b.xml",
               MakeReply(200, "OK", {{"Content-Type", "text/xml"}, {"Content-Encoding", "gzip"}},
                         GzipCompress(UrlSet({Url(u"/blog/a1.html"), Url(u"/blog/b.html")}))));
    // Indexes nest three deep at most.
    FSite.Page("/maps/n1.xml", OkReply(SitemapIndex({Url(u"/maps/n2.xml")}), "text/xml"));
    FSite.Page("/maps/n2.xml", OkReply(SitemapIndex({Url(u"/maps/n3.xml")}), "text/xml"));
    FSite.Page("/maps/n3.xml", OkReply(SitemapIndex({Url(u"/maps/b.xml")}), "text/xml"));
    FSite.Html("/blog/", "<p>start</p>");
    FSite.Default(OkReply("<p>leaf</p>"));
    const QStringList log = Run(*SitemapsProject());
    EXPECT_TRUE(log.contains(QStringLiteral("Sitemap not readable: ") + Url(u"/maps/n3.xml") +
                             u": sitemap indexes nested too deeply"_s));
    EXPECT_EQ(Downloaded(log), (QStringList{Url(u"/blog/"), Url(u"/blog/a2.html"),
                                            Url(u"/blog/a1.html"), Url(u"/blog/b.html")}));
    EXPECT_EQ(FSite.Hits("/maps/index.xml"), 1);
    EXPECT_EQ(FSite.Hits("/maps/a.xml.gz"), 1);
    EXPECT_EQ(FSite.Hits("/maps/b.xml"), 1);
    EXPECT_TRUE(other.Server().Requests().isEmpty());
    const QString index = Url(u"/maps/index.xml");
    EXPECT_TRUE(log.contains(QStringLiteral("Sitemap index read: %1 (sitemaps: 5)").arg(index)));
    EXPECT_TRUE(log.contains(QStringLiteral("Sitemaps on other sites left out: 1 in ") + index));
    EXPECT_TRUE(
        log.contains(QStringLiteral("Sitemap read: %1 (new URLs: 1)").arg(Url(u"/maps/b.xml"))));
    EXPECT_EQ(Saved(u"a2.html/index.html"_s), "<p>leaf</p>");
}

// A sitemap that cannot be had or read is one line each, and the crawl goes on.
TEST_F(CrawlSitemaps, AnUnreadableSitemapIsOneLine) {
    FSite.Page("/robots.txt",
               OkReply("Sitemap: /missing.xml\nSitemap: /broken.xml\nSitemap: /page.html\n"
                       "Sitemap: ftp://site/x.xml\nSitemap: /good.xml\n",
                       "text/plain"));
    FSite.Page("/broken.xml", OkReply("<urlset><url><loc>" + Url(u"/blog/lost.html").toUtf8() +
                                          "</loc></url>\n<url><loc>x</url></urlset>",
                                      "text/xml"));
    FSite.Html("/page.html", "<html><body>no map</body></html>");
    FSite.Page("/good.xml", OkReply(UrlSet({Url(u"/blog/b.html")}), "text/xml"));
    FSite.Html("/blog/", "<p>start</p>");
    FSite.Page("/blog/b.html", OkReply("<p>leaf</p>"));
    const QStringList log = Run(*SitemapsProject());
    QStringList unreadable;
    for (const QString& line : log)
        if (line.startsWith(QLatin1String("Sitemap not readable: ")))
            unreadable.append(line);
    ASSERT_EQ(unreadable.size(), 4);
    EXPECT_TRUE(unreadable[0].startsWith(QStringLiteral("Sitemap not readable: ") +
                                         Url(u"/missing.xml") + u": "_s));
    EXPECT_EQ(FSite.Hits("/missing.xml"), 1); // no retries
    EXPECT_TRUE(unreadable[1].startsWith(QStringLiteral("Sitemap not readable: ") +
                                         Url(u"/broken.xml") + u": XML error in line 2"_s));
    EXPECT_EQ(unreadable[2], QStringLiteral("Sitemap not readable: ") + Url(u"/page.html") +
                                 u": not a sitemap (its root element is <html>)"_s);
    EXPECT_EQ(unreadable[3], QStringLiteral("Sitemap not readable: ftp://site/x.xml: not an "
                                            "http or https URL"));
    EXPECT_EQ(Downloaded(log), (QStringList{Url(u"/blog/"), Url(u"/blog/b.html")}));
    EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 0));
}

// A listed page follows its links as far as the project's start does: without start pages
// without limit, else as far as the farthest-reaching start page.
TEST_F(CrawlSitemaps, ListedPagesFollowLinksAsFarAsTheProjectsStart) {
    FSite.Page("/sitemap.xml", OkReply(UrlSet({Url(u"/blog/b.html")}), "text/xml"));
    FSite.Html("/blog/", "<p>start</p>");
    FSite.Html("/blog/b.html", "<a href=\"c.html\">c</a>");
    FSite.Html("/blog/c.html", "<a href=\"d.html\">d</a>");
    FSite.Default(OkReply("<p>leaf</p>"));
    const struct {
        const char* Name;
        QList<int> StartDepths;
        QStringList Pages; // after the start page
    } rows[] = {
        {"no start pages", {}, {u"b.html"_s, u"c.html"_s, u"d.html"_s}},
        {"start pages of depth 0 and 1", {0, 1}, {u"b.html"_s, u"c.html"_s}},
        {"a start page of depth 0", {0}, {u"b.html"_s}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        auto project = SitemapsProject();
        for (const int depth : row.StartDepths)
            AddStartPage(*project, Url(u"/blog/"), depth);
        QStringList expected{Url(u"/blog/")};
        for (const QString& page : row.Pages)
            expected.append(Url(QStringLiteral("/blog/") + page));
        EXPECT_EQ(Downloaded(Run(*project)), expected);
    }
}

} // namespace
