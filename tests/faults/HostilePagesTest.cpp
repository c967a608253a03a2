// Pages that push the sizes: URLs of 64 KiB and a page with 100,000 links.
#include "tests/faults/FaultFixture.h"

using namespace tarrow;
using namespace tarrow::test;

namespace {

using HostilePages = FaultTest;

TEST_F(HostilePages, URLsOf64KiBFailThatEntryOnly) {
    // One name longer than any file system allows, and a path deeper than any allows.
    const QByteArray longName = QByteArray(64 << 10, 'n') + ".png";
    const QByteArray deepPath = QByteArray("d/").repeated(32 << 10) + "x.png";
    FSite.Html("/blog/",
               "<img src=\"" + longName + "\"><img src=\"" + deepPath + "\"><img src=\"ok.png\">");
    FSite.Default(OkReply("picture", "image/png"));
    Plant(QStringLiteral("ok.png"), "an older ok.png");
    const QStringList log = Run(*NewProject());
    // The line of the error is cut to a readable length; it still names the file.
    const QString cannotCreate =
        QStringLiteral("Cannot create file \"") + Out(QString::fromLatin1(longName));
    ExpectOutcome(log, Summary(2, 0, 0, 0, 2), cannotCreate.left(1000), {QStringLiteral("ok.png")});
    const QString deepFolder = Out(QString::fromLatin1(deepPath.chopped(6)));
    EXPECT_TRUE(log.contains(QStringLiteral("Unable to create directory ") + deepFolder));
    // The server did receive both URLs whole.
    EXPECT_EQ(FSite.Hits("/blog/" + longName), 1);
    EXPECT_EQ(FSite.Hits("/blog/" + deepPath), 1);
    EXPECT_EQ(Saved(QStringLiteral("ok.png")), "picture");
}

TEST_F(HostilePages, AHundredThousandLinksOnOnePage) {
    constexpr int Links = 100'000;
    QByteArray page;
    for (int i = 0; i < Links; ++i)
        page +=
            "<a href=\"p" + QByteArray::number(i) + ".html\">" + QByteArray::number(i) + "</a>\n";
    FSite.Html("/blog/", page);
    FSite.Default(OkReply("linked page"));
    // The whole table is built from the first page; the run then stops after one linked page
    // (one request at a time: Break would abort a transfer of several under way).
    FOptions.Connections = 1;
    FSite.OnRequest([this](const TRequest& ARequest) {
        if (ARequest.Path() == "/blog/p0.html")
            FEngine->Terminated().Set();
    });
    auto project = NewProject();
    AddStartPage(*project, FSite.URL(u"/blog/"), 1);
    Plant(QStringLiteral("p1.html/index.html"), "an older p1");
    const QStringList log = Run(*project);
    ExpectOutcome(log, Summary(2, 0, 0, 0, 0), QStringLiteral("100000 new URLs extracted."), {},
                  QStringLiteral("Terminated."));
    EXPECT_TRUE(
        log.contains(QStringLiteral("Downloading [ 2 / 100001 ]: ") + FSite.URL(u"/blog/p0.html")));
    const QByteArray saved = Saved(QStringLiteral("index.html"));
    EXPECT_EQ(saved.count("/index.html\">"), Links);
    EXPECT_TRUE(saved.contains("<a href=\"p99999.html/index.html\">99999</a>"));
    EXPECT_EQ(Files(),
              (QStringList{QStringLiteral("index.html"), QStringLiteral("p0.html/index.html"),
                           QStringLiteral("p1.html/index.html")}));
}

TEST_F(HostilePages, APageTooLargeAsTextIsSavedAsReceived) {
    FOptions.MaxPageTextChars = 1000;
    // Small as bytes, large as text: TSCII gives up to four characters for one byte, and a
    // compressed page grows on the way.
    const QByteArray tscii = "<a href=\"t.html\">t</a>" + QByteArray(400, '\x82');
    const QByteArray plain = "<a href=\"p.html\">p</a>" + QByteArray(5000, 'x');
    struct Row {
        const char* Name;
        TReply Reply;
        QByteArray Saved;
    };
    const Row rows[] = {
        {"a one-to-many character set",
         MakeReply(200, "OK", {{"Content-Type", "text/html; charset=TSCII"}}, tscii), tscii},
        {"a compressed page",
         MakeReply(200, "OK", {{"Content-Type", "text/html"}, {"Content-Encoding", "gzip"}},
                   GzipCompress(plain)),
         plain},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        FSite.Page("/blog/", row.Reply);
        const QStringList log = Run(*NewProject());
        const QString line =
            QStringLiteral("Page too large to process, saved as received: ") + FSite.URL(u"/blog/");
        ExpectOutcome(log, Summary(1, 0, 0, 0, 0), line, {QStringLiteral("index.html")});
        EXPECT_EQ(CountStartingWith(log, line), 1);
        EXPECT_EQ(Saved(QStringLiteral("index.html")), row.Saved);
        EXPECT_EQ(FSite.Hits("/blog/t.html") + FSite.Hits("/blog/p.html"), 0);
    }
}

} // namespace
