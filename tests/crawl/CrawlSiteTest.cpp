// A whole site: the log of a crawl, the saved tree, rewritten links, rules and policies.
#include "tests/crawl/CrawlFixture.h"

using namespace tarrow;
using namespace tarrow::test;

namespace {

class CrawlSite : public CrawlTest {
protected:
    void ServeBlog() {
        FSite.Html("/blog/",
                   "<html><head><link rel=\"stylesheet\" type=\"text/css\" "
                   "href=\"css/site.css\"></head><body>"
                   "<a href=\"post.html#c\">Post</a> <img src=\"img/a.png\">"
                   "<a href=\"logout\">Out</a> <a href=\"http://elsewhere.invalid/x\">x</a>"
                   "<a href=\"mailto:me@example.invalid\">me</a>"
                   "<p>Copyright 2024</p></body></html>");
        FSite.Html("/blog/post.html", "<a href=\"./\">Home</a><img src=\"img/a.png\">");
        FSite.Page("/blog/css/site.css", OkReply("body{}", "text/css"));
        FSite.Page("/blog/img/a.png", OkReply("PNG-bytes", "image/png"));
    }
};

TEST_F(CrawlSite, LogTreeAndRewrittenLinks) {
    ServeBlog();
    auto project = NewProject();
    project->SuppressURLs().append(QStringLiteral("LOGOUT"));
    project->ReplacePatterns().append(QStringLiteral("copyright (\\d+)"));
    project->ReplaceRules().append(QStringLiteral("(c) $1"));
    const QStringList log = Run(*project);
    const QString out = FOutDir + QStringLiteral("/Blog/");
    const QStringList expected{
        QStringLiteral("Project \"Blog\"..."),
        QStringLiteral("Downloading [ 1 / 1 ]: ") + Url(u"/blog/"),
        QStringLiteral("3 new URLs extracted."),
        QStringLiteral("Saving: ") + out + QStringLiteral("index.html"),
        QStringLiteral("Downloading [ 2 / 4 ]: ") + Url(u"/blog/css/site.css"),
        QStringLiteral("Saving: ") + out + QStringLiteral("css/site.css"),
        QStringLiteral("Downloading [ 3 / 4 ]: ") + Url(u"/blog/post.html#c"),
        QStringLiteral("0 new URLs extracted."),
        QStringLiteral("Saving: ") + out + QStringLiteral("post.html/index.html"),
        QStringLiteral("Downloading [ 4 / 4 ]: ") + Url(u"/blog/img/a.png"),
        QStringLiteral("Saving: ") + out + QStringLiteral("img/a.png"),
        Summary(4, 0, 0, 0, 0),
        QStringLiteral("Completed."),
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Tree(),
              (QStringList{QStringLiteral("Blog/css/site.css"), QStringLiteral("Blog/img/a.png"),
                           QStringLiteral("Blog/index.html"),
                           QStringLiteral("Blog/post.html/index.html")}));
    const QByteArray index = Saved(QStringLiteral("index.html"));
    EXPECT_TRUE(index.contains("href=\"css/site.css\""));
    EXPECT_TRUE(index.contains("<a href=\"post.html/index.html\">"));
    EXPECT_TRUE(index.contains("<img src=\"img/a.png\">"));
    EXPECT_TRUE(index.contains("<a href=\"" + Url(u"/blog/logout").toUtf8() + "\">"));
    EXPECT_TRUE(index.contains("<a href=\"http://elsewhere.invalid/x\">"));
    EXPECT_TRUE(index.contains("<a href=\"mailto:me@example.invalid\">"));
    EXPECT_TRUE(index.contains("<p>(c) 2024</p>"));
    const QByteArray post = Saved(QStringLiteral("post.html/index.html"));
    EXPECT_EQ(post, QByteArray("<a href=\"../index.html\">Home</a><img src=\"../img/a.png\">"));
    EXPECT_EQ(Saved(QStringLiteral("img/a.png")), QByteArray("PNG-bytes"));
    EXPECT_EQ(FSite.Hits("/blog/logout"), 0);
    // The referer chain and one client per project: each request names the one before it.
    const QList<TRequest> requests = FSite.Server().Requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_FALSE(requests[0].HasHeader("Referer"));
    EXPECT_EQ(requests[1].Header("Referer"), Url(u"/blog/").toUtf8());
}

TEST_F(CrawlSite, LinkFormsWithoutRelativePaths) {
    struct Row {
        const char* BaseURL;
        QByteArray Post; // the rewritten link of post.html
        QByteArray Home;
    };
    const QByteArray fileRoot = "file://" + FOutDir.toUtf8() + "/Blog/";
    const Row rows[] = {
        {"", fileRoot + "post.html/index.html", fileRoot + "index.html"},
        {"https://mirror\\site", "https://mirror/site/post.html/", "https://mirror/site/"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.BaseURL);
        FSite.Html("/blog/", "<a href=\"post.html\">p</a>");
        FSite.Html("/blog/post.html", "<a href=\"./\">h</a>");
        auto project = NewProject();
        project->SetRelativePathLinks(false);
        project->SetBaseURL(QString::fromLatin1(row.BaseURL));
        Run(*project);
        EXPECT_EQ(Saved(QStringLiteral("index.html")), "<a href=\"" + row.Post + "\">p</a>");
        EXPECT_EQ(Saved(QStringLiteral("post.html/index.html")),
                  "<a href=\"" + row.Home + "\">h</a>");
    }
}

TEST_F(CrawlSite, OverwritePoliciesOnASecondRun) {
    FSite.Html("/blog/", "<img src=\"a.png\">v1");
    FSite.Page("/blog/a.png", OkReply("img", "image/png"));
    auto project = NewProject();
    project->SetOverwrite(ofChanged);
    Run(*project);
    const QString page = Out(QStringLiteral("index.html"));
    const QString image = Out(QStringLiteral("a.png"));

    QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(QStringLiteral("File does not changed: ") + page));
    EXPECT_TRUE(log.contains(QStringLiteral("File does not changed: ") + image));
    EXPECT_EQ(log.at(log.size() - 2), Summary(0, 0, 2, 0, 0));

