// A hostile site never gets a file written outside the output folder, and a path the file system
// refuses fails that one entry.
#include "tests/crawl/CrawlFixture.h"

#include <algorithm>

using namespace tarrow;
using namespace tarrow::test;

namespace {

using CrawlSafety = CrawlTest;

TEST_F(CrawlSafety, NoURLWritesOutsideTheOutputFolder) {
    const QByteArray links[] = {
        "<img src=\"%2E%2E/%2E%2E/%2e%2e/evil1.png\">",
        "<img src=\"x/%2F..%2F..%2F..%2Fevil2.png\">",
        "<img src=\"..%5C..%5Cevil3.png\">",
        "<a href=\"q?x=..\\..\\..\\evil4\">q</a>",
        "<a href=\"q?x=../../../evil5\">q</a>",
        "<img src=\"nul%00.png\">",
        "<img src=\"ctl%0A%0D.png\">",
        "<img src=\"/dl/evil6.png\">",
        "<img src=\"/esc/evil7.png\">",
    };
    QByteArray page;
    for (const QByteArray& link : links)
        page += link + "\n";
    FSite.Html("/blog/", page);
    FSite.Default(OkReply("bytes", "image/png"));
    auto project = NewProject();
    project->WebDocuments() << Url(u"/dl/") << Url(u"/esc/");
    project->WDOutFolders() << FRoot.filePath(QStringLiteral("elsewhere"))
                            << QStringLiteral("../escape");
    const QStringList log = Run(*project);

    EXPECT_EQ(RootEntries(), QStringList{QStringLiteral("out")});
    for (const QString& file : Tree())
        EXPECT_TRUE(file.startsWith(QStringLiteral("Blog/"))) << file.toStdString();
    const auto invalid = std::count_if(log.begin(), log.end(), [](const QString& l) {
        return l.startsWith(QStringLiteral("Invalid directory "));
    });
    EXPECT_EQ(invalid, 6) << log.join(u'\n').toStdString();
    EXPECT_EQ(log.at(log.size() - 2), Summary(4, 0, 0, 0, 6));
    // A "\" from a URL is an ordinary character of a name here: the file stays in its folder.
    EXPECT_TRUE(Exists(QStringLiteral("q/x=..\\..\\..\\evil4/index.html")));
    EXPECT_TRUE(Exists(QStringLiteral("q/x=.._.._.._evil5/index.html")));
}

TEST_F(CrawlSafety, ANameTheFileSystemRefusesFailsThatEntryOnly) {
    const QByteArray longName(300, 'n');
    FSite.Html("/blog/", "<img src=\"" + longName + ".png\"><img src=\"ok.png\">");
    FSite.Default(OkReply("bytes", "image/png"));
    const QStringList log = Run(*NewProject());
    EXPECT_TRUE(Exists(QStringLiteral("ok.png")));
    EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 1));
    const qsizetype saving = log.indexOf(
        QStringLiteral("Saving: ") + Out(QString::fromLatin1(longName) + QStringLiteral(".png")));
    ASSERT_GE(saving, 0);
    EXPECT_TRUE(log.at(saving + 1).startsWith(QStringLiteral("Cannot create file \"")));
}

TEST_F(CrawlSafety, NonASCIIURLsAreFetchedEncodedAndSavedDecoded) {
    FSite.Page("/blog/", MakeReply(200, "OK", {{"Content-Type", "text/html; charset=utf-8"}},
                                   "<img src=\"caf\xC3\xA9 a.png\"><img src=\"b%20c.png\">"));
    FSite.Default(OkReply("bytes", "image/png"));
    Run(*NewProject());
    // Several transfers may ask for the two pictures in either order.
    QList<QByteArray> paths;
    for (const TRequest& request : FSite.Server().Requests())
        paths.append(request.Path());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (QList<QByteArray>{"/blog/", "/blog/b%20c.png", "/blog/caf%C3%A9%20a.png"}));
    EXPECT_TRUE(Exists(QStringLiteral("café a.png")));
    EXPECT_TRUE(Exists(QStringLiteral("b c.png")));
}

