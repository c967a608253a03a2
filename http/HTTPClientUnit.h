#pragma once

#include "base/uBreakFlag.h"
#include "http/uCurlEasy.h"
#include "http/uHTTPContent.h"
#include "http/uHTTPErrors.h"
#include "http/uProxyURL.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace tarrow {

class THTTPClient;
class TCurlTransfer;

// Called when a redirect is about to be followed, with the Location exactly as received.
using TRedirectEvent = std::function<void(THTTPClient& Sender, const QString& ALocation)>;
// Called after each transfer with its heads as they went over the wire (see SetKeepHeads).
using TExchangeEvent = std::function<void(const TWireHeads& AHeads)>;
// A line for the run log.

// ---- text rules of a request ----

// Spaces become "%20"; in a URL with "://", a "?" with no "/" between the host and it gains a "/"
// before it ("http://h?x=1" -> "http://h/?x=1").
QString NormalizeURL(const QString& AURL);
// A URL without "://" placed against the referer (its fragment and query cut off): "/x" after the
// referer's scheme and host, "//host/x" after its scheme, anything else after its last "/".
// Unchanged when the referer has no "://".
QString ExpandRefererURL(const QString& AURL, const QString& AReferer);
// The URL as a Referer header carries it: without its fragment and without "user:password@".
QString RefererHeaderURL(const QString& AURL);
// Whether the connection must be closed before requesting AURL after ACurURL: always for
// "https:"; otherwise when the URLs differ (letter case ignored) up to one character past the
// first "/" after the host.
bool MustCloseConnection(const QString& AURL, const QString& ACurURL);
// 301, 302, 303 and 307 are followed; 300, 304, 305 and 308 are not.
bool IsRedirectReply(int ACode);
// The URL as bytes for the request line: UTF-8, with control characters, spaces and (outside the
// host) non-ASCII bytes percent-encoded.
QByteArray EncodeRequestURL(const QString& AURL);

// The request headers of a GET: what is accepted, the compression offered, the Referer (cut to
// what a Referer carries) and a fixed cookie, when given; then the user's own AExtra lines, each
// of which replaces a built-in header of the same name.
QList<QByteArray> RequestHeaders(bool ACompressed, const QString& AReferer,
                                 const QString& ACustomCookie,
                                 const QList<QByteArray>& AExtra = {});
// Why a user's request header line cannot be sent, or empty when it can: a line is "Name: value"
// with a token name and a non-empty value, and never names a header the transfer itself frames
// (Host, Content-Length, Transfer-Encoding) or the compression it decodes (Accept-Encoding).
QString RequestHeaderProblem(const QString& ALine);
// The lines of ALines that RequestHeaderProblem accepts, trimmed, as sent.
QList<QByteArray> RequestHeaderLines(const QStringList& ALines);
// The log line of a redirect that is about to be followed.
QString RedirectLogLine(const QString& ALocation);

// The media type and character set of a 2xx reply whose body (from AOutStart on) is complete:
// decompressed first when ADecode is set (ABuffer holds what was received), the charset from the
// header replaced by what a page's meta elements declare, else the text/* default. A compressed
// body that stops before its stream's end raises ETransportError: it was cut short.
struct TResponseType {
    QString MediaType;
    QString Charset;
};
TResponseType FinishResponse(const QString& AURL, const TReplyInfo& AReply, bool ADecode,
                             const QByteArray& ABuffer, QByteArray& AOutStream, qsizetype AOutStart,
                             qint64 AMaxDecodedSize);

// The validators a GET of AURL sends ("If-None-Match: ..." lines), or none: the GET is then not
// conditional. Called for the first request of each attempt, on the thread that sends it.
using TConditionalHeaders = std::function<QList<QByteArray>(const QString& AURL)>;
// The "If-None-Match" / "If-Modified-Since" lines that ask for a copy newer than the one whose
// reply gave AETag and ALastModified; none when both are empty.
QList<QByteArray> ConditionalRequestHeaders(const QString& AETag, const QString& ALastModified);

