// A complete copy saves a download whose URL names nothing useful under the name the server's
// reply gives, and every page links to it there, whether processed before or after it.
#include "engine/uServerFileNames.h"
#include "tests/crawl/CrawlFixture.h"
#include "tests/support/TestReplies.h"

using namespace tarrow;
using namespace tarrow::test;

namespace {

using CrawlServerNames = CrawlTest;

TReply Download(QByteArrayView ABody, const QByteArray& ADisposition) {
    return MakeReply(200, "OK",
                     {{"Content-Type", "application/pdf"}, {"Content-Disposition", ADisposition}},
                     ABody);
}

struct ServerNameRow {
    const char* Link;        // below /blog/
    const char* Disposition; // of its reply
    const char* Saved;       // the file it is saved as with Complete pages
};

const ServerNameRow ServerNameRows[] = {
    {"get?file=report", "attachment; filename=\"report.pdf\"", "get/file=report/report.pdf"},
    {"get?file=euro", "attachment; filename*=UTF-8''%E2%82%AC%20rates.pdf",
     "get/file=euro/\xE2\x82\xAC_rates.pdf"},
    // A real file of that name keeps it; the download gets a numbered name.
    {"files/report.pdf", "", "files/report.pdf"},
    {"files", "attachment; filename=report.pdf", "files/report-2.pdf"},
    // A name with a path, dot segments, a control character or no extension is not taken.
    {"get?file=up", "attachment; filename=\"../../up.pdf\"", "get/file=up/index.html"},
    {"get?file=abs", "attachment; filename=\"/etc/abs.pdf\"", "get/file=abs/index.html"},
    {"get?file=ctl", "attachment; filename*=UTF-8''a%0Ab.pdf", "get/file=ctl/index.html"},
    {"get?file=bare", "attachment; filename=\"report\"", "get/file=bare/index.html"},
    // A URL that names its file keeps that name.
    {"doc.pdf?v=2", "attachment; filename=\"other.pdf\"", "doc@v=2.pdf"},
};

// The start page links to "early/" first, so that page is saved before any download is fetched;
// "late/" comes after every download.
TEST_F(CrawlServerNames, ADownloadTakesTheServersNameAndEveryLinkFollows) {
    QByteArray links;
    for (const ServerNameRow& row : ServerNameRows) {
        const QByteArray link = row.Link;
        links += "<a href=\"/blog/" + link + "\">d</a><a href='/blog/" + link + "#part'>p</a>";
        FSite.Page("/blog/" + link, Download(link, row.Disposition));
    }
    FSite.Html("/blog/", "<a href=\"early/\">e</a>" + links + "<a href=\"late/\">l</a>");
    FSite.Html("/blog/early/", links);
    FSite.Html("/blog/late/", links);
    const int urls = int(std::size(ServerNameRows)) + 3;
    for (const bool complete : {true, false}) {
        SCOPED_TRACE(complete ? "complete pages" : "parts mapping");
        QDir(Out(QString())).removeRecursively();
        auto project = NewProject();
        project->SetCompletePages(complete);
        AddStartPage(*project, Url(u"/blog/"), 1);
        const QStringList log = Run(*project);
        EXPECT_TRUE(log.contains(Summary(urls, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
        EXPECT_EQ(Tree().size(), urls) << Tree().join(u'\n').toStdString();
        // Without Complete pages the server's name changes nothing.
        EXPECT_EQ(Exists(QStringLiteral("get/file=report/index.html")), !complete);
        EXPECT_EQ(Exists(QStringLiteral("files/index.html")), !complete);
        for (const ServerNameRow& row : ServerNameRows) {
            SCOPED_TRACE(row.Link);
            if (!complete)
                continue;
            const QString saved = QString::fromUtf8(row.Saved);
            EXPECT_EQ(Saved(saved), QByteArray(row.Link));
            const QByteArray target = row.Saved;
            for (const char* page : {"index.html", "early/index.html", "late/index.html"}) {
                SCOPED_TRACE(page);
                const QByteArray prefix = QByteArrayView(page) == "index.html" ? "" : "../";
                const QByteArray html = Saved(QString::fromLatin1(page));
                EXPECT_TRUE(html.contains("href=\"" + prefix + target + "\"")) << html.data();
                EXPECT_TRUE(html.contains("href='" + prefix + target + "#part'")) << html.data();
            }
        }
    }
}

} // namespace

namespace {

// Links under a base URL leave the index file out; the renamed download is linked in full.
TEST_F(CrawlServerNames, LinksUnderABaseURLFollowTheServersName) {
    FSite.Html("/blog/", "<a href=\"early/\">e</a><a href=\"get?file=report\">d</a>");
    FSite.Html("/blog/early/", "<a href=\"../get?file=report#part\">d</a>"
                               "<a href=\"../get?file=plain\">p</a>");
    FSite.Page("/blog/get?file=report", Download("pdf", "attachment; filename=\"report.pdf\""));
    FSite.Page("/blog/get?file=plain", OkReply("plain", "application/pdf"));
    auto project = NewProject();
    project->SetCompletePages(true);
    project->SetRelativePathLinks(false);
    project->SetBaseURL(QStringLiteral("http://copy.example/"));
    AddStartPage(*project, Url(u"/blog/"), 2);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(4, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    EXPECT_EQ(Saved(QStringLiteral("get/file=report/report.pdf")), "pdf");
    const QByteArray early = Saved(QStringLiteral("early/index.html"));
    EXPECT_TRUE(early.contains("\"http://copy.example/get/file=report/report.pdf#part\""))
        << early.data();
    // A download the server does not name keeps its link.
    EXPECT_TRUE(early.contains("\"http://copy.example/get/file=plain/\"")) << early.data();
    EXPECT_TRUE(Saved(QStringLiteral("index.html"))
                    .contains("\"http://copy.example/get/file=report/report.pdf\""));
}

} // namespace

namespace {

// A page linking to more renamed downloads than one rewrite takes gets every new link.
TEST_F(CrawlServerNames, APageLinkingToManyRenamedDownloadsGetsEveryLink) {
    const int downloads = TLinkedFiles::kRewriteBatch + 6;
    QByteArray links;
    for (int i = 0; i < downloads; ++i) {
        const QByteArray id = QByteArray::number(i);
        links += "<a href=\"/blog/get?id=" + id + "\">d</a>";
        FSite.Page("/blog/get?id=" + id,
                   Download(id, "attachment; filename=\"doc-" + id + ".pdf\""));
    }
    FSite.Html("/blog/", "<a href=\"early/\">e</a>" + links);
    FSite.Html("/blog/early/", links);
    auto project = NewProject();
    project->SetCompletePages(true);
    AddStartPage(*project, Url(u"/blog/"), 1);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(downloads + 2, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    const QByteArray early = Saved(QStringLiteral("early/index.html"));
    for (int i = 0; i < downloads; ++i) {
        const QByteArray id = QByteArray::number(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(Saved(QStringLiteral("get/id=%1/doc-%1.pdf").arg(i)), id);
        EXPECT_TRUE(early.contains("\"../get/id=" + id + "/doc-" + id + ".pdf\""));
    }
    EXPECT_FALSE(early.contains("index.html"));
}

} // namespace
