// Servers that break off mid-body, stall, fail the TLS handshake or redirect for ever: the entry
// fails with the client's message after its retry, the rest of the site is saved, and an older
// copy of the entry's file stays as it was.
#include "tests/faults/FaultFixture.h"

#include <openssl/ssl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace tarrow;
using namespace tarrow::test;

namespace {

using NetworkFaults = FaultTest;

const QByteArray Picture(4000, 'P');

qsizetype HeadSize(const QByteArray& AReply) {
    return AReply.indexOf("\r\n\r\n") + 4;
}

struct BrokenReply {
    const char* Name;
    TReply Reply;
};

// The page links a.png (the broken reply) and b.png (a good one).
void ServeSiteAround(TFaultSite& ASite, const TReply& ABroken) {
    ASite.Html("/blog/", "<img src=\"a.png\"><img src=\"b.png\">");
    ASite.Page("/blog/a.png", ABroken);
    ASite.Page("/blog/b.png", OkReply("fine", "image/png"));
}

TEST_F(NetworkFaults, ServerClosesTheConnectionMidBody) {
    TReply halfBody = OkReply(Picture, "image/png");
    halfBody.CloseAfter = halfBody.Bytes.size() - 2000;
    TReply headOnly = OkReply(Picture, "image/png");
    headOnly.CloseAfter = HeadSize(headOnly.Bytes);
    TReply chunked =
        ChunkedReply({{"Content-Type", "image/png"}}, {Picture.left(2000), Picture.mid(2000)});
    chunked.CloseAfter = chunked.Bytes.size() - 1500;
    TReply gzip =
        MakeReply(200, "OK", {{"Content-Type", "image/png"}, {"Content-Encoding", "gzip"}},
                  GzipCompress(Picture));
    gzip.CloseAfter = gzip.Bytes.size() - 10;
    const BrokenReply rows[] = {
        {"half the body", halfBody},
        {"the head only", headOnly},
        {"in the middle of a chunk", chunked},
        {"in the middle of a gzip stream", gzip},
    };
    Plant(QStringLiteral("a.png"), "an older a.png");
    for (const BrokenReply& row : rows) {
        SCOPED_TRACE(row.Name);
        ServeSiteAround(FSite, row.Reply);
        const QStringList log = Run(*NewProject());
        const QString closed =
            QStringLiteral("Connection closed by the server: ") + FSite.HostPort();
        ExpectOutcome(log, Summary(2, 0, 0, 0, 1), closed);
        EXPECT_EQ(CountStartingWith(log, closed), 2); // the attempt and its retry
        EXPECT_EQ(CountStartingWith(log, QStringLiteral("Retry #1...")), 1);
        EXPECT_EQ(Files(), (QStringList{QStringLiteral("a.png"), QStringLiteral("b.png"),
                                        QStringLiteral("index.html")}));
    }
}

TEST_F(NetworkFaults, StalledServerMeetsTheReadTimeout) {
    FOptions.ReadTimeoutMs = 300;
    const TReply whole = OkReply(Picture, "image/png");
    TReply silent = whole;
    silent.StallAfter = 0;
    TReply afterHead = whole;
    afterHead.StallAfter = HeadSize(whole.Bytes);
    TReply midBody = whole;
    midBody.StallAfter = whole.Bytes.size() - 1000;
    const BrokenReply rows[] = {
        {"before the first byte", silent},
        {"after the head", afterHead},
        {"in the middle of the body", midBody},
    };
    Plant(QStringLiteral("a.png"), "an older a.png");
    for (const BrokenReply& row : rows) {
        SCOPED_TRACE(row.Name);
        ServeSiteAround(FSite, row.Reply);
        const QStringList log = Run(*NewProject());
        const QString timedOut = QStringLiteral("Read timed out: ") + FSite.HostPort();
        ExpectOutcome(log, Summary(2, 0, 0, 0, 1), timedOut);
        EXPECT_EQ(CountStartingWith(log, timedOut), 2);
        EXPECT_EQ(Saved(QStringLiteral("b.png")), "fine");
    }
}

TEST_F(NetworkFaults, FailedTLSHandshake) {
    // A cipher the client never offers: the server ends the handshake with an alert.
    FSite.SetServer(TScriptedServer::TLS(TLS1_2_VERSION, TLS1_2_VERSION, "PSK-AES128-CBC-SHA"));
    FSite.Html("/blog/", "never sent");
    Plant(QStringLiteral("index.html"), "the page of an earlier run");
    const QStringList log = Run(*NewProject());
    ExpectOutcome(log, Summary(0, 0, 0, 0, 1),
                  QStringLiteral("TLS handshake failed: ") + FSite.HostPort());
    EXPECT_EQ(FSite.Hits("/blog/"), 0);
}

TEST_F(NetworkFaults, HandshakeThatNeverCompletesMeetsTheConnectTimeout) {
    // An https link to a plain server: the server waits for a request that never comes.
    FOptions.ConnectTimeoutMs = 300;
    TScriptedServer plain;
    const QString secure = QStringLiteral("https://") + plain.HostPort() + QStringLiteral("/dl/");
    FSite.Html("/blog/", "<a href=\"" + secure.toLatin1() + "f.zip\">f</a>");
    auto project = NewProject();
    project->WebDocuments().append(secure);
    project->WDOutFolders().append(QStringLiteral("dl"));
    Plant(QStringLiteral("dl/f.zip"), "an older f.zip");
    const QStringList log = Run(*project);
    ExpectOutcome(log, Summary(1, 0, 0, 0, 1),
                  QStringLiteral("Connect timed out: ") + plain.HostPort());
}

TEST_F(NetworkFaults, RedirectLoopEndsAfterTheClientsLimit) {
    FSite.Page("/blog/", Redirect(302, "/blog/a"));
    FSite.Page("/blog/a", Redirect(302, "/blog/"));
    Plant(QStringLiteral("index.html"), "the page of an earlier run");
    const QStringList log = Run(*NewProject());
    // Fifteen redirects are followed; the sixteenth reply is the attempt's error.
    ExpectOutcome(log, Summary(0, 0, 0, 0, 1), QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("Redirect to: ")), 2 * 15);
    EXPECT_EQ(FSite.Hits("/blog/") + FSite.Hits("/blog/a"), 2 * 16);
}