// Everything a client's requests are made with, for transfers made elsewhere (the pool).
struct THTTPRequestSettings {
    TCurlOptions Transfer;
    int RetryPauseMs = 0;
    int MaxRedirects = 0;
    int TimeoutRetries = 0;
    bool GzipDeflate = true;
    qint64 MaxDecodedSize = kMaxDecodedSize;
    const TBreakFlag* AbortFlag = nullptr;
    QString CustomCookie;           // sent instead of the cookie store's cookies when set
    QList<QByteArray> CookieLines;  // Netscape cookie-file lines the cookie store starts with
    QList<QByteArray> ExtraHeaders; // the user's own "Name: value" lines
    TConditionalHeaders ConditionalHeaders;
};

// The one way the engine talks to web servers: GET with its own redirect loop, a referer chain,
// a cookie store and compressed transfer. One libcurl handle per client, so the connection and the
// cookies live exactly as long as the client. Not thread safe: create, use and free it on one
// thread.
class THTTPClient final {
public:
    static constexpr int kDefaultMaxRedirects = 15;
    static constexpr int kDefaultRetryPauseMs = 100;

    // Direct connections until SetProxy; ABoundIP (when not empty) is the local address.
    THTTPClient(const QString& AUserAgent, const QString& ABoundIP, int AConnectTimeoutSec,
                int AReadTimeoutSec);
    ~THTTPClient();
    THTTPClient(const THTTPClient&) = delete;
    THTTPClient& operator=(const THTTPClient&) = delete;

    // Every later request goes through AProxy (none for pkNone), with its credentials.
    void SetProxy(const TProxySettings& AProxy);

    void SetConnectTimeout(int ATimeoutSec) { SetConnectTimeoutMs(ATimeoutSec * 1000); }
    // The longest wait for incoming data: a stalled server fails after it, a slow but steady body
    // is never cut. 0 or less waits for ever.
    void SetReadTimeout(int ATimeoutSec) { SetReadTimeoutMs(ATimeoutSec * 1000); }
    void SetConnectTimeoutMs(int ATimeoutMs);
    // Server certificates are checked (against ACAFile instead of the system's trust store when
    // given) and TLS below 1.2 is refused.
    void SetVerifyTLS(bool AVerify, const QString& ACAFile = {});
    void SetReadTimeoutMs(int ATimeoutMs);
    // The pause before following a redirect and before a time-out retry.
    void SetRetryPauseMs(int AMs) { FRetryPauseMs = AMs; }
    int RetryPauseMs() const { return FRetryPauseMs; }
    // Ceilings of one response body as received and of its decompressed form.
    void SetMaxBodySize(qint64 ABytes);
    void SetMaxDecodedSize(qint64 ABytes) { FMaxDecodedSize = ABytes; }
    // Told of every request of this client (and of those made with its RequestSettings) that
    // gets a complete reply, as it went over the wire; null for none. Not owned.
    void SetRecorder(TWireRecorder* ARecorder);
    // The request and reply heads of every transfer are kept (for those made with its
    // RequestSettings too) and handed to OnExchange; off, nothing is collected.
    void SetKeepHeads(bool AKeep);
    // The run's break flag: once set, the transfer under way and any pause end with
    // AbortedError ("Aborted."), which is never retried. Null (the default) never aborts.
    void SetAbortFlag(const TBreakFlag* AFlag);

    // Fetches AURL, following redirects, and appends the body of the final 2xx reply to
    // AOutStream (decompressed when compression is on). AResponseContentType receives its media
    // type without the charset parameter, and is empty after every failure. Negative limits stand
    // for MaxRedirects and TimeoutRetries. Raises EHTTPProtocolError for a reply that is not
    // followed, ETransportError for connection failures, EContentTooLarge past a ceiling.
    void HTTPGet(const QString& AURL, QByteArray& AOutStream, QString& AResponseContentType,
                 bool AUpdateReferer = true, bool ANoGZipDeflate = false, int AMaxRedirects = -1,
                 int ATimeoutRetries = -1);

