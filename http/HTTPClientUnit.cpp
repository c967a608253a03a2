#include "http/HTTPClientUnit.h"

#include "base/uStrUtils.h"
#include "base/uURLUtils.h"
#include "http/LibSSLUnit.h"
#include "http/uCurlTransfer.h"
#include "http/uHTTPGetSteps.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tarrow {

namespace {

const QByteArray kAccept =
    QByteArrayLiteral("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");

bool IsPageHeaderType(const QString& AMediaType) {
    return AsciiSameText(AMediaType, u"text/html") ||
           AsciiSameText(AMediaType, u"application/xhtml+xml");
}

bool IsHTTPS(const QString& AURL) {
    return AsciiStartsText(AURL, u"https:");
}

// A header value never carries a line break into the request.
QByteArray HeaderValue(const QString& AText) {
    QByteArray value = AText.toUtf8();
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return value;
}

} // namespace

QString NormalizeURL(const QString& AURL) {
    QString url = AURL;
    url.replace(u' ', QStringLiteral("%20"));
    const qsizetype sep = url.indexOf(u"://");
    if (sep < 0)
        return url; // a relative target such as "page?x=1" stays as it is
    const qsizetype start = sep + 3;
    const qsizetype query = url.indexOf(u'?', start);
    if (query < 0)
        return url;
    const qsizetype slash = url.indexOf(u'/', start);
    if (slash < 0 || slash > query)
        url.insert(query, u'/');
    return url;
}

QString RefererHeaderURL(const QString& AURL) {
    QString url = RemoveURLFragment(AURL);
    const qsizetype sep = url.indexOf(u"://");
    if (sep < 0)
        return url;
    const qsizetype hostStart = sep + 3;
    qsizetype hostEnd = hostStart;
    while (hostEnd < url.size() && url[hostEnd] != u'/' && url[hostEnd] != u'?')
        ++hostEnd;
    const qsizetype at = QStringView(url).mid(hostStart, hostEnd - hostStart).lastIndexOf(u'@');
    if (at >= 0)
        url.remove(hostStart, at + 1);
    return url;
}

QString ExpandRefererURL(const QString& AURL, const QString& AReferer) {
    QString referer = RemoveURLFragment(AReferer);
    referer.truncate(referer.indexOf(u'?') < 0 ? referer.size() : referer.indexOf(u'?'));
    const qsizetype sep = referer.indexOf(u"://");
    if (referer.isEmpty() || sep < 0)
        return AURL;
    if (AURL.startsWith(QLatin1String("//"))) // a network-path reference: another host
        return referer.left(sep + 1) + AURL;
    const bool rooted = AURL.startsWith(u'/');
    const qsizetype firstSlash = referer.indexOf(u'/', sep + 3);
    if (firstSlash < 0)
        return rooted ? referer + AURL : referer + u'/' + AURL;
    if (rooted)
        return referer.left(firstSlash) + AURL;
    return referer.left(referer.lastIndexOf(u'/') + 1) + AURL;
}

bool MustCloseConnection(const QString& AURL, const QString& ACurURL) {
    if (IsHTTPS(AURL))
        return true;
    const qsizetype sep = AURL.indexOf(u"://");
    const qsizetype slash = AURL.indexOf(u'/', sep < 0 ? 0 : sep + 3);
    // The compared prefix ends one character past that "/".
    const qsizetype n = slash < 0 ? AURL.size() : slash + 2;
    return n > 0 && !AsciiSameText(QStringView(AURL).left(n), QStringView(ACurURL).left(n));
}

bool IsRedirectReply(int ACode) {
    return ACode == 301 || ACode == 302 || ACode == 303 || ACode == 307;
}

