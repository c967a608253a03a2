// The WARC file of a crawl, read back by a reader of our own in Python (tests/support/warc_read.py)
// that checks the records, their gzip members and digests on its own terms: every request the
// server read and every reply it sent is there, as it went over the wire.

#include "tests/crawl/CrawlFixture.h"

#include "tests/support/WarcReader.h"

namespace tarrow::test {

namespace {

class CrawlWarcTest : public CrawlTest {
protected:
    void SetUp() override {
        CrawlTest::SetUp();
        if (!HaveWarcReader())
            GTEST_SKIP() << "no Python 3 to read the WARC file with";
    }
};

} // namespace

TEST_F(CrawlWarcTest, EveryExchangeIsArchivedAsItCameOverTheWire) {
    const QByteArray start = "<a href=\"zipped.html\">z</a><a href=\"style.css\">c</a>"
                             "<a href=\"old.html\">o</a><a href=\"missing.html\">m</a>"
                             "<a href=\"same.html\">s</a>";
    const QByteArray zipped = GzipCompress("<p>compressed on the wire</p>");
    const QList<QByteArray> chunks = {"body { color:", " red }", "\n"};
    const QByteArray missing = "<p>not here</p>";
    FSite.Html("/blog/", start);
    FSite.Page("/blog/zipped.html",
               MakeReply(200, "OK", {{"Content-Type", "text/html"}, {"Content-Encoding", "gzip"}},
                         zipped));
    FSite.Page("/blog/style.css", ChunkedReply({{"Content-Type", "text/css"}}, chunks));
    FSite.Page("/blog/old.html", Redirect(302, "new.html"));
    FSite.Html("/blog/new.html", "<p>new</p>");
    FSite.Page("/blog/missing.html",
               MakeReply(404, "Not Found", {{"Content-Type", "text/html"}}, missing));
    FSite.Page("/blog/same.html", MakeReply(304, "Not Modified"));
    const QHash<QByteArray, QByteArray> served = {{"/blog/", start},
                                                  {"/blog/zipped.html", zipped},
                                                  {"/blog/style.css", chunks.join()},
                                                  {"/blog/old.html", {}},
                                                  {"/blog/new.html", "<p>new</p>"},
                                                  {"/blog/missing.html", missing},
                                                  {"/blog/same.html", {}}};

    auto project = NewProject();
    project->SetWarcFile(QStringLiteral("{OutDir}/{ProjectName}.warc.gz"));
    bool failed = true;
    const QStringList log = Run(*project, &failed);
    EXPECT_FALSE(failed) << log.join(u'\n').toStdString();
    EXPECT_EQ(Saved(u"zipped.html/index.html"_qs),
              "<p>compressed on the wire</p>"); // the copy as before

    const QList<QJsonObject> records = ReadWarc(FOutDir + QStringLiteral("/Blog.warc.gz"));
    const QList<TRequest> requests = FSite.Server().Requests();
    ASSERT_EQ(records.size(), 1 + 2 * requests.size());
    EXPECT_EQ(records[0].value(u"WARC-Type").toString(), u"warcinfo");
    EXPECT_TRUE(records[0].value(u"block").toString().contains(u"isPartOf: Blog\r\n"));
    QHash<QString, QJsonObject> byID;
    for (const QJsonObject& record : records)
        byID.insert(record.value(u"WARC-Record-ID").toString(), record);

    for (const TRequest& request : requests) {
        SCOPED_TRACE(request.Target.toStdString());
        const auto sent = std::find_if(records.begin(), records.end(), [&](const QJsonObject& R) {
            return R.value(u"WARC-Type").toString() == u"request" &&
                   R.value(u"http-head").toString().toLatin1() == request.Raw;
        });
        ASSERT_NE(sent, records.end()) << "no request record holds the request as sent";
        const QJsonArray concurrent = sent->value(u"WARC-Concurrent-To").toArray();
        ASSERT_EQ(concurrent.size(), 1);
        const QJsonObject reply = byID.value(concurrent[0].toString());
        const QString url = FSite.URL(QString::fromLatin1(request.Target));
        EXPECT_EQ(sent->value(u"WARC-Target-URI").toString(), url);
        EXPECT_EQ(reply.value(u"WARC-Target-URI").toString(), url);
        EXPECT_EQ(reply.value(u"WARC-IP-Address").toString(), u"127.0.0.1");
        EXPECT_EQ(reply.value(u"Content-Type").toString(), u"application/http;msgtype=response");
        EXPECT_EQ(reply.value(u"WARC-Concurrent-To").toArray().first().toString(),
                  sent->value(u"WARC-Record-ID").toString());
        EXPECT_EQ(WarcPayload(reply), served.value(request.Target));
        const QString head = reply.value(u"http-head").toString();
        if (request.Target == "/blog/same.html") {
            EXPECT_EQ(reply.value(u"WARC-Type").toString(), u"revisit");
            EXPECT_TRUE(reply.value(u"WARC-Profile").toString().endsWith(u"server-not-modified"));
            continue;
        }
        EXPECT_EQ(reply.value(u"WARC-Type").toString(), u"response");
        EXPECT_FALSE(head.contains(u"Transfer-Encoding", Qt::CaseInsensitive))
            << head.toStdString();
        EXPECT_TRUE(head.contains(
            QStringLiteral("Content-Length: %1\r\n").arg(served.value(request.Target).size())))
            << head.toStdString();
    }
    const auto hasHead = [&](QStringView AText) {
        return std::any_of(records.begin(), records.end(), [&](const QJsonObject& R) {
            return R.value(u"http-head").toString().contains(AText);
        });
    };
    EXPECT_TRUE(hasHead(u"HTTP/1.1 302 Found\r\n"));
    EXPECT_TRUE(hasHead(u"HTTP/1.1 404 Not Found\r\n"));
    EXPECT_TRUE(hasHead(u"Content-Encoding: gzip\r\n"));
}

// A WARC file that cannot be written ends the run before any request, with one line saying why.
TEST_F(CrawlWarcTest, AnUnwritableWarcFileEndsTheRunWithItsReason) {
    QFile blocker(FRoot.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const struct {
        QString Path;
        QString Line;
    } rows[] = {
        {blocker.fileName() + QStringLiteral("/x.warc.gz"),
         QStringLiteral("Cannot create WARC file ") + blocker.fileName() +
             QStringLiteral("/x.warc.gz")},
        {QStringLiteral("/dev/full"),
         QStringLiteral("Cannot write WARC file /dev/full: No space left on device.")},
    };
    FSite.Html("/blog/", "<p>hi</p>");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Path.toStdString());
        auto project = NewProject();
        project->SetWarcFile(row.Path);
        bool failed = false;
        const QStringList log = Run(*project, &failed);
        EXPECT_TRUE(failed);
        ASSERT_FALSE(log.isEmpty());
        EXPECT_TRUE(log.last().startsWith(row.Line)) << log.last().toStdString();
        EXPECT_FALSE(log.contains(u"Completed."_qs));
    }
    EXPECT_EQ(FSite.Hits("/blog/"), 0);
}

} // namespace tarrow::test
