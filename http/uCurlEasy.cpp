#include "http/uCurlEasy.h"

#include "http/LibSSLUnit.h"

#include <QByteArrayView>
#include <QHash>
#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <new>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tarrow {

namespace {

void GlobalInit() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

// Header text as received: UTF-8 when it is valid UTF-8, else byte for byte.
QString HeaderText(QByteArrayView ABytes) {
    return ABytes.isValidUtf8() ? QString::fromUtf8(ABytes) : QString::fromLatin1(ABytes);
}

QByteArrayView TrimSpace(QByteArrayView AText) {
    while (!AText.isEmpty() && (AText.front() == ' ' || AText.front() == '\t'))
        AText = AText.sliced(1);
    while (!AText.isEmpty() && (AText.back() == ' ' || AText.back() == '\t' ||
                                AText.back() == '\r' || AText.back() == '\n'))
        AText.chop(1);
    return AText;
}

bool SameName(QByteArrayView AName, const char* AExpected) {
    return AName.compare(QByteArrayView(AExpected), Qt::CaseInsensitive) == 0;
}

int ParseStatusCode(QByteArrayView ALine) {
    const qsizetype space = ALine.indexOf(' ');
    if (space < 0)
        return 0;
    QByteArrayView rest = TrimSpace(ALine.sliced(space + 1));
    const qsizetype end = rest.indexOf(' ');
    bool ok = false;
    const int code = rest.first(end < 0 ? rest.size() : end).toInt(&ok);
    return ok ? code : 0;
}

// The usual reason phrase of a status code; empty for an unusual code.
QString StandardReason(int ACode) {
    static const QHash<int, QString> reasons = {
        {300, QStringLiteral("Multiple Choices")},
        {301, QStringLiteral("Moved Permanently")},
        {302, QStringLiteral("Found")},
        {303, QStringLiteral("See Other")},
        {304, QStringLiteral("Not Modified")},
        {307, QStringLiteral("Temporary Redirect")},
        {308, QStringLiteral("Permanent Redirect")},
        {400, QStringLiteral("Bad Request")},
        {401, QStringLiteral("Unauthorized")},
        {402, QStringLiteral("Payment Required")},
        {403, QStringLiteral("Forbidden")},
        {404, QStringLiteral("Not Found")},
        {405, QStringLiteral("Method Not Allowed")},
        {406, QStringLiteral("Not Acceptable")},
        {408, QStringLiteral("Request Timeout")},
        {409, QStringLiteral("Conflict")},
        {410, QStringLiteral("Gone")},
        {411, QStringLiteral("Length Required")},
        {412, QStringLiteral("Precondition Failed")},
        {413, QStringLiteral("Payload Too Large")},
        {414, QStringLiteral("URI Too Long")},
        {415, QStringLiteral("Unsupported Media Type")},
        {416, QStringLiteral("Range Not Satisfiable")},
        {418, QStringLiteral("I'm a teapot")},
        {421, QStringLiteral("Misdirected Request")},
        {425, QStringLiteral("Too Early")},
        {426, QStringLiteral("Upgrade Required")},
        {429, QStringLiteral("Too Many Requests")},
        {451, QStringLiteral("Unavailable For Legal Reasons")},
        {500, QStringLiteral("Internal Server Error")},
        {501, QStringLiteral("Not Implemented")},
        {502, QStringLiteral("Bad Gateway")},
        {503, QStringLiteral("Service Unavailable")},
        {504, QStringLiteral("Gateway Timeout")},
        {505, QStringLiteral("HTTP Version Not Supported")}};
    return reasons.value(ACode);
}

// An HTTP/2 status line has no reason phrase: the usual one is added, so a failed URL's log line
// says what the code means, as an HTTP/1.1 line does.
QString WithReason(QString AStatusLine, int ACode) {
    const QString trimmed = AStatusLine.trimmed();
    if (!trimmed.startsWith(QLatin1String("HTTP/2")) &&
        !trimmed.startsWith(QLatin1String("HTTP/3")))
        return AStatusLine;
    const QString reason = StandardReason(ACode);
    if (reason.isEmpty() || trimmed.count(u' ') > 1)
        return AStatusLine;
    return trimmed + u' ' + reason;
}

} // namespace

TCurlEasy::TCurlEasy() {
    GlobalInit();
    FEasy.reset(curl_easy_init());
    if (!FEasy)
        throw std::bad_alloc();
    SetupHandle();
    Apply(FOptions);
}

TCurlEasy::~TCurlEasy() = default;