    // The comparison is made on the processed page: a new replace rule changes it.
    project->ReplacePatterns().append(QStringLiteral("v1"));
    project->ReplaceRules().append(QStringLiteral("v2"));
    log = Run(*project);
    EXPECT_TRUE(log.contains(QStringLiteral("Saving: ") + page));
    EXPECT_EQ(Saved(QStringLiteral("index.html")), QByteArray("<img src=\"a.png\">v2"));
    EXPECT_EQ(log.at(log.size() - 2), Summary(1, 0, 1, 0, 0));

    project->SetOverwrite(ofNone);
    log = Run(*project);
    EXPECT_TRUE(log.contains(QStringLiteral("File already exists: ") + page));
    EXPECT_EQ(log.at(log.size() - 2), Summary(0, 2, 0, 0, 0));

    project->SetOverwrite(ofAll);
    log = Run(*project);
    EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 0));
}

TEST_F(CrawlSite, CharacterSetsAndCompression) {
    // windows-1251 from the header: decoded, saved as UTF-8 with a byte-order mark.
    FSite.Page("/blog/",
               MakeReply(200, "OK", {{"Content-Type", "text/html; charset=windows-1251"}},
                         QByteArray("<p>\xCF\xF0\xE8\xE2\xE5\xF2</p><a href=\"g.html\">g</a>")));
    // gzip, with UTF-8 declared only in a meta element: not decoded twice.
    const QByteArray utf8Page = "<meta charset=\"utf-8\"><p>caf\xC3\xA9</p>";
    FSite.Page("/blog/g.html",
               MakeReply(200, "OK", {{"Content-Type", "text/html"}, {"Content-Encoding", "gzip"}},
                         GzipCompress(utf8Page)));
    auto project = NewProject();
    Run(*project);
    EXPECT_EQ(Saved(QStringLiteral("index.html")),
              QByteArray("\xEF\xBB\xBF<p>Привет</p><a href=\"g.html/index.html\">g</a>"));
    EXPECT_EQ(Saved(QStringLiteral("g.html/index.html")), utf8Page);
    EXPECT_TRUE(FSite.Server().Requests()[0].Header("Accept-Encoding") == "gzip, deflate");
}

