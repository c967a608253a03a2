// Every URL of a crawl gets a file of its own: names are chosen and compared on the text that is
// written, after decoding and dot segments, so no URL's file replaces another's.
#include "tests/crawl/CrawlFixture.h"

#include <QSet>

using namespace tarrow;
using namespace tarrow::test;

namespace {

using CrawlNames = CrawlTest;

struct NameRow {
    const char* Link;        // as the page names it, below /blog/
    const char* ContentType; // of the reply, whose body is the link itself
    const char* Complete;    // the file it is saved as with Complete pages
};

// The first of each pair keeps its name; the second gets a numbered one.
const NameRow NameRows[] = {
    {"about/", "text/html", "about/index.html"},
    {"style.css", "text/css", "style.css"},
    {"q.css?v=1", "text/css", "q@v=1.css"},
    {"q@v=1.css", "text/css", "q@v=1-2.css"},
    {"s.css?a/b", "text/css", "s@a_b.css"},
    {"s@a_b.css", "text/css", "s@a_b-2.css"},
    {"a/page?..%2f..", "text/html", "a/page/.._../index.html"},
    {"c/%2e%2e/about/", "text/html", "about/index-2.html"},
    {"deep/x.css?%2f..%2f..%2fstyle", "text/css", "deep/x@_.._.._style.css"},
    {"e/%2E%2E/%2e/", "text/html", "index-2.html"},
};

TEST_F(CrawlNames, NoURLsFileReplacesAnothers) {
    QByteArray page = "top";
    for (const NameRow& row : NameRows) {
        const QByteArray link = row.Link;
        const bool sheet = QByteArrayView(row.ContentType) == "text/css";
        page += sheet ? "<link rel=\"stylesheet\" href=\"" + link + "\">"
                      : "<a href=\"" + link + "\">x</a>";
        FSite.Page("/blog/" + link, OkReply(link, row.ContentType));
    }
    FSite.Html("/blog/", page);
    for (const bool complete : {false, true}) {
        SCOPED_TRACE(complete ? "complete pages" : "parts mapping");
        QDir(Out(QString())).removeRecursively();
        auto project = NewProject();
        project->SetCompletePages(complete);
        AddStartPage(*project, Url(u"/blog/"), 1);
        const QStringList log = Run(*project);
        const int urls = int(std::size(NameRows)) + 1;
        EXPECT_TRUE(log.contains(Summary(urls, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
        // One file per URL, each holding its own URL's body.
        const QStringList tree = Tree();
        EXPECT_EQ(tree.size(), urls) << tree.join(u'\n').toStdString();
        QSet<QByteArray> bodies;
        for (const QString& file : tree)
            bodies.insert(Saved(file.mid(QStringLiteral("Blog/").size())));
        EXPECT_EQ(bodies.size(), urls);
        if (!complete)
            continue;
        for (const NameRow& row : NameRows) {
            SCOPED_TRACE(row.Link);
            EXPECT_EQ(Saved(QString::fromLatin1(row.Complete)), QByteArray(row.Link));
            // The page links to the file its URL was saved as.
            EXPECT_TRUE(Saved(QStringLiteral("index.html"))
                            .contains("\"" + QByteArray(row.Complete) + "\""));
        }
    }
}

// With Complete pages a name longer than the file system allows is shortened with a digest,
// keeping its extension, and the page links to it; two such names stay apart.
TEST_F(CrawlNames, ALongNameIsShortenedInACompleteCopy) {
    const QByteArray query = "doc.pdf?q=" + QByteArray(300, 'q');
    const QByteArray image = QByteArray(300, 'n') + ".png";
    const QByteArray other = QByteArray(300, 'n') + "x.png";
    FSite.Html("/blog/", "<a href=\"" + query + "\">d</a><img src=\"" + image + "\"><img src=\"" +
                             other + "\">");
    FSite.Page("/blog/" + query, OkReply("pdf", "application/pdf"));
    FSite.Page("/blog/" + image, OkReply("png", "image/png"));
    FSite.Page("/blog/" + other, OkReply("other", "image/png"));
    auto project = NewProject();
    project->SetCompletePages(true);
    const QStringList log = Run(*project);
    EXPECT_TRUE(log.contains(Summary(4, 0, 0, 0, 0))) << log.join(u'\n').toStdString();
    const QStringList tree = Tree();
    ASSERT_EQ(tree.size(), 4) << tree.join(u'\n').toStdString();
    const QByteArray top = Saved(QStringLiteral("index.html"));
    QSet<QByteArray> bodies;
    for (const QString& file : tree) {
        const QString name = file.mid(QStringLiteral("Blog/").size());
        EXPECT_LT(name.toUtf8().size(), 255) << name.toStdString();
        bodies.insert(Saved(name));
        if (name != QStringLiteral("index.html")) {
            EXPECT_TRUE(top.contains("\"" + name.toUtf8() + "\"")) << name.toStdString();
        }
    }
    EXPECT_EQ(bodies, (QSet<QByteArray>{"pdf", "png", "other", top}));
    EXPECT_EQ(tree.filter(QStringLiteral(".pdf")).size(), 1);
    EXPECT_EQ(tree.filter(QStringLiteral(".png")).size(), 2);
}

} // namespace