TEST_F(NetworkFaults, AFailureAnotherAttemptCannotChangeIsNotRetried) {
    TReply badChunk =
        MakeReply(200, "OK", {{"Content-Type", "image/png"}, {"Transfer-Encoding", "chunked"}});
    badChunk.Bytes += "zz\r\nPNG\r\n0\r\n\r\n";
    struct Row {
        const char* Name;
        TReply Reply;
        QString ClearLine;
    };
    const Row rows[] = {
        {"a body over the ceiling",
         MakeReply(200, "OK", {{"Content-Type", "image/png"}, {"Content-Length", "1099511627776"}}),
         QStringLiteral("Response body exceeds the limit of ")},
        {"a redirect to another scheme", Redirect(302, "ftp://127.0.0.1/a.png"),
         QStringLiteral("Unsupported URL: ")},
        {"a status line that is no status line", TReply{"HTTP/1.1 abc\r\n\r\n"},
         QStringLiteral("Invalid reply: ")},
        {"invalid chunk framing", badChunk, QStringLiteral("Invalid reply: ")},
    };
    Plant(QStringLiteral("a.png"), "an older a.png");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        ServeSiteAround(FSite, row.Reply);
        const QStringList log = Run(*NewProject());
        ExpectOutcome(log, Summary(2, 0, 0, 0, 1), row.ClearLine);
        EXPECT_EQ(CountStartingWith(log, row.ClearLine), 1) << JoinLog(log).toStdString();
        EXPECT_EQ(CountStartingWith(log, QStringLiteral("Retry #")), 0);
    }
}

// Break while the crawl waits to try a failed entry again: no further request goes out, one
// transfer at a time or several.
TEST_F(NetworkFaults, BreakDuringARetryPauseSendsNoFurtherRequest) {
    FSite.Page("/blog/", MakeReply(500, "Internal Server Error"));
    FOptions.RetryPauseMs = 1000;
    std::mutex lock;
    std::condition_variable wake;
    bool requested = false;
    FSite.OnRequest([&](const TRequest&) {
        const std::lock_guard guard(lock);
        requested = true;
        wake.notify_all();
    });
    int hits = 0;
    for (const int connections : {1, 4}) {
        SCOPED_TRACE(connections);
        FOptions.Connections = connections;
        {
            const std::lock_guard guard(lock);
            requested = false;
        }
        FEngine->Terminated().Clear();
        // Set a moment after the first attempt was asked for: while the crawl waits to retry.
        const std::jthread breaker([&] {
            std::unique_lock guard(lock);
            wake.wait(guard, [&] { return requested; });
            guard.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            FEngine->Terminated().Set();
        });
        const QStringList log = Run(*NewProject());
        EXPECT_EQ(FSite.Hits("/blog/") - hits, 1);
        hits = FSite.Hits("/blog/");
        EXPECT_EQ(log.mid(log.size() - 2),
                  (QStringList{Summary(0, 0, 0, 0, 1), QStringLiteral("Terminated.")}));
    }
}

} // namespace