void TCurlEasy::SetupHandle() {
    CURL* h = FEasy.get();
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, FErrorBuffer);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // The client follows redirects and decodes bodies by its own rules.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(h, CURLOPT_HEADEROPT, long(CURLHEADER_SEPARATE));
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TCurlEasy::HeaderCallback);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TCurlEasy::WriteCallback);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &TCurlEasy::PrereqCallback);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &TSocketRegistry::Open);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &TSocketRegistry::Close);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 128L * 1024);
}

void TCurlEasy::Apply(const TCurlOptions& AOptions) {
    FOptions = AOptions;
    CURL* h = FEasy.get();
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(FOptions.ConnectTimeoutMs, 0)));
    const QByteArray agent = FOptions.UserAgent.toUtf8();
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.isEmpty() ? nullptr : agent.constData());
    const QByteArray bound = QByteArrayLiteral("host!") + FOptions.BoundIP.toUtf8();
    curl_easy_setopt(h, CURLOPT_INTERFACE,
                     FOptions.BoundIP.isEmpty() ? nullptr : bound.constData());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION,
                     long(FOptions.HTTP2 ? CURL_HTTP_VERSION_2TLS : CURL_HTTP_VERSION_1_1));
    ApplyTLS();
    ApplyProxy();
    ApplyRecorder();
}

void TCurlEasy::ApplyTLS() {
    CURL* h = FEasy.get();
    const bool verify = FOptions.VerifyTLS;
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
    const QByteArray caFile = FOptions.CAFile.toUtf8();
    if (verify && !caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    // Unchecked: TLS 1.0 to 1.3, and old servers need the lowest security level.
    curl_easy_setopt(h, CURLOPT_SSLVERSION,
                     long(verify ? CURL_SSLVERSION_TLSv1_2 : CURL_SSLVERSION_TLSv1_0) |
                         long(CURL_SSLVERSION_MAX_TLSv1_3));
    curl_easy_setopt(h, CURLOPT_SSL_CIPHER_LIST, verify ? nullptr : "DEFAULT:@SECLEVEL=0");
}

void TCurlEasy::ApplyRecorder() {
    // The request head as sent reaches us only through libcurl's debug output.
    CURL* h = FEasy.get();
    const bool on = FOptions.Recorder != nullptr || FOptions.KeepHeads;
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, on ? &TCurlEasy::DebugCallback : nullptr);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, on ? this : nullptr);
    curl_easy_setopt(h, CURLOPT_VERBOSE, on ? 1L : 0L);
}

void TCurlEasy::ApplyProxy() {
    if (FOptions.ProxyHost.isEmpty())
        FOptions.ProxyKind = TProxyKind::pkNone;
    const TProxyKind kind = FOptions.ProxyKind;
    CURL* h = FEasy.get();
    // An empty proxy also keeps libcurl from taking one from the environment. libcurl reads the
    // proxy as a URL: an IPv6 address needs its brackets there.
    const QString& host = FOptions.ProxyHost;
    const QString proxy = host.contains(u':') ? u'[' + host + u']' : host;
    curl_easy_setopt(h, CURLOPT_PROXY,
                     kind == TProxyKind::pkNone ? "" : proxy.toUtf8().constData());
    curl_easy_setopt(h, CURLOPT_PROXYPORT, long(FOptions.ProxyPort));
    const bool credentials = kind != TProxyKind::pkNone && !FOptions.ProxyUser.isEmpty();
    curl_easy_setopt(h, CURLOPT_PROXYUSERNAME,
                     credentials ? FOptions.ProxyUser.toUtf8().constData() : nullptr);
    curl_easy_setopt(h, CURLOPT_PROXYPASSWORD,
                     credentials ? FOptions.ProxyPassword.toUtf8().constData() : nullptr);
    long type = CURLPROXY_HTTP;
    if (kind == TProxyKind::pkSOCKS4)
        type = CURLPROXY_SOCKS4;
    else if (kind == TProxyKind::pkSOCKS5)
        type = CURLPROXY_SOCKS5_HOSTNAME;
    curl_easy_setopt(h, CURLOPT_PROXYTYPE, type);
    // libcurl sends "Proxy-Connection: Keep-Alive" with a plain request through an HTTP proxy
    // by itself; the CONNECT of a tunnel gets it from this list.
    FProxyHeaders.reset();
    if (kind == TProxyKind::pkHTTP)
        FProxyHeaders.reset(curl_slist_append(nullptr, "Proxy-Connection: Keep-Alive"));
    curl_easy_setopt(h, CURLOPT_PROXYHEADER, FProxyHeaders.get());
}

