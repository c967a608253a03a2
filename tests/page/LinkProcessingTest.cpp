#include "page/LinkProcessingUnit.h"

#include "base/uPathUtils.h"
#include "engine/URLListUnit.h"
#include "page/uLocalLinks.h"
#include "page/uParseUtils.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

// The website https://site/blog/ saved under C:\Sites\Blog (Windows reading) or
// /home/u/Sites/Blog (Linux reading); the page is https://site/blog/ saved as its index file.
class LinkProcessing : public ::testing::TestWithParam<TPathReading> {
protected:
    void SetUp() override {
        Settings.PathReading = GetParam();
        Settings.WebsiteURL = QStringLiteral("https://site/blog/");
        Settings.OutDir = Windows() ? u"C:\\Sites\\Blog\\"_s : u"/home/u/Sites/Blog/"_s;
        Settings.RelativePathLinks = true;
    }

    bool Windows() const { return GetParam() == TPathReading::prWindows; }

    // A path below the output folder, written with "/".
    QString Path(const QString& ARel) const {
        return Settings.OutDir + (Windows() ? QString(ARel).replace(u'/', u'\\') : ARel);
    }
    QString FileLink(const QString& ARel) const {
        return (Windows() ? u"file:///C:/Sites/Blog/"_s : u"file:///home/u/Sites/Blog/"_s) + ARel;
    }

    int Seed(const QString& AURL, int32_t ALimit = 2, int32_t ADepth = 1) {
        return Table().AddURL(utA, AURL, Settings.WebsiteURL, Settings.IndexFile, Settings.OutDir,
                              ALimit, ADepth, nullptr, QString());
    }

    QString Run(const QString& AHtml, int32_t ADepth = 0, int32_t ALimit = 2,
                const QString& APageURL = QStringLiteral("https://site/blog/"),
                const QString& APagePath = QString()) {
        QString out;
        const TLinkProcessingResult found = ProcessLinks(
            AHtml, out, Table(), APageURL, APagePath.isEmpty() ? Path(u"index.html"_s) : APagePath,
            ALimit, ADepth, Settings);
        // The crawl logs the count for a page whose links are followed.
        if (ADepth < ALimit)
            FLog.append(NewURLsExtractedLine(found.NewCount));
        return out;
    }

    QStringList Log() const { return FLog; }

    // The table that maps as the settings ask.
    TURLList& Table() { return Settings.CompletePages ? CompleteList : List; }

    TLinkProcessingSettings Settings;
    TURLList List{GetParam()};
    TURLList CompleteList{GetParam(), true};

private:
    QStringList FLog;
};

TEST_P(LinkProcessing, SiteLinkGetsEachLocalForm) {
    const QString html = u"<p><a href=\"post.html#c\">Post</a></p>"_s;
    EXPECT_EQ(Run(html), u"<p><a href=\"post.html/index.html\">Post</a></p>"_s);
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.URL(0), u"https://site/blog/post.html#c"_s);
    EXPECT_EQ(List.OutFilePath(0), Path(u"post.html/index.html"_s));
    EXPECT_EQ(List.URLDepth(0), 1);
    EXPECT_EQ(List.ExtractURLs(0), 2);
    EXPECT_EQ(Log(), QStringList{u"1 new URLs extracted."_s});

    Settings.RelativePathLinks = false;
    EXPECT_EQ(Run(html),
              u"<p><a href=\""_s + FileLink(u"post.html/index.html"_s) + u"\">Post</a></p>"_s);
    Settings.BaseURL = QStringLiteral("https://mirror/");
    EXPECT_EQ(Run(html), u"<p><a href=\"https://mirror/post.html/\">Post</a></p>"_s);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(Log().last(), u"0 new URLs extracted."_s);
}

// Break stops the walk at the next tag: the rest of the page is copied and adds nothing.
TEST_P(LinkProcessing, BreakStopsAtTheNextTag) {
    TBreakFlag breakFlag;
    breakFlag.Set();
    Settings.BreakFlag = &breakFlag;
    const QString page = u"<a href=\"a.html\">a</a><img src=\"b.png\">"_s;
    EXPECT_EQ(Run(page), page);
    EXPECT_EQ(Table().Count(), 0);
}