TEST_F(CrawlSafety, AnOutputFolderNamedWithAPercentEscapeKeepsItsName) {
    FSite.Html("/blog/", "<img src=\"b%20c.png\">");
    FSite.Default(OkReply("bytes", "image/png"));
    auto project = NewProject();
    project->SetOutputFolder(QStringLiteral("{OutDir}/My%20Sites"));
    const QStringList log = Run(*project);
    EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 0)) << log.join(u'\n').toStdString();
    EXPECT_TRUE(QFile::exists(FOutDir + QStringLiteral("/My%20Sites/index.html")));
    EXPECT_TRUE(QFile::exists(FOutDir + QStringLiteral("/My%20Sites/b c.png")));
}

TEST_F(CrawlSafety, AnEmptyOutputFolderWritesEveryFileBelowTheCurrentFolder) {
    FSite.Html("/blog/", "<img src=\"a/b.png\">");
    FSite.Default(OkReply("bytes", "image/png"));
    auto project = NewProject();
    project->SetOutputFolder(QString());
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(FOutDir));
    ASSERT_TRUE(QDir::setCurrent(FOutDir));
    const QStringList log = Run(*project);
    QDir::setCurrent(saved);
    EXPECT_EQ(log.at(log.size() - 2), Summary(2, 0, 0, 0, 0)) << log.join(u'\n').toStdString();
    EXPECT_EQ(Tree(), (QStringList{QStringLiteral("a/b.png"), QStringLiteral("index.html")}));
    EXPECT_EQ(RootEntries(), QStringList{QStringLiteral("out")});
}

TEST_F(CrawlSafety, ARedirectTargetNeverSteersATerminal) {
    FSite.Html("/blog/", "<a href=\"r\">r</a>");
    FSite.Page("/blog/r", Redirect(302, "/blog/b\x1b[2J.html"));
    FSite.Default(OkReply("bytes", "image/png"));
    const QStringList log = Run(*NewProject());
    const QString all = log.join(u'\n');
    for (const QString& line : log) {
        SCOPED_TRACE(line.toStdString());
        for (QChar c : line)
            EXPECT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F));
    }
    EXPECT_TRUE(all.contains(QStringLiteral("Redirect to: /blog/b%1B[2J.html")))
        << all.toStdString();
}

} // namespace

// A URL that names no http(s) host is one clear line and one failed entry, as a start page and as
// the website URL, and the run goes on with the other entries and projects.
TEST_F(CrawlSafety, AURLWithoutSchemeOrHostFailsItsEntryOnly) {
    FSite.Html("/blog/", "top");
    struct Row {
        const char* URL;
        bool AsStartPage; // "//x" as a start page is a network-path reference to the host "x"
    };
    const Row rows[] = {{"127.0.0.1:18431/", true}, {"http:/x", true},      {"mailto:a@b", true},
                        {"http:///a", true},        {"https://:80/", true}, {"//x", false}};
    for (const Row& row : rows) {
        const QString url = QString::fromLatin1(row.URL);
        SCOPED_TRACE(row.URL);
        TWebsiteProjectList list;
        auto start = MakeProject(Url(u"/blog/"), QStringLiteral("Start"));
        if (row.AsStartPage)
            AddStartPage(*start, url, 0);
        AddStartPage(*start, Url(u"/blog/"), 0);
        list.AddProject(std::move(start));
        list.AddProject(MakeProject(url, QStringLiteral("Site")));
        list.AddProject(MakeProject(Url(u"/blog/"), QStringLiteral("Blog")));
        const QStringList log = Start(list, QStringLiteral("Start,Site,Blog"));
        const std::string joined = log.join(u'\n').toStdString();
        const QString line = QStringLiteral("Unsupported URL: ") + url + QStringLiteral(" (");
        const auto refused = std::count_if(log.begin(), log.end(),
                                           [&](const QString& l) { return l.startsWith(line); });
        EXPECT_EQ(refused, row.AsStartPage ? 2 : 1) << joined;
        EXPECT_EQ(log.count(Summary(1, 0, 0, 0, 1)), row.AsStartPage ? 1 : 0) << joined;
        EXPECT_EQ(log.count(Summary(0, 0, 0, 0, 1)), 1) << joined;
        EXPECT_EQ(log.count(Summary(1, 0, 0, 0, 0)), row.AsStartPage ? 1 : 2) << joined;
        EXPECT_EQ(Saved(QStringLiteral("index.html")), QByteArray("top"));
    }
}