    // The character set of the latest response: from its Content-Type, replaced by what the meta
    // elements of a decoded HTML body declare, else the text/* default.
    QString GetResponseCharset() const { return FResponseCharset; }
    // The Content-Disposition of the latest 2xx reply, as received.
    const QString& ResponseDisposition() const { return FResponseDisposition; }
    // Whether the latest GET ended with "304 Not Modified" to its conditional request: no body.
    bool NotModified() const { return FNotModified; }
    // The ETag and Last-Modified of the latest GET's final reply, as received.
    const QString& ResponseETag() const { return FResponseETag; }
    const QString& ResponseLastModified() const { return FResponseLastModified; }
    // Which GETs are conditional, and on what; none (the default) makes none conditional.
    void SetConditionalHeaders(TConditionalHeaders AHeaders) {
        FConditionalHeaders = std::move(AHeaders);
    }

    bool GZipDeflate() const { return FGzipDeflate; }
    void SetGZipDeflate(bool AValue) { FGzipDeflate = AValue; }
    int MaxRedirects() const { return FMaxRedirects; }
    void SetMaxRedirects(int AValue) { FMaxRedirects = AValue; }
    int TimeoutRetries() const { return FTimeoutRetries; }
    void SetTimeoutRetries(int AValue) { FTimeoutRetries = AValue; }
    const QString& Referer() const { return FReferer; }
    void SetReferer(const QString& AValue) { FReferer = AValue; }
    // Puts cookies (Netscape cookie-file lines) into the cookie store, for this client's requests
    // and for those made with its RequestSettings.
    void LoadCookies(const QList<QByteArray>& ALines);
    const QString& CustomCookie() const { return FCustomCookie; }
    void SetCustomCookie(const QString& AValue) { FCustomCookie = AValue; }
    // The user's "Name: value" lines sent with every request; lines RequestHeaderProblem refuses
    // are left out.
    void SetRequestHeaders(const QStringList& ALines) {
        FExtraHeaders = RequestHeaderLines(ALines);
    }
    const QList<QByteArray>& ExtraHeaders() const { return FExtraHeaders; }
    const TRedirectEvent& OnRedirect() const { return FOnRedirect; }
    void SetOnRedirect(TRedirectEvent AEvent) { FOnRedirect = std::move(AEvent); }
    // Told of every transfer, before its redirect, failure or body is dealt with.
    void SetOnExchange(TExchangeEvent AEvent) { FOnExchange = std::move(AEvent); }

    // The URL of the latest request as it was sent (normalised, resolved against the referer):
    // after redirects, the URL the page was finally fetched from.
    const QString& CurURL() const { return FCurURL; }

    // The settings its requests are made with; negative limits read as none.
    THTTPRequestSettings RequestSettings() const;

    const QString& UserAgent() const { return FUserAgent; }
    const QString& BoundIP() const { return FBoundIP; }

private:
    // Before each request: the cookie store's switch, and a fresh connection where needed.
    void PrepareConnection(const QString& AURL);
    void DoRedirect(const QString& ALocation);
    void ReportExchange() const;
    void Pause() const;

    QString FUserAgent;
    QString FBoundIP;
    std::unique_ptr<TCurlTransfer> FIdHTTP;
    bool FGzipDeflate = true;
    int FMaxRedirects = kDefaultMaxRedirects;
    int FTimeoutRetries = 0;
    QString FReferer;
    QString FCurURL;
    TRedirectEvent FOnRedirect;
    TExchangeEvent FOnExchange;
    QString FCustomCookie;
    QList<QByteArray> FCookieLines;
    QList<QByteArray> FExtraHeaders;
    int FRetryPauseMs = kDefaultRetryPauseMs;
    const TBreakFlag* FAbortFlag = nullptr;
    qint64 FMaxDecodedSize = kMaxDecodedSize;
    QString FResponseCharset; // of the latest reply
    QString FResponseDisposition;
    QString FResponseETag;
    QString FResponseLastModified;
    bool FNotModified = false;
    TConditionalHeaders FConditionalHeaders;
};

} // namespace tarrow
