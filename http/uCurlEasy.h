#pragma once

#include "base/uBreakFlag.h"
#include "http/uCurlFailure.h"
#include "http/uHTTPContent.h"
#include "http/uWireRecorder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <curl/curl.h>
#include <memory>

namespace tarrow {

// The longest a transfer or a pool waits between looks at the break flag.
inline constexpr int kAbortPollMs = 200;

// Owners of the multi and share handles that drive and serve easy handles.
struct TCurlMultiDeleter {
    void operator()(CURLM* H) const { curl_multi_cleanup(H); }
};
struct TCurlShareDeleter {
    void operator()(CURLSH* H) const { curl_share_cleanup(H); }
};
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiDeleter>;
using TCurlShare = std::unique_ptr<CURLSH, TCurlShareDeleter>;

// The headers of the final reply of one transfer (interim 1xx replies are forgotten).
struct TReplyInfo {
    int Code = 0;
    QString StatusLine; // as received, without its line break
    QString ContentType;
    QString ContentEncoding;
    QString Location;
    QString ContentDisposition;
    QString RetryAfter;
    QString ETag; // the validators a conditional request sends back
    QString LastModified;
    bool HasContentLength = false;
    qint64 ContentLength = -1;
};

// What every transfer of a client is set up with.
struct TCurlOptions {
    int ConnectTimeoutMs = 0;
    int ReadTimeoutMs = 0; // the longest wait for incoming data; 0 or less waits for ever
    QString UserAgent;
    QString BoundIP;
    TProxyKind ProxyKind = TProxyKind::pkNone;
    QString ProxyHost;
    int ProxyPort = 0;
    QString ProxyUser; // none sent when empty; SOCKS 4 sends it as its user id
    QString ProxyPassword;
    qint64 MaxBodySize = kMaxBodySize;
    bool HTTP2 = false; // offered over TLS; otherwise HTTP/1.1 only
    // Certificates checked against the trust store (CAFile instead, when set) and the host name,
    // TLS 1.2 at least; otherwise any certificate and TLS 1.0 on are taken.
    bool VerifyTLS = false;
    QString CAFile;
    // Told of every exchange that got a complete reply; null for none. Not owned.
    TWireRecorder* Recorder = nullptr;
    // The request and reply heads of each transfer are kept for Heads().
    bool KeepHeads = false;
};

// The heads of one transfer as they went over the wire, with their line breaks; either may be
// empty (no connection, no reply).
struct TWireHeads {
    QByteArray Request;
    QByteArray Reply;
};

// The sockets libcurl opened for the easy handles of one multi handle, wherever their connections
// went: a connection outlives the easy handle that opened it. It must outlive those handles'
// connections (declare it before the multi handle).
class TSocketRegistry final {
public:
    static curl_socket_t Open(void* ARegistry, curlsocktype, curl_sockaddr* AAddress);
    static int Close(void* ARegistry, curl_socket_t ASocket);
    // Milliseconds since data arrived on the socket whose local port is ALocalPort (any socket,
    // the least idle, when the port is 0); -1 when unknown.
    qint64 IdleMs(long ALocalPort) const;

private:
    QList<curl_socket_t> FSockets;
};

// One libcurl easy handle and the state of the transfer it runs. The multi handle that drives it
// and the share that holds its cookies belong to the caller. libcurl never follows a redirect nor
// decodes content here; the caller does both.
class TCurlEasy final {
public:
    using TClock = std::chrono::steady_clock;

    TCurlEasy();
    ~TCurlEasy();
    TCurlEasy(const TCurlEasy&) = delete;
    TCurlEasy& operator=(const TCurlEasy&) = delete;

    void Apply(const TCurlOptions& AOptions);
    const TCurlOptions& Options() const { return FOptions; }
    // Attaches the share whose cookie store (and whatever else it shares) the transfers use;
    // null, or ACookies false, leaves the transfers without cookies.
    void SetShare(CURLSH* AShare, bool ACookies = true);
    // Where the sockets of its connections are registered (for the read time-out).
    void SetSocketRegistry(TSocketRegistry* ARegistry);
    CURL* Handle() const { return FEasy.get(); }

    // Sets up one GET with AHeaders ("Name: value" lines). The body of a 2xx reply is appended to
    // ABody, which must outlive the transfer; other bodies are read and dropped.
    void Begin(const QByteArray& AURL, const QList<QByteArray>& AHeaders, QByteArray& ABody);
    // While the transfer runs: true once the read time-out has passed (the transfer must end);
    // else AWaitMs is lowered to the time left before it would.
    bool CheckReadTimeout(int& AWaitMs);
    void MarkAborted() { FAborted = true; }
    // The reply of the ended transfer, or the error that ended it (AbortedError after
    // MarkAborted, ETransportError for transport failures).
    TReplyInfo End(CURLcode AResult);
    // Of the transfer last begun, with Options().KeepHeads (or a recorder); also after a failure.
    TWireHeads Heads() const { return {FRequestHead, FReplyHead}; }

private:
    struct TEasyDeleter {
        void operator()(CURL* H) const { curl_easy_cleanup(H); }
    };
    struct TSlistDeleter {
        void operator()(curl_slist* L) const { curl_slist_free_all(L); }
    };
    using TSlist = std::unique_ptr<curl_slist, TSlistDeleter>;

    static size_t HeaderCallback(char* AData, size_t ASize, size_t ACount, void* AThis);
    static size_t WriteCallback(char* AData, size_t ASize, size_t ACount, void* AThis);
    static int PrereqCallback(void* AThis, char*, char*, int, int);
    static int DebugCallback(CURL*, curl_infotype AType, char* AData, size_t ASize, void* AThis);
    void TakeRequestHead(QByteArrayView AData);
    void RecordExchange(const QByteArray* ABody);
    void SetupHandle();
    void ResetHandle();
    void AttachShare();
    void ApplyProxy();
    void ApplyTLS();
    void ApplyRecorder();
    bool TakeHeaderLine(const char* AData, size_t ALen);
    bool TakeBody(const char* AData, size_t ALen);
    void Touch() { FLastActivity = TClock::now(); }
    bool IsNegativeLengthReply(CURLcode ACode);
    [[noreturn]] void RaiseFailure(CURLcode ACode);

    std::unique_ptr<CURL, TEasyDeleter> FEasy;
    TSlist FHeaders;
    TSlist FProxyHeaders;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};
    TCurlOptions FOptions;
    CURLSH* FShare = nullptr;
    bool FCookies = true;
    TSocketRegistry* FSockets = nullptr;

    // State of the running transfer.
    QByteArray FURL;
    TReplyInfo FReply;
    bool FInHeaders = false;
    QByteArray* FBody = nullptr;
    qint64 FBodyBytes = 0;
    bool FConnected = false;
    long FLocalPort = 0; // of the connection the request went out on
    bool FReadTimedOut = false;
    bool FTooLarge = false;
    bool FAborted = false;
    TClock::time_point FLastActivity;
    // The exchange as it went over the wire, kept only for a recorder or KeepHeads.
    QByteArray FRequestHead;
    QByteArray FReplyHead;
    QByteArray FOtherBody; // of a reply whose body is not kept in FBody
    qsizetype FBodyStart = 0;
    QDateTime FSentAt;
};

} // namespace tarrow
