#include "http/uCurlTransfer.h"

#include "base/uStrUtils.h"
#include "http/LibSSLUnit.h"

#include <QByteArrayView>
#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <new>
#include <sys/socket.h>
#include <unistd.h>

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

} // namespace

TCurlTransfer::TCurlTransfer() {
    GlobalInit();
    FShare.reset(curl_share_init());
    FMulti.reset(curl_multi_init());
    FEasy.reset(curl_easy_init());
    if (!FShare || !FMulti || !FEasy)
        throw std::bad_alloc();
    curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);

    CURL* h = FEasy.get();
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, FErrorBuffer);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // The client follows redirects and decodes bodies by its own rules.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    // TLS 1.0 to 1.3 with no certificate checks; old servers need the lowest security level.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_SSLVERSION,
                     long(CURL_SSLVERSION_TLSv1_0) | long(CURL_SSLVERSION_MAX_TLSv1_3));
    curl_easy_setopt(h, CURLOPT_SSL_CIPHER_LIST, "DEFAULT:@SECLEVEL=0");
    // An empty proxy also keeps libcurl from taking one from the environment.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(h, CURLOPT_HEADEROPT, long(CURLHEADER_SEPARATE));
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TCurlTransfer::HeaderCallback);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TCurlTransfer::WriteCallback);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &TCurlTransfer::PrereqCallback);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &TCurlTransfer::OpenSocketCallback);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &TCurlTransfer::CloseSocketCallback);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 128L * 1024);
    SetCookieStore(true);
}

TCurlTransfer::~TCurlTransfer() = default;

void TCurlTransfer::SetConnectTimeoutMs(int AMs) {
    curl_easy_setopt(FEasy.get(), CURLOPT_CONNECTTIMEOUT_MS, long(std::max(AMs, 0)));
}

void TCurlTransfer::SetUserAgent(const QString& AUserAgent) {
    curl_easy_setopt(FEasy.get(), CURLOPT_USERAGENT,
                     AUserAgent.isEmpty() ? nullptr : AUserAgent.toUtf8().constData());
}

void TCurlTransfer::SetBoundIP(const QString& ABoundIP) {
    FBoundIP = ABoundIP;
    const QByteArray value = QByteArrayLiteral("host!") + ABoundIP.toUtf8();
    curl_easy_setopt(FEasy.get(), CURLOPT_INTERFACE,
                     ABoundIP.isEmpty() ? nullptr : value.constData());
}

void TCurlTransfer::SetProxy(TProxyKind AKind, const QString& AHost, int APort,
                             const QString& AUser, const QString& APassword) {
    if (AHost.isEmpty())
        AKind = TProxyKind::pkNone;
    FProxyKind = AKind;
    FProxyHost = AHost;
    FProxyPort = APort;
    CURL* h = FEasy.get();
    // libcurl reads the proxy as a URL: an IPv6 address needs its brackets there.
    const QString host = AHost.contains(u':') ? u'[' + AHost + u']' : AHost;
    curl_easy_setopt(h, CURLOPT_PROXY,
                     AKind == TProxyKind::pkNone ? "" : host.toUtf8().constData());
    curl_easy_setopt(h, CURLOPT_PROXYPORT, long(APort));
    const bool credentials = AKind != TProxyKind::pkNone && !AUser.isEmpty();
    curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, credentials ? AUser.toUtf8().constData() : nullptr);
    curl_easy_setopt(h, CURLOPT_PROXYPASSWORD,
                     credentials ? APassword.toUtf8().constData() : nullptr);
    long type = CURLPROXY_HTTP;
    if (AKind == TProxyKind::pkSOCKS4)
        type = CURLPROXY_SOCKS4;
    else if (AKind == TProxyKind::pkSOCKS5)
        type = CURLPROXY_SOCKS5_HOSTNAME;
    curl_easy_setopt(h, CURLOPT_PROXYTYPE, type);
    // libcurl sends "Proxy-Connection: Keep-Alive" with a plain request through an HTTP proxy
    // by itself; the CONNECT of a tunnel gets it from this list.
    FProxyHeaders.reset();
    if (AKind == TProxyKind::pkHTTP)
        FProxyHeaders.reset(curl_slist_append(nullptr, "Proxy-Connection: Keep-Alive"));
    curl_easy_setopt(h, CURLOPT_PROXYHEADER, FProxyHeaders.get());
}

