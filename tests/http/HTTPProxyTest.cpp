// Proxies: each kind against its front end, refusals, and TLS through them.
#include "tests/http/HTTPTestFixture.h"
#include "tests/support/TestProxy.h"

#include <openssl/ssl.h>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

QString ProxyURL(const TProxyKindRow& ARow, const TProxyServer& AProxy) {
    return QString::fromLatin1(ARow.Scheme) + u"://"_s + AProxy.HostPort();
}

void ExpectHandshake(const THandshake& AShake, TProxyProtocol AProtocol, const QString& AURL,
                     quint16 APort, bool ATunnel) {
    EXPECT_EQ(AShake.TargetPort, APort);
    switch (AProtocol) {
    case TProxyProtocol::ppSOCKS4:
        EXPECT_EQ(AShake.SocksVersion, 4);
        EXPECT_EQ(AShake.TargetHost, "127.0.0.1");
        break;
    case TProxyProtocol::ppSOCKS5:
        EXPECT_EQ(AShake.SocksVersion, 5);
        EXPECT_TRUE(AShake.Methods.contains('\0')); // no authentication offered
        EXPECT_EQ(AShake.TargetHost, "127.0.0.1");
        break;
    case TProxyProtocol::ppHTTP:
        EXPECT_EQ(AShake.Request.Method, ATunnel ? "CONNECT" : "GET");
        EXPECT_EQ(AShake.Request.Target,
                  ATunnel ? QByteArray("127.0.0.1:") + QByteArray::number(APort) : AURL.toLatin1());
        EXPECT_EQ(AShake.Request.Header("Proxy-Connection"), "Keep-Alive");
        EXPECT_EQ(AShake.Request.HeaderCount("Proxy-Connection"), 1);
        break;
    }
}

TEST(HTTPProxy, EachKindReachesTheOrigin) {
    for (const TProxyKindRow& row : kProxyKindRows) {
        SCOPED_TRACE(row.Scheme);
        TScriptedServer origin;
        origin.Queue(OkReply("via proxy", "text/plain"));
        origin.Queue(OkReply("again", "text/plain"));
        TProxyServer proxy(row.Protocol);
        auto client = NewTestClient(ProxyURL(row, proxy));
        const QString url = origin.URL(u"/x");
        const TGetResult result = Get(*client, url);
        EXPECT_EQ(result.Body, "via proxy") << result.Error.toStdString();
        EXPECT_EQ(Get(*client, origin.URL(u"/x2")).Body, "again");
        ASSERT_EQ(proxy.Handshakes().size(), 1); // the second request reused the connection
        ExpectHandshake(proxy.Handshakes()[0], row.Protocol, url, origin.Port(), false);
        ASSERT_EQ(origin.RequestCount(), 2);
        EXPECT_EQ(origin.Requests()[0].Path(), "/x");
        EXPECT_EQ(origin.Requests()[0].Header("User-Agent"), kTestUserAgent.toLatin1());
    }
}

TEST(HTTPProxy, HTTPSThroughEachKind) {
    for (const TProxyKindRow& row : kProxyKindRows) {
        SCOPED_TRACE(row.Scheme);
        auto origin = TScriptedServer::TLS();
        origin->Queue(OkReply("secret", "text/plain"));
        TProxyServer proxy(row.Protocol);
        auto client = NewTestClient(ProxyURL(row, proxy));
        const QString url = origin->URL(u"/s");
        const TGetResult result = Get(*client, url);
        EXPECT_EQ(result.Body, "secret") << result.Error.toStdString();
        ASSERT_EQ(proxy.Handshakes().size(), 1);
        ExpectHandshake(proxy.Handshakes()[0], row.Protocol, url, origin->Port(), true);
        // The origin never sees proxy headers inside the tunnel.
        EXPECT_FALSE(origin->Requests().value(0).HasHeader("Proxy-Connection"));
    }
}

// A client set up from a proxy URL sends its credentials: SOCKS 4 as its user id, SOCKS 5 by
// user name and password, HTTP as Basic Proxy-Authorization (also in a CONNECT).
TEST(HTTPProxy, ProxyURLCredentialsReachEachKind) {
    for (const TProxyKindRow& row : kProxyKindRows) {
        for (const bool tls : {false, true}) {
            SCOPED_TRACE(std::string(row.Scheme) + (tls ? " https" : " http"));
            auto origin = tls ? TScriptedServer::TLS() : std::make_unique<TScriptedServer>();
            origin->SetHandler([](const TRequest&) { return OkReply("behind the proxy"); });
            TProxyServer proxy(row.Protocol);
            if (row.Protocol != TProxyProtocol::ppSOCKS4)
                proxy.SetCredentials("me", "p@ss:w");
            auto client = NewTestClient();
            client->SetProxy(ParseProxyURL(QString::fromLatin1(row.Scheme) +
                                           u"://me:p%40ss%3Aw@"_s + proxy.HostPort()));
            const TGetResult result = Get(*client, origin->URL(u"/x"));
            EXPECT_EQ(result.Body, "behind the proxy") << result.Error.toStdString();
            ASSERT_EQ(proxy.Handshakes().size(), 1);
            const THandshake shake = proxy.Handshakes()[0];
            if (row.Protocol == TProxyProtocol::ppSOCKS4) {
                EXPECT_EQ(shake.UserId, "me");
            } else {
                EXPECT_EQ(shake.User, "me");
                EXPECT_EQ(shake.Password, "p@ss:w");
            }
        }
    }
}

