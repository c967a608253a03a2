// HTTPS: a certificate the test makes, every TLS version from 1.0 to 1.3, a fresh connection per
// request, and the missing-library error.
#include "http/LibSSLUnit.h"
#include "tests/http/HTTPTestFixture.h"

#include <openssl/ssl.h>

using namespace tarrow;
using namespace tarrow::test;

namespace {

TEST(HTTPS, SelfMadeCertificateIsAccepted) {
    ASSERT_TRUE(IsSSLLibraryAvailable());
    EXPECT_FALSE(SSLLibraryVersion().isEmpty());
    auto server = TScriptedServer::TLS();
    server->Queue(MakeReply(
        200, "OK", {{"Content-Type", "text/html; charset=utf-8"}, {"Content-Encoding", "gzip"}},
        GzipCompress("<p>over TLS</p>")));
    auto client = NewTestClient();
    const TGetResult result = Get(*client, server->URL(u"/page"));
    EXPECT_FALSE(result.Failed) << result.Error.toStdString();
    EXPECT_EQ(result.Body, "<p>over TLS</p>");
    EXPECT_EQ(result.ContentType, QStringLiteral("text/html"));
    EXPECT_EQ(client->GetResponseCharset(), QStringLiteral("utf-8"));
}

TEST(HTTPS, EveryTLSVersionFromOnePointZero) {
    struct TRow {
        const char* Name;
        int Version;
    };
    const TRow rows[] = {
        {"TLS 1.0", TLS1_VERSION},
        {"TLS 1.1", TLS1_1_VERSION},
        {"TLS 1.2", TLS1_2_VERSION},
        {"TLS 1.3", TLS1_3_VERSION},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        auto server = TScriptedServer::TLS(row.Version, row.Version);
        server->Queue(OkReply("ok"));
        auto client = NewTestClient();
        const TGetResult result = Get(*client, server->URL(u"/"));
        EXPECT_EQ(result.Body, "ok") << result.Error.toStdString();
    }
}

TEST(HTTPS, EveryRequestOpensAFreshConnection) {
    auto server = TScriptedServer::TLS();
    server->SetHandler([](const TRequest&) { return OkReply("x"); });
    auto client = NewTestClient();
    for (const char16_t* path : {u"/a1", u"/a2", u"/a3"})
        ASSERT_FALSE(Get(*client, server->URL(QString::fromUtf16(path))).Failed);
    EXPECT_EQ(server->ConnectionCount(), 3);
}

TEST(HTTPS, RedirectsBetweenSchemes) {
    auto secure = TScriptedServer::TLS();
    TScriptedServer plain;
    plain.Queue(Redirect(301, secure->URL(u"/secure").toLatin1()));
    secure->Queue(Redirect(302, plain.URL(u"/back").toLatin1()));
    plain.Queue(OkReply("home"));
    auto client = NewTestClient();
    EXPECT_EQ(Get(*client, plain.URL(u"/start")).Body, "home");
    EXPECT_EQ(secure->Requests()[0].Header("Referer"), plain.URL(u"/start").toLatin1());
    EXPECT_EQ(plain.Requests()[1].Header("Referer"), secure->URL(u"/secure").toLatin1());
}

TEST(HTTPS, WithoutTheTLSLibrary) {
    auto secure = TScriptedServer::TLS();
    TScriptedServer plain;
    plain.Queue(OkReply("plain still works"));
    auto client = NewTestClient();
    {
        TSSLLibraryHiddenScope hidden;
        EXPECT_FALSE(IsSSLLibraryAvailable());
        const TGetResult result = Get(*client, secure->URL(u"/"));
        EXPECT_EQ(result.Error, QStringLiteral("Could not load SSL library."));
        EXPECT_FALSE(result.Retryable);
        EXPECT_EQ(Get(*client, plain.URL(u"/")).Body, "plain still works");
    }
    EXPECT_EQ(secure->ConnectionCount(), 0);
    EXPECT_TRUE(IsSSLLibraryAvailable());
}

TEST(HTTPS, FailedHandshake) {
    // Only a cipher the client does not offer.
    auto server = TScriptedServer::TLS(TLS1_2_VERSION, TLS1_2_VERSION, "PSK-AES128-CBC-SHA");
    auto client = NewTestClient();
    const TGetResult result = Get(*client, server->URL(u"/"));
    EXPECT_TRUE(
        result.Error.startsWith(QStringLiteral("TLS handshake failed: ") + server->HostPort()))
        << result.Error.toStdString();
    EXPECT_FALSE(result.Retryable);
}

TEST(HTTPS, PlainServerBehindHTTPSURLMeetsTheConnectTimeout) {
    // The TLS handshake belongs to connecting: a server that never answers it times out there.
    TScriptedServer plain;
    auto client = NewTestClient();
    client->SetConnectTimeoutMs(300);
    const TGetResult result = Get(*client, QStringLiteral("https://%1/").arg(plain.HostPort()));
    EXPECT_EQ(result.Error, QStringLiteral("Connect timed out: ") + plain.HostPort());
    EXPECT_EQ(plain.RequestCount(), 0);
}

} // namespace

TEST(HTTPS, VerifiedTLSRefusesAnUntrustedCertificateAndOldVersions) {
    {
        auto server = TScriptedServer::TLS();
        server->Queue(OkReply("secret", "text/plain"));
        auto client = NewTestClient();
        client->SetVerifyTLS(true);
        const TGetResult result = Get(*client, server->URL(u"/page"));
        EXPECT_TRUE(result.Failed);
        EXPECT_TRUE(result.Error.startsWith(QStringLiteral("Certificate not trusted: 127.0.0.1: ")))
            << result.Error.toStdString();
        EXPECT_TRUE(result.Body.isEmpty());
    }
    {
        auto server = TScriptedServer::TLS(TLS1_1_VERSION, TLS1_1_VERSION);
        server->Queue(OkReply("old", "text/plain"));
        auto client = NewTestClient();
        client->SetVerifyTLS(true);
        const TGetResult result = Get(*client, server->URL(u"/page"));
        EXPECT_TRUE(result.Failed);
        EXPECT_TRUE(result.Body.isEmpty());
    }
}
