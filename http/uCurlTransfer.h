#pragma once

#include "base/uBreakFlag.h"
#include "http/uCurlEasy.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <curl/curl.h>
#include <memory>

namespace tarrow {

// One transfer at a time: a libcurl easy handle with the multi handle whose connection cache keeps
// its connection, and a share holding its cookie store. Not thread safe: one client, one thread.
class TCurlTransfer final {
public:
    TCurlTransfer();
    ~TCurlTransfer();
    TCurlTransfer(const TCurlTransfer&) = delete;
    TCurlTransfer& operator=(const TCurlTransfer&) = delete;

    void SetConnectTimeoutMs(int AMs);
    // The longest wait for incoming data once the connection stands; 0 or less waits for ever.
    void SetReadTimeoutMs(int AMs);
    void SetUserAgent(const QString& AUserAgent);
    void SetBoundIP(const QString& ABoundIP);
    void SetVerifyTLS(bool AVerify, const QString& ACAFile);
    // An empty user sends no credentials; SOCKS 4 sends the user as its user id.
    void SetProxy(TProxyKind AKind, const QString& AHost, int APort, const QString& AUser = {},
                  const QString& APassword = {});
    void SetCookieStore(bool AOn);
    // Puts cookies (Netscape cookie-file lines) into the cookie store.
    void LoadCookies(const QList<QByteArray>& ALines);
    void SetMaxBodySize(qint64 ABytes);
    // Told of every exchange that gets a complete reply; null for none.
    void SetRecorder(TWireRecorder* ARecorder);
    // Keeps the heads of each transfer for Heads().
    void SetKeepHeads(bool AKeep);
    TWireHeads Heads() const { return FEasy.Heads(); }
    qint64 MaxBodySize() const { return FEasy.Options().MaxBodySize; }
    const TCurlOptions& Options() const { return FEasy.Options(); }
    // When set, a transfer under way ends with AbortedError within kAbortPollMs.
    void SetAbortFlag(const TBreakFlag* AFlag) { FAbortFlag = AFlag; }

    // Drops the open connection, so the next request connects afresh.
    void CloseConnection();

    // Sends one GET with AHeaders ("Name: value" lines). The body of a 2xx reply is appended to
    // ABody; other bodies are read and dropped. Transport failures raise ETransportError.
    TReplyInfo Get(const QByteArray& AURL, const QList<QByteArray>& AHeaders, QByteArray& ABody);

private:
    CURLcode Run();
    template <typename F> void Change(F AChange) {
        TCurlOptions options = FEasy.Options();
        AChange(options);
        FEasy.Apply(options);
    }

    // Both outlive the multi handle, whose cache may still hold their connection.
    TSocketRegistry FSockets;
    TCurlEasy FEasy;
    TCurlShare FShare;
    TCurlMulti FMulti;
    bool FCookieStoreOn = true;
    const TBreakFlag* FAbortFlag = nullptr;
};

} // namespace tarrow