TEST(HTTPProxy, WrongCredentialsFail) {
    for (TProxyProtocol protocol : {TProxyProtocol::ppHTTP, TProxyProtocol::ppSOCKS5}) {
        const bool http = protocol == TProxyProtocol::ppHTTP;
        SCOPED_TRACE(http ? "HTTP" : "SOCKS 5");
        TScriptedServer origin;
        TProxyServer proxy(protocol);
        proxy.SetCredentials("me", "right");
        auto client = NewTestClient();
        client->SetProxy(ParseProxyURL((http ? u"http://me:wrong@"_s : u"socks5://me:wrong@"_s) +
                                       proxy.HostPort()));
        const TGetResult result = Get(*client, origin.URL(u"/x"));
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(origin.ConnectionCount(), 0);
        // Without credentials, no request passes either.
        client->SetProxy(ParseProxyURL((http ? u"http://"_s : u"socks5://"_s) + proxy.HostPort()));
        EXPECT_TRUE(Get(*client, origin.URL(u"/y")).Failed);
        EXPECT_EQ(origin.ConnectionCount(), 0);
    }
}

TEST(HTTPProxy, NoProxyOrEmptyAddressGoesDirect) {
    TProxyServer proxy(TProxyProtocol::ppHTTP);
    TScriptedServer origin;
    origin.SetHandler([](const TRequest&) { return OkReply("direct"); });
    // A proxy that was set and then removed, and an empty address.
    auto none = NewTestClient(u"http://"_s + proxy.HostPort());
    none->SetProxy(TProxySettings());
    auto empty = NewTestClient({});
    EXPECT_EQ(Get(*none, origin.URL(u"/a")).Body, "direct");
    EXPECT_EQ(Get(*empty, origin.URL(u"/b")).Body, "direct");
    EXPECT_EQ(proxy.ConnectionCount(), 0);
    EXPECT_EQ(origin.Requests()[0].Target, "/a");
}

TEST(HTTPProxy, SocksRefusalIsRetryable) {
    for (TProxyProtocol protocol : {TProxyProtocol::ppSOCKS4, TProxyProtocol::ppSOCKS5}) {
        const bool four = protocol == TProxyProtocol::ppSOCKS4;
        SCOPED_TRACE(four ? "SOCKS 4" : "SOCKS 5");
        TScriptedServer origin;
        TProxyServer proxy(protocol);
        proxy.SetRefuse(true);
        auto client = NewTestClient((four ? u"socks4://"_s : u"socks5://"_s) + proxy.HostPort());
        const TGetResult result = Get(*client, origin.URL(u"/x"));
        EXPECT_TRUE(result.Retryable);
        EXPECT_TRUE(result.Error.startsWith(QStringLiteral("SOCKS proxy refused the request: ") +
                                            origin.HostPort() + QStringLiteral(" via proxy ") +
                                            proxy.HostPort()))
            << result.Error.toStdString();
        EXPECT_EQ(origin.ConnectionCount(), 0);
    }
}

TEST(HTTPProxy, HTTPProxyRefusal) {
    TProxyServer proxy(TProxyProtocol::ppHTTP);
    proxy.SetRefuse(true);
    auto client = NewTestClient(u"http://"_s + proxy.HostPort());
    TScriptedServer origin;
    // A plain request gets the proxy's reply; a tunnel that is refused is a connection failure.
    EXPECT_EQ(Get(*client, origin.URL(u"/x")).Error, QStringLiteral("HTTP/1.1 403 Forbidden"));
    const TGetResult tunnel =
        Get(*client, QStringLiteral("https://127.0.0.1:%1/").arg(origin.Port()));
    EXPECT_TRUE(tunnel.Failed);
    EXPECT_TRUE(tunnel.Error.contains(QStringLiteral(" via proxy ") + proxy.HostPort()))
        << tunnel.Error.toStdString();
}

TEST(HTTPProxy, UnreachableProxy) {
    const quint16 port = RefusedPort();
    auto client = NewTestClient(QStringLiteral("socks5://127.0.0.1:%1").arg(port));
    const TGetResult result = Get(*client, QStringLiteral("http://127.0.0.1:9/x"));
    EXPECT_TRUE(result.Retryable);
    EXPECT_TRUE(result.Error.endsWith(QStringLiteral(" via proxy 127.0.0.1:%1").arg(port)))
        << result.Error.toStdString();
}

} // namespace
