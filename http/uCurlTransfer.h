#pragma once

#include "base/uBreakFlag.h"
#include "http/uCurlFailure.h"
#include "http/uHTTPContent.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <curl/curl.h>
#include <memory>

namespace tarrow {

// The headers of the final reply of one transfer (interim 1xx replies are forgotten).
struct TReplyInfo {
    int Code = 0;
    QString StatusLine; // as received, without its line break
    QString ContentType;
    QString ContentEncoding;
    QString Location;
    bool HasContentLength = false;
    qint64 ContentLength = -1;
};

// One libcurl easy handle with the multi handle whose connection cache keeps its connection, and a
// share holding its cookie store. Not thread safe: one client, one thread. libcurl never follows a
// redirect nor decodes content here; the caller does both.
class TCurlTransfer final {
public:
    TCurlTransfer();
    ~TCurlTransfer();
    TCurlTransfer(const TCurlTransfer&) = delete;
    TCurlTransfer& operator=(const TCurlTransfer&) = delete;

    void SetConnectTimeoutMs(int AMs);
    // The longest wait for incoming data once the connection stands; 0 or less waits for ever.
    void SetReadTimeoutMs(int AMs) { FReadTimeoutMs = AMs; }
    void SetUserAgent(const QString& AUserAgent);
    void SetBoundIP(const QString& ABoundIP);
    // An empty user sends no credentials; SOCKS 4 sends the user as its user id.
    void SetProxy(TProxyKind AKind, const QString& AHost, int APort, const QString& AUser = {},
                  const QString& APassword = {});
    void SetCookieStore(bool AOn);
    void SetMaxBodySize(qint64 ABytes) { FMaxBodySize = ABytes; }
    qint64 MaxBodySize() const { return FMaxBodySize; }
    // When set, a transfer under way ends with AbortedError within kAbortPollMs.
    void SetAbortFlag(const TBreakFlag* AFlag) { FAbortFlag = AFlag; }
    static constexpr int kAbortPollMs = 200;

    // Drops the open connection, so the next request connects afresh.
    void CloseConnection();

    // Sends one GET with AHeaders ("Name: value" lines). The body of a 2xx reply is appended to
    // ABody; other bodies are read and dropped. Transport failures raise ETransportError.
    TReplyInfo Get(const QByteArray& AURL, const QList<QByteArray>& AHeaders, QByteArray& ABody);

private:
    struct TEasyDeleter {
        void operator()(CURL* H) const { curl_easy_cleanup(H); }
    };
    struct TMultiDeleter {
        void operator()(CURLM* H) const { curl_multi_cleanup(H); }
    };
    struct TShareDeleter {
        void operator()(CURLSH* H) const { curl_share_cleanup(H); }
    };
    struct TSlistDeleter {
        void operator()(curl_slist* L) const { curl_slist_free_all(L); }
    };
    using TSlist = std::unique_ptr<curl_slist, TSlistDeleter>;
    using TClock = std::chrono::steady_clock;

    static size_t HeaderCallback(char* AData, size_t ASize, size_t ACount, void* AThis);
    static size_t WriteCallback(char* AData, size_t ASize, size_t ACount, void* AThis);
    static int PrereqCallback(void* AThis, char*, char*, int, int);
    static curl_socket_t OpenSocketCallback(void* AThis, curlsocktype, curl_sockaddr* AAddress);
    static int CloseSocketCallback(void* AThis, curl_socket_t ASocket);
    // Milliseconds since any byte arrived on the transfer's sockets (the kernel knows: header
    // bytes count too, not only whole header lines); -1 when unknown.
    qint64 SocketIdleMs() const;
    bool TakeHeaderLine(const char* AData, size_t ALen);
    bool TakeBody(const char* AData, size_t ALen);
    void Touch() { FLastActivity = TClock::now(); }
    CURLcode Run();
    bool IsNegativeLengthReply(CURLcode ACode);
    [[noreturn]] void RaiseFailure(CURLcode ACode, const QByteArray& AURL);

    // First, so that the handles below close their sockets while it still stands.
    QList<curl_socket_t> FSockets;
    std::unique_ptr<CURLSH, TShareDeleter> FShare;
    std::unique_ptr<CURLM, TMultiDeleter> FMulti;
    std::unique_ptr<CURL, TEasyDeleter> FEasy;
    TSlist FHeaders;
    TSlist FProxyHeaders;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};

    TProxyKind FProxyKind = TProxyKind::pkNone;
    QString FProxyHost;
    int FProxyPort = 0;
    QString FBoundIP;
    bool FCookieStoreOn = false;
    int FReadTimeoutMs = 0;
    qint64 FMaxBodySize = kMaxBodySize;
    const TBreakFlag* FAbortFlag = nullptr;

    // State of the running transfer.
    TReplyInfo FReply;
    bool FInHeaders = false;
    QByteArray* FBody = nullptr;
    qint64 FBodyBytes = 0;
    bool FConnected = false;
    bool FReadTimedOut = false;
    bool FTooLarge = false;
    bool FAborted = false;
    TClock::time_point FLastActivity;
};

} // namespace tarrow