void TCurlEasy::SetShare(CURLSH* AShare, bool ACookies) {
    if (AShare == FShare && ACookies == FCookies)
        return;
    FShare = AShare;
    FCookies = ACookies;
    AttachShare();
}

void TCurlEasy::AttachShare() {
    // Detaching the share keeps its cookies for when it is attached again.
    curl_easy_setopt(FEasy.get(), CURLOPT_SHARE, FShare);
    if (FShare && FCookies)
        curl_easy_setopt(FEasy.get(), CURLOPT_COOKIEFILE, "");
}

void TCurlEasy::SetSocketRegistry(TSocketRegistry* ARegistry) {
    FSockets = ARegistry;
    curl_easy_setopt(FEasy.get(), CURLOPT_OPENSOCKETDATA, ARegistry);
    curl_easy_setopt(FEasy.get(), CURLOPT_CLOSESOCKETDATA, ARegistry);
}

void TCurlEasy::ResetHandle() {
    // libcurl counts the silent resends of a request that died on a reused connection (or that an
    // HTTP/2 GOAWAY left unsent) per handle, not per transfer, and after five refuses the next
    // such request at once. Each transfer starts with its own count. The reset would drop the
    // list that CURLOPT_COOKIEFILE "" left without freeing it, so it is emptied first.
    curl_easy_setopt(FEasy.get(), CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
    curl_easy_reset(FEasy.get());
    SetupHandle();
    Apply(FOptions);
    AttachShare();
    SetSocketRegistry(FSockets);
}

void TCurlEasy::Begin(const QByteArray& AURL, const QList<QByteArray>& AHeaders,
                      QByteArray& ABody) {
    ResetHandle();
    TSlist headers;
    for (const QByteArray& line : AHeaders) {
        curl_slist* next = curl_slist_append(headers.get(), line.constData());
        if (!next)
            throw std::bad_alloc();
        (void)headers.release();
        headers.reset(next);
    }
    FHeaders = std::move(headers);
    FURL = AURL;
    CURL* h = FEasy.get();
    curl_easy_setopt(h, CURLOPT_URL, FURL.constData());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, FHeaders.get());

    FReply = TReplyInfo();
    FInHeaders = false;
    FBody = &ABody;
    FBodyBytes = 0;
    FConnected = false;
    FLocalPort = 0;
    FReadTimedOut = false;
    FTooLarge = false;
    FAborted = false;
    FErrorBuffer[0] = 0;
    FRequestHead.clear();
    FReplyHead.clear();
    FOtherBody.clear();
    FBodyStart = ABody.size();
    FSentAt = QDateTime();
    Touch();
}

bool TCurlEasy::CheckReadTimeout(int& AWaitMs) {
    const int limit = FOptions.ReadTimeoutMs;
    if (!FConnected || limit <= 0)
        return false;
    qint64 idle =
        std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - FLastActivity)
            .count();
    const qint64 socketIdle = idle >= limit && FSockets ? FSockets->IdleMs(FLocalPort) : -1;
    if (socketIdle >= 0 && socketIdle < idle) {
        FLastActivity = TClock::now() - std::chrono::milliseconds(socketIdle);
        idle = socketIdle;
    }
    if (idle >= limit) {
        FReadTimedOut = true;
        return true;
    }
    AWaitMs = int(std::clamp<qint64>(limit - idle, 1, AWaitMs));
    return false;
}

TReplyInfo TCurlEasy::End(CURLcode AResult) {
    const QByteArray* body = std::exchange(FBody, nullptr);
    if (FAborted)
        throw AbortedError();
    if (FReadTimedOut)
        AResult = CURLE_OPERATION_TIMEDOUT;
    if (!IsNegativeLengthReply(AResult) && AResult != CURLE_OK)
        RaiseFailure(AResult);
    if (FOptions.Recorder)
        RecordExchange(body);
    return FReply;
}