QByteArray EncodeRequestURL(const QString& AURL) {
    const QByteArray bytes = AURL.toUtf8();
    const qsizetype sep = bytes.indexOf("://");
    qsizetype hostEnd = -1;
    if (sep >= 0) {
        hostEnd = sep + 3;
        while (hostEnd < bytes.size() && !QByteArrayView("/?#").contains(bytes[hostEnd]))
            ++hostEnd;
    }
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool inHost = i < hostEnd;
        if (c <= 0x20 || c == 0x7F || (c >= 0x80 && !inHost)) {
            out.append('%').append(hex[c >> 4]).append(hex[c & 15]);
        } else {
            out.append(char(c));
        }
    }
    return out;
}

TResponseType FinishResponse(const QString& AURL, const TReplyInfo& AReply, bool ADecode,
                             const QByteArray& ABuffer, QByteArray& AOutStream, qsizetype AOutStart,
                             qint64 AMaxDecodedSize) {
    if (AReply.HasContentLength && AReply.ContentLength <= 0) {
        AOutStream.truncate(AOutStart);
    } else if (ADecode) {
        bool whole = true;
        try {
            whole = DecodeContent(ABuffer, AReply.ContentEncoding, AOutStream, AMaxDecodedSize);
        } catch (const EContentTooLarge& E) {
            throw EContentTooLarge(E.Message() + QStringLiteral(": ") +
                                   URLHostPort(EncodeRequestURL(AURL)));
        }
        // A body framed only by the connection's end cannot tell a close part way from its end;
        // the compressed stream can.
        if (!whole)
            throw ETransportError(TTransportFault::tfCutShort,
                                  QStringLiteral("Compressed body cut short: ") +
                                      URLHostPort(EncodeRequestURL(AURL)));
    }
    const TContentType header = ParseContentType(AReply.ContentType);
    TResponseType result{header.MediaType, header.Charset};
    // Read after decompression, so a compressed page's own declaration counts too.
    if (IsHTMLMediaType(result.MediaType)) {
        const TMetaDeclaration meta =
            ReadMetaDeclaration(AOutStream.constData() + AOutStart, AOutStream.size() - AOutStart);
        // A page the server calls a page stays one whatever its meta says; the meta's charset
        // still counts.
        if (!meta.ContentType.isEmpty() && !IsPageHeaderType(result.MediaType))
            result.MediaType = meta.ContentType;
        if (!meta.Charset.isEmpty())
            result.Charset = meta.Charset;
    }
    if (result.Charset.isEmpty())
        result.Charset = DefaultCharset(result.MediaType);
    return result;
}

namespace {

QByteArrayView HeaderName(QByteArrayView ALine) {
    const qsizetype colon = ALine.indexOf(':');
    return colon < 0 ? ALine : ALine.first(colon);
}

bool IsTokenChar(QChar C) {
    const char16_t c = C.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           QStringView(u"!#$%&'*+-.^_`|~").contains(C);
}

} // namespace

