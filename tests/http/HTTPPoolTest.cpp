// Many GETs at once: the pool keeps to its number of connections and reuses them, one job's pauses
// hold up no other, and a failed attempt starts the job over from its own URL.

#include "base/uExceptions.h"
#include "http/uHTTPPool.h"
#include "tests/http/HTTPTestFixture.h"
#include "tests/support/TestProxy.h"

#include <QHash>
#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

namespace tarrow::test {

using namespace Qt::StringLiterals;

namespace {

// Records what the pool reports, in order, and answers failures from a list (-1 when empty).
class TRecorder final : public THTTPPool::TEvents {
public:
    QStringList Events;
    QList<int> FailureAnswers;
    QHash<int, THTTPResponse> Responses;

    void Redirected(int AJob, const QString& ALocation) override {
        Events.append(u"%1 redirected to %2"_s.arg(AJob).arg(ALocation));
    }
    int Failed(int AJob, const std::exception& E) override {
        Events.append(u"%1 failed: %2"_s.arg(AJob).arg(ExceptionMessage(E)));
        return FailureAnswers.isEmpty() ? -1 : FailureAnswers.takeFirst();
    }
    void Finished(int AJob, THTTPResponse&& AResponse) override {
        Events.append(u"%1 finished"_s.arg(AJob));
        Responses.insert(AJob, std::move(AResponse));
    }
};

void RunAll(THTTPPool& APool) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (APool.Pending() > 0 && std::chrono::steady_clock::now() < deadline)
        APool.Poll(THTTPPool::kAbortPollMs);
    EXPECT_EQ(APool.Pending(), 0);
}

THTTPRequestSettings Settings(int ARedirectPauseMs = 0) {
    auto client = NewTestClient();
    client->SetRetryPauseMs(ARedirectPauseMs);
    return client->RequestSettings();
}

} // namespace

TEST(HTTPPool, KeepsToItsConnectionsAndReusesThemOverHTTPAndHTTPS) {
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "HTTPS" : "HTTP");
        std::unique_ptr<TScriptedServer> server =
            tls ? TScriptedServer::TLS() : std::make_unique<TScriptedServer>();
        server->SetHandler([](const TRequest& ARequest) {
            TReply reply = OkReply("page " + ARequest.Path(), "text/plain");
            reply.DelayMs = 20; // long enough for the transfers to overlap
            return reply;
        });
        TRecorder events;
        THTTPPool pool(Settings(), 3, events);
        for (int i = 0; i < 12; ++i)
            pool.Add(i, server->URL(u"/p%1"_s.arg(i)), {});
        RunAll(pool);
        ASSERT_EQ(events.Responses.size(), 12);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(events.Responses[i].Body, "page /p" + QByteArray::number(i));
        EXPECT_LE(server->ConnectionCount(), 3);
        EXPECT_GE(server->ConnectionCount(), 2); // they did run side by side
    }
}

TEST(HTTPPool, ARedirectPauseHoldsUpNoOtherJob) {
    TScriptedServer server;
    server.SetHandler([](const TRequest& ARequest) {
        if (ARequest.Path() == "/moved")
            return Redirect(302, "/target");
        return OkReply(ARequest.Path(), "text/plain");
    });
    TRecorder events;
    TBreakFlag stop;
    // A pause far longer than any request takes; Break ends it.
    THTTPRequestSettings settings = Settings(600000);
    settings.AbortFlag = &stop;
    THTTPPool pool(settings, 2, events);
    pool.Add(0, server.URL(u"/moved"), {});
    auto pollUntil = [&](const QString& AEvent) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!events.Events.contains(AEvent) && std::chrono::steady_clock::now() < deadline)
            pool.Poll(THTTPPool::kAbortPollMs);
    };
    pollUntil(u"0 redirected to /target"_s);
    // Only now, with the first job in its pause, does the other one start; it ends while the
    // pause still runs.
    pool.Add(1, server.URL(u"/quick"), {});
    pollUntil(u"1 finished"_s);
    EXPECT_EQ(events.Events, (QStringList{u"0 redirected to /target"_s, u"1 finished"_s}));
    EXPECT_EQ(events.Responses[1].Body, "/quick");
    EXPECT_EQ(server.RequestCount(), 2); // the redirect's target was not requested yet
    stop.Set();
    pool.Poll(THTTPPool::kAbortPollMs);
    EXPECT_EQ(events.Events.back(), u"0 failed: Aborted."_s);
    EXPECT_EQ(pool.Pending(), 0);
}

