// Transfers that end early: a body cut short is a failed transfer that a later attempt repeats,
// and a request that a reused connection dropped unanswered goes out again on a fresh one. Each
// case runs through the one-at-a-time client and through the pool with one and with four
// connections, which must see the same requests and failures.

#include "base/uExceptions.h"
#include "http/uHTTPPool.h"
#include "tests/http/HTTPTestFixture.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <map>
#include <mutex>

namespace tarrow::test {

using namespace Qt::StringLiterals;

namespace {

enum class TDriver { Client, Pool1, Pool4 };

const char* DriverName(TDriver ADriver) {
    switch (ADriver) {
    case TDriver::Client:
        return "client";
    case TDriver::Pool1:
        return "pool, one connection";
    case TDriver::Pool4:
        return "pool, four connections";
    }
    return "";
}

// What became of one URL: its body, or the failures of its attempts in order.
struct TOutcome {
    QByteArray Body;
    bool Loaded = false;
    QStringList Failures;
};

// The pool's side of FetchAll: a failed attempt is repeated while attempts are left.
class TPoolOutcomes final : public THTTPPool::TEvents {
public:
    explicit TPoolOutcomes(int AAttempts, int ACount) : FAttempts(AAttempts), Outcomes(ACount) {}
    void Redirected(int, const QString&) override {}
    int Failed(int AJob, const std::exception& E) override {
        Outcomes[AJob].Failures.append(ExceptionMessage(E));
        EXPECT_FALSE(IsFinalFailure(E)) << ExceptionMessage(E).toStdString();
        return Outcomes[AJob].Failures.size() < FAttempts ? 0 : -1;
    }
    void Finished(int AJob, THTTPResponse&& AResponse) override {
        Outcomes[AJob].Body = std::move(AResponse.Body);
        Outcomes[AJob].Loaded = true;
    }

private:
    int FAttempts;

public:
    QList<TOutcome> Outcomes;
};

// Fetches every URL with up to AAttempts attempts, as the crawl does with its retries.
QList<TOutcome> FetchAll(TDriver ADriver, const QStringList& AURLs, int AAttempts) {
    auto client = NewTestClient();
    if (ADriver == TDriver::Client) {
        QList<TOutcome> outcomes(AURLs.size());
        for (qsizetype i = 0; i < AURLs.size(); ++i) {
            while (outcomes[i].Failures.size() < AAttempts) {
                const TGetResult result = Get(*client, AURLs[i], false, false, -1, 0);
                if (!result.Failed) {
                    outcomes[i].Body = result.Body;
                    outcomes[i].Loaded = true;
                    break;
                }
                EXPECT_TRUE(result.Retryable) << result.Error.toStdString();
                outcomes[i].Failures.append(result.Error);
            }
        }
        return outcomes;
    }
    TPoolOutcomes events(AAttempts, int(AURLs.size()));
    THTTPPool pool(client->RequestSettings(), ADriver == TDriver::Pool1 ? 1 : 4, events);
    for (qsizetype i = 0; i < AURLs.size(); ++i)
        pool.Add(int(i), AURLs[i], {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (pool.Pending() > 0 && std::chrono::steady_clock::now() < deadline)
        pool.Poll(THTTPPool::kAbortPollMs);
    EXPECT_EQ(pool.Pending(), 0);
    return events.Outcomes;
}

constexpr TDriver kDrivers[] = {TDriver::Client, TDriver::Pool1, TDriver::Pool4};

// A reply whose connection closes after AKeep bytes.
TReply ClosedAfter(const QByteArray& ABytes, qsizetype AKeep) {
    TReply reply;
    reply.Bytes = ABytes;
    reply.CloseAfter = AKeep;
    return reply;
}

// A reply whose connection closes once it is sent, the end of a body without a length.
TReply Closing(const QByteArray& ABytes) {
    return ClosedAfter(ABytes, ABytes.size());
}

// A reply without a length, whose body ends where the server closes the connection.
TReply Unframed(QByteArrayView ACoding, const QByteArray& ABody) {
    return Closing("HTTP/1.1 200 OK\r\nContent-Encoding: " + ACoding.toByteArray() +
                   "\r\nConnection: close\r\n\r\n" + ABody);
}

} // namespace

TEST(HTTPEarlyEnd, ABodyCutShortFailsAndTheNextAttemptLoadsIt) {
    const QByteArray text = "<p>" + QByteArray(30000, 'x').replace(7, 1, "y") + "</p>";
    const QByteArray gzip = GzipCompress(text);
    const QByteArray zlib = ZlibCompress(text);
    const QByteArray closed = "Connection closed by the server: ";
    const QByteArray cut = "Compressed body cut short: ";
    struct TRow {
        const char* Name;
        TReply Broken;
        TReply Good;
        QByteArray Failure; // the message's start, before "host:port"
    };
    auto withLength = [](const QByteArray& ABody, QByteArrayView ACoding) {
        THeaderList headers{{"Content-Length", QByteArray::number(ABody.size())}};
        if (!ACoding.isEmpty())
            headers.append({"Content-Encoding", ACoding.toByteArray()});
        return ReplyBytes(200, "OK", headers) + ABody;
    };
    const TRow rows[] = {
        {"fewer bytes than Content-Length", ClosedAfter(withLength(text, {}), 200),
         MakeReply(200, "OK", {}, text), closed},
        {"gzip, fewer bytes than Content-Length", ClosedAfter(withLength(gzip, "gzip"), 150),
         MakeReply(200, "OK", {{"Content-Encoding", "gzip"}}, gzip), closed},
        {"gzip without a length, closed early", Unframed("gzip", gzip.left(gzip.size() / 2)),
         MakeReply(200, "OK", {{"Content-Encoding", "gzip"}}, gzip), cut},
        {"gzip without a length, trailer missing", Unframed("gzip", gzip.chopped(4)),
         MakeReply(200, "OK", {{"Content-Encoding", "gzip"}}, gzip), cut},
        {"deflate without a length, closed early", Unframed("deflate", zlib.left(40)),
         MakeReply(200, "OK", {{"Content-Encoding", "deflate"}}, zlib), cut},
        {"gzip whose length announces a cut stream",
         TReply{withLength(gzip.left(gzip.size() / 3), "gzip")},
         MakeReply(200, "OK", {{"Content-Encoding", "gzip"}}, gzip), cut},
        {"chunked gzip, closed before the last chunk",
         ClosedAfter(
             ChunkedReply({{"Content-Encoding", "gzip"}}, {gzip.left(100), gzip.mid(100)}).Bytes,
             ReplyBytes(200, "OK", {{"Content-Encoding", "gzip"}}).size() + 60),
         MakeReply(200, "OK", {{"Content-Encoding", "gzip"}}, gzip), closed},
    };
    for (const TDriver driver : kDrivers) {
        SCOPED_TRACE(DriverName(driver));
        // Declared before the server, so they outlive its threads.
        std::mutex lock;
        QSet<QByteArray> seen;
        TScriptedServer server;
        server.SetHandler([&](const TRequest& ARequest) {
            const int row = ARequest.Path().mid(2).toInt();
            const std::lock_guard guard(lock);
            const bool first = !seen.contains(ARequest.Path());
            seen.insert(ARequest.Path());
            return first ? rows[row].Broken : rows[row].Good;
        });
        QStringList urls;
        for (std::size_t i = 0; i < std::size(rows); ++i)
            urls.append(server.URL(u"/r%1"_s.arg(i)));
        const QList<TOutcome> outcomes = FetchAll(driver, urls, 2);
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            SCOPED_TRACE(rows[i].Name);
            EXPECT_TRUE(outcomes[i].Loaded);
            EXPECT_EQ(outcomes[i].Body, text);
            ASSERT_EQ(outcomes[i].Failures.size(), 1);
            EXPECT_EQ(outcomes[i].Failures[0],
                      QString::fromUtf8(rows[i].Failure) + server.HostPort());
        }
        EXPECT_EQ(server.RequestCount(), 2 * int(std::size(rows)));
    }
}

TEST(HTTPEarlyEnd, ARequestDroppedOnAReusedConnectionGoesOutAgainOnAFreshOne) {
    for (const TDriver driver : kDrivers) {
        SCOPED_TRACE(DriverName(driver));
        // Declared before the server, so they outlive its threads.
        std::mutex lock;
        std::map<int, int> served; // requests answered per connection
        QSet<QByteArray> seen;
        TScriptedServer server;
        // What a keep-alive time-out does: the first request of each image that arrives on a
        // connection used before is read and the connection closed without an answer.
        server.SetHandler([&](const TRequest& ARequest) {
            const std::lock_guard guard(lock);
            const bool first = !seen.contains(ARequest.Path());
            seen.insert(ARequest.Path());
            if (first && served[ARequest.Connection] > 0)
                return ClosedAfter({}, 0);
            ++served[ARequest.Connection];
            return OkReply("image " + ARequest.Path(), "image/png");
        });
        QStringList urls;
        for (int i = 0; i < 30; ++i)
            urls.append(server.URL(u"/img%1.png"_s.arg(i)));
        const QList<TOutcome> outcomes = FetchAll(driver, urls, 1);
        for (int i = 0; i < 30; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(outcomes[i].Failures, QStringList());
            EXPECT_EQ(outcomes[i].Body, "image /img" + QByteArray::number(i) + ".png");
        }
        // Each image went out at most twice: once more after a drop, never more.
        QHash<QByteArray, int> perPath;
        for (const TRequest& request : server.Requests())
            ++perPath[request.Path()];
        for (auto it = perPath.cbegin(); it != perPath.cend(); ++it)
            EXPECT_LE(it.value(), 2) << it.key().toStdString();
    }
}

TEST(HTTPEarlyEnd, ADropOnAFreshConnectionIsAFailedAttempt) {
    for (const TDriver driver : kDrivers) {
        SCOPED_TRACE(DriverName(driver));
        TScriptedServer server;
        server.SetHandler([](const TRequest& ARequest) {
            if (ARequest.Path() == "/gone")
                return ClosedAfter({}, 0);
            return OkReply("ok", "text/plain");
        });
        const QList<TOutcome> outcomes =
            FetchAll(driver, {server.URL(u"/a"), server.URL(u"/gone")}, 3);
        EXPECT_TRUE(outcomes[0].Loaded);
        EXPECT_FALSE(outcomes[1].Loaded);
        EXPECT_EQ(outcomes[1].Failures,
                  QStringList(3, u"Connection closed by the server: "_s + server.HostPort()));
    }
}

} // namespace tarrow::test
