// Hostile and broken servers: each ends in a clear error or the written result, within the
// time-outs, and never touches anything but HTTP.
#include "tests/http/HTTPTestFixture.h"

using namespace tarrow;
using namespace tarrow::test;

namespace {

TReply Raw(const QByteArray& ABytes, qsizetype ACloseAfter = -1) {
    TReply reply;
    reply.Bytes = ABytes;
    reply.CloseAfter = ACloseAfter;
    reply.Close = true;
    return reply;
}

TEST(HTTPBadInput, BrokenRepliesEndInAClearError) {
    const QByteArray head100 = ReplyBytes(200, "OK", {{"Content-Length", "100"}});
    const QByteArray chunked = ChunkedReply({}, {QByteArray(50, 'c'), QByteArray(50, 'd')}).Bytes;
    struct TRow {
        const char* Name;
        TReply Reply;
        const char* Start; // of the message, followed by the host and port
    };
    const TRow rows[] = {
        {"garbage", Raw("HELLO THERE\r\n\r\nnothing like HTTP"), "Invalid reply: "},
        {"binary noise", Raw(QByteArray("\x00\xff\x13\x37\r\n\r\n", 8)), "Invalid reply: "},
        {"nothing at all", Raw("", 0), "Connection closed by the server: "},
        {"truncated body", Raw(head100 + QByteArray(40, 'b')), "Connection closed by the server: "},
        {"closed in a chunk", Raw(chunked, chunked.size() - 30),
         "Connection closed by the server: "},
        {"bad chunk size", Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n"),
         "Invalid reply: "},
        // A negative Content-Length is no error: the reply is read as empty (see the crawl tests).
        {"endless header lines",
         Raw("HTTP/1.1 200 OK\r\n" +
             QByteArray("X-Many: " + QByteArray(1000, 'm') + "\r\n").repeated(2000) + "\r\n"),
         "Invalid reply: "},
        {"1 MB header line",
         Raw("HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(1 << 20, 'h') + "\r\n\r\n"),
         "Invalid reply: "},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TScriptedServer server;
        server.Queue(row.Reply);
        auto client = NewTestClient();
        const TGetResult result = Get(*client, server.URL(u"/x"));
        EXPECT_TRUE(result.Failed);
        EXPECT_TRUE(result.Error.startsWith(QString::fromLatin1(row.Start) + server.HostPort()))
            << result.Error.toStdString();
    }
}

TEST(HTTPBadInput, ContentLengthShorterThanTheBody) {
    TScriptedServer server;
    server.Queue(MakeReply(200, "OK", {{"Content-Length", "5"}}, "HelloWorld"));
    server.Queue(OkReply("next"));
    auto client = NewTestClient();
    EXPECT_EQ(Get(*client, server.URL(u"/a1")).Body, "Hello");
    EXPECT_EQ(Get(*client, server.URL(u"/a2")).Body, "next");
}

TEST(HTTPBadInput, HeadCutShortEndsTheReply) {
    // A reply whose head is cut short by a close ends there: the status stands, the body is empty.
    TScriptedServer server;
    server.Queue(Raw("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"));
    server.Queue(Raw("HTTP/1.1 404 Not Found\r\n"));
    auto client = NewTestClient();
    const TGetResult ok = Get(*client, server.URL(u"/a"));
    EXPECT_FALSE(ok.Failed) << ok.Error.toStdString();
    EXPECT_EQ(ok.Body, QByteArray());
    EXPECT_EQ(Get(*client, server.URL(u"/b")).Error, QStringLiteral("HTTP/1.1 404 Not Found"));
}

TEST(HTTPBadInput, EndlessRedirectLoop) {
    TScriptedServer server;
    server.SetHandler([](const TRequest& R) { return Redirect(302, R.Path()); });
    auto client = NewTestClient();
    EXPECT_EQ(Get(*client, server.URL(u"/loop")).Error, QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_EQ(server.RequestCount(), 16);
}

TEST(HTTPBadInput, RedirectWithoutLocationIsNotFollowed) {
    TScriptedServer server;
    server.Queue(MakeReply(302, "Found"));
    auto client = NewTestClient();
    EXPECT_EQ(Get(*client, server.URL(u"/x")).Error, QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_EQ(server.RequestCount(), 1);
}

TEST(HTTPBadInput, RedirectToAnotherSchemeIsRefused) {
    for (const char* location :
         {"file:///etc/passwd", "ftp://127.0.0.1/x", "gopher://127.0.0.1/"}) {
        SCOPED_TRACE(location);
        TScriptedServer server;
        server.Queue(Redirect(302, location));
        auto client = NewTestClient();
        const TGetResult result = Get(*client, server.URL(u"/x"));
        EXPECT_TRUE(result.Error.startsWith(QStringLiteral("Unsupported URL: ")))
            << result.Error.toStdString();
        EXPECT_EQ(result.Body, QByteArray());
    }
}

TEST(HTTPBadInput, BodyCeilings) {
    TScriptedServer server;
    server.Queue(OkReply(QByteArray(5000, 'b'), "text/plain"));
    server.Queue(Raw(ReplyBytes(200, "OK", {{"Content-Length", "99999999999"}})));
    server.Queue(ChunkedReply({}, {QByteArray(800, 'c'), QByteArray(800, 'c')}));
    server.Queue(MakeReply(404, "Not Found", {}, QByteArray(5000, 'e')));
    server.Queue(MakeReply(200, "OK", {{"Content-Encoding", "gzip"}},
                           GzipCompress(QByteArray(100000, 'z'))));
    auto client = NewTestClient();
    client->SetMaxBodySize(1000);
    client->SetMaxDecodedSize(50000);
    const QString tooLarge =
        QStringLiteral("Response body exceeds the limit of 1000 bytes: ") + server.HostPort();
    EXPECT_EQ(Get(*client, server.URL(u"/1")).Error, tooLarge);
    EXPECT_EQ(Get(*client, server.URL(u"/2")).Error, tooLarge);
    EXPECT_EQ(Get(*client, server.URL(u"/3")).Error, tooLarge);
    EXPECT_EQ(Get(*client, server.URL(u"/4")).Error, tooLarge);
    const TGetResult bomb = Get(*client, server.URL(u"/5"));
    EXPECT_EQ(bomb.Error,
              QStringLiteral("Decompressed content exceeds the limit of 50000 bytes: ") +
                  server.HostPort());
    EXPECT_EQ(bomb.ErrorClass, QStringLiteral("EContentTooLarge"));
}

TEST(HTTPBadInput, HostileURLs) {
    TScriptedServer server;
    server.SetHandler([](const TRequest&) { return OkReply("x"); });
    auto client = NewTestClient();
    // Line breaks and control characters never reach the request line or the Referer.
    ASSERT_FALSE(Get(*client, server.URL(u"/a\r\nX-Injected: 1")).Failed);
    ASSERT_FALSE(Get(*client, server.URL(u"/b")).Failed);
    const QList<TRequest> r = server.Requests();
    EXPECT_EQ(r[0].Target, "/a%0D%0AX-Injected:%201");
    EXPECT_FALSE(r[0].HasHeader("X-Injected"));
    EXPECT_EQ(r[1].Header("Referer"), server.URL(u"/a%0D%0AX-Injected:%201").toLatin1());

    for (const char16_t* url : {u"", u"not a url", u"http://", u"http://[::1/x"}) {
        SCOPED_TRACE(QString::fromUtf16(url).toStdString());
        auto fresh = NewTestClient();
        EXPECT_TRUE(Get(*fresh, QString::fromUtf16(url)).Failed);
    }
}

} // namespace