TEST_F(CrawlSite, UnknownCharsetAndOtherContentTypes) {
    FSite.Page("/blog/",
               MakeReply(200, "OK", {{"Content-Type", "text/html; charset=x-unknown"}},
                         QByteArray("<a href=\"s.css\">\xE9</a><a href=\"x.xhtml\">x</a>")));
    FSite.Page("/blog/s.css", OkReply("a{background:url(i.png)}", "text/css"));
    // An XHTML page is a page like an HTML one: its links are followed and rewritten.
    FSite.Page("/blog/x.xhtml",
               OkReply("<html><a href=\"n.html\">n</a></html>", "application/xhtml+xml"));
    FSite.Html("/blog/n.html", "n");
    auto project = NewProject();
    Run(*project);
    // Each byte became the character of the same code; the copy is UTF-8 with a mark.
    EXPECT_EQ(Saved(QStringLiteral("index.html")),
              QByteArray("\xEF\xBB\xBF<a href=\"s.css\">\xC3\xA9</a>"
                         "<a href=\"x.xhtml/index.html\">x</a>"));
    EXPECT_EQ(Saved(QStringLiteral("x.xhtml/index.html")),
              QByteArray("<html><a href=\"../n.html/index.html\">n</a></html>"));
    EXPECT_EQ(FSite.Hits("/blog/n.html"), 1);
    // A style sheet is written as received.
    EXPECT_EQ(Saved(QStringLiteral("s.css")), QByteArray("a{background:url(i.png)}"));
}

TEST_F(CrawlSite, DownloadRulesAliasesAndDepth) {
    FSite.Html("/blog/", "<a href=\"a.html\">a</a><img src=\"/cdn/pics/\">"
                         "<a href=\"http://ALIAS:" +
                             FSite.HostPort().section(u':', 1).toUtf8() + "/blog/b.html\">b</a>");
    FSite.Html("/blog/a.html", "<a href=\"deeper.html\">d</a><img src=\"/cdn/x.gif\">");
    FSite.Html("/blog/b.html", "b");
    FSite.Page("/cdn/pics/", OkReply("pic", "image/png"));
    FSite.Page("/cdn/x.gif", OkReply("gif", "image/gif"));
    auto project = NewProject();
    AddStartPage(*project, QStringLiteral("./"), 1);
    project->WebDocuments().append(Url(u"/cdn/"));
    project->WDOutFolders().append(QStringLiteral("cdn"));
    project->WebsiteDomainAliases().append(QStringLiteral("alias:") +
                                           FSite.HostPort().section(u':', 1));
    const QStringList log = Run(*project);
    EXPECT_EQ(FSite.Hits("/blog/deeper.html"), 0); // depth 1 is the limit
    EXPECT_EQ(FSite.Hits("/blog/b.html"), 1);      // found through the alias
    EXPECT_EQ(Tree(),
              (QStringList{QStringLiteral("Blog/a.html/index.html"),
                           QStringLiteral("Blog/b.html/index.html"),
                           QStringLiteral("Blog/cdn/pics/image.png"),
                           QStringLiteral("Blog/cdn/x.gif"), QStringLiteral("Blog/index.html")}));
    EXPECT_EQ(Saved(QStringLiteral("a.html/index.html")),
              QByteArray("<a href=\"deeper.html\">d</a><img src=\"../cdn/x.gif\">"));
    EXPECT_TRUE(Saved(QStringLiteral("index.html")).contains("<a href=\"b.html/index.html\">"));
}

TEST_F(CrawlSite, WithoutStartPagesTheWebsiteURLHasNoDepthLimit) {
    for (int i = 0; i < 12; ++i)
        FSite.Html("/blog/p" + QByteArray::number(i),
                   "<a href=\"p" + QByteArray::number(i + 1) + "\">n</a>");
    auto project = NewProject();
    project->SetWebsiteURL(Url(u"/blog/p0"));
    const QStringList log = Run(*project);
    EXPECT_EQ(FSite.Hits("/blog/p11"), 1);
    EXPECT_EQ(log.at(log.size() - 2), Summary(12, 0, 0, 0, 1)); // p12 answers 404 six times
}

} // namespace