void TCurlEasy::RecordExchange(const QByteArray* ABody) {
    TWireExchange exchange;
    exchange.URL = FURL;
    exchange.Request = FRequestHead;
    exchange.ReplyHead = FReplyHead;
    exchange.StatusLine = FReply.StatusLine;
    exchange.Code = FReply.Code;
    const bool kept = ABody && FReply.Code >= 200 && FReply.Code <= 299;
    exchange.Body = kept ? QByteArrayView(*ABody).sliced(std::min(FBodyStart, ABody->size()))
                         : QByteArrayView(FOtherBody);
    long version = 0;
    curl_easy_getinfo(FEasy.get(), CURLINFO_HTTP_VERSION, &version);
    exchange.HTTP2 = version == CURL_HTTP_VERSION_2_0 || version == CURL_HTTP_VERSION_3;
    const char* ip = nullptr;
    if (curl_easy_getinfo(FEasy.get(), CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip)
        exchange.IPAddress = QString::fromLatin1(ip);
    exchange.Time = FSentAt.isValid() ? FSentAt : QDateTime::currentDateTimeUtc();
    FOptions.Recorder->Record(exchange);
}

bool TCurlEasy::IsNegativeLengthReply(CURLcode ACode) {
    // libcurl refuses a Content-Length below 0 (or not a number) itself, before the header
    // reaches us: a success reply that stopped there has no body to read.
    if (ACode != CURLE_WEIRD_SERVER_REPLY || !FInHeaders || FReply.Code < 200 ||
        FReply.Code > 299 || !QByteArrayView(FErrorBuffer).startsWith("Invalid Content-Length"))
        return false;
    FReply.HasContentLength = true;
    FReply.ContentLength = -1;
    return true;
}

size_t TCurlEasy::HeaderCallback(char* AData, size_t ASize, size_t ACount, void* AThis) {
    auto* self = static_cast<TCurlEasy*>(AThis);
    const size_t len = ASize * ACount;
    try {
        return self->TakeHeaderLine(AData, len) ? len : 0;
    } catch (...) {
        return 0;
    }
}

size_t TCurlEasy::WriteCallback(char* AData, size_t ASize, size_t ACount, void* AThis) {
    auto* self = static_cast<TCurlEasy*>(AThis);
    const size_t len = ASize * ACount;
    try {
        return self->TakeBody(AData, len) ? len : 0;
    } catch (...) {
        return 0;
    }
}

int TCurlEasy::PrereqCallback(void* AThis, char*, char*, int, int) {
    auto* self = static_cast<TCurlEasy*>(AThis);
    self->FConnected = true;
    curl_easy_getinfo(self->FEasy.get(), CURLINFO_LOCAL_PORT, &self->FLocalPort);
    if (self->FOptions.Recorder)
        self->FSentAt = QDateTime::currentDateTimeUtc();
    self->Touch();
    return CURL_PREREQFUNC_OK;
}

int TCurlEasy::DebugCallback(CURL*, curl_infotype AType, char* AData, size_t ASize, void* AThis) {
    if (AType != CURLINFO_HEADER_OUT)
        return 0;
    try {
        static_cast<TCurlEasy*>(AThis)->TakeRequestHead(QByteArrayView(AData, qsizetype(ASize)));
    } catch (...) {
        // A head not kept leaves the record without it; the transfer goes on.
    }
    return 0;
}

void TCurlEasy::TakeRequestHead(QByteArrayView AData) {
    // A proxy's CONNECT is no part of the exchange; a request sent again replaces the first.
    if (AData.startsWith("CONNECT "))
        return;
    if (FRequestHead.endsWith("\r\n\r\n"))
        FRequestHead.clear();
    FRequestHead.append(AData);
}

curl_socket_t TSocketRegistry::Open(void* ARegistry, curlsocktype, curl_sockaddr* AAddress) {
    // Never inherited by a program the user starts from the window.
    const curl_socket_t s =
        ::socket(AAddress->family, AAddress->socktype | SOCK_CLOEXEC, AAddress->protocol);
    if (s != CURL_SOCKET_BAD && ARegistry)
        static_cast<TSocketRegistry*>(ARegistry)->FSockets.append(s);
    return s;
}

int TSocketRegistry::Close(void* ARegistry, curl_socket_t ASocket) {
    if (ARegistry)
        static_cast<TSocketRegistry*>(ARegistry)->FSockets.removeOne(ASocket);
    return ::close(ASocket);
}

qint64 TSocketRegistry::IdleMs(long ALocalPort) const {
    qint64 idle = -1;
    for (const curl_socket_t s : FSockets) {
        if (ALocalPort != 0) {
            sockaddr_storage address{};
            socklen_t length = sizeof(address);
            if (::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
                continue;
            const in_port_t port = address.ss_family == AF_INET6
                                       ? reinterpret_cast<const sockaddr_in6&>(address).sin6_port
                                       : reinterpret_cast<const sockaddr_in&>(address).sin_port;
            if (ntohs(port) != ALocalPort)
                continue;
        }
        tcp_info info{};
        socklen_t size = sizeof(info);
        if (::getsockopt(s, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
            continue;
        if (idle < 0 || qint64(info.tcpi_last_data_recv) < idle)
            idle = qint64(info.tcpi_last_data_recv);
    }
    return idle;
}

bool TCurlEasy::TakeHeaderLine(const char* AData, size_t ALen) {
    Touch();
    // libcurl bounds each header line and the whole head.
    const QByteArrayView line(AData, qsizetype(ALen));
    if ((FOptions.Recorder || FOptions.KeepHeads) && (line.startsWith("HTTP/") || FInHeaders)) {
        if (line.startsWith("HTTP/"))
            FReplyHead.clear();
        FReplyHead.append(line);
    }
    if (line.startsWith("HTTP/")) {
        // A new reply: an interim 1xx one is replaced by the reply that follows it.
        FReply = TReplyInfo();
        QByteArrayView status = line;
        while (!status.isEmpty() && (status.back() == '\r' || status.back() == '\n'))
            status.chop(1);
        FReply.Code = ParseStatusCode(line);
        FReply.StatusLine = WithReason(HeaderText(status), FReply.Code);
        FInHeaders = true;
        return true;
    }
    if (!FInHeaders)
        return true; // trailers
    const QByteArrayView text = TrimSpace(line);
    if (text.isEmpty()) {
        FInHeaders = false;
        return true;
    }
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0)
        return true;
    const QByteArrayView name = TrimSpace(text.first(colon));
    const QByteArrayView value = TrimSpace(text.sliced(colon + 1));
    // The first occurrence of each header counts.
    if (SameName(name, "Content-Type") && FReply.ContentType.isEmpty())
        FReply.ContentType = HeaderText(value);
    else if (SameName(name, "Content-Encoding") && FReply.ContentEncoding.isEmpty())
        FReply.ContentEncoding = HeaderText(value);
    else if (SameName(name, "Location") && FReply.Location.isEmpty())
        FReply.Location = HeaderText(value);
    else if (SameName(name, "Content-Disposition") && FReply.ContentDisposition.isEmpty())
        FReply.ContentDisposition = HeaderText(value);
    else if (SameName(name, "Retry-After") && FReply.RetryAfter.isEmpty())
        FReply.RetryAfter = HeaderText(value);
    else if (SameName(name, "ETag") && FReply.ETag.isEmpty())
        FReply.ETag = HeaderText(value);
    else if (SameName(name, "Last-Modified") && FReply.LastModified.isEmpty())
        FReply.LastModified = HeaderText(value);
    else if (SameName(name, "Content-Length") && !FReply.HasContentLength) {
        bool ok = false;
        const qint64 length = value.toLongLong(&ok);
        FReply.HasContentLength = ok;
        FReply.ContentLength = ok ? length : -1;
        if (ok && length > FOptions.MaxBodySize) {
            FTooLarge = true;
            return false;
        }
    }
    return true;
}

bool TCurlEasy::TakeBody(const char* AData, size_t ALen) {
    Touch();
    FBodyBytes += qint64(ALen);
    if (FBodyBytes > FOptions.MaxBodySize) {
        FTooLarge = true;
        return false;
    }
    // A redirect or error body is read, so the connection stays usable, but never kept.
    if (FBody && FReply.Code >= 200 && FReply.Code <= 299)
        FBody->append(AData, qsizetype(ALen));
    else if (FOptions.Recorder)
        FOtherBody.append(AData, qsizetype(ALen));
    return true;
}

void TCurlEasy::RaiseFailure(CURLcode ACode) {
    TCurlFailure failure;
    failure.Code = ACode;
    curl_easy_getinfo(FEasy.get(), CURLINFO_OS_ERRNO, &failure.OSErrno);
    curl_easy_getinfo(FEasy.get(), CURLINFO_PROXY_ERROR, &failure.ProxyError);
    failure.Detail = QString::fromUtf8(FErrorBuffer);
    failure.URL = FURL;
    failure.ProxyKind = FOptions.ProxyKind;
    failure.ProxyHost = FOptions.ProxyHost;
    failure.ProxyPort = FOptions.ProxyPort;
    failure.BoundIP = FOptions.BoundIP;
    failure.Connected = FConnected;
    failure.ReadTimedOut = FReadTimedOut;
    failure.TooLarge = FTooLarge;
    failure.MaxBodySize = FOptions.MaxBodySize;
    failure.TLSAvailable = IsSSLLibraryAvailable();
    ETransportError error = TransportErrorFor(failure);
    error.SetReplyStarted(FReply.Code != 0);
    throw error;
}

} // namespace tarrow