TEST_P(LinkProcessing, BaseURLLinksFoldersAndTheTopPageWithoutIndexFile) {
    Settings.RelativePathLinks = false;
    Settings.BaseURL = QStringLiteral("https://mirror/");
    Seed(u"https://site/blog/"_s, 2, 0);
    const QString out =
        Run(QString::fromUtf16(u"<a href=\"./\"><a href=\"news/\"><img src=\"myindex.html\">"
                               u"<img src=\"pics/INDEX.HTML\">"));
    EXPECT_EQ(out,
              QString::fromUtf16(
                  u"<a href=\"https://mirror/\"><a href=\"https://mirror/news/\">"
                  u"<img src=\"https://mirror/myindex.html\"><img src=\"https://mirror/pics/\">"));
    EXPECT_EQ(List.OutFilePath(0), Path(u"index.html"_s));
    EXPECT_EQ(List.OutFilePath(1), Path(u"news/index.html"_s));
}

TEST_P(LinkProcessing, RelativePathsClimbOutOfThePageFolder) {
    const QString out =
        Run(QString::fromUtf16(u"<img src=\"../img/a.png\"><img src=\"b.png\"><a href=\"/blog/\">"
                               u"<a href=\"sub/x/\">"),
            0, 2, u"https://site/blog/news/"_s, Path(u"news/index.html"_s));
    EXPECT_EQ(out, QString::fromUtf16(
                       u"<img src=\"../img/a.png\"><img src=\"b.png\"><a href=\"../index.html\">"
                       u"<a href=\"sub/x/index.html\">"));
    EXPECT_EQ(List.OutFilePath(0), Path(u"img/a.png"_s));
}

TEST_P(LinkProcessing, LinksOutsideTheDownloadStayAsWritten) {
    const QString html = QString::fromUtf16(
        u"<a href=\"../about.html\"><a href=\"javascript:void(0)\"><a href=\"#top\">"
        u"<a href=\"mailto:me@site\"><a href=\"https://other/x\"><a><a href=>"
        u"<noscript><link rel=x>");
    EXPECT_EQ(Run(html), html);
    EXPECT_EQ(List.Count(), 0);
    // A protocol-relative link that matches nothing else becomes absolute.
    EXPECT_EQ(Run(u"<img src=\"//cdn/i.png\">"_s), u"<img src=\"https://cdn/i.png\">"_s);
    EXPECT_EQ(List.Count(), 0);
}

TEST_P(LinkProcessing, DomainAliasesMapToTheWebsite) {
    Settings.WebsiteDomainAliases = QStringList{u"other"_s, u"alias-host"_s};
    const QString out = Run(QString::fromUtf16(
        u"<a href=\"https://ALIAS-HOST/blog/a.html\"><a href=\"http://alias-host/blog/b.html\">"
        u"<a href=\"https://alias-host/shop/\">"));
    EXPECT_EQ(out, QString::fromUtf16(
                       u"<a href=\"a.html/index.html\"><a href=\"http://alias-host/blog/b.html\">"
                       u"<a href=\"https://alias-host/shop/\">"));
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.URL(0), u"https://site/blog/a.html"_s);
}

TEST_P(LinkProcessing, DownloadFileRulesUsePlaceholdersAndTheirFolder) {
    Settings.WebDocuments = QStringList{u"https://cdn/"_s, u"https://files/"_s};
    Settings.WDOutFolders = QStringList{u"cdn"_s, u"dl\\docs"_s};
    const QString out = Run(
        QString::fromUtf16(u"<img src=\"https://cdn/pics/\"><a href=\"https://CDN/d1/\">"
                           u"<link href=\"https://cdn/d2/\"><script src=\"https://cdn/d3/\">"
                           u"<iframe src=\"https://cdn/d4/\"><a href=\"https://files/r.pdf\">"));
    EXPECT_EQ(out, QString::fromUtf16(
                       u"<img src=\"cdn/pics/image.png\"><a href=\"cdn/d1/index.html\">"
                       u"<link href=\"cdn/d2/style.css\"><script src=\"cdn/d3/script.js\">"
                       u"<iframe src=\"cdn/d4/index.html\"><a href=\"dl/docs/r.pdf/index.html\">"));
    ASSERT_EQ(List.Count(), 6);
    EXPECT_EQ(List.OutFilePath(0), Path(u"cdn/pics/image.png"_s));
    EXPECT_EQ(List.ExtractURLs(0), 0);
    EXPECT_EQ(List.URLDepth(0), 1);
    EXPECT_EQ(List.OutFilePath(5), Path(u"dl/docs/r.pdf/index.html"_s));
    EXPECT_EQ(Log(), QStringList{u"6 new URLs extracted."_s});
}

TEST_P(LinkProcessing, FileUnderARuleFollowsOnlyRuleLinks) {
    // A file fetched under a download-file rule has limit 0: its site links are not added, its
    // links under a rule are, one level deeper; no log line at a depth at or beyond the limit.
    Settings.WebDocuments = QStringList{u"https://cdn/"_s};
    Settings.WDOutFolders = QStringList{u"cdn"_s};
    const QString out = Run(u"<a href=\"x.html\"><img src=\"https://cdn/a.png\">"_s, 3, 0);
    EXPECT_EQ(out, u"<a href=\"x.html\"><img src=\"cdn/a.png\">"_s);
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.URLDepth(0), 4);
    EXPECT_EQ(List.ExtractURLs(0), 0);
    EXPECT_TRUE(Log().isEmpty());
}

