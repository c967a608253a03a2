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

} // namespace
