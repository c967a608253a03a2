// Crawls that make copies to open in a browser: complete pages, page types, fragments and names.
#include "tests/crawl/CrawlFixture.h"

using namespace tarrow;
using namespace tarrow::test;
using namespace Qt::StringLiterals;

namespace {

class CrawlComplete : public CrawlTest {
protected:
    QByteArray RefererOf(const QByteArray& APath) {
        for (const TRequest& request : FSite.Server().Requests())
            if (request.Path() == APath)
                return request.Header("Referer");
        return "<not requested>";
    }
};

TEST_F(CrawlComplete, RequisitesAtTheDepthLimitFragmentsAndNames) {
    FSite.Html("/blog/", "<a href=\"manual_1.html#sec/1\">M</a><img src=\"img/a.png\">"
                         "<link rel=\"stylesheet\" href=\"q.css?v=3\">");
    // At the depth limit: its requisites are fetched, its page links are not followed.
    FSite.Html("/blog/manual_1.html", "<img src=\"img/b.png\"><a href=\"deep.html\">d</a>"
                                      "<video poster=\"p.jpg\"></video><a href=\"./#top\">h</a>");
    FSite.Page("/blog/img/a.png", OkReply("A", "image/png"));
    FSite.Page("/blog/img/b.png", OkReply("B", "image/png"));
    FSite.Page("/blog/q.css?v=3", OkReply("body{}", "text/css"));
    FSite.Page("/blog/p.jpg", OkReply("P", "image/jpeg"));
    FSite.Html("/blog/deep.html", "deep");
    auto project = NewProject();
    project->SetCompletePages(true);
    AddStartPage(*project, Url(u"/blog/"), 1);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(6, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    EXPECT_EQ(Tree(),
              (QStringList{QStringLiteral("Blog/img/a.png"), QStringLiteral("Blog/img/b.png"),
                           QStringLiteral("Blog/index.html"), QStringLiteral("Blog/manual_1.html"),
                           QStringLiteral("Blog/p.jpg"), QStringLiteral("Blog/q@v=3.css")}));
    EXPECT_EQ(FSite.Hits("/blog/deep.html"), 0);
    EXPECT_EQ(Saved(QStringLiteral("index.html")),
              QByteArray("<a href=\"manual_1.html#sec/1\">M</a><img src=\"img/a.png\">"
                         "<link rel=\"stylesheet\" href=\"q@v=3.css\">"));
    // Relative links of a page fetched with a fragment resolve against the page itself.
    EXPECT_EQ(Saved(QStringLiteral("manual_1.html")),
              QByteArray("<img src=\"img/b.png\"><a href=\"deep.html\">d</a>"
                         "<video poster=\"p.jpg\"></video><a href=\"index.html#top\">h</a>"));
    EXPECT_EQ(Saved(QStringLiteral("q@v=3.css")), QByteArray("body{}"));
    // One request after another: the request after the page names it without its fragment.
    // Transfers at once: each names the page its URL was first found on.
    EXPECT_EQ(RefererOf("/blog/img/a.png"),
              Url(FastOptions().Connections > 1 ? u"/blog/" : u"/blog/manual_1.html").toUtf8());
}

TEST_F(CrawlComplete, StyleSheetsInlineStylesAndSourceSetsBringWhatTheyName) {
    FSite.Html("/blog/", "<link rel=\"stylesheet\" href=\"css/s.css\">"
                         "<style>@import \"css/i.css\"; p{background:url( img/p.png )}</style>"
                         "<div style=\"background:url('img/d.png')\">x</div>"
                         "<img src=\"img/a.png\" srcset=\"img/a.png 1x, img/b.png 2x\">"
                         "<i style=\"background:url(data:image/png;base64,AA==)\"></i>");
    // A sheet in another character set, importing another and naming a font and an image.
    FSite.Page("/blog/css/s.css",
               OkReply("@charset \"ISO-8859-1\";\n@import url(print.css);\n"
                       "@font-face{src:url(\"../fonts/f.woff2\")}\n"
                       "a{background:url(../img/s\xE9.png)} b{background:url(#x)}",
                       "text/css"));
    FSite.Page("/blog/css/print.css", OkReply("a{color:red}", "text/css"));
    FSite.Page("/blog/css/i.css", OkReply("i{}", "text/css"));
    for (const char* path : {"/blog/img/p.png", "/blog/img/d.png", "/blog/img/a.png",
                             "/blog/img/b.png", "/blog/fonts/f.woff2", "/blog/img/s%C3%A9.png"})
        FSite.Page(path, OkReply("bytes", "application/octet-stream"));
    auto project = NewProject();
    project->SetCompletePages(true);
    AddStartPage(*project, Url(u"/blog/"), 0);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(10, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    EXPECT_EQ(Saved(QStringLiteral("index.html")),
              QByteArray("<link rel=\"stylesheet\" href=\"css/s.css\">"
                         "<style>@import \"css/i.css\"; p{background:url(\"img/p.png\")}</style>"
                         "<div style=\"background:url(&quot;img/d.png&quot;)\">x</div>"
                         "<img src=\"img/a.png\" srcset=\"img/a.png 1x, img/b.png 2x\">"
                         "<i style=\"background:url(data:image/png;base64,AA==)\"></i>"));
    // Saved as UTF-8, with a mark that outweighs its @charset; links seen from the sheet.
    EXPECT_EQ(Saved(QStringLiteral("css/s.css")),
              QByteArray("\xEF\xBB\xBF@charset \"ISO-8859-1\";\n@import url(\"print.css\");\n"
                         "@font-face{src:url(\"../fonts/f.woff2\")}\n"
                         "a{background:url(\"../img/s\xC3\xA9.png\")} b{background:url(#x)}"));
    EXPECT_EQ(Saved(QStringLiteral("css/print.css")), QByteArray("a{color:red}"));
    EXPECT_EQ(Saved(QStringLiteral("fonts/f.woff2")), QByteArray("bytes"));
}

TEST_F(CrawlComplete, WithoutTheSwitchTheLayoutStaysAsItWas) {
    FSite.Html("/blog/", "<a href=\"manual_1.html#sec\">M</a><video poster=\"p.jpg\">");
    FSite.Html("/blog/manual_1.html", "<img src=\"b.png\">");
    FSite.Page("/blog/b.png", OkReply("B", "image/png"));
    auto project = NewProject();
    AddStartPage(*project, Url(u"/blog/"), 1);
    Run(*project);
    EXPECT_EQ(Tree(), (QStringList{QStringLiteral("Blog/index.html"),
                                   QStringLiteral("Blog/manual_1.html/index.html")}));
    EXPECT_EQ(Saved(QStringLiteral("index.html")),
              QByteArray("<a href=\"manual_1.html/index.html\">M</a><video poster=\"p.jpg\">"));
    EXPECT_EQ(FSite.Hits("/blog/p.jpg"), 0);
}

TEST_F(CrawlComplete, HeaderPageTypesAreProcessedWhateverTheMetaSays) {
    FSite.Html("/blog/", "<meta http-equiv=\"Content-Type\" content=\"text/plain; charset=utf-8\">"
                         "<a href=\"x.xhtml\">x</a>");
    FSite.Page("/blog/x.xhtml",
               OkReply("<html xmlns=\"http://www.w3.org/1999/xhtml\"><a href=\"y/\">y</a></html>",
                       "application/xhtml+xml"));
    FSite.Html("/blog/y/", "y");
    auto project = NewProject();
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(3, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    EXPECT_TRUE(Saved(QStringLiteral("index.html")).contains("href=\"x.xhtml/index.html\""));
    EXPECT_EQ(Saved(QStringLiteral("x.xhtml/index.html")),
              QByteArray("<html xmlns=\"http://www.w3.org/1999/xhtml\"><a href=\"../y/index.html\">"
                         "y</a></html>"));
}

TEST_F(CrawlComplete, IndexFileLinksAndCollidingNamesShareOneLayout) {
    FSite.Html("/blog/", "<a href=\"index.html\">i</a><a href=\"docs/Index.html\">d</a>"
                         "<img src=\"logo\"><img src=\"logo/big.png\">");
    FSite.Html("/blog/index.html", "same");
    FSite.Html("/blog/docs/Index.html", "docs");
    FSite.Page("/blog/logo", OkReply("L", "image/png"));
    FSite.Page("/blog/logo/big.png", OkReply("BIG", "image/png"));
    auto project = NewProject();
    Run(*project);
    EXPECT_EQ(Tree(), (QStringList{QStringLiteral("Blog/docs/index.html"),
                                   QStringLiteral("Blog/index.html"), QStringLiteral("Blog/logo"),
                                   QStringLiteral("Blog/logo-2/big.png")}));
    EXPECT_EQ(Saved(QStringLiteral("logo-2/big.png")), QByteArray("BIG"));
    EXPECT_EQ(Saved(QStringLiteral("logo")), QByteArray("L"));
}

QByteArray MarkedUTF16LE(const QString& AText) {
    QByteArray bytes("\xFF\xFE");
    for (QChar c : AText)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

// As browsers read them: a byte-order mark outweighs every label, an @charset of UTF-16 on an
// ASCII sheet means UTF-8, and a page labelled UTF-7 keeps its text as text.
TEST_F(CrawlComplete, MarkedAndMislabelledTextsAreReadAsBrowsersReadThem) {
    FSite.Page("/blog/", MakeReply(200, "OK", {{"Content-Type", "text/html; charset=iso-8859-1"}},
                                   MarkedUTF16LE(u"<link rel=\"stylesheet\" href=\"a.css\">"
                                                 "<link rel=\"stylesheet\" href=\"b.css\">"
                                                 "<a href=\"u7.html\">u</a><p>\u00E9</p>"_s)));
    FSite.Page("/blog/a.css", OkReply(MarkedUTF16LE(u"@import \"a2.css\";"_s), "text/css"));
    FSite.Page("/blog/a2.css", OkReply("i{}", "text/css"));
    FSite.Page("/blog/b.css",
               OkReply("@charset \"UTF-16\";\nb{background:url(b.png)}", "text/css"));
    FSite.Page("/blog/b.png", OkReply("B", "image/png"));
    const QByteArray utf7 = "<p>+ADw-script+AD4-alert(1)+ADw-/script+AD4-</p>";
    FSite.Page("/blog/u7.html",
               MakeReply(200, "OK", {{"Content-Type", "text/html; charset=UTF-7"}}, utf7));
    auto project = NewProject();
    project->SetCompletePages(true);
    AddStartPage(*project, Url(u"/blog/"), 1);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(6, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    EXPECT_EQ(Saved(QStringLiteral("index.html")),
              QByteArray("\xEF\xBB\xBF<link rel=\"stylesheet\" href=\"a.css\">"
                         "<link rel=\"stylesheet\" href=\"b.css\">"
                         "<a href=\"u7.html\">u</a><p>\xC3\xA9</p>"));
    EXPECT_EQ(Saved(QStringLiteral("a.css")), QByteArray("@import \"a2.css\";"));
    EXPECT_EQ(FSite.Hits("/blog/a2.css"), 1);
    EXPECT_EQ(Saved(QStringLiteral("b.css")),
              QByteArray("@charset \"UTF-16\";\nb{background:url(\"b.png\")}"));
    EXPECT_EQ(FSite.Hits("/blog/b.png"), 1);
    EXPECT_EQ(Saved(QStringLiteral("u7.html")), utf7);
}

// Requisites fetched past the depth limit bring requisites of their own only a few levels deep:
// a chain of sheets that each import the next, or of frames that frame the next, ends.
TEST_F(CrawlComplete, ChainedStyleSheetsEndAFewImportsBelowThePage) {
    FSite.Html("/blog/", "<link rel=\"stylesheet\" href=\"s1.css\">");
    constexpr int Chain = 16;
    for (int i = 1; i <= Chain; ++i) {
        const QByteArray n = QByteArray::number(i), next = QByteArray::number(i + 1);
        FSite.Page("/blog/s" + n + ".css",
                   OkReply("@import url(s" + next + ".css);\nb{background:url(i" + n + ".png)}",
                           "text/css"));
        FSite.Page("/blog/i" + n + ".png", OkReply("I", "image/png"));
    }
    auto project = NewProject();
    project->SetCompletePages(true);
    AddStartPage(*project, Url(u"/blog/"), 0);
    const QStringList log = Run(*project);
    // The page's sheet and eight levels of @import are read and bring their images; the sheet
    // the last of them imports is saved but not read.
    EXPECT_TRUE(log.contains(Summary(1 + 10 + 9, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    for (int i = 1; i <= Chain; ++i) {
        SCOPED_TRACE(i);
        const QByteArray n = QByteArray::number(i);
        EXPECT_EQ(FSite.Hits("/blog/s" + n + ".css"), i <= 10 ? 1 : 0);
        EXPECT_EQ(FSite.Hits("/blog/i" + n + ".png"), i <= 9 ? 1 : 0);
    }
    EXPECT_EQ(Saved(QStringLiteral("s9.css")),
              QByteArray("@import url(\"s10.css\");\nb{background:url(\"i9.png\")}"));
    EXPECT_EQ(Saved(QStringLiteral("s10.css")),
              QByteArray("@import url(s11.css);\nb{background:url(i10.png)}"));
}

TEST_F(CrawlComplete, FramesAndObjectsAtTheLimitBringOnlyTheirOwnRequisites) {
    FSite.Html("/blog/", "<iframe src=\"f1.html\"></iframe><object data=\"o1.html\"></object>"
                         "<a href=\"a.html\">a</a>");
    for (const char* kind : {"f", "o"})
        for (int i = 1; i <= 4; ++i) {
            const QByteArray n = QByteArray::number(i), next = QByteArray::number(i + 1);
            FSite.Html("/blog/" + QByteArray(kind) + n + ".html",
                       "<iframe src=\"f" + next + ".html\"></iframe><object data=\"o" + next +
                           ".html\"></object><img src=\"" + kind + n +
                           ".png\"><link rel=\"stylesheet\" href=\"" + kind + n + ".css\">");
            FSite.Page("/blog/" + QByteArray(kind) + n + ".png", OkReply("P", "image/png"));
            FSite.Page(
                "/blog/" + QByteArray(kind) + n + ".css",
                OkReply("p{background:url(" + QByteArray(kind) + n + "-bg.png)}", "text/css"));
            FSite.Page("/blog/" + QByteArray(kind) + n + "-bg.png", OkReply("B", "image/png"));
        }
    FSite.Html("/blog/a.html", "a");
    auto project = NewProject();
    project->SetCompletePages(true);
    AddStartPage(*project, Url(u"/blog/"), 0);
    const QStringList log = Run(*project);
    // The page, its frame and object with their image, sheet and the sheet's image each, and the
    // frames and objects these two hold, fetched but not read.
    EXPECT_TRUE(log.contains(Summary(1 + 2 * 4 + 2, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    for (const char* kind : {"f", "o"}) {
        SCOPED_TRACE(kind);
        const QByteArray k(kind);
        for (const char* path : {"1.html", "1.png", "1.css", "1-bg.png", "2.html"})
            EXPECT_EQ(FSite.Hits("/blog/" + k + path), 1) << path;
        for (const char* path : {"2.png", "2.css", "3.html"})
            EXPECT_EQ(FSite.Hits("/blog/" + k + path), 0) << path;
    }
    EXPECT_EQ(FSite.Hits("/blog/a.html"), 0);
    EXPECT_EQ(Saved(QStringLiteral("f2.html")),
              QByteArray("<iframe src=\"f3.html\"></iframe><object data=\"o3.html\"></object>"
                         "<img src=\"f2.png\"><link rel=\"stylesheet\" href=\"f2.css\">"));
}

} // namespace