TEST_P(LinkProcessing, PageAtTheLimitRewritesKnownLinksOnly) {
    Seed(u"https://site/blog/known.html"_s);
    const QString out = Run(u"<a href=\"KNOWN.html#s\"><a href=\"new.html\">"_s, 2, 2);
    EXPECT_EQ(out, u"<a href=\"known.html/index.html\"><a href=\"new.html\">"_s);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_TRUE(Log().isEmpty());
}

TEST_P(LinkProcessing, LinkTypeNamesTheFolderFile) {
    Run(QString::fromUtf16(
        u"<link rel=\"stylesheet\" type=\"text/css\" href=\"css/\"><link href=\"plain/\">"
        u"<link type='application/rss+xml' href=feed/>"));
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.OutFilePath(0), Path(u"css/index.css"_s));
    EXPECT_EQ(List.OutFilePath(1), Path(u"plain/index.html"_s));
    EXPECT_EQ(List.OutFilePath(2), Path(u"feed/index.xml"_s));
}

TEST_P(LinkProcessing, SuppressedLinksBecomeAbsolute) {
    Settings.SuppressURLs = QStringList{QString(), u"logout"_s};
    Settings.WebDocuments = QStringList{u"https://cdn/"_s};
    Settings.WDOutFolders = QStringList{u"cdn"_s};
    const QString out =
        Run(QString::fromUtf16(u"<a href=\"Logout.php\"><img src=\"https://cdn/LOGOUT.png\">"
                               u"<a href=\"in.html\">"));
    EXPECT_EQ(out,
              QString::fromUtf16(
                  u"<a href=\"https://site/blog/Logout.php\"><img src=\"https://cdn/LOGOUT.png\">"
                  u"<a href=\"in.html/index.html\">"));
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(Log(), QStringList{u"1 new URLs extracted."_s});
}

TEST_P(LinkProcessing, SameTargetTwiceAddsOneEntry) {
    const QString out =
        Run(u"<a href=\"p.html\">1</a><A HREF='P.html#x'>2</A><img src=p.html><a href=q.html>"_s);
    EXPECT_EQ(out, QString::fromUtf16(
                       u"<a href=\"p.html/index.html\">1</a><A HREF='p.html/index.html'>2</A>"
                       u"<img src=p.html/index.html><a href=q.html/index.html>"));
    EXPECT_EQ(List.Count(), 2);
    EXPECT_EQ(Log(), QStringList{u"2 new URLs extracted."_s});
}

TEST_P(LinkProcessing, RemovesScriptAndNoscriptElements) {
    Settings.RemoveScripts = true;
    Settings.RemoveNoscripts = true;
    struct Row {
        const char16_t* Html;
        const char16_t* Out;
    };
    const Row rows[] = {
        {u"a<script src=\"x.js\"></script>b", u"ab"},
        {u"a<script src=\"x.js\"/>b", u"ab"},
        {u"a<script>var s=\"</script >\";</script>b", u"ab"},
        {u"a<script>x", u"ax"},
        {u"a<script src=x.js>x</scrip>", u"ax</scrip>"},
        {u"a<SCRIPT>1<script>2</script>3</Script>b", u"ab"},
        {u"a<noscript><img src=\"p.png\"></noscript>b", u"ab"},
        {u"a<noscript/>b<noscript>c", u"abc"},
        {u"<script>x</script><a href=\"q.html\">", u"<a href=\"q.html/index.html\">"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Html).toStdString());
        EXPECT_EQ(Run(QString::fromUtf16(row.Html)), QString::fromUtf16(row.Out));
    }
    EXPECT_EQ(List.Count(), 1); // only q.html: nothing inside a removed element is looked at
}

TEST_P(LinkProcessing, KeptScriptsAreScannedLikeText) {
    Settings.RelativePathLinks = false;
    const QString out =
        Run(QString::fromUtf16(u"<script>document.write('<img src=\"p.png\">')</script>"
                               u"<script>w(\"<a href=\\\"q.html\\\">\")</script>"
                               u"<noscript><img src=n.png></noscript>"));
    EXPECT_EQ(out, u"<script>document.write('<img src=\""_s + FileLink(u"p.png"_s) +
                       u"\">')</script><script>w(\"<a href=\\\""_s +
                       FileLink(u"q.html/index.html"_s) +
                       u"\\\">\")</script><noscript><img src="_s + FileLink(u"n.png"_s) +
                       u"></noscript>"_s);
    EXPECT_EQ(List.URL(0), u"https://site/blog/p.png"_s);
    EXPECT_EQ(List.Count(), 3);
}