void TCurlTransfer::SetCookieStore(bool AOn) {
    if (AOn == FCookieStoreOn)
        return;
    FCookieStoreOn = AOn;
    // Detaching the share keeps its cookies for when the store is switched on again.
    curl_easy_setopt(FEasy.get(), CURLOPT_SHARE, AOn ? FShare.get() : nullptr);
    if (AOn)
        curl_easy_setopt(FEasy.get(), CURLOPT_COOKIEFILE, "");
}

void TCurlTransfer::CloseConnection() {
    // The connection lives in the multi handle's cache; a fresh multi handle closes it.
    std::unique_ptr<CURLM, TMultiDeleter> fresh(curl_multi_init());
    if (!fresh)
        throw std::bad_alloc();
    FMulti = std::move(fresh);
}

TReplyInfo TCurlTransfer::Get(const QByteArray& AURL, const QList<QByteArray>& AHeaders,
                              QByteArray& ABody) {
    TSlist headers;
    for (const QByteArray& line : AHeaders) {
        curl_slist* next = curl_slist_append(headers.get(), line.constData());
        if (!next)
            throw std::bad_alloc();
        (void)headers.release();
        headers.reset(next);
    }
    FHeaders = std::move(headers);
    CURL* h = FEasy.get();
    curl_easy_setopt(h, CURLOPT_URL, AURL.constData());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, FHeaders.get());

    FReply = TReplyInfo();
    FInHeaders = false;
    FBody = &ABody;
    FBodyBytes = 0;
    FConnected = false;
    FReadTimedOut = false;
    FTooLarge = false;
    FAborted = false;
    FErrorBuffer[0] = 0;
    const CURLcode result = Run();
    FBody = nullptr;
    if (FAborted)
        throw AbortedError();
    if (IsNegativeLengthReply(result))
        return FReply;
    if (result != CURLE_OK)
        RaiseFailure(result, AURL);
    return FReply;
}

bool TCurlTransfer::IsNegativeLengthReply(CURLcode ACode) {
    // libcurl refuses a Content-Length below 0 (or not a number) itself, before the header
    // reaches us: a success reply that stopped there has no body to read.
    if (ACode != CURLE_WEIRD_SERVER_REPLY || !FInHeaders || FReply.Code < 200 ||
        FReply.Code > 299 || !QByteArrayView(FErrorBuffer).startsWith("Invalid Content-Length"))
        return false;
    FReply.HasContentLength = true;
    FReply.ContentLength = -1;
    return true;
}