QString RequestHeaderProblem(const QString& ALine) {
    const QString line = ALine.trimmed();
    const qsizetype colon = line.indexOf(u':');
    const QString name = colon < 0 ? QString() : line.left(colon);
    const QString value = colon < 0 ? QString() : line.mid(colon + 1).trimmed();
    const bool malformed =
        name.isEmpty() || value.isEmpty() || !std::all_of(name.begin(), name.end(), IsTokenChar) ||
        std::any_of(value.begin(), value.end(), [](QChar C) { return C.unicode() < 0x20; });
    if (malformed)
        return QStringLiteral("Not a \"Name: value\" header line: ") + line;
    for (const char* reserved : {"Host", "Content-Length", "Transfer-Encoding", "Accept-Encoding"})
        if (name.compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return QStringLiteral("The program sets this header itself: ") + name;
    return QString();
}

QList<QByteArray> RequestHeaderLines(const QStringList& ALines) {
    QList<QByteArray> lines;
    for (const QString& line : ALines) {
        if (!RequestHeaderProblem(line).isEmpty())
            continue;
        const qsizetype colon = line.indexOf(u':');
        lines.append(line.left(colon).trimmed().toUtf8() + ": " +
                     line.mid(colon + 1).trimmed().toUtf8());
    }
    return lines;
}

QList<QByteArray> RequestHeaders(bool ACompressed, const QString& AReferer,
                                 const QString& ACustomCookie, const QList<QByteArray>& AExtra) {
    QList<QByteArray> headers;
    headers.append(kAccept);
    if (ACompressed)
        headers.append(QByteArrayLiteral("Accept-Encoding: gzip, deflate"));
    headers.append(QByteArrayLiteral("Accept-Language: en"));
    if (!AReferer.isEmpty())
        headers.append(QByteArrayLiteral("Referer: ") +
                       EncodeRequestURL(RefererHeaderURL(AReferer)));
    if (!ACustomCookie.isEmpty())
        headers.append(QByteArrayLiteral("Cookie: ") + HeaderValue(ACustomCookie));
    for (const QByteArray& extra : AExtra) {
        headers.removeIf([&extra](const QByteArray& AHeader) {
            return HeaderName(AHeader).compare(HeaderName(extra), Qt::CaseInsensitive) == 0;
        });
    }
    headers.append(AExtra);
    return headers;
}

QList<QByteArray> ConditionalRequestHeaders(const QString& AETag, const QString& ALastModified) {
    QList<QByteArray> headers;
    if (!AETag.isEmpty())
        headers.append(QByteArrayLiteral("If-None-Match: ") + HeaderValue(AETag));
    if (!ALastModified.isEmpty())
        headers.append(QByteArrayLiteral("If-Modified-Since: ") + HeaderValue(ALastModified));
    return headers;
}

QString RedirectLogLine(const QString& ALocation) {
    return QStringLiteral("Redirect to: ") + ALocation;
}

// ---- THTTPClient ----

THTTPClient::THTTPClient(const QString& AUserAgent, const QString& ABoundIP, int AConnectTimeoutSec,
                         int AReadTimeoutSec)
    : FUserAgent(AUserAgent), FBoundIP(ABoundIP), FIdHTTP(std::make_unique<TCurlTransfer>()) {
    FIdHTTP->SetUserAgent(QString::fromUtf8(HeaderValue(FUserAgent)));
    FIdHTTP->SetBoundIP(FBoundIP);
    SetReadTimeout(AReadTimeoutSec);
    SetConnectTimeout(AConnectTimeoutSec);
}

THTTPClient::~THTTPClient() = default;

void THTTPClient::SetProxy(const TProxySettings& AProxy) {
    FIdHTTP->SetProxy(AProxy.Kind, AProxy.Host, AProxy.Port, AProxy.User, AProxy.Password);
}

void THTTPClient::SetVerifyTLS(bool AVerify, const QString& ACAFile) {
    FIdHTTP->SetVerifyTLS(AVerify, ACAFile);
}

void THTTPClient::SetConnectTimeoutMs(int ATimeoutMs) {
    FIdHTTP->SetConnectTimeoutMs(ATimeoutMs);
}

void THTTPClient::SetReadTimeoutMs(int ATimeoutMs) {
    FIdHTTP->SetReadTimeoutMs(ATimeoutMs);
}

void THTTPClient::SetAbortFlag(const TBreakFlag* AFlag) {
    FAbortFlag = AFlag;
    FIdHTTP->SetAbortFlag(AFlag);
}

void THTTPClient::SetRecorder(TWireRecorder* ARecorder) {
    FIdHTTP->SetRecorder(ARecorder);
}

void THTTPClient::SetKeepHeads(bool AKeep) {
    FIdHTTP->SetKeepHeads(AKeep);
}

void THTTPClient::SetMaxBodySize(qint64 ABytes) {
    FIdHTTP->SetMaxBodySize(ABytes);
}

void THTTPClient::HTTPGet(const QString& AURL, QByteArray& AOutStream,
                          QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate,
                          int AMaxRedirects, int ATimeoutRetries) {
    AResponseContentType.clear();
    FNotModified = false;
    FResponseETag.clear();
    FResponseLastModified.clear();
    // A negative default still makes one request with no retry.
    if (AMaxRedirects < 0)
        AMaxRedirects = std::max(FMaxRedirects, 0);
    if (ATimeoutRetries < 0)
        ATimeoutRetries = std::max(FTimeoutRetries, 0);
    THTTPGetSteps get(RequestSettings(), AURL, FReferer, AUpdateReferer,
                      FGzipDeflate && !ANoGZipDeflate, AMaxRedirects, ATimeoutRetries);
    const qsizetype outStart = AOutStream.size();
    QByteArray buffer;
    for (;;) {
        // A partial body of a failed attempt never precedes the next attempt's body.
        buffer.clear();
        AOutStream.truncate(outStart);
        TReplyInfo reply;
        bool sent = false;
        try {
            const THTTPGetSteps::TRequest request = get.Next();
            PrepareConnection(request.URL);
            FReferer = get.Referer();
            THTTPGetSteps::CheckSendable(request);
            sent = true;
            reply =
                FIdHTTP->Get(request.WireURL, request.Headers, get.Decode() ? buffer : AOutStream);
        } catch (const ETransportError& E) {
            if (sent)
                ReportExchange();
            get.OnTransportError(E); // a retry, or raised again
            Pause();
            continue;
        }
        ReportExchange();
        FResponseCharset = ParseContentType(reply.ContentType).Charset;
        if (FResponseCharset.isEmpty())
            FResponseCharset = DefaultCharset(reply.ContentType);
        const THTTPGetSteps::TStep step = get.OnReply(reply, buffer, AOutStream, outStart);
        if (step == THTTPGetSteps::TStep::stFinished) {
            FNotModified = get.NotModified();
            FResponseETag = reply.ETag;
            FResponseLastModified = reply.LastModified;
            FResponseCharset = get.Type().Charset;
            FResponseDisposition = reply.ContentDisposition;
            AResponseContentType = get.Type().MediaType;
            return;
        }
        if (step == THTTPGetSteps::TStep::stRedirected)
            DoRedirect(get.Location());
        Pause();
    }
}

void THTTPClient::PrepareConnection(const QString& AURL) {
    FIdHTTP->SetCookieStore(FCustomCookie.isEmpty());
    if (MustCloseConnection(AURL, FCurURL))
        FIdHTTP->CloseConnection();
    FCurURL = AURL;
}

THTTPRequestSettings THTTPClient::RequestSettings() const {
    THTTPRequestSettings settings;
    settings.Transfer = FIdHTTP->Options();
    settings.RetryPauseMs = FRetryPauseMs;
    settings.MaxRedirects = std::max(FMaxRedirects, 0);
    settings.TimeoutRetries = std::max(FTimeoutRetries, 0);
    settings.GzipDeflate = FGzipDeflate;
    settings.MaxDecodedSize = FMaxDecodedSize;
    settings.AbortFlag = FAbortFlag;
    settings.CustomCookie = FCustomCookie;
    settings.CookieLines = FCookieLines;
    settings.ExtraHeaders = FExtraHeaders;
    settings.ConditionalHeaders = FConditionalHeaders;
    return settings;
}

void THTTPClient::LoadCookies(const QList<QByteArray>& ALines) {
    FCookieLines += ALines;
    FIdHTTP->LoadCookies(ALines);
}

void THTTPClient::DoRedirect(const QString& ALocation) {
    if (FOnRedirect)
        FOnRedirect(*this, ALocation);
}

void THTTPClient::ReportExchange() const {
    if (FOnExchange && FIdHTTP->Options().KeepHeads)
        FOnExchange(FIdHTTP->Heads());
}

void THTTPClient::Pause() const {
    // In slices, so that "Break" never waits for a whole pause.
    constexpr int SliceMs = 50;
    for (int left = FRetryPauseMs; left > 0; left -= SliceMs) {
        if (FAbortFlag && FAbortFlag->IsSet())
            throw AbortedError();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, SliceMs)));
    }
    if (FAbortFlag && FAbortFlag->IsSet())
        throw AbortedError();
}

} // namespace tarrow