TEST_P(LinkProcessing, TextWithoutTagsIsCopiedUnchanged) {
    const QString html = u"plain & < > text\r\n<p>no links</p><abbr><a"_s;
    EXPECT_EQ(Run(html), html);
    EXPECT_EQ(Log(), QStringList{u"0 new URLs extracted."_s});
    QString out = u"kept:"_s;
    ProcessLinks(html, out, List, u"https://site/blog/"_s, Path(u"index.html"_s), 2, 0, Settings);
    EXPECT_EQ(out, u"kept:"_s + html);
}

TEST_P(LinkProcessing, UnreadableTagsAreCopiedUnchanged) {
    const QString html = u"<a title=\"x>y\" href=\"z.html\">"_s;
    EXPECT_EQ(Run(html), html);
    EXPECT_EQ(List.Count(), 0);
    // A tag that never closes ends the walk: the rest is copied as it stands.
    EXPECT_EQ(Run(u"x<a href=\"p.html\">y<a href=\"q.html\" z"_s),
              u"x<a href=\"p.html/index.html\">y<a href=\"q.html\" z"_s);
    EXPECT_EQ(List.Count(), 1);
}

TEST_P(LinkProcessing, ReferencesAreDecodedAndRewrittenLinksInsertedVerbatim) {
    Seed(u"http://other/x?a=1&b=2"_s);
    const QString out =
        Run(u"<a href=\"a.php?x=1&amp;y=2\"><a href=\"http://other/x?a=1&amp;b=2\">"_s);
    EXPECT_EQ(List.URL(1), u"https://site/blog/a.php?x=1&y=2"_s);
    // The off-site entry has no output path: the link becomes the absolute URL, not re-encoded.
    EXPECT_EQ(out, u"<a href=\"a.php/x=1&y=2/index.html\"><a href=\"http://other/x?a=1&b=2\">"_s);
}

// A rewritten link never ends its attribute value early.
TEST_P(LinkProcessing, CharactersThatWouldEndTheValueAreEncoded) {
    struct Row {
        const char16_t* Html;
        const char16_t* Out;
    };
    const Row rows[] = {
        {u"<a href=\"x&quot;y.html\">", u"<a href=\"x%22y.html/index.html\">"},
        {u"<a href='it&#39;s.html'>", u"<a href='it%27s.html/index.html'>"},
        {u"<a href=a&#32;b.html>", u"<a href=a%20b.html/index.html>"},
        {u"<a href=a&gt;b&#9;.html>", u"<a href=a%3Eb%09.html/index.html>"},
        {u"<script>w(\"<a href=\\\"q&quot;.html\\\">\")</script>",
         u"<script>w(\"<a href=\\\"q%22.html/index.html\\\">\")</script>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Html).toStdString());
        const QString out = Run(QString::fromUtf16(row.Html));
        EXPECT_EQ(out, QString::fromUtf16(row.Out));
        const qsizetype tag = out.indexOf(u"<a");
        EXPECT_TRUE(GetAttrValue(out, u"href", tag + 1).endsWith(u".html/index.html"));
    }
}

TEST_P(LinkProcessing, HostileMarkupNeverHangsOrReadsOutOfRange) {
    Settings.RemoveScripts = true;
    const QString nested =
        QString(u"<script>"_s).repeated(10000) + QString(u"</script>"_s).repeated(10000);
    EXPECT_EQ(Run(u"a"_s + nested + u"b"_s), u"ab"_s);
    const QString unclosed = QString(u"<script>"_s).repeated(10000);
    EXPECT_EQ(Run(u"a"_s + unclosed + u"b"_s), u"a"_s + unclosed.mid(8) + u"b"_s);

    // Random code units (NULs and lone surrogates included) mixed with pieces of markup.
    const QStringList pieces{u"<a href="_s, u"<script"_s, u"</script>"_s, u"<img src=\\\""_s,
                             u">"_s,        u"\""_s,      u"'"_s,         u"&#x"_s,
                             u"//"_s,       u"../"_s,     u" "_s,         u"<noscript/>"_s};
    std::mt19937 random(4711);
    QString page;
    for (int i = 0; i < 40000; ++i)
        if (random() % 3 == 0)
            page.append(pieces.at(random() % pieces.size()));
        else
            page.append(QChar(char16_t(random() % 0x10000)));
    for (bool remove : {false, true}) {
        Settings.RemoveScripts = Settings.RemoveNoscripts = remove;
        EXPECT_FALSE(Run(page).isEmpty());
    }
}

TEST_P(LinkProcessing, ManyLinksOnOnePage) {
    QString page;
    for (int i = 0; i < 100000; ++i)
        page.append(QStringLiteral("<a href=\"p%1.html\">%1</a>\n").arg(i % 50000));
    const QString out = Run(page);
    EXPECT_EQ(List.Count(), 50000);
    EXPECT_EQ(Log(), QStringList{u"50000 new URLs extracted."_s});
    EXPECT_TRUE(out.endsWith(u"<a href=\"p49999.html/index.html\">49999</a>\n"_s));
}

TEST_P(LinkProcessing, PageURLFragmentIsNoPartOfTheBase) {
    Run(u"<a href=\"b.html\"><img src=\"../i.png\">"_s, 0, 2,
        u"https://site/blog/a/page.html#x/y"_s, Path(u"a/page.html/index.html"_s));
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.URL(0), u"https://site/blog/a/b.html"_s);
    EXPECT_EQ(List.URL(1), u"https://site/blog/i.png"_s);
}

