// Links and redirects resolve as browsers resolve them, so each page is fetched once under its
// real name.
#include "tests/crawl/CrawlFixture.h"

using namespace tarrow;
using namespace tarrow::test;

namespace {

using CrawlResolve = CrawlTest;

TEST_F(CrawlResolve, DotSegmentsWithoutASlashNameTheFolder) {
    FSite.Html("/blog/", "<a href=\"guide/setup/x.html\">x</a>");
    FSite.Html("/blog/guide/setup/x.html", "<a href=\"..\">up</a><a href=\".\">here</a>"
                                           "<a href=\"../\">up</a>");
    FSite.Html("/blog/guide/", "<a href=\"a.html\">a</a>");
    FSite.Html("/blog/guide/setup/", "setup");
    FSite.Html("/blog/guide/a.html", "a");
    auto project = NewProject();
    AddStartPage(*project, Url(u"/blog/"), 3);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(5, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    EXPECT_EQ(FSite.Hits("/blog/guide/"), 1);
    EXPECT_EQ(FSite.Hits("/blog/guide/setup/"), 1);
    // The folder's own relative links resolve against it.
    EXPECT_EQ(FSite.Hits("/blog/guide/a.html"), 1);
    EXPECT_EQ(Saved(QStringLiteral("guide/setup/x.html/index.html")),
              QByteArray("<a href=\"../../index.html\">up</a><a href=\"../index.html\">here</a>"
                         "<a href=\"../../index.html\">up</a>"));
}

TEST_F(CrawlResolve, ANetworkPathLocationGoesToThatHost) {
    TScriptedSite other;
    other.Html("/elsewhere.html", "elsewhere");
    const QByteArray location = "//" + other.HostPort().toLatin1() + "/elsewhere.html";
    FSite.Page("/blog/", Redirect(302, location));
    const QStringList log = Run(*NewProject());
    EXPECT_TRUE(log.contains(QStringLiteral("Redirect to: ") + QString::fromLatin1(location)));
    EXPECT_EQ(other.Hits("/elsewhere.html"), 1);
    EXPECT_EQ(FSite.Server().RequestCount(), 1);
}

} // namespace
