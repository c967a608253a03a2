// Connections: reuse by URL prefix, time-outs, retries, refused and unreachable ports, binding.
#include "tests/http/HTTPTestFixture.h"

using namespace tarrow;
using namespace tarrow::test;

namespace {

TReply Stalled(const QByteArray& ABytes = {}, qsizetype AAfter = 0) {
    TReply reply;
    reply.Bytes = ABytes;
    reply.StallAfter = AAfter;
    return reply;
}

TEST(HTTPConnection, ReusedWhileThePrefixStaysTheSame) {
    TScriptedServer server;
    server.SetHandler([](const TRequest&) { return OkReply("x"); });
    auto client = NewTestClient();
    struct TStep {
        const char16_t* Path;
        int Connection;
    };
    const TStep steps[] = {
        {u"/a1", 0},   {u"/a2", 0}, // same prefix "/a"
        {u"/b1", 1},                // another prefix: closed first
        {u"/b2/x", 1}, {u"/B3", 1}, // letter case is ignored
        {u"/", 2},     {u"/", 2},   // "http://h:p/" is shorter than the prefix length
        {u"/c", 3},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(QString::fromUtf16(step.Path).toStdString());
        ASSERT_FALSE(Get(*client, server.URL(QString::fromUtf16(step.Path))).Failed);
        EXPECT_EQ(server.Requests().back().Connection, step.Connection);
    }
    EXPECT_EQ(server.ConnectionCount(), 4);
}

TEST(HTTPConnection, ServerCloseIsRespected) {
    TScriptedServer server;
    server.Queue(MakeReply(200, "OK", {{"Connection", "close"}}, "one"));
    server.Queue(OkReply("two"));
    auto client = NewTestClient();
    EXPECT_EQ(Get(*client, server.URL(u"/a1")).Body, "one");
    EXPECT_EQ(Get(*client, server.URL(u"/a2")).Body, "two");
    EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST(HTTPConnection, StalledServerMeetsTheReadTimeout) {
    const QByteArray head = ReplyBytes(200, "OK", {{"Content-Length", "100"}});
    struct TRow {
        const char* Name;
        TReply Reply;
    };
    const TRow rows[] = {
        {"no reply at all", Stalled()},
        {"half a status line", Stalled("HTTP/1.1 200", 12)},
        {"stall in the body", Stalled(head + QByteArray(100, 'b'), head.size() + 40)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TScriptedServer server;
        server.Queue(row.Reply);
        auto client = NewTestClient();
        client->SetReadTimeoutMs(300);
        const TGetResult result = Get(*client, server.URL(u"/slow"));
        EXPECT_EQ(result.Error, QStringLiteral("Read timed out: ") + server.HostPort());
        EXPECT_TRUE(result.Retryable);
    }
}

TEST(HTTPConnection, SlowButSteadyRepliesAreNotCut) {
    // Each takes about two seconds in all, far beyond the read time-out.
    TReply body = OkReply(QByteArray(150, 's'), "text/plain");
    body.TrickleChunk = 10;
    body.TrickleDelayMs = 100;
    // One byte at a time: the status line alone takes longer than the time-out.
    TReply head = MakeReply(200, "OK" + QByteArray(30, '.'), {}, "ssss");
    head.TrickleChunk = 1;
    head.TrickleDelayMs = 40;
    struct TRow {
        const char* Name;
        TReply Reply;
        QByteArray Body;
    };
    const TRow rows[] = {
        {"a body in pieces", body, QByteArray(150, 's')},
        {"a head byte by byte", head, "ssss"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TScriptedServer server;
        server.Queue(row.Reply);
        auto client = NewTestClient();
        client->SetReadTimeoutMs(600);
        const TGetResult result = Get(*client, server.URL(u"/trickle"));
        EXPECT_FALSE(result.Failed) << result.Error.toStdString();
        EXPECT_EQ(result.Body, row.Body);
    }
}

TEST(HTTPConnection, TimeoutRetriesRepeatTheSameURL) {
    TScriptedServer server;
    server.Queue(Stalled());
    server.Queue(Stalled());
    server.Queue(OkReply("third time"));
    auto client = NewTestClient();
    client->SetReadTimeoutMs(200);
    client->SetReferer(server.URL(u"/page"));
    EXPECT_EQ(Get(*client, server.URL(u"/r"), true, false, -1, 2).Body, "third time");
    ASSERT_EQ(server.RequestCount(), 3);
    for (const TRequest& request : server.Requests()) {
        EXPECT_EQ(request.Target, "/r");
        EXPECT_EQ(request.Header("Referer"), server.URL(u"/page").toUtf8()); // not its own URL
    }

    // One retry is not enough; without retries the first time-out is raised at once.
    TScriptedServer stalls;
    stalls.SetHandler([](const TRequest&) { return Stalled(); });
    EXPECT_TRUE(Get(*client, stalls.URL(u"/r"), true, false, -1, 1).Retryable);
    EXPECT_EQ(stalls.RequestCount(), 2);
    EXPECT_TRUE(Get(*client, stalls.URL(u"/r")).Retryable);
    EXPECT_EQ(stalls.RequestCount(), 3);
    // A retry that uses up the last attempt leaves its error standing.
    const TGetResult last = Get(*client, stalls.URL(u"/r"), true, false, 0, 2);
    EXPECT_EQ(last.Error, QStringLiteral("Read timed out: ") + stalls.HostPort());
    EXPECT_EQ(stalls.RequestCount(), 4);
}

TEST(HTTPConnection, RetryCountStartsAgainAfterARedirect) {
    TScriptedServer server;
    server.Queue(Stalled());
    server.Queue(Redirect(302, "/next"));
    server.Queue(Stalled());
    server.Queue(OkReply("done"));
    auto client = NewTestClient();
    client->SetReadTimeoutMs(200);
    EXPECT_EQ(Get(*client, server.URL(u"/r"), true, false, -1, 1).Body, "done");
    EXPECT_EQ(server.RequestCount(), 4);
}

TEST(HTTPConnection, PartialBodyOfAFailedAttemptIsDropped) {
    const QByteArray full = QByteArray(300, 'f');
    for (bool noGzip : {false, true}) {
        SCOPED_TRACE(noGzip ? "written directly" : "through the buffer");
        TScriptedServer server;
        TReply broken = OkReply(full, "text/plain");
        broken.CloseAfter = broken.Bytes.size() - 100;
        server.Queue(broken);
        server.Queue(OkReply(full, "text/plain"));
        auto client = NewTestClient();
        QByteArray out("kept:");
        QString type;
        client->HTTPGet(server.URL(u"/f"), out, type, true, noGzip, -1, 1);
        EXPECT_EQ(out, "kept:" + full);
    }
}

TEST(HTTPConnection, RefusedConnection) {
    const quint16 port = RefusedPort();
    auto client = NewTestClient();
    const TGetResult result = Get(*client, QStringLiteral("http://127.0.0.1:%1/x").arg(port));
    EXPECT_EQ(result.Error, QStringLiteral("Connection refused: 127.0.0.1:%1").arg(port));
    EXPECT_TRUE(result.Retryable);
    EXPECT_EQ(result.ErrorClass, QStringLiteral("ETransportError"));
}

TEST(HTTPConnection, ConnectTimeout) {
    TBlackholePort blackhole;
    auto client = NewTestClient();
    client->SetConnectTimeoutMs(300);
    const TGetResult result =
        Get(*client, QStringLiteral("http://127.0.0.1:%1/x").arg(blackhole.Port()));
    EXPECT_EQ(result.Error,
              QStringLiteral("Connect timed out: 127.0.0.1:%1").arg(blackhole.Port()));
    EXPECT_TRUE(result.Retryable);
}

TEST(HTTPConnection, BoundAddress) {
    TScriptedServer server;
    server.SetHandler([](const TRequest&) { return OkReply("x"); });
    auto bound = NewTestClient({}, QStringLiteral("127.0.0.2"));
    ASSERT_FALSE(Get(*bound, server.URL(u"/a")).Failed);
    auto any = NewTestClient();
    ASSERT_FALSE(Get(*any, server.URL(u"/b")).Failed);
    EXPECT_EQ(server.Requests()[0].PeerAddress, "127.0.0.2");
    EXPECT_EQ(server.Requests()[1].PeerAddress, "127.0.0.1");
}

} // namespace
