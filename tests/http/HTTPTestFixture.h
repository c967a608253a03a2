#pragma once
// Shared pieces of the HTTP client suites: a client with short time-outs and no pauses, and a
// GET that returns what the call produced or the error it raised.

#include "http/HTTPClientUnit.h"
#include "tests/support/TestReplies.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarrow::test {

inline const QString kTestUserAgent = QStringLiteral("TarrowTest/1.0 (loopback)");

inline std::unique_ptr<THTTPClient> NewTestClient(const QString& AProxyURL = {},
                                                  const QString& ABoundIP = {}) {
    auto client = std::make_unique<THTTPClient>(kTestUserAgent, ABoundIP, 30, 30);
    client->SetProxy(ParseProxyURL(AProxyURL));
    client->SetConnectTimeoutMs(3000);
    client->SetReadTimeoutMs(3000);
    client->SetRetryPauseMs(0);
    return client;
}

// The outcome of one HTTPGet.
struct TGetResult {
    QByteArray Body;
    QString ContentType;
    bool Failed = false;
    QString Error;          // the message of the error raised
    QString ErrorClass;     // its ClassName()
    bool Retryable = false; // IsRetryableError of it
    int ReplyCode = 0;      // of an EHTTPProtocolError
};

inline TGetResult Get(THTTPClient& AClient, const QString& AURL, bool AUpdateReferer = true,
                      bool ANoGZipDeflate = false, int AMaxRedirects = -1,
                      int ATimeoutRetries = -1) {
    TGetResult result;
    result.ContentType = QStringLiteral("(stale)");
    try {
        AClient.HTTPGet(AURL, result.Body, result.ContentType, AUpdateReferer, ANoGZipDeflate,
                        AMaxRedirects, ATimeoutRetries);
    } catch (const Exception& E) {
        result.Failed = true;
        result.Error = E.Message();
        result.ErrorClass = E.ClassName();
        result.Retryable = IsRetryableError(E);
        if (const auto* protocol = dynamic_cast<const EHTTPProtocolError*>(&E))
            result.ReplyCode = protocol->ErrorCode();
        // The content type is empty after every failure.
        EXPECT_EQ(result.ContentType, QString());
    }
    return result;
}

} // namespace tarrow::test