CURLcode TCurlTransfer::Run() {
    if (curl_multi_add_handle(FMulti.get(), FEasy.get()) != CURLM_OK)
        return CURLE_FAILED_INIT;
    struct TRemove {
        CURLM* M;
        CURL* E;
        ~TRemove() { curl_multi_remove_handle(M, E); }
    } remove{FMulti.get(), FEasy.get()};

    for (;;) {
        int running = 0;
        if (curl_multi_perform(FMulti.get(), &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        if (running == 0)
            break;
        if (FAbortFlag && FAbortFlag->IsSet()) {
            FAborted = true;
            return CURLE_ABORTED_BY_CALLBACK;
        }
        int waitMs = kAbortPollMs;
        if (FConnected && FReadTimeoutMs > 0) {
            qint64 idle =
                std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - FLastActivity)
                    .count();
            const qint64 socketIdle = idle >= FReadTimeoutMs ? SocketIdleMs() : -1;
            if (socketIdle >= 0 && socketIdle < idle) {
                FLastActivity = TClock::now() - std::chrono::milliseconds(socketIdle);
                idle = socketIdle;
            }
            if (idle >= FReadTimeoutMs) {
                FReadTimedOut = true;
                return CURLE_OPERATION_TIMEDOUT;
            }
            waitMs = int(std::clamp<qint64>(FReadTimeoutMs - idle, 1, kAbortPollMs));
        }
        curl_multi_poll(FMulti.get(), nullptr, 0, waitMs, nullptr);
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(FMulti.get(), &queued))
        if (msg->msg == CURLMSG_DONE)
            return msg->data.result;
    return CURLE_FAILED_INIT;
}

size_t TCurlTransfer::HeaderCallback(char* AData, size_t ASize, size_t ACount, void* AThis) {
    auto* self = static_cast<TCurlTransfer*>(AThis);
    const size_t len = ASize * ACount;
    try {
        return self->TakeHeaderLine(AData, len) ? len : 0;
    } catch (...) {
        return 0;
    }
}

size_t TCurlTransfer::WriteCallback(char* AData, size_t ASize, size_t ACount, void* AThis) {
    auto* self = static_cast<TCurlTransfer*>(AThis);
    const size_t len = ASize * ACount;
    try {
        return self->TakeBody(AData, len) ? len : 0;
    } catch (...) {
        return 0;
    }
}

int TCurlTransfer::PrereqCallback(void* AThis, char*, char*, int, int) {
    auto* self = static_cast<TCurlTransfer*>(AThis);
    self->FConnected = true;
    self->Touch();
    return CURL_PREREQFUNC_OK;
}

curl_socket_t TCurlTransfer::OpenSocketCallback(void* AThis, curlsocktype,
                                                curl_sockaddr* AAddress) {
    auto* self = static_cast<TCurlTransfer*>(AThis);
    const curl_socket_t s =
        ::socket(AAddress->family, AAddress->socktype | SOCK_CLOEXEC, AAddress->protocol);
    if (s != CURL_SOCKET_BAD)
        self->FSockets.append(s);
    return s;
}

int TCurlTransfer::CloseSocketCallback(void* AThis, curl_socket_t ASocket) {
    static_cast<TCurlTransfer*>(AThis)->FSockets.removeOne(ASocket);
    return ::close(ASocket);
}

qint64 TCurlTransfer::SocketIdleMs() const {
    qint64 idle = -1;
    for (const curl_socket_t s : FSockets) {
        tcp_info info{};
        socklen_t size = sizeof(info);
        if (::getsockopt(s, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
            continue;
        if (idle < 0 || qint64(info.tcpi_last_data_recv) < idle)
            idle = qint64(info.tcpi_last_data_recv);
    }
    return idle;
}

bool TCurlTransfer::TakeHeaderLine(const char* AData, size_t ALen) {
    Touch();
    // libcurl bounds each header line and the whole head.
    const QByteArrayView line(AData, qsizetype(ALen));
    if (line.startsWith("HTTP/")) {
        // A new reply: an interim 1xx one is replaced by the reply that follows it.
        FReply = TReplyInfo();
        QByteArrayView status = line;
        while (!status.isEmpty() && (status.back() == '\r' || status.back() == '\n'))
            status.chop(1);
        FReply.StatusLine = HeaderText(status);
        FReply.Code = ParseStatusCode(line);
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
    else if (SameName(name, "Content-Length") && !FReply.HasContentLength) {
        bool ok = false;
        const qint64 length = value.toLongLong(&ok);
        FReply.HasContentLength = ok;
        FReply.ContentLength = ok ? length : -1;
        if (ok && length > FMaxBodySize) {
            FTooLarge = true;
            return false;
        }
    }
    return true;
}

bool TCurlTransfer::TakeBody(const char* AData, size_t ALen) {
    Touch();
    FBodyBytes += qint64(ALen);
    if (FBodyBytes > FMaxBodySize) {
        FTooLarge = true;
        return false;
    }
    // A redirect or error body is read, so the connection stays usable, but never kept.
    if (FReply.Code >= 200 && FReply.Code <= 299)
        FBody->append(AData, qsizetype(ALen));
    return true;
}

void TCurlTransfer::RaiseFailure(CURLcode ACode, const QByteArray& AURL) {
    TCurlFailure failure;
    failure.Code = ACode;
    curl_easy_getinfo(FEasy.get(), CURLINFO_OS_ERRNO, &failure.OSErrno);
    curl_easy_getinfo(FEasy.get(), CURLINFO_PROXY_ERROR, &failure.ProxyError);
    failure.Detail = QString::fromUtf8(FErrorBuffer);
    failure.URL = AURL;
    failure.ProxyKind = FProxyKind;
    failure.ProxyHost = FProxyHost;
    failure.ProxyPort = FProxyPort;
    failure.BoundIP = FBoundIP;
    failure.Connected = FConnected;
    failure.ReadTimedOut = FReadTimedOut;
    failure.TooLarge = FTooLarge;
    failure.MaxBodySize = FMaxBodySize;
    failure.TLSAvailable = IsSSLLibraryAvailable();
    throw TransportErrorFor(failure);
}

} // namespace tarrow