// Requisites record how deeply they nest below the followed page; past a few levels they add
// nothing more: a page fetched as a requisite of a requisite, or a sheet eight imports deep.
TEST_P(LinkProcessing, RequisitesNestOnlyAFewLevelsDeep) {
    Settings.CompletePages = true;
    struct Row {
        bool Sheet;
        int32_t Nesting;
        int Added;
    };
    const Row rows[] = {{false, 0, 3}, {false, 1, 2}, {false, 2, 0},
                        {true, 1, 2},  {true, 9, 2},  {true, 10, 0}};
    const QString sheet = u"@import 'a.css'; a{background:url(i.png)}"_s;
    const QString page = u"<img src=i.png><iframe src=f.html></iframe><a href=p.html>"_s;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.Sheet ? "sheet " : "page ") << row.Nesting);
        TURLList table(GetParam(), true);
        QString out;
        if (row.Sheet) {
            ProcessStyleSheet(sheet, out, table, u"https://site/blog/s.css"_s, Path(u"s.css"_s), 3,
                              Settings, row.Nesting);
        } else { // the page's own links are followed only at the top, where its limit allows
            ProcessLinks(page, out, table, u"https://site/blog/"_s, Path(u"index.html"_s),
                         row.Nesting == 0 ? 2 : 0, 1, Settings, row.Nesting);
        }
        ASSERT_EQ(table.Count(), row.Added);
        for (int i = 0; i < table.Count(); ++i)
            EXPECT_EQ(table.RequisiteNesting(i),
                      table.URL(i).endsWith(u"p.html") ? 0 : row.Nesting + 1)
                << table.URL(i).toStdString();
        if (row.Added == 0) { // nothing in the table: the links stay as written
            EXPECT_EQ(out, row.Sheet ? sheet : page);
        }
    }
}

// Each tag that only complete pages read: the input, what the tag becomes (links relative to
// the page https://site/blog/ saved as its index file) and the URLs it adds, in order.
struct CompleteTagRow {
    const char16_t* Html;
    const char16_t* Out;
    std::initializer_list<const char16_t*> Added;
};