TEST(HTTPPool, AFailedAttemptStartsOverFromTheJobsURLWithItsReferer) {
    TScriptedServer server;
    server.SetHandler([](const TRequest& ARequest) {
        if (ARequest.Path() == "/old")
            return Redirect(301, "gone");
        return MakeReply(404, "Not Found");
    });
    TRecorder events;
    events.FailureAnswers = {0}; // one more attempt, then give up
    THTTPPool pool(Settings(), 2, events);
    pool.Add(7, server.URL(u"/old"), server.URL(u"/index.html#top"));
    RunAll(pool);
    EXPECT_EQ(events.Events,
              (QStringList{u"7 redirected to gone"_s, u"7 failed: HTTP/1.1 404 Not Found"_s,
                           u"7 redirected to gone"_s, u"7 failed: HTTP/1.1 404 Not Found"_s}));
    const QList<TRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4);
    for (int i = 0; i < 4; i += 2) {
        // The first request names the page given; the redirect's, the request before it.
        EXPECT_EQ(requests[i].Path(), "/old");
        EXPECT_EQ(requests[i].Header("Referer"), server.URL(u"/index.html").toUtf8());
        EXPECT_EQ(requests[i + 1].Path(), "/gone");
        EXPECT_EQ(requests[i + 1].Header("Referer"), server.URL(u"/old").toUtf8());
    }
}

TEST(HTTPPool, SendsTheRequestsTheClientSends) {
    // The same GET through both drivers, with a redirect that sets a cookie, with and without a
    // custom cookie (which replaces the cookie store).
    for (const QString& cookie : {QString(), u"mine=2"_s}) {
        SCOPED_TRACE(cookie.toStdString());
        TScriptedServer server;
        server.SetHandler([](const TRequest& ARequest) {
            if (ARequest.Path() == "/a")
                return MakeReply(302, "Found", {{"Location", "b?x=1#f"}, {"Set-Cookie", "s=1"}});
            return OkReply("b", "text/plain");
        });
        auto client = NewTestClient();
        client->SetCustomCookie(cookie);
        client->SetReferer(server.URL(u"/index.html#top"));
        EXPECT_EQ(Get(*client, server.URL(u"/a")).Body, "b");
        TRecorder events;
        THTTPPool pool(client->RequestSettings(), 2, events);
        pool.Add(0, server.URL(u"/a"), server.URL(u"/index.html#top"));
        RunAll(pool);
        EXPECT_EQ(events.Events, (QStringList{u"0 redirected to b?x=1#f"_s, u"0 finished"_s}));
        EXPECT_EQ(events.Responses[0].Body, "b");
        EXPECT_EQ(events.Responses[0].URL, server.URL(u"/b?x=1#f"));
        EXPECT_EQ(events.Responses[0].URL, client->CurURL());
        EXPECT_EQ(events.Responses[0].Location, u"b?x=1#f"_s);
        const QList<TRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 4);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(requests[i + 2].Raw, requests[i].Raw);
        EXPECT_EQ(requests[1].Header("Cookie"), cookie.isEmpty() ? "s=1" : "mine=2");
        EXPECT_EQ(requests[1].HeaderCount("Cookie"), 1);
    }
}

TEST(HTTPPool, BothDriversSendTheUsersHeadersDirectAndThroughEachProxy) {
    const QStringList lines = {u"X-Token: abc"_s, u"Accept-Language: de"_s, u"Host: evil"_s};
    std::vector<std::optional<TProxyProtocol>> routes = {std::nullopt};
    for (const TProxyKindRow& row : kProxyKindRows)
        routes.push_back(row.Protocol);
    for (const std::optional<TProxyProtocol>& route : routes) {
        SCOPED_TRACE(route ? int(*route) : -1);
        TScriptedServer server;
        server.SetHandler([](const TRequest&) { return OkReply("b", "text/plain"); });
        std::unique_ptr<TProxyServer> proxy;
        QString proxyURL;
        if (route) {
            proxy = std::make_unique<TProxyServer>(*route);
            const char* scheme = *route == TProxyProtocol::ppHTTP     ? "http"
                                 : *route == TProxyProtocol::ppSOCKS4 ? "socks4"
                                                                      : "socks5";
            proxyURL = QString::fromLatin1(scheme) + u"://"_s + proxy->HostPort();
        }
        THTTPClient client(u"Mine/2"_s, QString(), 30, 30);
        client.SetProxy(ParseProxyURL(proxyURL));
        client.SetRetryPauseMs(0);
        client.SetRequestHeaders(lines);
        EXPECT_EQ(Get(client, server.URL(u"/a")).Body, "b");
        TRecorder events;
        THTTPPool pool(client.RequestSettings(), 2, events);
        pool.Add(0, server.URL(u"/b"), QString());
        RunAll(pool);
        const QList<TRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 2);
        for (const TRequest& request : requests) {
            SCOPED_TRACE(request.Path().toStdString());
            EXPECT_EQ(request.Header("User-Agent"), "Mine/2");
            EXPECT_EQ(request.Header("X-Token"), "abc");
            EXPECT_EQ(request.Header("Accept-Language"), "de");
            EXPECT_EQ(request.HeaderCount("Accept-Language"), 1);
            EXPECT_EQ(request.HeaderCount("Host"), 1);
            EXPECT_NE(request.Header("Host"), "evil");
        }
    }
}

} // namespace tarrow::test