const CompleteTagRow CompleteTagRows[] = {
    {u"<frame src=\"https://site/blog/f.html\">",
     u"<frame src=\"f.html\">",
     {u"https://site/blog/f.html"}},
    {u"<area shape=rect href=\"/blog/map/\">",
     u"<area shape=rect href=\"map/index.html\">",
     {u"https://site/blog/map/"}},
    {u"<img src=\"/blog/a.png\" srcset=\"/blog/b.png 2x\">",
     u"<img src=\"a.png\" srcset=\"b.png 2x\">",
     {u"https://site/blog/a.png", u"https://site/blog/b.png"}},
    {u"<source src=\"/blog/v.webm\" type=\"video/webm\">",
     u"<source src=\"v.webm\" type=\"video/webm\">",
     {u"https://site/blog/v.webm"}},
    {u"<source srcset=\"/blog/s.png 1x\">",
     u"<source srcset=\"s.png 1x\">",
     {u"https://site/blog/s.png"}},
    {u"<video src=\"/blog/m.mp4\" poster=\"/blog/p.jpg\">",
     u"<video src=\"m.mp4\" poster=\"p.jpg\">",
     {u"https://site/blog/m.mp4", u"https://site/blog/p.jpg"}},
    {u"<audio src='/blog/s.mp3'>", u"<audio src='s.mp3'>", {u"https://site/blog/s.mp3"}},
    {u"<track src=\"/blog/t.vtt\">", u"<track src=\"t.vtt\">", {u"https://site/blog/t.vtt"}},
    {u"<embed src=\"/blog/e.swf\">", u"<embed src=\"e.swf\">", {u"https://site/blog/e.swf"}},
    {u"<input type=\"IMAGE\" src=\"/blog/go.gif\">",
     u"<input type=\"IMAGE\" src=\"go.gif\">",
     {u"https://site/blog/go.gif"}},
    {u"<input type=\"text\" src=\"/blog/no.gif\">",
     u"<input type=\"text\" src=\"/blog/no.gif\">",
     {}},
    {u"<object data=\"/blog/o.svg\">", u"<object data=\"o.svg\">", {u"https://site/blog/o.svg"}},
    {u"<body background=\"/blog/bg.gif\">",
     u"<body background=\"bg.gif\">",
     {u"https://site/blog/bg.gif"}},
    {u"<table background=\"/blog/t.gif\"><td background=\"/blog/d.gif\">",
     u"<table background=\"t.gif\"><td background=\"d.gif\">",
     {u"https://site/blog/t.gif", u"https://site/blog/d.gif"}},
    {u"<th background=\"/blog/h.gif\">",
     u"<th background=\"h.gif\">",
     {u"https://site/blog/h.gif"}},
    {u"<image href=\"/blog/i.png\"/>", u"<image href=\"i.png\"/>", {u"https://site/blog/i.png"}},
    {u"<use xlink:href=\"/blog/sprite.svg#icon\"/>",
     u"<use xlink:href=\"sprite.svg#icon\"/>",
     {u"https://site/blog/sprite.svg#icon"}},
    {u"<meta http-equiv=\"refresh\" content=\"0; url=/blog/next.html\">",
     u"<meta http-equiv=\"refresh\" content=\"0; url=next.html\">",
     {u"https://site/blog/next.html"}},
    {u"<meta http-equiv=Refresh content=\"5;URL='https://site/blog/x.html'\">",
     u"<meta http-equiv=Refresh content=\"5;URL='x.html'\">",
     {u"https://site/blog/x.html"}},
    {u"<meta http-equiv=\"refresh\" content=\"30\">",
     u"<meta http-equiv=\"refresh\" content=\"30\">",
     {}},
    {u"<meta name=\"x\" content=\"0; url=/blog/no.html\">",
     u"<meta name=\"x\" content=\"0; url=/blog/no.html\">",
     {}},
};

TEST_P(LinkProcessing, CompletePagesReadMoreTags) {
    for (const CompleteTagRow& row : CompleteTagRows) {
        SCOPED_TRACE(QString::fromUtf16(row.Html).toStdString());
        TURLList complete(GetParam(), true);
        TLinkProcessingSettings settings = Settings;
        settings.CompletePages = true;
        QString out;
        ProcessLinks(QString::fromUtf16(row.Html), out, complete, u"https://site/blog/"_s,
                     Path(u"index.html"_s), 2, 0, settings);
        EXPECT_EQ(out, QString::fromUtf16(row.Out));
        QStringList added;
        for (int i = 0; i < complete.Count(); ++i)
            added.append(complete.URL(i));
        QStringList expected;
        for (const char16_t* url : row.Added)
            expected.append(QString::fromUtf16(url));
        EXPECT_EQ(added, expected);

        // Without the switch these tags are not looked at.
        TURLList parts(GetParam());
        out.clear();
        ProcessLinks(QString::fromUtf16(row.Html), out, parts, u"https://site/blog/"_s,
                     Path(u"index.html"_s), 2, 0, Settings);
        if (!QStringView(QString::fromUtf16(row.Html)).startsWith(u"<img")) {
            EXPECT_EQ(out, QString::fromUtf16(row.Html));
            EXPECT_EQ(parts.Count(), 0);
        }
    }
}

TEST_P(LinkProcessing, CompletePagesFetchRequisitesAtTheDepthLimit) {
    Settings.CompletePages = true;
    const QString html = QString::fromUtf16(
        u"<a href=\"p.html\"><img src=\"i.png\"><script src=\"s.js\"></script>"
        u"<link rel=\"Stylesheet\" href=\"c.css\"><link rel=\"next\" href=\"n.html\">"
        u"<iframe src=\"f.html\"><video poster=\"v.jpg\"><area href=\"m.html\">");
    Run(html, 2, 2, u"https://site/blog/d/"_s, Path(u"d/index.html"_s));
    QStringList added;
    for (int i = 0; i < CompleteList.Count(); ++i) {
        added.append(CompleteList.URL(i));
        EXPECT_EQ(CompleteList.ExtractURLs(i), 0) << i;
        EXPECT_EQ(CompleteList.URLDepth(i), 3) << i;
    }
    EXPECT_EQ(added, (QStringList{u"https://site/blog/d/i.png"_s, u"https://site/blog/d/s.js"_s,
                                  u"https://site/blog/d/c.css"_s, u"https://site/blog/d/f.html"_s,
                                  u"https://site/blog/d/v.jpg"_s}));
    EXPECT_TRUE(Log().isEmpty());

    // Below the limit, page links inherit the limit, requisites still get 0, and every new
    // kind is counted.
    TURLList table(GetParam(), true);
    QString out;
    const TLinkProcessingResult found = ProcessLinks(html, out, table, u"https://site/blog/"_s,
                                                     Path(u"index.html"_s), 2, 0, Settings);
    EXPECT_EQ(found.NewCount, 8);
    ASSERT_EQ(table.Count(), 8);
    EXPECT_EQ(table.URL(0), u"https://site/blog/p.html"_s);
    EXPECT_EQ(table.ExtractURLs(0), 2);
    EXPECT_EQ(table.ExtractURLs(1), 0); // i.png
    EXPECT_EQ(table.URL(4), u"https://site/blog/n.html"_s);
    EXPECT_EQ(table.ExtractURLs(4), 2);
}

TEST_P(LinkProcessing, CompletePagesKeepFragmentsAndNames) {
    Settings.CompletePages = true;
    const QString out =
        Run(QString::fromUtf16(u"<a href=\"manual_1.html#SEC1\"><a href=\"MANUAL_1.html#SEC2\">"
                               u"<a href=\"q.css?v=3\"><a href=\"#top\">"));
    EXPECT_EQ(out,
              QString::fromUtf16(u"<a href=\"manual_1.html#SEC1\"><a href=\"manual_1.html#SEC2\">"
                                 u"<a href=\"q@v=3.css\"><a href=\"#top\">"));
    EXPECT_EQ(CompleteList.OutFilePath(0), Path(u"manual_1.html"_s));

    Settings.RelativePathLinks = false;
    EXPECT_EQ(Run(u"<a href=\"manual_1.html#SEC1\">"_s),
              u"<a href=\""_s + FileLink(u"manual_1.html#SEC1"_s) + u"\">"_s);
}

// Fetching ahead guesses a page's links without writing its copy: the table it builds must be
// the one the crawl then builds, entry for entry, in every mode that changes what is added.
TEST_P(LinkProcessing, ScanningAddsWhatProcessingAdds) {
    QString page = QString::fromUtf16(
        u"<a href=\"p.html\"><a href=p.html><a href=\"/blog/d/\"><img src=\"i.png\">"
        u"<a href=\"https://www.site/blog/alias.html\"><a href=\"https://other/x.html\">"
        u"<a href=\"https://files/get/a.zip\"><a href=\"skip/me.html\"><a href=\"#top\">"
        u"<script src=\"s.js\"></script><noscript><img src=\"n.png\"></noscript>"
        u"<link rel=\"stylesheet\" type=\"text/css\" href=\"c\"><iframe src=\"f.html\">"
        u"<img srcset=\"a.png 1x, b.png 2x\"><div style=\"background:url(bg.png)\">"
        u"<meta http-equiv=\"refresh\" content=\"0; url=next.html\"><a href=\"q.html#x\">");
    for (const CompleteTagRow& row : CompleteTagRows)
        page += QString::fromUtf16(row.Html);
    Settings.WebsiteDomainAliases = {u"www.site"_s};
    Settings.WebDocuments = {u"https://files/get/"_s};
    Settings.WDOutFolders = {u"Files"_s};
    Settings.SuppressURLs = {u"skip/"_s};
    struct Mode {
        bool Complete, RemoveScripts;
        int32_t Depth, Nesting;
    };
    for (const Mode m :
         {Mode{false, false, 0, 0}, Mode{false, true, 0, 0}, Mode{false, false, 2, 0},
          Mode{true, false, 0, 0}, Mode{true, true, 2, 0}, Mode{true, false, 0, 2}}) {
        SCOPED_TRACE(testing::Message() << m.Complete << m.RemoveScripts << m.Depth << m.Nesting);
        TLinkProcessingSettings settings = Settings;
        settings.CompletePages = m.Complete;
        settings.RemoveScripts = settings.RemoveNoscripts = m.RemoveScripts;
        TURLList processed(GetParam(), m.Complete), scanned(GetParam(), m.Complete);
        for (TURLList* table : {&processed, &scanned}) // a known entry is found, not added
            table->AddURL(utA, u"https://site/blog/q.html"_s, settings.WebsiteURL,
                          settings.IndexFile, settings.OutDir, 2, 1, nullptr, QString());
        QString out;
        const TLinkProcessingResult byProcessing =
            ProcessLinks(page, out, processed, u"https://site/blog/"_s, Path(u"index.html"_s), 2,
                         m.Depth, settings, m.Nesting);
        const TLinkProcessingResult byScan =
            ScanLinks(page, scanned, u"https://site/blog/"_s, Path(u"index.html"_s), 2, m.Depth,
                      settings, m.Nesting);
        EXPECT_EQ(byScan.NewCount, byProcessing.NewCount);
        EXPECT_GT(processed.Count(), 1);
        ASSERT_EQ(scanned.Count(), processed.Count());
        for (int i = 0; i < processed.Count(); ++i) {
            SCOPED_TRACE(processed.URL(i).toStdString());
            EXPECT_EQ(scanned.URL(i), processed.URL(i));
            EXPECT_EQ(scanned.OutFilePath(i), processed.OutFilePath(i));
            EXPECT_EQ(scanned.ExtractURLs(i), processed.ExtractURLs(i));
            EXPECT_EQ(scanned.URLDepth(i), processed.URLDepth(i));
            EXPECT_EQ(scanned.RequisiteNesting(i), processed.RequisiteNesting(i));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, LinkProcessing,
                         ::testing::Values(TPathReading::prWindows, TPathReading::prLinux),
                         [](const ::testing::TestParamInfo<TPathReading>& AInfo) {
                             return AInfo.param == TPathReading::prWindows ? "Windows" : "Linux";
                         });

TEST(LocalLinks, RelativeFilePathInBothReadings) {
    struct Row {
        TPathReading Reading;
        const char16_t* Page;
        const char16_t* Target;
        const char16_t* Relative;
    };
    const auto W = TPathReading::prWindows;
    const auto L = TPathReading::prLinux;
    const Row rows[] = {
        {W, u"C:\\Sites\\Blog\\news\\index.html", u"C:\\Sites\\Blog\\img\\a.png",
         u"..\\img\\a.png"},
        {W, u"C:\\Sites\\Blog\\news\\index.html", u"C:\\Sites\\Blog\\news\\b.png", u"b.png"},
        {W, u"C:\\Sites\\Blog\\News\\index.html", u"c:\\sites\\blog\\news\\a.png", u"a.png"},
        {W, u"C:\\Sites\\p.html", u"C:\\Sites\\b\\c\\y.png", u"b\\c\\y.png"},
        {W, u"C:\\a\\b\\c\\p.html", u"C:\\x.png", u"..\\..\\..\\x.png"},
        {W, u"C:\\Sites\\p.html", u"D:\\Files\\y.png", u"D:\\Files\\y.png"},
        {W, u"index.html", u"img\\a.png", u"img\\a.png"},
        {L, u"/home/u/Sites/Blog/news/index.html", u"/home/u/Sites/Blog/img/a.png",
         u"../img/a.png"},
        {L, u"/out/News/index.html", u"/out/news/a.png", u"../news/a.png"},
        {L, u"/out/a\\b/p.html", u"/out/a\\b/q.png", u"q.png"},
        {L, u"/out/p.html", u"/out/C:/q.png", u"C:/q.png"},
        {L, u"/out/a/p.html", u"x.png", u"../../../x.png"},
        {L, u"/out//p.html", u"/out/q.png", u"../q.png"},
        {L, u"/out/a/p.html", u"/out/a/b//q.png", u"b//q.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Page).toStdString() + " -> " +
                     QString::fromUtf16(row.Target).toStdString());
        EXPECT_EQ(RelativeFilePath(QString::fromUtf16(row.Page), QString::fromUtf16(row.Target),
                                   row.Reading),
                  QString::fromUtf16(row.Relative));
    }
}

TEST(LocalLinks, EncodeLinkForAttrKeepsTheValueClosed) {
    const QString link = u"a\"b'c d>e\\f\tg"_s;
    EXPECT_EQ(EncodeLinkForAttr(link, QChar(u'"')), u"a%22b'c d>e\\f\tg"_s);
    EXPECT_EQ(EncodeLinkForAttr(link, QChar(u'\'')), u"a\"b%27c d>e\\f\tg"_s);
    EXPECT_EQ(EncodeLinkForAttr(link, QChar(NoQuoteChar)), u"a%22b%27c%20d%3Ee\\f%09g"_s);
    EXPECT_EQ(EncodeLinkForAttr(link, QChar(u'\\')), u"a%22b'c d>e\\\\f\tg"_s);
    EXPECT_EQ(EncodeLinkForAttr(u"plain/x.html"_s, QChar(u'"')), u"plain/x.html"_s);
}

} // namespace
